#include <limits>

#include "core/rules/naming_options.h"

namespace tessarn {

long long OptionNumber(const std::string& text) {
  constexpr long long kMax = std::numeric_limits<long long>::max();
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Digits after a "." are never read: that is the cut toward zero. A pasted number
  // too long for 64 bits stays at the largest value instead of wrapping.
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    magnitude = magnitude > (kMax - digit) / 10 ? kMax : magnitude * 10 + digit;
  }
  return negative ? -magnitude : magnitude;
}

}  // namespace tessarn
