// Writing JSON strings. Every text this program prints as JSON is valid UTF-8
// with its control characters, quotes and backslashes escaped.
#pragma once

#include <string>
#include <string_view>

namespace tessarn::cli {

// Appends `utf8` as a quoted JSON string. Bytes that do not form valid UTF-8
// become U+FFFD, so that a stray byte can never break the document.
void AppendJsonString(std::string& out, std::string_view utf8);

// The same for a text of the program's own (GB18030) encoding.
void AppendJsonGbString(std::string& out, std::string_view gb);

}  // namespace tessarn::cli
