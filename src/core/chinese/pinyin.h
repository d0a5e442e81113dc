// Chinese characters as pinyin: 银行 → "yin hang", "yín háng", "yin2 hang2" or "y h".
//
// Each character is read by ICU's Han-Latin transliterator; where a word of the
// phrase table stands in the text (the longest from the left), the word's reading
// is taken instead, so that a character with several readings is read as its word
// says (银行 yín háng, 重庆 chóng qìng, 音乐 yīn yuè). The table lists only words
// whose reading differs from their characters' own (see data/pinyin/README.md).
// Everything that is not a Chinese character passes through unchanged.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessarn {

enum class PinyinMode { kNone, kFull, kInitials };
enum class PinyinTone { kNone, kMarks, kNumbers };

struct PinyinStyle {
  PinyinMode mode = PinyinMode::kFull;
  // kNone writes ü as v (lv), as names that must stay ASCII do; kNumbers puts the
  // tone's number after the syllable and none after a neutral one (de).
  PinyinTone tone = PinyinTone::kNone;
  bool capitalize = false;  // the first letter of each syllable in upper case
  // Between two syllables, and between a syllable and a letter or digit beside it.
  std::u32string separator = U" ";
};

// Where the phrase table lies for a program in `programDir`: beside it in the build
// tree, else in the installed data folder; "" when neither has it.
std::string FindPinyinPhraseFile(const std::string& programDir);
// The same for the running program (its folder read from /proc/self/exe).
std::string DefaultPinyinPhraseFile();

// The readings, loaded on first use and kept: ICU's transliterator and the phrase
// table cost some milliseconds, which a program that never asks for pinyin does not
// pay. Not shared between threads.
class PinyinReader {
 public:
  // `phraseFile` "" reads every character on its own (and error() says so).
  explicit PinyinReader(std::string phraseFile);
  ~PinyinReader();
  PinyinReader(const PinyinReader&) = delete;
  PinyinReader& operator=(const PinyinReader&) = delete;

  std::u32string ToPinyin(std::u32string_view text, const PinyinStyle& style);
  // On the program's GB18030 text (separator too); text without a change comes back
  // with its bytes.
  std::string Convert(std::string_view gb, PinyinMode mode, PinyinTone tone, bool capitalize,
                      std::string_view gbSeparator);

  // Why the phrase table or the transliterator could not be loaded (UTF-8), or ""
  // (also before the first conversion).
  const std::string& error() const { return error_; }

 private:
  struct Syllable {
    std::string plain;       // ASCII letters, ü as v
    int tone = 0;            // 1-4, 0 for the neutral tone
    std::u32string marked;   // with the tone mark
  };
  struct Word {
    std::u32string text;
    std::vector<int> syllables;
  };
  struct Transliterator;

  void Load();
  int Intern(std::u32string marked);
  // The syllable of a character on its own, or -1 when it is no Chinese character.
  int CharSyllable(char32_t c);
  void AppendSyllable(const Syllable& s, const PinyinStyle& style, std::u32string& out) const;

  std::string phraseFile_;
  bool loaded_ = false;
  std::string error_;
  std::unique_ptr<Transliterator> transliterator_;
  std::vector<Syllable> syllables_;
  std::unordered_map<std::u32string, int> syllableIndex_;
  std::vector<Word> words_;
  // Words by their first character, longest first; whether a character below
  // U+10000 begins any (most do not, and are not looked up).
  std::unordered_map<char32_t, std::vector<int>> wordsByFirst_;
  std::vector<bool> bmpBeginsWord_;
  // Each character's own syllable once asked for (-1: none), below U+10000 in an
  // array (kNotAsked until then), above it in a map.
  static constexpr int kNotAsked = -2;
  std::vector<int> bmpSyllables_;
  std::unordered_map<char32_t, int> otherSyllables_;
};

}  // namespace tessarn
