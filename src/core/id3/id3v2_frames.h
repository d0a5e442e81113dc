// Walking the frames of an ID3v2.2, 2.3 or 2.4 tag. Internal to the codec: the
// reader takes the twelve texts from it, the writer the frames it keeps.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/id3/tag_file_io.h"
#include "core/text/legacy_text.h"

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
// The same from the header's 10 bytes.
bool ParseId3v2TagInfo(std::string_view header, Id3v2TagInfo& info);

// Whether the frames of a tag of this version and these header flags can be walked
// (versions 2, 3 and 4; v2.2 compression cannot).
bool FramesReadable(const Id3v2TagInfo& info);
// Whether the whole tag is unsynchronised at once (v2.2, v2.3): its frames are
// walked only after undoing that.
bool WholeTagUnsynchronised(const Id3v2TagInfo& info);

// How a frame's data is stored, from its flags and the tag's.
struct StoredData {
  bool encrypted = false;
  bool compressed = false;
  bool unsync = false;
  std::size_t prefix = 0;  // bytes before the data: a group byte, a data length
  bool Plain() const { return !encrypted && !compressed && !unsync && prefix == 0; }
};
StoredData StoredDataOf(const Id3v2TagInfo& info, unsigned frameFlags);

// The length of the extended header at the start of a tag's body, or 0 when the
// header's flag promises one that is not there. Some taggers set the flag without
// writing the header; their first frame then starts at the very beginning, so
// bytes that read as a frame ID, a size that runs past the body or one that no
// version of the header can have mean "no extended header".
std::uint64_t ExtendedHeaderLength(const Id3v2TagInfo& info, std::string_view bodyStart);

// ---- Frame headers: the walker's, and the naming read's over bytes in memory ----

inline bool IsIdChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

inline std::uint32_t BigEndian(std::string_view b) {
  std::uint32_t v = 0;
  for (char c : b) v = (v << 8) | static_cast<unsigned char>(c);
  return v;
}

inline std::uint32_t Syncsafe(std::string_view b) {
  std::uint32_t v = 0;
  for (char c : b) v = (v << 7) | (static_cast<unsigned char>(c) & 0x7F);
  return v;
}

inline bool IsSyncsafe(std::string_view b) {
  return std::all_of(b.begin(), b.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

// Whether the bytes at a position inside a tag's body (4, or fewer where the body
// ends) begin a frame header or padding.
inline bool StartsFrameOrPadding(std::string_view next) {
  if (next.empty() || next[0] == '\0') return true;
  return next.size() == 4 && std::all_of(next.begin(), next.end(), IsIdChar);
}

// What a frame header says; the ID is a view of the header's bytes.
struct FrameHeaderFields {
  std::string_view id;
  unsigned flags = 0;      // as stored (their meaning depends on the version)
  std::uint64_t size = 0;  // stored content size
};

// Decodes the header `raw` (6 bytes in v2.2, 10 otherwise) of the frame whose
// content starts at body position contentPos; false at padding and at anything
// that is not a frame header. v2.4 sizes are syncsafe, but many writers put plain
// sizes there: the reading that leads to the next frame, to padding or to the end
// is taken, as landsOnFrame(position) tells.
template <typename LandsOnFrame>
bool DecodeFrameHeader(int major, std::string_view raw, std::uint64_t contentPos,
                       LandsOnFrame&& landsOnFrame, FrameHeaderFields& out) {
  const std::size_t idLen = major == 2 ? 3 : 4;
  if (raw[0] == '\0' || !std::all_of(raw.begin(), raw.begin() + idLen, IsIdChar)) return false;
  out.id = raw.substr(0, idLen);
  if (major == 2) {
    out.flags = 0;
    out.size = BigEndian(raw.substr(3, 3));
    return true;
  }
  const std::string_view sizeBytes = raw.substr(4, 4);
  out.flags = (static_cast<unsigned char>(raw[8]) << 8) | static_cast<unsigned char>(raw[9]);
  out.size = BigEndian(sizeBytes);
  if (major == 4 && IsSyncsafe(sizeBytes)) {
    const std::uint64_t syncsafe = Syncsafe(sizeBytes);
    if (syncsafe == out.size || landsOnFrame(contentPos + syncsafe) ||
        !landsOnFrame(contentPos + out.size))
      out.size = syncsafe;
  }
  return true;
}

struct FrameHeader {
  std::string id;          // 3 letters in v2.2, 4 otherwise
  unsigned flags = 0;      // as stored (their meaning depends on the version)
  std::uint64_t size = 0;  // stored content size
  bool truncated = false;  // the content runs past the end of the tag
};

class TagBody;
struct TagFields;

// One frame of a tag as a rewrite sees it.
struct WalkedFrame {
  std::string id;              // as stored (3 letters in v2.2)
  int field = -1;              // which of kTagFieldTable it is a frame of, or -1
  bool recordingTime = false;  // TDRC: a year (v2.4) or a date
  bool gaveValue = false;      // the field (or the year) was read from this frame
  // The whole frame ready for the rewritten tag: for v2.3 and v2.4 its stored bytes
  // (a v2.4 frame under the tag's unsynchronisation flag gets its own flag); a
  // v2.2 frame converted to v2.3. Empty when the frame cannot be carried (cut off
  // by the end of the tag).
  std::string whole;
};

struct Id3v2ReadOptions {
  LegacyEncoding legacy = LegacyEncoding::kAuto;
  bool namingFieldsOnly = false;               // only the six fields a naming template can use
  std::vector<WalkedFrame>* frames = nullptr;  // when given: every frame, in order
};

// A v2.4 genre value may be a bare genre number or one of the two words the
// standard abbreviates ("17" is "Rock", "RX" is "Remix"); any other value is
// returned as it is.
std::string V24GenreValue(const std::string& value);

// Reads the twelve fields of the tag at the start of source (see ReadId3v2).
bool ReadId3v2Tag(ByteSource& source, TagFields& fields, const Id3v2ReadOptions& options = {});

// A v2.2 frame as the v2.3 frame of the same meaning: the three-letter ID becomes
// its four-letter one (an ID without one is carried as "X" + ID, an experimental
// frame), and a picture's image format becomes a MIME type.
std::string ConvertV22Frame(const std::string& id, std::string_view content);

// Whole v2.3 or v2.4 frame with plain content (no flags).
std::string MakeFrame(int major, std::string_view id, std::string_view content, unsigned flags = 0);

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
  // indicator taken away, and compressed data inflated; at most limit bytes. False
  // for encrypted frames, for compressed data that does not inflate, and when
  // nothing can be read.
  bool Data(std::string& out, std::size_t limit);
  // The same as a view: of the source's memory where it holds the bytes and the
  // frame needs no decoding, else of `storage`, which Data fills. Valid until the
  // next call of the walker.
  bool DataView(std::string_view& view, std::string& storage, std::size_t limit);

  // The current frame as a whole v2.3 frame (plain size, v2.3 flags), for keeping
  // it in a rewritten tag. False when it cannot be carried (v2.2, truncated).
  bool AsV23Frame(std::string& out);

  // The current frame for a rewrite that keeps the tag's version (see WalkedFrame).
  bool AsKeptFrame(std::string& out);

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
