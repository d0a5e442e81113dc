// The names this program itself puts into the user's folders for a while: the
// recovery record of a tag write that moves audio (".NAME.tessarn-journal"), the
// temporary names of renames that go round a cycle (".tessarn-...tmp") and the
// copies an earlier tag writer left when it was killed (".tessarn-rewrite-" and six
// letters or digits). They are the program's working state, not the user's files:
// no list shows them as rows, so no run renames, counts or numbers them (a renamed
// record no longer finds its file, and the audio it would have mended stays
// damaged). They still occupy their names, so the rename plan sees them.
#pragma once

#include <string_view>

namespace tessarn {

// What a recovery record's name adds after the file's name (and a "." before it).
inline constexpr std::string_view kRecoveryRecordSuffix = ".tessarn-journal";

// "." + a name + ".tessarn-journal".
bool IsRecoveryRecordName(std::string_view name);
// ".tessarn-" + anything + ".tmp".
bool IsTemporaryRenameName(std::string_view name);
// ".tessarn-rewrite-" followed by exactly six ASCII letters or digits.
bool IsRewriteLeftoverName(std::string_view name);

// Any of the three.
bool IsOwnWorkingName(std::string_view name);

}  // namespace tessarn
