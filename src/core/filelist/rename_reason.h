// Why a file did not get its new name (or its old one back): found by the plan
// before anything is renamed, or from the error the rename itself returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessarn {

enum class RenameReason : std::uint8_t {
  kNone,
  kTargetExists,  // a file of the new name is there and stays
  kDuplicate,     // another row gets the same name
  kTooLong,       // over the folder's name length limit
  kInvalidName,   // empty, ".", "..", "/" or NUL inside, not encodable
  kUndecodable,   // the old name's bytes are neither UTF-8 nor GBK
  kMissing,       // the file is no longer there
  kPermission,
  kNoSpace,
  kReplaced,      // undo: another file now has the name the run gave
  kModified,      // undo of tag changes: the file changed after the run wrote it
  kForeignLink,   // another user's symbolic link in a folder not the user's: not followed
  kInterruptedWrite,  // an earlier tag write of the file is unfinished (the next write ends it)
  kNoMetadata,    // the rule names files from their metadata, and this one has none
  kOther,         // anything else: the system's own message
};
inline constexpr std::size_t kRenameReasonCount = static_cast<std::size_t>(RenameReason::kOther) + 1;

// The reason of a failed rename call, from its errno value.
RenameReason ReasonForError(int error);

// The text shown to the user (GB18030); for kOther the system's message of `error`.
std::string ReasonText(RenameReason reason, int error = 0);

// A short stable name for scripts ("target-exists", "duplicate", ...); "" for kNone.
const char* ReasonCode(RenameReason reason);

}  // namespace tessarn
