// Regular expressions of page "替换/删除": the find text as a PCRE2 pattern, matched
// in UTF mode on the name converted from GB18030 to UTF-8. Matches therefore begin
// and end between characters, and the result is put together from the name's own
// GB18030 bytes, so no character is ever split or re-encoded.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/rules/naming_options.h"

namespace tessarn {

// A pattern and its replacement, compiled once for a whole pass.
//
// The replacement may hold "$0" to "$9" (the whole match and the numbered groups),
// "${number}" and "${name}"; "$$" is a "$", and a "$" followed by anything else is
// itself. A group that took no part in the match gives empty text. Without
// caseSensitive, letters match regardless of case, the non-ASCII ones too.
class RegexReplacer {
 public:
  RegexReplacer(std::string_view patternGb, std::string_view replacementGb, bool caseSensitive);
  ~RegexReplacer();
  RegexReplacer(const RegexReplacer&) = delete;
  RegexReplacer& operator=(const RegexReplacer&) = delete;

  // Empty when the pattern and the replacement are usable; otherwise the message
  // for the user, GB18030: "正则表达式错误：" and the reason (with the offset into
  // the pattern where it applies).
  const std::string& error() const { return error_; }

  // Every match in `text` (GB18030) replaced, left to right, without rescanning
  // what was put in. An empty match puts the replacement in and moves on by one
  // character. `text` comes back unchanged when the replacer has an error or the
  // pattern is empty, and when matching gave up (PCRE2's match limit: a pattern that
  // backtracks without end on this text), which sets *gaveUp.
  std::string ReplaceAll(std::string_view text, bool* gaveUp = nullptr) const;

 private:
  struct Compiled;
  std::unique_ptr<Compiled> compiled_;
  std::string error_;
};

// The message of the options' pattern: empty unless the shown page is "替换/删除",
// its regular expression box is ticked and the pattern or the replacement is not
// usable. Both front ends refuse to rename while it is not empty.
std::string RegexPatternError(const NamingOptions& options);

}  // namespace tessarn
