#include "core/filelist/rename_reason.h"

#include <errno.h>

#include <cstring>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

struct ReasonRow {
  RenameReason reason;
  const char* code;  // stable: scripts read it
  const char* text;  // UTF-8; shown as GB18030
};

// One row per reason, in the order of the enumeration.
constexpr ReasonRow kReasons[] = {
    {RenameReason::kNone, "", ""},
    {RenameReason::kTargetExists, "target-exists", "目标文件已存在"},
    {RenameReason::kDuplicate, "duplicate", "新文件名重复"},
    {RenameReason::kTooLong, "too-long", "文件名过长"},
    {RenameReason::kInvalidName, "invalid-name", "文件名无效"},
    {RenameReason::kUndecodable, "undecodable", "文件名编码无法识别"},
    {RenameReason::kMissing, "missing", "文件不存在"},
    {RenameReason::kPermission, "permission", "没有权限"},
    {RenameReason::kNoSpace, "no-space", "磁盘已满"},
    {RenameReason::kReplaced, "replaced", "文件已被替换"},
    {RenameReason::kModified, "modified", "文件已被修改"},
    {RenameReason::kNoTag, "no-tag", "缺少MP3标签"},
    {RenameReason::kNotMp3, "not-mp3", "非MP3文件"},
    {RenameReason::kRegexLimit, "regex-limit", "正则表达式过于复杂"},
    {RenameReason::kUnreadable, "unreadable", "无法读取文件"},
    {RenameReason::kForeignLink, "foreign-link", "链接属于其他用户"},
    {RenameReason::kInterruptedWrite, "interrupted-write", "上次写入未完成"},
    {RenameReason::kOther, "other", nullptr},
};
static_assert(std::size(kReasons) == kRenameReasonCount, "one row per reason");

constexpr bool RowsInOrder() {
  for (std::size_t i = 0; i < std::size(kReasons); ++i)
    if (static_cast<std::size_t>(kReasons[i].reason) != i) return false;
  return true;
}
static_assert(RowsInOrder(), "rows in the order of the enumeration");

const ReasonRow& RowOf(RenameReason reason) {
  const auto i = static_cast<std::size_t>(reason);
  return kReasons[i < std::size(kReasons) ? i : std::size(kReasons) - 1];
}

}  // namespace

RenameReason ReasonForError(int error) {
  switch (error) {
    case 0:
      return RenameReason::kNone;
    case EEXIST:
    case ENOTEMPTY:
      return RenameReason::kTargetExists;
    case ENAMETOOLONG:
      return RenameReason::kTooLong;
    case ENOENT:
      return RenameReason::kMissing;
    case EACCES:
    case EPERM:
    case EROFS:
      return RenameReason::kPermission;
    case ENOSPC:
    case EDQUOT:
      return RenameReason::kNoSpace;
    default:
      return RenameReason::kOther;
  }
}

std::string ReasonText(RenameReason reason, int error) {
  if (const char* text = RowOf(reason).text) return Gb(text);
  // The C library's message is in the locale's encoding, which is UTF-8 or ASCII.
  return Utf8ToGbLossy(std::strerror(error != 0 ? error : EIO));
}

const char* ReasonCode(RenameReason reason) { return RowOf(reason).code; }

std::string ReasonCountsText(const ReasonCounts& counts) {
  std::string text;
  for (std::size_t r = 1; r < kRenameReasonCount; ++r) {
    if (counts[r] == 0) continue;
    if (!text.empty()) text += Gb("，");
    text += ReasonText(static_cast<RenameReason>(r)) + " " + std::to_string(counts[r]) + Gb(" 个");
  }
  return text;
}

}  // namespace tessarn
