// Word-for-word replacement tables, looked up the way OpenCC looks up its
// dictionaries, but from hash tables in memory: OpenCC's own lookups take some
// microseconds a name, a hundred times the cost of the rest of a naming pass.
//
// A table maps words (UTF-8) to their replacements. A group of tables is asked at a
// position for the first table, in order, that has a word starting there, and takes
// that table's longest word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessarn {

class WordTable {
 public:
  // False (and the word ignored) when it is empty or the table is full (a million
  // characters of words). Of two equal words the first counts.
  bool Add(std::string_view word, std::string_view replacement);

  // The longest word at chars[i] that ends by chars[end - 1]: its length in
  // characters, 0 for none, and its replacement.
  std::size_t Longest(const std::vector<char32_t>& chars, std::size_t i, std::size_t end,
                      const std::string** replacement) const;

 private:
  static constexpr std::uint32_t kNone = 0;  // no node (the root is never a child)

  // A trie of the words' characters: a node's child for a character is found in one
  // open-addressed table of (node, character, child) entries packed in 64 bits, the
  // root's children below U+10000 in an array. A lookup walks a character at a time
  // and mostly stops at the second: one cache line of the table a step, none at a
  // node without children.
  std::uint32_t Child(std::uint32_t node, char32_t c) const;
  std::uint32_t AddChild(std::uint32_t node, char32_t c);
  void Grow();

  std::vector<std::uint32_t> rootChildren_ = std::vector<std::uint32_t>(0x10000, kNone);
  std::vector<std::uint64_t> edges_ = std::vector<std::uint64_t>(1024, 0);  // 0: empty
  std::size_t edgeCount_ = 0;
  // Per node: the index of the replacement of the word that ends there, or -1.
  std::vector<std::int32_t> nodeWords_ = std::vector<std::int32_t>(1, -1);
  std::vector<bool> nodeHasChildren_ = std::vector<bool>(1, false);
  std::vector<std::string> replacements_;
};

using WordTableGroup = std::vector<const WordTable*>;

// One conversion: the text cut into segments by the longest words of `segmentation`,
// then each segment replaced word by word by each group of `chain` in turn. Where the
// segmentation's tables begin the first group (as in OpenCC's configurations), a
// word's segment becomes its replacement and the runs between words go through the
// group's other tables: the same result, one lookup fewer per character.
class WordConversion {
 public:
  WordConversion(WordTableGroup segmentation, std::vector<WordTableGroup> chain);

  // Not for two threads at once: it keeps its scratch space.
  std::string Convert(std::string_view utf8);

 private:
  WordTableGroup segmentation_;
  std::vector<WordTableGroup> chain_;
  bool shortcut_ = false;  // the first group begins with the segmentation's tables
  WordTableGroup rest_;    // then: the first group's other tables
  std::vector<char32_t> chars_;
  std::vector<std::size_t> offsets_;
};

}  // namespace tessarn
