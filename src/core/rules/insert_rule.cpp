#include "core/rules/insert_rule.h"

#include <algorithm>
#include <limits>

#include "core/rules/preview_pass.h"
#include "core/rules/rule_unit.h"
#include "core/text/gb_text.h"

namespace tessarn {

std::string InsertAt(std::string_view text, long long position, std::string_view insertion) {
  std::size_t at = 0;
  if (position > static_cast<long long>(text.size()))
    at = text.size();
  else if (position > 1)
    at = CharStartAtOrBefore(text, static_cast<std::size_t>(position - 1));
  std::string out;
  out.reserve(text.size() + insertion.size());
  out.append(text.substr(0, at));
  out.append(insertion);
  out.append(text.substr(at));
  return out;
}

void ApplyInsertRule(FileList& list, const InsertOptions& options, std::size_t count,
                     std::size_t first, NameSource source) {
  count = std::min(count, list.count());
  const long long namePosition = OptionNumber(options.nameInsertPos);
  // The user counts extension positions after the dot, so 1 is the byte after it.
  // An emptied box (0) also inserts there: the extension's front is after its dot.
  const long long extUserPosition = std::max(OptionNumber(options.extInsertPos), 1LL);
  const long long extPosition = extUserPosition == std::numeric_limits<long long>::max()
                                    ? extUserPosition
                                    : extUserPosition + 1;
  const std::string& nameText = options.nameInsertText;
  const std::string& extText = options.keepSame ? options.nameInsertText : options.extInsertText;

  NameReader names(source);
  for (std::size_t i = first; i < count; ++i) {
    FileEntry& entry = list.entries[i];
    SplitNameResult split = SplitName(std::string(names.Take(entry)));
    if (options.nameInsertMode == InsertMode::kAtPosition)
      split.mainName = InsertAt(split.mainName, namePosition, nameText);
    else
      split.mainName += nameText;

    if (split.extension.empty()) {
      if (!extText.empty()) split.extension = "." + extText;  // either mode
    } else if (options.extInsertMode == InsertMode::kAtPosition) {
      split.extension = InsertAt(split.extension, extPosition, extText);
    } else {
      split.extension += extText;
    }
    entry.newName = split.mainName + split.extension;
  }
}

namespace {

// N|end: "end" picks the end of the part, anything else is the position box's text.
void SetInsertAt(InsertMode& mode, std::string& position, std::string&& value) {
  if (value == "end") {
    mode = InsertMode::kAtEnd;
  } else {
    mode = InsertMode::kAtPosition;
    position = std::move(value);
  }
}

std::string InsertAtText(InsertMode mode, const std::string& position) {
  return mode == InsertMode::kAtEnd ? std::string("end") : position;
}

}  // namespace

const RuleUnit& InsertRuleUnit() {
  static const RuleUnit unit{
      OptionPage::kInsert,
      "insert",
      "插入",
      {
          {"insert-name", "文本", "插入到文件名的字符",
           [](NamingOptions& o, std::string&& v) -> const char* {
             o.nameInsertText = std::move(v);
             // The extension box follows the file-name box while "keep same" is ticked.
             if (o.keepSame) o.extInsertText = o.nameInsertText;
             return nullptr;
           },
           [](const NamingOptions& o) { return o.nameInsertText; }},
          {"insert-name-at", "N|end", "插入到文件名第 N 个位置或文件名尾（默认 1）",
           [](NamingOptions& o, std::string&& v) -> const char* {
             SetInsertAt(o.nameInsertMode, o.nameInsertPos, std::move(v));
             return nullptr;
           },
           [](const NamingOptions& o) { return InsertAtText(o.nameInsertMode, o.nameInsertPos); }},
          {"insert-ext", "文本", "插入到扩展名的字符",
           [](NamingOptions& o, std::string&& v) -> const char* {
             if (!o.keepSame) o.extInsertText = std::move(v);
             return nullptr;
           },
           [](const NamingOptions& o) { return o.extInsertText; }},
          {"insert-ext-at", "N|end", "插入到扩展名第 N 个位置或扩展名尾（默认 1）",
           [](NamingOptions& o, std::string&& v) -> const char* {
             SetInsertAt(o.extInsertMode, o.extInsertPos, std::move(v));
             return nullptr;
           },
           [](const NamingOptions& o) { return InsertAtText(o.extInsertMode, o.extInsertPos); }},
          {"keep-same", nullptr, "扩展名的字符与文件名的保持一致",
           [](NamingOptions& o, std::string&& v) -> const char* {
             if (const char* error = SetSwitch(o.keepSame, v, "--keep-same 只能是 true 或 false"))
               return error;
             if (o.keepSame) o.extInsertText = o.nameInsertText;
             return nullptr;
           },
           [](const NamingOptions& o) { return SwitchText(o.keepSame); }},
      },
      [](FileList& list, const NamingOptions& o, NameSource source, TagCache*, std::size_t first,
         std::size_t end) { ApplyInsertRule(list, o, end, first, source); },
  };
  return unit;
}

}  // namespace tessarn
