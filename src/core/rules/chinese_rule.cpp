#include "core/rules/chinese_rule.h"

#include <algorithm>
#include <optional>

#include "core/chinese/chinese_text.h"
#include "core/rules/preview_pass.h"

namespace tessarn {

void ApplyChineseRule(FileList& list, const NamingOptions& options, std::size_t first,
                      std::size_t end, ChineseConverters* converters) {
  end = std::min(end, list.count());
  std::optional<ChineseConverters> own;
  if (converters == nullptr) converters = &own.emplace(DefaultPinyinPhraseFile());
  const ChineseScope scope = options.chineseScope;
  const bool mains = scope != ChineseScope::kExtension;
  const bool extensions = scope != ChineseScope::kFileName;
  for (std::size_t i = first; i < end; ++i) {
    FileEntry& entry = list.entries[i];
    SplitNameResult split = SplitName(entry.oldName);
    if (mains) {
      std::optional<std::string> converted = converters->Convert(options.chinese, split.mainName);
      if (!converted) {
        entry.newName = entry.oldName;
        continue;
      }
      split.mainName = std::move(*converted);
    }
    if (extensions && split.extension.size() > 1) {
      // After the extension's dot: the dot itself is never converted.
      std::optional<std::string> converted =
          converters->Convert(options.chinese, std::string_view(split.extension).substr(1));
      if (!converted) {
        entry.newName = entry.oldName;
        continue;
      }
      split.extension = "." + *converted;
    }
    entry.newName = split.mainName + split.extension;
  }
}

}  // namespace tessarn
