// The rule set of page "大小写": upper or lower case for the whole main name and
// extension, or for their first letter. Only ASCII letters have a case; a GBK
// character is one character and never a letter, even when a byte of it looks like one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/filelist/file_list.h"
#include "core/rules/name_source.h"
#include "core/text/gb_text.h"

namespace tessarn {

struct RuleUnit;

enum class CaseRule { kAllUpper, kAllLower, kFirstUpper, kFirstLower };

// The options of page "大小写".
struct CaseOptions {
  CaseRule nameCase = CaseRule::kAllUpper;
  CaseRule extCase = CaseRule::kAllUpper;
};

// Sets newName of entries first..count-1 from their name by `source`.
void ApplyCaseRule(FileList& list, const CaseOptions& options, std::size_t count,
                   std::size_t first = 0, NameSource source = NameSource::kOldName);

const RuleUnit& CaseRuleUnit();

// True when the character (1, 2 or 4 bytes) is one of A-Z, a-z.
bool IsAsciiLetter(std::string_view character);

// The first letter of text in upper (toUpper) or lower case, all else unchanged; a
// text without letters comes back as it was.
std::string ChangeFirstLetter(std::string_view text, bool toUpper);

// One part of a name by one of the four choices.
std::string ApplyCase(std::string_view part, CaseRule rule);

}  // namespace tessarn
