#include "core/id3/recovery_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/filelist/own_names.h"
#include "core/id3/id3v2_frames.h"
#include "core/id3/tag_file_writer.h"
#include "core/id3/tag_region.h"

namespace tessarn {
namespace record {
namespace {

constexpr char kMagic[8] = {'T', 'S', 'R', 'N', 'J', 'N', 'L', '2'};

std::uint64_t Checksum(std::string_view data) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (char c : data) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

void PutNumber(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint64_t GetNumber(std::string_view in, std::size_t at) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[at + i]);
  return v;
}
}  // namespace

std::string Number(std::uint64_t v) {
  std::string s;
  PutNumber(s, v);
  return s;
}

std::string EncodeUpdate(const Update& u) {
  std::string fixed;
  PutNumber(fixed, u.inode);
  PutNumber(fixed, u.originalSize);
  PutNumber(fixed, static_cast<std::uint64_t>(u.v1));
  PutNumber(fixed, u.oldLength);
  PutNumber(fixed, u.hasHead ? u.head.size() : kNoHead);
  std::string tail = u.v1Block;
  tail.resize(kId3v1Length, '\0');
  tail += u.head;
  std::string out(kMagic, sizeof kMagic);
  out += fixed;
  PutNumber(out, u.step);
  PutNumber(out, u.progress);
  PutNumber(out, Checksum(fixed + tail));
  return out + tail;
}

std::optional<Update> DecodeUpdate(std::string_view in) {
  if (in.size() < kRecordHeader + kId3v1Length || in.substr(0, 8) != std::string_view(kMagic, 8))
    return std::nullopt;
  const std::string_view fixed = in.substr(8, kStepAt - 8);
  const std::string_view tail = in.substr(kRecordHeader);
  if (Checksum(std::string(fixed) + std::string(tail)) != GetNumber(in, kProgressAt + 8))
    return std::nullopt;
  Update u;
  u.inode = GetNumber(in, 8);
  u.originalSize = GetNumber(in, 16);
  u.v1 = static_cast<V1Step>(GetNumber(in, 24));
  u.oldLength = GetNumber(in, 32);
  const std::uint64_t headLength = GetNumber(in, 40);
  u.step = GetNumber(in, kStepAt);
  u.progress = GetNumber(in, kProgressAt);
  u.hasHead = headLength != kNoHead;
  if (u.v1 > V1Step::kCut || tail.size() != kId3v1Length + (u.hasHead ? headLength : 0))
    return std::nullopt;
  u.v1Block.assign(tail.substr(0, kId3v1Length));
  u.head.assign(tail.substr(kId3v1Length));
  return u;
}

namespace {

// ---- Whether a record is ours ------------------------------------------------------
//
// Anyone who may write to the folder can put a file of any name beside another
// user's file: in a shared folder a record is worth acting on only when it is
// certainly one this program made for this file, and it says something that can
// be true of the file as it is now. Acting on a planted one would let its maker
// cut the file short or write their bytes into it.

// How large a record can be: its header, the ID3v1 block, the largest tag.
constexpr std::uint64_t kMaxRecord = kRecordHeader + kId3v1Length + kMaxTagLength;

bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; });
}

// Whether the update can be one this program began on the file `file` reads, whose
// size is its Size(), and left where it says: only a move of the audio takes a record;
// the numbers fit one another; the file's size is one the update passes through;
// and the ID3v2 tag at the file's start is the old tag or the new one.
bool FitsFile(const Update& u, ByteSource& file) {
  const std::uint64_t size = file.Size();
  const std::uint64_t a = u.oldLength, b = u.head.size();
  if (!u.hasHead || a == b || a > kMaxTagLength || u.step > 1) return false;
  const bool v1Block = u.v1 == V1Step::kOverwrite || u.v1 == V1Step::kAppend;
  if (v1Block ? !u.v1Block.starts_with("TAG") : !AllZero(u.v1Block)) return false;
  const bool hadV1 = u.v1 == V1Step::kOverwrite || u.v1 == V1Step::kCut;
  if (u.originalSize < a + (hadV1 ? kId3v1Length : 0)) return false;
  if (b > 0 && !u.head.starts_with("ID3")) return false;

  const std::uint64_t n = u.SizeAfterV1();
  bool sizeFits;
  if (u.step == 0) {
    switch (u.v1) {
      case V1Step::kAppend:  // the block may have been written in part
        sizeFits = size >= u.originalSize && size <= n;
        break;
      case V1Step::kCut:
        sizeFits = size == u.originalSize || size == n;
        break;
      default:
        sizeFits = size == u.originalSize;
        break;
    }
  } else {
    if (u.progress < a || u.progress > n) return false;
    sizeFits = size == n || (b > a ? size == n + (b - a) : size == n - (a - b));
  }
  if (!sizeFits) return false;

  // The tag at the start: the old one until the new one is written over it (the
  // new one's header first, when its write was cut); a removal's move brings
  // audio to the very start.
  const Id3v2Region region = LocateId3v2(file);
  if (!region.present) return a == 0 || b == 0;
  Id3v2TagInfo header;
  const bool declared = ReadId3v2TagInfo(file, header);
  return region.length == a || region.length == b ||
         (declared && (header.wholeLength == a || header.wholeLength == b));
}

// What the record's own metadata (an lstat, or an fstat of it once open) says
// against it, beside the file `file`.
RecordDistrust JudgeRecordFile(const struct stat& st, const struct stat& file) {
  if (S_ISLNK(st.st_mode)) return RecordDistrust::kLink;
  if (!S_ISREG(st.st_mode)) return RecordDistrust::kNotRegular;
  if (st.st_nlink != 1) return RecordDistrust::kHardLinked;
  if (st.st_uid != file.st_uid && st.st_uid != ::geteuid()) return RecordDistrust::kForeignOwner;
  if ((st.st_mode & 07777) != 0600) return RecordDistrust::kWrongMode;
  if (static_cast<std::uint64_t>(st.st_size) > kMaxRecord) return RecordDistrust::kDamaged;
  return RecordDistrust::kNone;
}

}  // namespace

RecordLook LookAtRecord(int folderFd, const std::string& recordPath, int fileFd, ByteSource& file) {
  RecordLook look;
  auto distrust = [&](RecordDistrust why) {
    look.check = {RecoveryRecord::kIgnored, why};
    look.update.reset();
    return look;
  };
  const int at = folderFd >= 0 ? folderFd : AT_FDCWD;
  if (::fstatat(at, recordPath.c_str(), &look.st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return look;
    return distrust(RecordDistrust::kUnreadable);
  }
  struct stat fileSt;
  if (::fstat(fileFd, &fileSt) != 0) return distrust(RecordDistrust::kUnreadable);
  // Judged before it is opened: opening a device may do something, and another
  // user's record need not be readable to be ignored.
  if (const RecordDistrust why = JudgeRecordFile(look.st, fileSt); why != RecordDistrust::kNone)
    return distrust(why);
  const int fd =
      ::openat(at, recordPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return distrust(errno == ELOOP ? RecordDistrust::kLink : RecordDistrust::kUnreadable);
  struct stat st;
  std::string bytes;
  RecordDistrust why = RecordDistrust::kNone;
  if (::fstat(fd, &st) != 0 || st.st_dev != look.st.st_dev || st.st_ino != look.st.st_ino) {
    why = RecordDistrust::kUnreadable;  // swapped for another file since the look
  } else if ((why = JudgeRecordFile(st, fileSt)) == RecordDistrust::kNone) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    if (PreadAll(fd, bytes.data(), bytes.size(), 0) != bytes.size())
      why = RecordDistrust::kUnreadable;
  }
  ::close(fd);
  if (why != RecordDistrust::kNone) return distrust(why);
  look.update = DecodeUpdate(bytes);
  if (!look.update) return distrust(RecordDistrust::kDamaged);
  if (look.update->inode != static_cast<std::uint64_t>(fileSt.st_ino))
    return distrust(RecordDistrust::kOtherFile);
  if (file.Size() != static_cast<std::uint64_t>(fileSt.st_size) || !FitsFile(*look.update, file))
    return distrust(RecordDistrust::kDoesNotFit);
  look.check = {RecoveryRecord::kUnfinished, RecordDistrust::kNone};
  return look;
}

// Removes the record `recordPath` while its name still stands for the file looked
// at (`st`).
void RemoveRecord(const std::string& recordPath, const struct stat& st) {
  struct stat now;
  if (::lstat(recordPath.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino)
    ::unlink(recordPath.c_str());
}

}  // namespace record

using record::LookAtRecord;

std::string JournalPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, name) + "." + path.substr(name) + std::string(kRecoveryRecordSuffix);
}

bool IsJournalName(std::string_view name) { return IsRecoveryRecordName(name); }

RecoveryRecordCheck CheckRecoveryRecord(int folderFd, const std::string& recordPath, int fileFd,
                                        ByteSource& file) {
  return LookAtRecord(folderFd, recordPath, fileFd, file).check;
}

const char* RecordDistrustText(RecordDistrust why) {
  switch (why) {
    case RecordDistrust::kNone:
      return "";
    case RecordDistrust::kLink:
      return "是符号链接";
    case RecordDistrust::kNotRegular:
      return "不是普通文件";
    case RecordDistrust::kHardLinked:
      return "有多个硬链接";
    case RecordDistrust::kForeignOwner:
      return "属于其他用户";
    case RecordDistrust::kWrongMode:
      return "权限不是 0600";
    case RecordDistrust::kUnreadable:
      return "无法读取";
    case RecordDistrust::kDamaged:
      return "内容无效";
    case RecordDistrust::kOtherFile:
      return "属于另一个文件";
    case RecordDistrust::kDoesNotFit:
      return "与文件现状不符";
  }
  return "";
}

}  // namespace tessarn
