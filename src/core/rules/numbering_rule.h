// The rule set of page "常规": names rebuilt from a prefix, a fixed text, a padded
// sequence number and a suffix, for the main name, the extension, or both.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/rules/naming_options.h"

namespace tessarn {

// Sets newName of entries first..count-1 from their oldName; each entry is numbered
// by its place in the whole list, so a pass may be done in slices.
void ApplyNumberingRule(FileList& list, const NamingOptions& options, std::size_t count,
                        std::size_t first = 0);

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
