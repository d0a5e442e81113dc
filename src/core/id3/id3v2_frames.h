// Walking the frames of an ID3v2.2, 2.3 or 2.4 tag. Internal to the codec: the
// reader takes the twelve texts from it, the writer the frames it keeps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/id3/tag_file_io.h"

namespace tessarn {

struct Id3v2TagInfo {
  int major = 0;
  int revision = 0;
  unsigned flags = 0;
  std::uint64_t bodyLength = 0;   // what the size field counts (after the header)
  std::uint64_t wholeLength = 0;  // header + body (+ footer in v2.4), in the file
};

// The header at the start of the source; false when there is no valid header.
bool ReadId3v2TagInfo(ByteSource& source, Id3v2TagInfo& info);

// The length of the extended header at the start of a tag's body, or 0 when the
// header's flag promises one that is not there. Some taggers set the flag without
// writing the header; their first frame then starts at the very beginning, so
// bytes that read as a frame ID, a size that runs past the body or one that no
// version of the header can have mean "no extended header".
std::uint64_t ExtendedHeaderLength(const Id3v2TagInfo& info, std::string_view bodyStart);

struct FrameHeader {
  std::string id;          // 3 letters in v2.2, 4 otherwise
  unsigned flags = 0;      // as stored (their meaning depends on the version)
  std::uint64_t size = 0;  // stored content size
  bool truncated = false;  // the content runs past the end of the tag
};

class TagBody;
struct TagFields;

// Reads the twelve fields of the tag at the start of source (see ReadId3v2). With
// keptFrames, also gives, as whole v2.3 frames, every frame a rewrite must keep:
// all but those that supplied the twelve fields (and duplicates of them). With
// namingFieldsOnly, only the six fields a naming template can use are read.
bool ReadId3v2Tag(ByteSource& source, TagFields& fields, std::string* keptFrames,
                  bool namingFieldsOnly = false);

// Visits the frames of one tag in order. Frames are found only at the place
// the previous frame's size leads to; the walk stops at padding, at anything that
// is not a frame header and at the end of the tag.
class FrameWalker {
 public:
  FrameWalker(ByteSource& source, const Id3v2TagInfo& info);
  ~FrameWalker();
  FrameWalker(const FrameWalker&) = delete;
  FrameWalker& operator=(const FrameWalker&) = delete;

  // Frame versions this walker understands (2, 3 and 4).
  bool Readable() const;

  bool Next(FrameHeader& header);

  // Where the frames begin (after a plausible extended header) and where the last
  // whole frame handed out by Next ends, as positions in the tag's body (the bytes
  // after the header, unsynchronisation undone). A rewrite replaces no more than this.
  std::uint64_t FramesStart() const { return start_; }
  std::uint64_t WalkedEnd() const { return walkedEnd_; }

  // The current frame's data with unsynchronisation, grouping byte and data length
  // indicator taken away; at most limit bytes. False for compressed or encrypted
  // frames and when nothing can be read.
  bool Data(std::string& out, std::size_t limit);

  // The current frame as a whole v2.3 frame (plain size, v2.3 flags), for keeping
  // it in a rewritten tag. False when it cannot be carried (v2.2, truncated).
  bool AsV23Frame(std::string& out);

 private:
  bool ReadStored(std::string& out, std::size_t limit);
  bool LandsOnFrame(std::uint64_t pos);

  const Id3v2TagInfo info_;
  std::unique_ptr<TagBody> body_;
  std::uint64_t pos_ = 0;      // next header's position in the body
  std::uint64_t current_ = 0;  // current frame content's position in the body
  std::uint64_t start_ = 0;
  std::uint64_t walkedEnd_ = 0;
  FrameHeader header_;
  bool done_ = false;
};

}  // namespace tessarn
