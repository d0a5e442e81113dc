// The rule set of page "常规": names rebuilt from a prefix, a fixed text, a padded
// sequence number and a suffix, for the main name, the extension, or both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/rules/name_source.h"

namespace tessarn {

struct RuleUnit;

enum class NumberingScope { kFileName, kExtension, kAll };

// The options of page "常规".
struct NumberingOptions {
  NumberingScope numberingScope = NumberingScope::kFileName;
  std::string namePrefix;
  std::string mainName;
  std::string nameDigits = "1";
  std::string nameSuffix;
  std::string extPrefix;
  std::string newExtension;
  std::string extDigits;
  std::string extSuffix;
  std::string startValue = "0";
  std::string increment = "1";
  // "每个目录重新编号": each folder's files are counted from the start value, in
  // the order the list shows them (a tree added with its subfolders).
  bool restartPerFolder = false;
};

// Sets newName of entries first..count-1 from their name by `source`; each entry is
// numbered by its place in the whole list (or among its folder's entries), so a
// pass may be done in slices.
void ApplyNumberingRule(FileList& list, const NumberingOptions& options, std::size_t count,
                        std::size_t first = 0, NameSource source = NameSource::kOldName);

// For entries [first, end), each one's place among the entries of its folder that
// come before it in the list (0 for a folder's first).
std::vector<std::uint32_t> PlacesInFolders(const FileList& list, std::size_t first,
                                           std::size_t end);

const RuleUnit& NumberingRuleUnit();

struct Numbering {
  long long start = 0;  // the number of the first entry
  long long step = 1;   // difference between consecutive entries; 0 and negative allowed
  long long width = 0;  // the number text is padded with "0" to at least this length
};

// What a part is decides its leading dot: a main name keeps the dot it began with
// ('.config'), a numbered extension always begins with one.
enum class PartKind { kMainName, kExtension };

// Replaces parts[0..count-1] by lead + prefix + body + padded number + suffix;
// parts[k] takes the number of the entry at index firstIndex + k.
void BuildNumberedParts(std::vector<std::string>& parts, PartKind kind, const std::string& prefix,
                        const std::string& body, const std::string& suffix,
                        const Numbering& numbering, std::size_t count, std::size_t firstIndex = 0);

// start + index * step for the entry at 0-based index, in 64 bits; a result beyond
// them stays at the nearest end instead of wrapping.
long long SequenceNumber(long long start, long long step, std::size_t index);

// The "0" characters that pad the decimal text of number (a "-" included) to width.
std::string LeadingZeros(long long width, long long number);

}  // namespace tessarn
