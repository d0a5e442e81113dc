#include "core/rules/insert_rule.h"

#include <algorithm>
#include <limits>

#include "core/rules/preview_pass.h"
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

void ApplyInsertRule(FileList& list, const NamingOptions& options, std::size_t count,
                     std::size_t first) {
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

  for (std::size_t i = first; i < count; ++i) {
    FileEntry& entry = list.entries[i];
    SplitNameResult split = SplitName(entry.oldName);
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

}  // namespace tessarn
