// The recovery record of a tag write that moves the audio, as tag_file_writer.cpp
// makes and finishes it: its layout, and whether one found beside a file is to
// be trusted. Internal to the codec.
//
// Layout: magic (8), then little-endian 64-bit numbers: inode, original size, the
// ID3v1 step, old tag length, new tag length (or kNoHead), step, progress, and a
// checksum of all but step and progress; then the 128-byte ID3v1 block (zeros
// when there is none to write), then the new tag. A record that is shorter or
// whose checksum is wrong was never complete, and the file was not yet touched.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/id3/tag_file_io.h"

namespace tessarn::record {

inline constexpr std::uint64_t kId3v1Length = 128;
// What four syncsafe bytes hold, with the header.
inline constexpr std::uint64_t kMaxTagLength = (1u << 28) - 1 + 10;

inline constexpr std::size_t kStepAt = 8 + 5 * 8;
inline constexpr std::size_t kProgressAt = kStepAt + 8;
inline constexpr std::size_t kRecordHeader = kProgressAt + 8 + 8;
inline constexpr std::uint64_t kNoHead = ~std::uint64_t{0};

enum class V1Step : std::uint64_t { kKeep, kOverwrite, kAppend, kCut };

struct Update {
  std::uint64_t inode = 0;
  std::uint64_t originalSize = 0;  // before the ID3v1 step
  V1Step v1 = V1Step::kKeep;
  std::string v1Block;   // 128 bytes for kOverwrite and kAppend
  bool hasHead = false;  // an ID3v2 step
  std::uint64_t oldLength = 0;
  std::string head;            // the new tag
  std::uint64_t step = 0;      // 0: the ID3v1 step is due; 1: the ID3v2 step
  std::uint64_t progress = 0;  // growth: next piece ends here; shrinking: starts here

  std::uint64_t SizeAfterV1() const {
    switch (v1) {
      case V1Step::kAppend:
        return originalSize + kId3v1Length;
      case V1Step::kCut:
        return originalSize - kId3v1Length;
      default:
        return originalSize;
    }
  }
  std::uint64_t MoveStart() const { return head.size() > oldLength ? SizeAfterV1() : oldLength; }
};

std::string EncodeUpdate(const Update& u);
// nullopt when the bytes are not one whole record.
std::optional<Update> DecodeUpdate(std::string_view in);
// A number as the record holds it (step and progress are noted this way).
std::string Number(std::uint64_t v);

// The record at recordPath (relative to folderFd, or AT_FDCWD) as looked at beside
// the regular file open at fileFd, which `file` reads; touches nothing. When it is
// trusted, `update` is what it says.
struct RecordLook {
  RecoveryRecordCheck check;
  std::optional<Update> update;
  struct stat st {};  // the record itself (lstat), when there is one
};
RecordLook LookAtRecord(int folderFd, const std::string& recordPath, int fileFd, ByteSource& file);

// Removes the record `recordPath` while its name still stands for the file looked
// at (`st`).
void RemoveRecord(const std::string& recordPath, const struct stat& st);

}  // namespace tessarn::record
