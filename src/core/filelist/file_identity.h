// Which file a name holds, told apart from a file that got a freed inode number
// again. An inode number alone is not enough: ext4 and others hand a freed number
// to the next new file, which may be another user's. So beside the device and
// inode the marks of the file's creation are kept: its birth time where the file
// system has one (statx), else its inode generation (FS_IOC_GETVERSION), and its
// owner. A reused inode has another birth time or generation, or another owner.
// (Its change time would tell too, but a rename changes it, so it cannot be kept
// from before a rename to after it.)
#pragma once

#include <cstdint>
#include <string>

namespace tessarn {

struct FileMarks {
  // Which of the marks below are known.
  static constexpr std::uint8_t kBirth = 1, kGeneration = 2, kOwner = 4;
  std::uint8_t known = 0;
  std::int64_t birthSeconds = 0;
  std::uint32_t birthNanoseconds = 0;
  std::uint32_t generation = 0;
  std::uint32_t owner = 0;
};

struct FullIdentity {
  std::uint64_t device = 0, inode = 0;  // both 0: nothing has the name
  FileMarks marks;
};

// The identity of `name` inside the folder open at `folderFd` (a path when the
// descriptor is -1). A link is not followed. False when nothing has the name.
bool ReadFullIdentityAt(int folderFd, const std::string& name, FullIdentity& identity);
bool ReadFullIdentity(const std::string& path, FullIdentity& identity);

// True when `now` is the file `recorded` describes: the same device and inode,
// and every mark known on both sides the same.
bool SameFile(const FullIdentity& recorded, const FullIdentity& now);

}  // namespace tessarn
