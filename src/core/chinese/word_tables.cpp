#include "core/chinese/word_tables.h"

#include <unicode/utf8.h>

#include <algorithm>

namespace tessarn {
namespace {

// The characters of valid UTF-8 text and where each starts.
void Split(std::string_view text, std::vector<char32_t>& chars, std::vector<std::size_t>& offsets) {
  chars.clear();
  offsets.clear();
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    offsets.push_back(static_cast<std::size_t>(i));
    UChar32 c;
    U8_NEXT(s, i, length, c);
    chars.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
  }
  offsets.push_back(text.size());
}

struct Match {
  std::size_t length = 0;
  const std::string* replacement = nullptr;
};

Match MatchGroup(const WordTableGroup& group, const std::vector<char32_t>& chars, std::size_t i,
                 std::size_t end) {
  Match m;
  for (const WordTable* table : group) {
    m.length = table->Longest(chars, i, end, &m.replacement);
    if (m.length != 0) break;
  }
  return m;
}

// Replaces `text` word by word by `group`; characters of no word stay.
void ConvertByGroup(const WordTableGroup& group, std::string_view text,
                    std::vector<char32_t>& chars, std::vector<std::size_t>& offsets,
                    std::string& out) {
  Split(text, chars, offsets);
  for (std::size_t i = 0; i < chars.size();) {
    const Match m = MatchGroup(group, chars, i, chars.size());
    if (m.length == 0) {
      out.append(text.substr(offsets[i], offsets[i + 1] - offsets[i]));
      ++i;
    } else {
      out += *m.replacement;
      i += m.length;
    }
  }
}

}  // namespace

namespace {

std::uint64_t EdgeKey(std::uint32_t node, char32_t c) {
  return (std::uint64_t{node} << 21 | c) + 1;  // never 0, the mark of an empty slot
}

std::size_t EdgeSlot(std::uint64_t key, std::size_t mask) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

}  // namespace

std::uint32_t WordTable::Child(std::uint32_t node, char32_t c) const {
  if (node == 0 && c < 0x10000) return rootChildren_[c];
  const std::uint64_t key = EdgeKey(node, c);
  const std::size_t mask = edgeKeys_.size() - 1;
  for (std::size_t slot = EdgeSlot(key, mask);; slot = (slot + 1) & mask) {
    if (edgeKeys_[slot] == key) return edgeChildren_[slot];
    if (edgeKeys_[slot] == 0) return kNone;
  }
}

void WordTable::Grow() {
  std::vector<std::uint64_t> keys(edgeKeys_.size() * 2, 0);
  std::vector<std::uint32_t> children(keys.size(), kNone);
  const std::size_t mask = keys.size() - 1;
  for (std::size_t k = 0; k < edgeKeys_.size(); ++k) {
    if (edgeKeys_[k] == 0) continue;
    std::size_t slot = EdgeSlot(edgeKeys_[k], mask);
    while (keys[slot] != 0) slot = (slot + 1) & mask;
    keys[slot] = edgeKeys_[k];
    children[slot] = edgeChildren_[k];
  }
  edgeKeys_.swap(keys);
  edgeChildren_.swap(children);
}

std::uint32_t WordTable::AddChild(std::uint32_t node, char32_t c) {
  if (const std::uint32_t child = Child(node, c); child != kNone) return child;
  const auto child = static_cast<std::uint32_t>(nodeWords_.size());
  nodeWords_.push_back(-1);
  if (node == 0 && c < 0x10000) {
    rootChildren_[c] = child;
    return child;
  }
  if (2 * (edges_ + 1) > edgeKeys_.size()) Grow();
  const std::uint64_t key = EdgeKey(node, c);
  const std::size_t mask = edgeKeys_.size() - 1;
  std::size_t slot = EdgeSlot(key, mask);
  while (edgeKeys_[slot] != 0) slot = (slot + 1) & mask;
  edgeKeys_[slot] = key;
  edgeChildren_[slot] = child;
  ++edges_;
  return child;
}

bool WordTable::Add(std::string_view word, std::string_view replacement) {
  std::vector<char32_t> chars;
  std::vector<std::size_t> offsets;
  Split(word, chars, offsets);
  if (chars.empty()) return false;
  std::uint32_t node = 0;
  for (const char32_t c : chars) node = AddChild(node, c);
  if (nodeWords_[node] >= 0) return true;  // the first of two equal words counts
  nodeWords_[node] = static_cast<std::int32_t>(replacements_.size());
  replacements_.emplace_back(replacement);
  return true;
}

std::size_t WordTable::Longest(const std::vector<char32_t>& chars, std::size_t i,
                               std::size_t end, const std::string** replacement) const {
  std::size_t best = 0;
  std::uint32_t node = 0;
  for (std::size_t k = i; k < end; ++k) {
    node = Child(node, chars[k]);
    if (node == kNone) break;
    if (const std::int32_t word = nodeWords_[node]; word >= 0) {
      best = k - i + 1;
      *replacement = &replacements_[static_cast<std::size_t>(word)];
    }
  }
  return best;
}

std::string WordConversion::Convert(std::string_view utf8) const {
  std::vector<char32_t> chars;
  std::vector<std::size_t> offsets;
  Split(utf8, chars, offsets);
  // Whether the first group begins with the segmentation's tables; if so, the rest
  // of that group converts the runs between words.
  const bool shortcut =
      !chain.empty() && chain.front().size() >= segmentation.size() &&
      std::equal(segmentation.begin(), segmentation.end(), chain.front().begin());
  const WordTableGroup rest =
      shortcut ? WordTableGroup(chain.front().begin() + static_cast<std::ptrdiff_t>(segmentation.size()),
                                chain.front().end())
               : WordTableGroup();
  std::vector<std::string> segments;
  std::string single;  // the result, when the first step is the only one
  const bool direct = shortcut && chain.size() == 1;
  const auto addRun = [&](std::size_t from, std::size_t to) {
    if (from >= to) return;
    const std::string_view run = utf8.substr(offsets[from], offsets[to] - offsets[from]);
    if (!shortcut) {
      segments.emplace_back(run);
      return;
    }
    // No word of the segmentation's tables starts inside a run: the group's other
    // tables convert it, their words cut at the run's end as OpenCC cuts them.
    std::string& out = direct ? single : segments.emplace_back();
    for (std::size_t k = from; k < to;) {
      const Match m = MatchGroup(rest, chars, k, to);
      if (m.length == 0) {
        out.append(utf8.substr(offsets[k], offsets[k + 1] - offsets[k]));
        ++k;
      } else {
        out += *m.replacement;
        k += m.length;
      }
    }
  };
  std::size_t run = 0;  // the start of the current run of characters of no word
  for (std::size_t i = 0; i < chars.size();) {
    const Match m = MatchGroup(segmentation, chars, i, chars.size());
    if (m.length == 0) {
      ++i;
      continue;
    }
    addRun(run, i);
    if (direct)
      single += *m.replacement;
    else if (shortcut)
      segments.push_back(*m.replacement);
    else
      segments.emplace_back(utf8.substr(offsets[i], offsets[i + m.length] - offsets[i]));
    i += m.length;
    run = i;
  }
  addRun(run, chars.size());
  if (direct) return single;
  std::string converted;
  for (std::size_t step = shortcut ? 1 : 0; step < chain.size(); ++step) {
    for (std::string& segment : segments) {
      converted.clear();
      ConvertByGroup(chain[step], segment, chars, offsets, converted);
      segment.swap(converted);
    }
  }
  std::string out;
  for (const std::string& segment : segments) out += segment;
  return out;
}

}  // namespace tessarn
