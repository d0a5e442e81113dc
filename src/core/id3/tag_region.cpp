#include "core/id3/tag_region.h"

#include <algorithm>
#include <string>

#include "core/id3/id3v2_frames.h"

namespace tessarn {
namespace {

constexpr std::uint64_t kHeaderSize = 10;
constexpr std::size_t kChunk = 1 << 16;

// The file offset of body position pos in a tag unsynchronised as a whole: every
// 00 that follows an FF in the file is not part of the body.
std::uint64_t RawOffsetOf(ByteSource& source, std::uint64_t pos, std::uint64_t rawEnd) {
  std::uint64_t raw = kHeaderSize;
  std::uint64_t decoded = 0;
  bool afterFF = false;
  std::string chunk;
  while (decoded < pos && raw < rawEnd) {
    if (source.ReadAt(raw, std::min<std::uint64_t>(kChunk, rawEnd - raw), chunk) == 0) break;
    for (char c : chunk) {
      if (decoded == pos) break;
      ++raw;
      if (afterFF && c == '\0') {
        afterFF = false;
        continue;
      }
      ++decoded;
      afterFF = static_cast<unsigned char>(c) == 0xFF;
    }
  }
  // A stuffed 00 right after the last byte belongs to it.
  if (afterFF && raw < rawEnd && source.ReadAt(raw, 1, chunk) == 1 && chunk[0] == '\0') ++raw;
  return raw;
}

// How many zero bytes start at offset from, up to end.
std::uint64_t ZeroRun(ByteSource& source, std::uint64_t from, std::uint64_t end) {
  std::string chunk;
  for (std::uint64_t at = from; at < end;) {
    const std::size_t got = source.ReadAt(at, std::min<std::uint64_t>(kChunk, end - at), chunk);
    if (got == 0) return at - from;
    const std::size_t nonZero = chunk.find_first_not_of('\0');
    if (nonZero != std::string::npos) return at + nonZero - from;
    at += got;
  }
  return end - from;
}

}  // namespace

Id3v2Region LocateId3v2(ByteSource& source) {
  Id3v2Region region;
  Id3v2TagInfo info;
  if (!ReadId3v2TagInfo(source, info)) return region;
  region.present = true;
  region.major = info.major;
  source.AllowReadAhead(info.wholeLength);
  FrameWalker walker(source, info);
  if (!walker.Readable()) return region;
  FrameHeader header;
  bool anyFrame = false;
  while (walker.Next(header))
    if (!header.truncated) anyFrame = true;

  const std::uint64_t fileSize = source.Size();
  const std::uint64_t claimedEnd = kHeaderSize + info.bodyLength;
  const std::uint64_t end = std::min(claimedEnd, fileSize);
  const bool unsync = (info.major == 2 || info.major == 3) && (info.flags & 0x80);
  std::uint64_t framesEnd =
      unsync ? RawOffsetOf(source, walker.WalkedEnd(), end) : kHeaderSize + walker.WalkedEnd();
  framesEnd = std::min(framesEnd, end);
  const std::uint64_t padding = ZeroRun(source, framesEnd, end);
  // Nothing walked and no padding either: what follows the header is not a tag
  // this program understands, and nothing can say where it ends.
  if (!anyFrame && padding == 0 && framesEnd < end) return region;

  region.walkable = true;
  region.framesEnd = framesEnd;
  region.length = framesEnd + padding;
  if (region.length == claimedEnd && info.major == 4 && (info.flags & 0x10)) {
    std::string footer;
    if (source.ReadAt(claimedEnd, kHeaderSize, footer) == kHeaderSize && footer.starts_with("3DI"))
      region.length += kHeaderSize;
  }
  return region;
}

}  // namespace tessarn
