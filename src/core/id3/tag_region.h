// Where the ID3v2 tag at the start of a file ends, as far as a rewrite is
// concerned. The header's size field is only a claim: a damaged or careless
// writer may claim more than its frames (sometimes far into the audio), or more
// than the file holds. A write or delete replaces the header, the frames that
// can be walked and the zero padding after them, and nothing else; whatever else
// the claim covers stays in the file as audio.
#pragma once

#include <cstdint>

#include "core/id3/tag_file_io.h"

namespace tessarn {

struct Id3v2Region {
  bool present = false;   // the source starts with an ID3v2 header
  bool walkable = false;  // a version whose frames this program can walk, and they could be
  int major = 0;
  std::uint64_t framesEnd = 0;  // offset just past the last whole frame walked
  std::uint64_t length = 0;     // what a write or delete replaces (0 without a tag)
};

// Looks at the tag at the start of source. A tag whose first frame cannot be read
// (an unknown version, a compressed v2.2 tag, bytes that are neither a frame nor
// padding, a first frame running past the tag) is present but not walkable, and
// a write must leave it alone. A header with no frames and only padding is walkable.
Id3v2Region LocateId3v2(ByteSource& source);

}  // namespace tessarn
