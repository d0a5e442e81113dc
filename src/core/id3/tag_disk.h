// The operating-system calls that change a file during a tag write, each behind
// one small function. Internal to the codec: the writer takes the disk as an
// object so that a test can stand in a disk that fills up or a process that dies
// at a chosen step; the program itself only ever uses this plain one.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessarn {

class TagDisk {
 public:
  virtual ~TagDisk() = default;
  // Each returns 0, or the errno value of the failure.
  virtual int WriteAt(int fd, std::uint64_t offset, std::string_view data);
  virtual int Resize(int fd, std::uint64_t length);
  // Makes sure the file can grow by length bytes from offset without running out
  // of space, without changing its size.
  virtual int Reserve(int fd, std::uint64_t offset, std::uint64_t length);
  virtual int Sync(int fd);
};

}  // namespace tessarn

#include <string>

#include "core/id3/tag_file_writer.h"

namespace tessarn {

// WriteTagBlocks and FinishInterruptedTagWrite on the given disk.
TagWriteResult WriteTagBlocks(TagDisk& disk, const std::string& path, const TagBlockChange& id3v2,
                              const TagBlockChange& id3v1);
bool FinishInterruptedTagWrite(TagDisk& disk, const std::string& path);
// EditTagBlocks on the given disk; without a run, the folder is listed anew.
TagWriteResult EditTagBlocks(TagDisk& disk, const std::string& path, const TagBlockPlanner& plan,
                             TagWriteRun* run, TagWriteUndo& undo);

}  // namespace tessarn
