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

// An entry: the node (20 bits), the character (21 bits) and the child (23 bits).
constexpr int kChildBits = 23;
constexpr std::uint64_t kChildMask = (std::uint64_t{1} << kChildBits) - 1;
constexpr std::uint32_t kMaxNodes = 1u << 20;

std::uint64_t EdgeKey(std::uint32_t node, char32_t c) {
  return std::uint64_t{node} << 21 | c;
}

std::size_t EdgeSlot(std::uint64_t key, std::size_t mask) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

}  // namespace

std::uint32_t WordTable::Child(std::uint32_t node, char32_t c) const {
  if (node == 0 && c < 0x10000) return rootChildren_[c];
  if (!nodeHasChildren_[node]) return kNone;
  const std::uint64_t key = EdgeKey(node, c);
  const std::size_t mask = edges_.size() - 1;
  for (std::size_t slot = EdgeSlot(key, mask);; slot = (slot + 1) & mask) {
    const std::uint64_t entry = edges_[slot];
    if (entry == 0) return kNone;  // a child is never the root: no entry is 0
    if (entry >> kChildBits == key) return static_cast<std::uint32_t>(entry & kChildMask);
  }
}

void WordTable::Grow() {
  std::vector<std::uint64_t> grown(edges_.size() * 2, 0);
  const std::size_t mask = grown.size() - 1;
  for (const std::uint64_t entry : edges_) {
    if (entry == 0) continue;
    std::size_t slot = EdgeSlot(entry >> kChildBits, mask);
    while (grown[slot] != 0) slot = (slot + 1) & mask;
    grown[slot] = entry;
  }
  edges_.swap(grown);
}

std::uint32_t WordTable::AddChild(std::uint32_t node, char32_t c) {
  if (const std::uint32_t child = Child(node, c); child != kNone) return child;
  const auto child = static_cast<std::uint32_t>(nodeWords_.size());
  nodeWords_.push_back(-1);
  nodeHasChildren_.push_back(false);
  nodeHasChildren_[node] = true;
  if (node == 0 && c < 0x10000) {
    rootChildren_[c] = child;
    return child;
  }
  if (2 * (edgeCount_ + 1) > edges_.size()) Grow();
  const std::uint64_t key = EdgeKey(node, c);
  const std::size_t mask = edges_.size() - 1;
  std::size_t slot = EdgeSlot(key, mask);
  while (edges_[slot] != 0) slot = (slot + 1) & mask;
  edges_[slot] = key << kChildBits | child;
  ++edgeCount_;
  return child;
}

bool WordTable::Add(std::string_view word, std::string_view replacement) {
  std::vector<char32_t> chars;
  std::vector<std::size_t> offsets;
  Split(word, chars, offsets);
  // A table too large for the packed entries takes no more words (none of OpenCC's
  // comes near: its largest has some 150,000 nodes).
  if (chars.empty() || nodeWords_.size() + chars.size() >= kMaxNodes) return false;
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

WordConversion::WordConversion(WordTableGroup segmentation, std::vector<WordTableGroup> chain)
    : segmentation_(std::move(segmentation)), chain_(std::move(chain)) {
  shortcut_ = !chain_.empty() && chain_.front().size() >= segmentation_.size() &&
              std::equal(segmentation_.begin(), segmentation_.end(), chain_.front().begin());
  if (shortcut_)
    rest_.assign(chain_.front().begin() + static_cast<std::ptrdiff_t>(segmentation_.size()),
                 chain_.front().end());
}

std::string WordConversion::Convert(std::string_view utf8) {
  std::vector<char32_t>& chars = chars_;
  std::vector<std::size_t>& offsets = offsets_;
  Split(utf8, chars, offsets);
  // The segments one after the other in `text`, segment k from bounds[k] to
  // bounds[k + 1].
  std::string text;
  text.reserve(utf8.size() + utf8.size() / 2);
  std::vector<std::size_t> bounds{0};
  const auto addRun = [&](std::size_t from, std::size_t to) {
    if (from >= to) return;
    if (!shortcut_) {
      text.append(utf8.substr(offsets[from], offsets[to] - offsets[from]));
    } else {
      // No word of the segmentation's tables starts inside a run: the group's other
      // tables convert it, their words cut at the run's end as OpenCC cuts them.
      for (std::size_t k = from; k < to;) {
        const Match m = MatchGroup(rest_, chars, k, to);
        if (m.length == 0) {
          text.append(utf8.substr(offsets[k], offsets[k + 1] - offsets[k]));
          ++k;
        } else {
          text += *m.replacement;
          k += m.length;
        }
      }
    }
    bounds.push_back(text.size());
  };
  std::size_t run = 0;  // the start of the current run of characters of no word
  for (std::size_t i = 0; i < chars.size();) {
    const Match m = MatchGroup(segmentation_, chars, i, chars.size());
    if (m.length == 0) {
      ++i;
      continue;
    }
    addRun(run, i);
    if (shortcut_)
      text += *m.replacement;
    else
      text.append(utf8.substr(offsets[i], offsets[i + m.length] - offsets[i]));
    bounds.push_back(text.size());
    i += m.length;
    run = i;
  }
  addRun(run, chars.size());
  std::string converted;
  std::vector<std::size_t> convertedBounds;
  for (std::size_t step = shortcut_ ? 1 : 0; step < chain_.size(); ++step) {
    converted.clear();
    convertedBounds.assign(1, 0);
    for (std::size_t k = 0; k + 1 < bounds.size(); ++k) {
      const std::string_view segment =
          std::string_view(text).substr(bounds[k], bounds[k + 1] - bounds[k]);
      ConvertByGroup(chain_[step], segment, chars, offsets, converted);
      convertedBounds.push_back(converted.size());
    }
    text.swap(converted);
    bounds.swap(convertedBounds);
  }
  return text;
}

}  // namespace tessarn
