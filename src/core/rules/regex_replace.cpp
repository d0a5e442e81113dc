#include "core/rules/regex_replace.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "core/rules/rule_chain.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {

// One piece of the replacement: a literal text (GB18030) or a group's match.
struct ReplacementPiece {
  std::string literal;
  int group = -1;  // >= 0: the text of that group
};

struct RegexReplacer::Compiled {
  pcre2_code* code = nullptr;
  pcre2_match_data* match = nullptr;
  pcre2_match_context* context = nullptr;
  std::vector<ReplacementPiece> pieces;
  // The replacement when it holds no group: the common case of a plain text.
  bool literalOnly = true;

  ~Compiled() {
    pcre2_match_context_free(context);
    pcre2_match_data_free(match);
    pcre2_code_free(code);
  }
};

namespace {

// Far above what a pattern needs on a file name, far below a noticeable wait.
constexpr std::uint32_t kMatchLimit = 200000;

std::string ErrorText(std::string_view reasonUtf8) {
  static const std::string prefix = Gb("正则表达式错误：");
  return prefix + Utf8ToGbLossy(reasonUtf8);
}

// The common compile errors in the user's words; PCRE2's own text for the rest.
struct ErrorWords {
  int code;
  const char* text;  // UTF-8
};
constexpr ErrorWords kErrorWords[] = {
    {PCRE2_ERROR_END_BACKSLASH, "表达式以 \\ 结尾，\\ 后面缺少字符"},
    {PCRE2_ERROR_UNKNOWN_ESCAPE, "\\ 后面是无法识别的字符（无效的转义）"},
    {PCRE2_ERROR_QUANTIFIER_OUT_OF_ORDER, "{} 中的数字前大后小"},
    {PCRE2_ERROR_QUANTIFIER_TOO_BIG, "{} 中的数字太大"},
    {PCRE2_ERROR_MISSING_SQUARE_BRACKET, "缺少右方括号 ]"},
    {PCRE2_ERROR_ESCAPE_INVALID_IN_CLASS, "方括号中不能使用这个转义"},
    {PCRE2_ERROR_CLASS_RANGE_ORDER, "方括号中的范围前大后小"},
    {PCRE2_ERROR_CLASS_INVALID_RANGE, "方括号中的范围无效"},
    {PCRE2_ERROR_QUANTIFIER_INVALID, "量词（* + ? {}）前面没有可以重复的内容"},
    {PCRE2_ERROR_INVALID_AFTER_PARENS_QUERY, "(? 后面是无法识别的字符"},
    {PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS, "缺少右括号 )"},
    {PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS, "多余的右括号 )"},
    {PCRE2_ERROR_BAD_SUBPATTERN_REFERENCE, "引用了不存在的组"},
    {PCRE2_ERROR_MISSING_COMMENT_CLOSING, "注释 (?# 缺少右括号 )"},
    {PCRE2_ERROR_MISSING_CONDITION_CLOSING, "条件组的条件缺少右括号 )"},
    {PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP, "括号嵌套太深"},
    {PCRE2_ERROR_PATTERN_TOO_LARGE, "表达式太长"},
    {PCRE2_ERROR_LOOKBEHIND_NOT_FIXED_LENGTH, "逆序环视 (?<= (?<! 的长度必须固定"},
    {PCRE2_ERROR_UNKNOWN_POSIX_CLASS, "未知的 POSIX 字符类"},
    {PCRE2_ERROR_MISSING_NAME_TERMINATOR, "组名缺少结尾的 > 或 '"},
    {PCRE2_ERROR_SUBPATTERN_NAME_EXPECTED, "缺少组名"},
    {PCRE2_ERROR_DUPLICATE_SUBPATTERN_NAME, "组名重复"},
    {PCRE2_ERROR_MALFORMED_UNICODE_PROPERTY, "\\p 或 \\P 的写法有误"},
    {PCRE2_ERROR_UNKNOWN_UNICODE_PROPERTY, "未知的 Unicode 属性"},
    {PCRE2_ERROR_BACKSLASH_G_SYNTAX, "\\g 后面应是组号或组名"},
    {PCRE2_ERROR_BACKSLASH_K_SYNTAX, "\\k 后面应是组名"},
    {PCRE2_ERROR_INVALID_HEXADECIMAL, "\\x 后面的十六进制数无效"},
};

std::string PcreMessage(int code) {
  for (const ErrorWords& w : kErrorWords)
    if (w.code == code) return w.text;
  PCRE2_UCHAR buffer[256];
  if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0) return "unknown error";
  return reinterpret_cast<const char*>(buffer);
}

// Number of characters of UTF-8 text before byte `offset`.
std::size_t Utf8CharsBefore(std::string_view utf8, std::size_t offset) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < utf8.size() && i < offset; ++chars) {
    const std::size_t len = Utf8SequenceLength(utf8, i);
    i += len == 0 ? 1 : len;
  }
  return chars;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits the replacement (UTF-8) into literal pieces and group references. Returns
// an error reason (UTF-8), or an empty text.
std::string ParseReplacement(std::string_view utf8, const pcre2_code* code,
                             std::vector<ReplacementPiece>& pieces) {
  std::uint32_t groups = 0;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &groups);
  std::string literal;
  auto flush = [&] {
    if (literal.empty()) return;
    pieces.push_back({Utf8ToGbLossy(literal), -1});
    literal.clear();
  };
  auto addGroup = [&](long number, std::string_view shown) -> std::string {
    if (number < 0 || static_cast<std::uint32_t>(number) > groups)
      return "替换为中的 " + std::string(shown) + " 没有对应的组";
    flush();
    pieces.push_back({std::string(), static_cast<int>(number)});
    return std::string();
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c != '$' || i + 1 == utf8.size()) {
      literal += c;
      continue;
    }
    const char next = utf8[i + 1];
    if (next == '$') {
      literal += '$';
      ++i;
    } else if (IsDigit(next)) {
      if (std::string e = addGroup(next - '0', utf8.substr(i, 2)); !e.empty()) return e;
      ++i;
    } else if (next == '{') {
      const std::size_t close = utf8.find('}', i + 2);
      if (close == std::string_view::npos) return "替换为中的 ${ 缺少 }";
      const std::string_view name = utf8.substr(i + 2, close - i - 2);
      const std::string_view shown = utf8.substr(i, close - i + 1);
      long number = -1;
      if (!name.empty() && name.size() <= 4 &&
          name.find_first_not_of("0123456789") == std::string_view::npos) {
        number = std::stol(std::string(name));
      } else if (!name.empty()) {
        const std::string key(name);
        const int n =
            pcre2_substring_number_from_name(code, reinterpret_cast<PCRE2_SPTR>(key.c_str()));
        number = n > 0 ? n : -1;
      }
      if (std::string e = addGroup(number, shown); !e.empty()) return e;
      i = close;
    } else {
      literal += c;
    }
  }
  flush();
  return std::string();
}

// Start of the GB18030 character for each UTF-8 character start of the same text:
// GB18030 and UTF-8 both encode every character as one code point, so the two
// walks go in step. False when they do not (the caller then leaves the text alone).
bool MapOffsets(std::string_view utf8, std::string_view gb, std::vector<std::uint32_t>& map) {
  map.assign(utf8.size() + 1, 0);
  std::size_t g = 0;
  for (std::size_t u = 0; u < utf8.size();) {
    if (g >= gb.size()) return false;
    map[u] = static_cast<std::uint32_t>(g);
    const std::size_t len = Utf8SequenceLength(utf8, u);
    if (len == 0) return false;
    u += len;
    g += CharLenAt(gb, g);
  }
  map[utf8.size()] = static_cast<std::uint32_t>(g);
  return g == gb.size();
}

}  // namespace

RegexReplacer::RegexReplacer(std::string_view patternGb, std::string_view replacementGb,
                             bool caseSensitive) {
  if (patternGb.empty()) return;
  const std::optional<std::string> pattern = GbToUtf8(patternGb);
  const std::optional<std::string> replacement = GbToUtf8(replacementGb);
  if (!pattern || !replacement) {
    error_ = ErrorText("查找内容或替换为不是有效的文字");
    return;
  }
  // UCP: \d, \w, \b and case folding know the letters and digits beyond ASCII.
  std::uint32_t flags = PCRE2_UTF | PCRE2_UCP;
  if (!caseSensitive) flags |= PCRE2_CASELESS;
  int code = 0;
  PCRE2_SIZE offset = 0;
  auto compiled = std::make_unique<Compiled>();
  compiled->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern->data()), pattern->size(),
                                 flags, &code, &offset, nullptr);
  if (compiled->code == nullptr) {
    // Where: after the characters PCRE2 read before it found the fault.
    const std::size_t before = Utf8CharsBefore(*pattern, offset);
    error_ = ErrorText(PcreMessage(code) + (before == 0 ? std::string("（在表达式开头）")
                                                        : "（在第 " + std::to_string(before) +
                                                              " 个字符之后）"));
    return;
  }
  // Without the JIT (not built for this machine) the interpreter runs instead.
  pcre2_jit_compile(compiled->code, PCRE2_JIT_COMPLETE);
  if (std::string e = ParseReplacement(*replacement, compiled->code, compiled->pieces);
      !e.empty()) {
    error_ = ErrorText(e);
    return;
  }
  for (const ReplacementPiece& p : compiled->pieces)
    if (p.group >= 0) compiled->literalOnly = false;
  compiled->match = pcre2_match_data_create_from_pattern(compiled->code, nullptr);
  // A pattern that backtracks without end on some name gives up on that name
  // (which keeps it) instead of holding up the whole list.
  compiled->context = pcre2_match_context_create(nullptr);
  if (compiled->context != nullptr) pcre2_set_match_limit(compiled->context, kMatchLimit);
  if (compiled->match == nullptr || compiled->context == nullptr) {
    error_ = ErrorText("内存不足");
    return;
  }
  compiled_ = std::move(compiled);
}

RegexReplacer::~RegexReplacer() = default;

std::string RegexReplacer::ReplaceAll(std::string_view text, bool* gaveUp) const {
  if (!compiled_) return std::string(text);
  const Compiled& c = *compiled_;
  // The subject is UTF-8; ASCII text is the same in both encodings.
  std::optional<std::string> converted;
  std::string_view subject = text;
  bool ascii = true;
  for (char ch : text)
    if (static_cast<unsigned char>(ch) >= 0x80) {
      ascii = false;
      break;
    }
  if (!ascii) {
    converted = GbToUtf8(text);
    if (!converted) return std::string(text);
    subject = *converted;
  }
  // Offsets in the subject are turned into offsets in `text`, from whose bytes the
  // result is made.
  thread_local std::vector<std::uint32_t> map;
  bool mapped = ascii;
  auto at = [&](PCRE2_SIZE u) -> std::size_t { return ascii ? u : map[u]; };

  const auto* s = reinterpret_cast<PCRE2_SPTR>(subject.data());
  const PCRE2_SIZE length = subject.size();
  PCRE2_SIZE pos = 0;
  std::size_t copied = 0;  // in `text`: bytes up to here are in `out`
  std::uint32_t options = PCRE2_NO_UTF_CHECK;
  std::string out;
  bool any = false;
  while (pos <= length) {
    const int rc = pcre2_match(c.code, s, length, pos, options, c.match, c.context);
    if (rc < 0) {
      if (rc == PCRE2_ERROR_NOMATCH && (options & PCRE2_NOTEMPTY_ATSTART) != 0 && pos < length) {
        // No non-empty match where the empty one was: step over one character.
        const std::size_t len = Utf8SequenceLength(subject, pos);
        pos += len == 0 ? 1 : len;
        options = PCRE2_NO_UTF_CHECK;
        continue;
      }
      if (rc != PCRE2_ERROR_NOMATCH) {  // a limit: keep the name, and say so
        if (gaveUp != nullptr) *gaveUp = true;
        return std::string(text);
      }
      break;
    }
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(c.match);
    const PCRE2_SIZE start = ov[0], end = ov[1];
    if (end < start) break;  // \K in a lookahead: nothing sensible to replace
    if (!mapped) {
      if (!MapOffsets(subject, text, map)) return std::string(text);
      mapped = true;
    }
    if (!any) {
      out.reserve(text.size() + 16);
      any = true;
    }
    if (at(start) < copied) break;
    out.append(text.substr(copied, at(start) - copied));
    for (const ReplacementPiece& p : c.pieces) {
      if (p.group < 0) {
        out += p.literal;
      } else if (p.group < rc) {
        const PCRE2_SIZE gs = ov[2 * p.group], ge = ov[2 * p.group + 1];
        if (gs != PCRE2_UNSET && ge >= gs) out.append(text.substr(at(gs), at(ge) - at(gs)));
      }
    }
    copied = at(end);
    pos = end;
    options = PCRE2_NO_UTF_CHECK;
    if (start == end) {
      if (end == length) break;
      // Try a non-empty match at the same place before moving on.
      options |= PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED;
    }
  }
  if (!any) return std::string(text);
  out.append(text.substr(copied));
  return out;
}

std::string RegexPatternError(const NamingOptions& options) {
  // While a chain applies, its enabled replace steps are what will run.
  if (const RuleChain* chain = ActiveChain(options)) {
    for (const ChainStep& step : chain->steps)
      if (step.enabled)
        if (std::string error = RegexPatternError(step.options); !error.empty()) return error;
    return std::string();
  }
  if (options.page != OptionPage::kReplace || !options.regex) return std::string();
  return RegexReplacer(options.findText, options.replaceWith, options.caseSensitive).error();
}

}  // namespace tessarn
