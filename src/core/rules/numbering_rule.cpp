#include "core/rules/numbering_rule.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "core/rules/preview_pass.h"
#include "core/rules/rule_unit.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// The width boxes hold three digits; only a pasted or scripted value can be wider,
// and a file name cannot hold even this many bytes, so the padding stops here
// rather than filling memory.
constexpr long long kWidthLimit = 1000;

// Appends lead dot + prefix + body + number padded with "0" to width + suffix: one
// part of a new name, written straight into it.
void AppendNumberedPart(std::string& out, bool dot, const std::string& prefix,
                        const std::string& body, const std::string& suffix, long long width,
                        long long number) {
  char digits[24];
  const std::size_t length =
      static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits);
  if (dot) out += '.';
  out += prefix;
  out += body;
  const long long padded = std::min(width, kWidthLimit);
  if (padded > static_cast<long long>(length))
    out.append(static_cast<std::size_t>(padded) - length, '0');
  out.append(digits, length);
  out += suffix;
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
  std::string built;
  for (std::size_t i = 0; i < count; ++i) {
    std::string& part = parts[i];
    const bool dot = kind == PartKind::kExtension || (!part.empty() && part.front() == '.');
    const long long number = SequenceNumber(numbering.start, numbering.step, firstIndex + i);
    built.clear();
    AppendNumberedPart(built, dot, prefix, body, suffix, numbering.width, number);
    part = built;
  }
}

std::vector<std::uint32_t> PlacesInFolders(const FileList& list, std::size_t first,
                                           std::size_t end) {
  // Folder indices are small and dense: one counter per folder of the list.
  std::vector<std::uint32_t> seen;
  std::vector<std::uint32_t> places;
  places.reserve(end > first ? end - first : 0);
  for (std::size_t i = 0; i < end && i < list.count(); ++i) {
    const std::uint32_t folder = list.entries[i].folder;
    if (folder >= seen.size()) seen.resize(folder + 1, 0);
    if (i >= first) places.push_back(seen[folder]);
    ++seen[folder];
  }
  return places;
}

void ApplyNumberingRule(FileList& list, const NumberingOptions& options, std::size_t count,
                        std::size_t first, NameSource source) {
  const std::size_t end = std::min(count, list.count());
  if (first >= end) return;
  const long long start = OptionNumber(options.startValue);
  const long long step = OptionNumber(options.increment);
  const NumberingScope scope = options.numberingScope;
  const bool numberMains = scope == NumberingScope::kFileName || scope == NumberingScope::kAll;
  const bool newExtensions = scope == NumberingScope::kExtension || scope == NumberingScope::kAll;
  // An emptied width box gives width 0: no padding, but the number is still written.
  const long long mainWidth = OptionNumber(options.nameDigits);
  // Any text in the extension's width box, "0" included, numbers the extensions;
  // without it a fixed extension is built from the other boxes, or, with nothing to
  // build one from, the names lose theirs.
  const bool numberExtensions = newExtensions && !options.extDigits.empty();
  const long long extWidth = numberExtensions ? OptionNumber(options.extDigits) : 0;
  const std::string fixedExtension =
      options.extPrefix.empty() && options.newExtension.empty() && options.extSuffix.empty()
          ? std::string()
          : "." + options.extPrefix + options.newExtension + options.extSuffix;

  // With a count per folder, each entry's number is its place among its folder's
  // entries before it; a slice counts them from the top of the list.
  std::vector<std::uint32_t> places;
  if (options.restartPerFolder) places = PlacesInFolders(list, first, end);

  // Each new name is written straight into the entry's buffer: a keystroke's pass
  // over a long list allocates nothing per name once the names have their room.
  NameReader names(source);
  for (std::size_t i = first; i < end; ++i) {
    FileEntry& entry = list.entries[i];
    const std::string_view old = names.Take(entry);
    const std::size_t dot = old.rfind('.');
    const std::string_view main = dot == std::string_view::npos ? old : old.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : old.substr(dot);
    const long long number =
        SequenceNumber(start, step, options.restartPerFolder ? places[i - first] : i);
    std::string& out = entry.newName;
    out.clear();
    if (numberMains)
      AppendNumberedPart(out, !main.empty() && main.front() == '.', options.namePrefix,
                         options.mainName, options.nameSuffix, mainWidth, number);
    else
      out.append(main);
    if (numberExtensions)
      AppendNumberedPart(out, true, options.extPrefix, options.newExtension, options.extSuffix,
                         extWidth, number);
    else if (newExtensions)
      out.append(fixedExtension);
    else
      out.append(extension);
  }
}

namespace {

constexpr std::pair<const char*, NumberingScope> kScopeWords[] = {
    {"name", NumberingScope::kFileName},
    {"ext", NumberingScope::kExtension},
    {"all", NumberingScope::kAll}};

// An option that keeps the text of one box.
#define TEXT_OPTION(key, valueName, help, field)         \
  RuleOption {                                           \
    key, valueName, help,                                \
        [](NamingOptions& o, std::string&& v) -> const char* { \
          o.field = std::move(v);                        \
          return nullptr;                                \
        },                                               \
        [](const NamingOptions& o) { return o.field; }   \
  }

}  // namespace

const RuleUnit& NumberingRuleUnit() {
  static const RuleUnit unit{
      OptionPage::kNumbering,
      "numbering",
      "常规",
      {
          {"scope", "name|ext|all", "作用于文件名、扩展名或全部（默认 name）",
           [](NamingOptions& o, std::string&& v) -> const char* {
             return PickWord(v, kScopeWords, o.numberingScope) ? nullptr
                                                               : "--scope 只能是 name、ext 或 all";
           },
           [](const NamingOptions& o) { return WordOf(kScopeWords, o.numberingScope); }},
          TEXT_OPTION("prefix", "文本", "文件名前缀", namePrefix),
          TEXT_OPTION("name", "文本", "主文件名", mainName),
          TEXT_OPTION("digits", "位数", "序号位数（默认 1）", nameDigits),
          TEXT_OPTION("suffix", "文本", "文件名后缀", nameSuffix),
          TEXT_OPTION("ext-prefix", "文本", "扩展名前缀", extPrefix),
          TEXT_OPTION("ext", "文本", "新扩展名", newExtension),
          TEXT_OPTION("ext-digits", "位数", "扩展名序号位数（默认为空：扩展名不加序号）",
                      extDigits),
          TEXT_OPTION("ext-suffix", "文本", "扩展名后缀", extSuffix),
          TEXT_OPTION("start", "数", "起始量（默认 0）", startValue),
          TEXT_OPTION("step", "数", "增量（默认 1）", increment),
          {"restart-per-folder", nullptr, "每个目录重新编号：每个目录的文件从起始量开始编号",
           [](NamingOptions& o, std::string&& v) {
             return SetSwitch(o.restartPerFolder, v, "--restart-per-folder 只能是 true 或 false");
           },
           [](const NamingOptions& o) { return SwitchText(o.restartPerFolder); }},
      },
      [](FileList& list, const NamingOptions& o, NameSource source, TagCache*, std::size_t first,
         std::size_t end) { ApplyNumberingRule(list, o, end, first, source); },
  };
  return unit;
}

#undef TEXT_OPTION

}  // namespace tessarn
