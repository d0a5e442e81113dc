#include "core/rules/numbering_rule.h"

#include <algorithm>
#include <limits>

#include "core/rules/preview_pass.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// The width boxes hold three digits; only a pasted or scripted value can be wider,
// and a file name cannot hold even this many bytes, so the padding stops here
// rather than filling memory.
constexpr long long kWidthLimit = 1000;

std::string PaddedNumber(long long width, long long number) {
  return LeadingZeros(width, number) + ToDecimal(number);
}

}  // namespace

long long SequenceNumber(long long start, long long step, std::size_t index) {
  // 128 bits hold every start + index * step exactly; only the end result is clamped.
  __extension__ typedef __int128 Wide;
  const Wide exact = static_cast<Wide>(start) + static_cast<Wide>(index) * step;
  constexpr long long kMax = std::numeric_limits<long long>::max();
  constexpr long long kMin = std::numeric_limits<long long>::min();
  if (exact > kMax) return kMax;
  if (exact < kMin) return kMin;
  return static_cast<long long>(exact);
}

std::string LeadingZeros(long long width, long long number) {
  const long long length = static_cast<long long>(ToDecimal(number).size());
  const long long padded = std::min(width, kWidthLimit);
  if (padded <= length) return std::string();
  return std::string(static_cast<std::size_t>(padded - length), '0');
}

void BuildNumberedParts(std::vector<std::string>& parts, PartKind kind, const std::string& prefix,
                        const std::string& body, const std::string& suffix,
                        const Numbering& numbering, std::size_t count, std::size_t firstIndex) {
  count = std::min(count, parts.size());
  for (std::size_t i = 0; i < count; ++i) {
    std::string& part = parts[i];
    const bool dot = kind == PartKind::kExtension || (!part.empty() && part.front() == '.');
    const long long number = SequenceNumber(numbering.start, numbering.step, firstIndex + i);
    part = (dot ? "." : "") + prefix + body + PaddedNumber(numbering.width, number) + suffix;
  }
}

void ApplyNumberingRule(FileList& list, const NamingOptions& options, std::size_t count,
                        std::size_t first) {
  const std::size_t end = std::min(count, list.count());
  if (first >= end) return;
  count = end - first;  // the parts are those of entries first..end-1
  const long long start = OptionNumber(options.startValue);
  const long long step = OptionNumber(options.increment);

  std::vector<std::string> mains(count);
  std::vector<std::string> extensions(count);
  for (std::size_t i = 0; i < count; ++i) {
    SplitNameResult split = SplitName(list.entries[first + i].oldName);
    mains[i] = std::move(split.mainName);
    extensions[i] = std::move(split.extension);
  }

  const NumberingScope scope = options.numberingScope;
  if (scope == NumberingScope::kFileName || scope == NumberingScope::kAll) {
    // An emptied width box gives width 0: no padding, but the number is still written.
    BuildNumberedParts(mains, PartKind::kMainName, options.namePrefix, options.mainName,
                       options.nameSuffix, {start, step, OptionNumber(options.nameDigits)}, count,
                       first);
  }
  if (scope == NumberingScope::kExtension || scope == NumberingScope::kAll) {
    if (!options.extDigits.empty()) {
      // Any text in the width box, "0" included, numbers the extensions.
      BuildNumberedParts(extensions, PartKind::kExtension, options.extPrefix, options.newExtension,
                         options.extSuffix, {start, step, OptionNumber(options.extDigits)}, count,
                         first);
    } else if (!options.extPrefix.empty() || !options.newExtension.empty() ||
               !options.extSuffix.empty()) {
      const std::string extension =
          "." + options.extPrefix + options.newExtension + options.extSuffix;
      std::fill(extensions.begin(), extensions.end(), extension);
    } else {
      // Nothing to build an extension from: the names lose theirs.
      std::fill(extensions.begin(), extensions.end(), std::string());
    }
  }

  for (std::size_t i = 0; i < count; ++i)
    list.entries[first + i].newName = mains[i] + extensions[i];
}

}  // namespace tessarn
