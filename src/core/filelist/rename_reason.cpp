#include "core/filelist/rename_reason.h"

#include <errno.h>

#include <cstring>

#include "core/text/encoding.h"

namespace tessarn {

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
  switch (reason) {
    case RenameReason::kNone:
      return std::string();
    case RenameReason::kTargetExists:
      return Gb("目标文件已存在");
    case RenameReason::kDuplicate:
      return Gb("新文件名重复");
    case RenameReason::kTooLong:
      return Gb("文件名过长");
    case RenameReason::kInvalidName:
      return Gb("文件名无效");
    case RenameReason::kUndecodable:
      return Gb("文件名编码无法识别");
    case RenameReason::kMissing:
      return Gb("文件不存在");
    case RenameReason::kPermission:
      return Gb("没有权限");
    case RenameReason::kNoSpace:
      return Gb("磁盘已满");
    case RenameReason::kReplaced:
      return Gb("文件已被替换");
    case RenameReason::kModified:
      return Gb("文件已被修改");
    case RenameReason::kForeignLink:
      return Gb("链接属于其他用户");
    case RenameReason::kInterruptedWrite:
      return Gb("上次写入未完成");
    case RenameReason::kNoMetadata:
      return Gb("缺少元数据");
    case RenameReason::kOther:
      break;
  }
  // The C library's message is in the locale's encoding, which is UTF-8 or ASCII.
  return Utf8ToGbLossy(std::strerror(error != 0 ? error : EIO));
}

const char* ReasonCode(RenameReason reason) {
  switch (reason) {
    case RenameReason::kNone:
      return "";
    case RenameReason::kTargetExists:
      return "target-exists";
    case RenameReason::kDuplicate:
      return "duplicate";
    case RenameReason::kTooLong:
      return "too-long";
    case RenameReason::kInvalidName:
      return "invalid-name";
    case RenameReason::kUndecodable:
      return "undecodable";
    case RenameReason::kMissing:
      return "missing";
    case RenameReason::kPermission:
      return "permission";
    case RenameReason::kNoSpace:
      return "no-space";
    case RenameReason::kReplaced:
      return "replaced";
    case RenameReason::kModified:
      return "modified";
    case RenameReason::kForeignLink:
      return "foreign-link";
    case RenameReason::kInterruptedWrite:
      return "interrupted-write";
    case RenameReason::kNoMetadata:
      return "no-metadata";
    case RenameReason::kOther:
      break;
  }
  return "other";
}

}  // namespace tessarn
