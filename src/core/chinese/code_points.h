// UTF-8 text as code points and back, for the conversions that look at characters
// one at a time. Text reaches them as UTF-8 converted from the program's GB18030 once
// at the edge.
#pragma once

#include <string>
#include <string_view>

namespace tessarn {

// Invalid sequences become U+FFFD; text converted from GB18030 has none.
std::u32string ToCodePoints(std::string_view utf8);
std::string ToUtf8(std::u32string_view text);
void AppendUtf8(char32_t c, std::string& out);

// A character of the Han script (CJK ideographs of every block, 〇 included).
bool IsHan(char32_t c);

}  // namespace tessarn
