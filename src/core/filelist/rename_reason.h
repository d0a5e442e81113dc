// Why a file did not get its new name (or its old one back): found by the rules
// (a file without tags, a pattern too costly for the name), by the plan before
// anything is renamed, or from the error the rename itself returned.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tessarn {

// The reasons, each with its text and its code in one table (rename_reason.cpp):
// a new reason is one enumerator here and one row there. kOther stays last.
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
  kNoTag,         // the MP3 page: the file has neither ID3v1 nor ID3v2 tag
  kNotMp3,        // the MP3 page: the file is not an MP3 file
  kRegexLimit,    // the pattern's match gave up on this name (too much backtracking)
  kUnreadable,    // the MP3 page: the file's tags could not be read
  kForeignLink,   // another user's symbolic link in a folder not the user's: not followed
  kInterruptedWrite,  // an earlier tag write of the file is unfinished (the next write ends it)
  kOther,         // anything else: the system's own message
};
inline constexpr std::size_t kRenameReasonCount = static_cast<std::size_t>(RenameReason::kOther) + 1;

// The reason of a failed rename call, from its errno value.
RenameReason ReasonForError(int error);

// The text shown to the user (GB18030); for kOther the system's message of `error`.
std::string ReasonText(RenameReason reason, int error = 0);

// A short stable name for scripts ("target-exists", "duplicate", ...); "" for kNone.
const char* ReasonCode(RenameReason reason);

// Counts of rows by reason, and the text that lists them in the order of the
// reasons: "目标文件已存在 2 个，缺少MP3标签 3 个".
using ReasonCounts = std::array<std::size_t, kRenameReasonCount>;
std::string ReasonCountsText(const ReasonCounts& counts);

}  // namespace tessarn
