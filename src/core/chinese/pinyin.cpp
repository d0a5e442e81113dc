#include "core/chinese/pinyin.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "core/chinese/code_points.h"
#include "core/text/encoding.h"

namespace tessarn {

struct PinyinReader::Transliterator {
  std::unique_ptr<icu::Transliterator> icu;
};

namespace {

icu::UnicodeString ToUnicodeString(std::u32string_view text) {
  return icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()),
                                       static_cast<int32_t>(text.size()));
}

std::u32string FromUnicodeString(const icu::UnicodeString& s) {
  std::u32string out;
  for (int32_t i = 0; i < s.length();) {
    const UChar32 c = s.char32At(i);
    out += static_cast<char32_t>(c);
    i += U16_LENGTH(c);
  }
  return out;
}

std::u32string Trim(std::u32string_view s) {
  const std::size_t first = s.find_first_not_of(U' ');
  if (first == std::u32string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(U' ');
  return std::u32string(s.substr(first, last - first + 1));
}

bool IsAsciiAlnum(char32_t c) {
  return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

}  // namespace

std::string FindPinyinPhraseFile(const std::string& programDir) {
  for (const char* relative : {"/pinyin/phrases.txt", "/../share/tessarn/pinyin/phrases.txt"}) {
    std::error_code error;
    const std::string candidate = programDir + relative;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return std::string();
}

std::string DefaultPinyinPhraseFile() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::string();
  return FindPinyinPhraseFile(program.parent_path().string());
}

PinyinReader::PinyinReader(std::string phraseFile) : phraseFile_(std::move(phraseFile)) {}
PinyinReader::~PinyinReader() = default;


int PinyinReader::Intern(std::u32string marked) {
  const auto found = syllableIndex_.find(marked);
  if (found != syllableIndex_.end()) return found->second;
  Syllable s;
  s.marked = marked;
  // The tone is a combining mark once the syllable is decomposed: ā = a + U+0304.
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  const icu::UnicodeString decomposed =
      U_SUCCESS(status) ? nfd->normalize(ToUnicodeString(marked), status)
                        : ToUnicodeString(marked);
  for (const char32_t c : FromUnicodeString(decomposed)) {
    switch (c) {
      case 0x304: s.tone = 1; break;
      case 0x301: s.tone = 2; break;
      case 0x30C: s.tone = 3; break;
      case 0x300: s.tone = 4; break;
      case 0x308:  // ü
        if (!s.plain.empty() && s.plain.back() == 'u') s.plain.back() = 'v';
        break;
      default:
        if (c < 0x80) s.plain += static_cast<char>(u_tolower(static_cast<UChar32>(c)));
        break;
    }
  }
  const int index = static_cast<int>(syllables_.size());
  syllables_.push_back(std::move(s));
  syllableIndex_.emplace(std::move(marked), index);
  return index;
}

void PinyinReader::Load() {
  if (loaded_) return;
  loaded_ = true;
  bmpSyllables_.assign(0x10000, kNotAsked);
  bmpBeginsWord_.assign(0x10000, false);
  UErrorCode status = U_ZERO_ERROR;
  transliterator_ = std::make_unique<Transliterator>();
  transliterator_->icu.reset(
      icu::Transliterator::createInstance("Han-Latin; NFC", UTRANS_FORWARD, status));
  if (U_FAILURE(status)) {
    transliterator_->icu.reset();
    error_ = std::string("ICU Han-Latin: ") + u_errorName(status);
  }
  // Without the table every character is read on its own: 银行 becomes "yin xing".
  if (phraseFile_.empty()) {
    error_ = "找不到拼音词表 pinyin/phrases.txt，多音字只按单字读音";
    return;
  }
  std::ifstream in(phraseFile_);
  if (!in) {
    error_ = "无法读取拼音词表 " + phraseFile_ + "，多音字只按单字读音";
    return;
  }
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || !IsValidUtf8(line)) continue;
    Word word;
    word.text = ToCodePoints(std::string_view(line).substr(0, tab));
    const std::u32string reading = ToCodePoints(std::string_view(line).substr(tab + 1));
    for (std::size_t i = 0; i <= reading.size();) {
      std::size_t end = reading.find(U' ', i);
      if (end == std::u32string::npos) end = reading.size();
      if (end > i) word.syllables.push_back(Intern(reading.substr(i, end - i)));
      i = end + 1;
    }
    // A line whose reading does not give one syllable a character is ignored.
    if (word.text.size() < 2 || word.syllables.size() != word.text.size()) continue;
    wordsByFirst_[word.text.front()].push_back(static_cast<int>(words_.size()));
    if (word.text.front() < 0x10000) bmpBeginsWord_[word.text.front()] = true;
    words_.push_back(std::move(word));
  }
  for (auto& [first, list] : wordsByFirst_)
    std::stable_sort(list.begin(), list.end(), [this](int a, int b) {
      return words_[a].text.size() > words_[b].text.size();
    });
}

int PinyinReader::CharSyllable(char32_t c) {
  if (c < 0x10000 && bmpSyllables_[c] != kNotAsked) return bmpSyllables_[c];
  if (c >= 0x10000) {
    const auto found = otherSyllables_.find(c);
    if (found != otherSyllables_.end()) return found->second;
  }
  int index = -1;
  if (IsHan(c) && transliterator_->icu) {
    icu::UnicodeString s = ToUnicodeString(std::u32string_view(&c, 1));
    transliterator_->icu->transliterate(s);
    const std::u32string reading = Trim(FromUnicodeString(s));
    // A character ICU has no reading for comes back as it was.
    if (!reading.empty() && reading.find(c) == std::u32string::npos) index = Intern(reading);
  }
  if (c < 0x10000)
    bmpSyllables_[c] = index;
  else
    otherSyllables_.emplace(c, index);
  return index;
}

void PinyinReader::AppendSyllable(const Syllable& s, const PinyinStyle& style,
                                  std::u32string& out) const {
  const std::size_t start = out.size();
  if (style.mode == PinyinMode::kInitials) {
    if (!s.plain.empty()) out += static_cast<char32_t>(s.plain.front());
  } else if (style.tone == PinyinTone::kMarks) {
    out += s.marked;
  } else {
    for (const char c : s.plain) out += static_cast<char32_t>(c);
    if (style.tone == PinyinTone::kNumbers && s.tone != 0)
      out += static_cast<char32_t>(U'0' + s.tone);
  }
  if (style.capitalize && start < out.size())
    out[start] = static_cast<char32_t>(u_toupper(static_cast<UChar32>(out[start])));
}

std::u32string PinyinReader::ToPinyin(std::u32string_view text, const PinyinStyle& style) {
  if (style.mode == PinyinMode::kNone) return std::u32string(text);
  Load();
  std::u32string out;
  out.reserve(text.size() * 4);
  // What the last thing written was: a syllable, a letter or digit, or anything else.
  enum class Last { kOther, kSyllable, kAlnum } last = Last::kOther;
  const auto appendSyllable = [&](int index) {
    if (last != Last::kOther) out += style.separator;
    AppendSyllable(syllables_[static_cast<std::size_t>(index)], style, out);
    last = Last::kSyllable;
  };
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = text[i];
    const int own = CharSyllable(c);
    if (own < 0) {
      const bool alnum = IsAsciiAlnum(c);
      if (alnum && last == Last::kSyllable) out += style.separator;
      out += c;
      last = alnum ? Last::kAlnum : Last::kOther;
      ++i;
      continue;
    }
    const Word* word = nullptr;
    const bool beginsWord = c < 0x10000 ? bmpBeginsWord_[c] : wordsByFirst_.count(c) != 0;
    if (const auto found = beginsWord ? wordsByFirst_.find(c) : wordsByFirst_.end();
        found != wordsByFirst_.end()) {
      for (const int w : found->second) {
        const std::u32string& candidate = words_[static_cast<std::size_t>(w)].text;
        if (text.substr(i, candidate.size()) == candidate) {
          word = &words_[static_cast<std::size_t>(w)];
          break;
        }
      }
    }
    if (word) {
      for (const int s : word->syllables) appendSyllable(s);
      i += word->text.size();
    } else {
      appendSyllable(own);
      ++i;
    }
  }
  return out;
}

std::string PinyinReader::Convert(std::string_view gb, PinyinMode mode, PinyinTone tone,
                                  bool capitalize, std::string_view gbSeparator) {
  // Only Chinese characters change, and ASCII text has none.
  if (mode == PinyinMode::kNone || IsAscii(gb)) return std::string(gb);
  const std::optional<std::string> utf8 = GbToUtf8(gb);
  const std::optional<std::string> separator = GbToUtf8(gbSeparator);
  if (!utf8 || !separator) return std::string(gb);
  const PinyinStyle style{mode, tone, capitalize, ToCodePoints(*separator)};
  const std::u32string text = ToCodePoints(*utf8);
  const std::u32string converted = ToPinyin(text, style);
  if (converted == text) return std::string(gb);
  return Utf8ToGb(ToUtf8(converted)).value_or(std::string(gb));
}

}  // namespace tessarn
