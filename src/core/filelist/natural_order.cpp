#include "core/filelist/natural_order.h"

#include "core/text/gb_text.h"

namespace tessarn {
namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

std::size_t CharLen(std::string_view s, std::size_t i) {
  return static_cast<unsigned char>(s[i]) < 0x80 ? 1 : CharLenAt(s, i);
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[j]);
    if (IsDigit(ca) && IsDigit(cb)) {
      // Two numbers: skip leading zeros, then the longer one is larger, then the
      // first differing digit decides.
      while (i < a.size() && a[i] == '0') ++i;
      while (j < b.size() && b[j] == '0') ++j;
      std::size_t ea = i, eb = j;
      while (ea < a.size() && IsDigit(static_cast<unsigned char>(a[ea]))) ++ea;
      while (eb < b.size() && IsDigit(static_cast<unsigned char>(b[eb]))) ++eb;
      if (ea - i != eb - j) return ea - i < eb - j ? -1 : 1;
      for (; i < ea; ++i, ++j)
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
      continue;
    }
    const std::size_t la = CharLen(a, i);
    const std::size_t lb = CharLen(b, j);
    if (la == 1 && lb == 1) {
      const unsigned char fa = Fold(ca), fb = Fold(cb);
      if (fa != fb) return fa < fb ? -1 : 1;
    } else {
      // A multi-byte character against anything: by its bytes, never folded.
      const int c = a.substr(i, la).compare(b.substr(j, lb));
      if (c != 0) return c < 0 ? -1 : 1;
    }
    i += la;
    j += lb;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  const int c = a.compare(b);  // equal in this order: the bytes decide
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace tessarn
