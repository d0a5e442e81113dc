#include "core/text/gb_text.h"

namespace tessarn {
namespace {

inline bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
inline bool IsDigitByte(unsigned char b) { return b >= 0x30 && b <= 0x39; }
inline bool IsTwoByteTrail(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

}  // namespace

std::size_t CharLenAt(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (!IsLead(b0) || i + 1 >= s.size()) return 1;
  const auto b1 = static_cast<unsigned char>(s[i + 1]);
  if (IsTwoByteTrail(b1)) return 2;
  if (IsDigitByte(b1) && i + 3 < s.size() && IsLead(static_cast<unsigned char>(s[i + 2])) &&
      IsDigitByte(static_cast<unsigned char>(s[i + 3])))
    return 4;
  return 1;
}

std::size_t CharStartAtOrBefore(std::string_view s, std::size_t pos) {
  if (pos >= s.size()) return s.size();
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t len = CharLenAt(s, i);
    if (pos < i + len) return i;
    i += len;
  }
  return s.size();
}

std::string_view CutToBytes(std::string_view s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t len = CharLenAt(s, i);
    if (i + len > maxBytes) break;
    i += len;
  }
  return s.substr(0, i);
}

std::size_t CharCount(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); i += CharLenAt(s, i)) ++n;
  return n;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

namespace {
template <typename F>
std::string MapSingleBytes(std::string_view s, F f) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t len = CharLenAt(out, i);
    if (len == 1) out[i] = f(out[i]);
    i += len;
  }
  return out;
}
}  // namespace

std::string ToAsciiUpper(std::string_view s) { return MapSingleBytes(s, AsciiUpper); }
std::string ToAsciiLower(std::string_view s) { return MapSingleBytes(s, AsciiLower); }

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // Byte-wise folding is safe here: both sides are walked in step, so a folded trail
  // byte could only match if the lead bytes already agree; compare by characters anyway.
  std::size_t i = 0;
  while (i < a.size()) {
    const std::size_t la = CharLenAt(a, i);
    if (CharLenAt(b, i) != la) return false;
    if (la == 1) {
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    } else if (a.substr(i, la) != b.substr(i, la)) {
      return false;
    }
    i += la;
  }
  return true;
}

std::size_t FindText(std::string_view s, std::string_view needle, std::size_t from,
                     bool ignoreCase) {
  if (needle.empty()) return std::string_view::npos;
  // Start on the character boundary at or after `from`.
  std::size_t i = 0;
  while (i < from && i < s.size()) i += CharLenAt(s, i);
  for (; i + needle.size() <= s.size(); i += CharLenAt(s, i)) {
    const std::string_view cand = s.substr(i, needle.size());
    if (ignoreCase ? EqualsIgnoreAsciiCase(cand, needle) : cand == needle) {
      // The match must also end on a boundary of s: it must not take half a character.
      std::size_t j = i;
      const std::size_t end = i + needle.size();
      while (j < end) j += CharLenAt(s, j);
      if (j == end) return i;
    }
  }
  return std::string_view::npos;
}

std::string ToDecimal(long long value) { return std::to_string(value); }

}  // namespace tessarn
