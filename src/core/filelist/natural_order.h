// The order a file manager shows names in: letters compared without regard to ASCII
// case, runs of digits compared by their value ("IMG_2" before "IMG_10").
#pragma once

#include <string_view>

namespace tessarn {

// <0, 0 or >0. Works on GB18030 text: a multi-byte character is compared by its
// bytes and its trail bytes are never taken for letters or digits. Names equal in
// this order (e.g. "a" and "A", "01" and "1") compare by their bytes, so the
// result is a total order.
int NaturalCompare(std::string_view a, std::string_view b);

inline bool NaturalLess(std::string_view a, std::string_view b) {
  return NaturalCompare(a, b) < 0;
}

}  // namespace tessarn
