// The program's own strings are GB18030 byte strings (GBK's superset: identical for
// every GBK character). Lengths and positions count bytes; a character is 1, 2 or 4
// bytes and is never split. Only ASCII letters have a case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessarn {

// Length in bytes of the character that starts at byte i (1, 2 or 4). A stray lead
// byte, or one whose sequence is cut off by the end of the text, counts as 1.
// i must be < s.size().
std::size_t CharLenAt(std::string_view s, std::size_t i);

// The start of the character that holds byte pos, walking from the beginning.
// pos >= s.size() gives s.size().
std::size_t CharStartAtOrBefore(std::string_view s, std::size_t pos);

// The longest prefix of s that is at most maxBytes long and ends on a character boundary.
std::string_view CutToBytes(std::string_view s, std::size_t maxBytes);

// Number of characters in s.
std::size_t CharCount(std::string_view s);

bool IsAsciiLetter(char c);
char AsciiUpper(char c);
char AsciiLower(char c);

// Change the case of every ASCII letter that stands as a character of its own; the
// bytes of a multi-byte character are never touched (GBK trail bytes can be ASCII letters).
std::string ToAsciiUpper(std::string_view s);
std::string ToAsciiLower(std::string_view s);

// True when a and b are equal ignoring ASCII case, compared character by character.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Byte offset of the first occurrence of needle in s that starts on a character
// boundary at or after byte from, or npos. ignoreCase folds ASCII letters only.
std::size_t FindText(std::string_view s, std::string_view needle, std::size_t from,
                     bool ignoreCase);

// Decimal text of a 64-bit number.
std::string ToDecimal(long long value);

}  // namespace tessarn
