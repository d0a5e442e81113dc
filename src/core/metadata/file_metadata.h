// What a naming template can take from inside a file: the tags of an audio file,
// the shooting data of a photo, and the file's own size and time. Texts are
// GB18030 as everywhere in the core; a field nobody found is empty (texts), 0
// (numbers) or unset (dates).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessarn {

// A moment as the file states it: a photo's clock has no time zone, so this is
// kept as the fields it gave, not converted to a point in time.
struct LocalTime {
  int year = 0;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct AudioTags {
  std::string title, artist, album, albumArtist, genre, comment;
  long long track = 0;  // 0: none
  long long disc = 0;
  long long year = 0;
};

struct ImageInfo {
  std::optional<LocalTime> taken;
  std::string camera;  // make and model, the make not repeated
  std::string lens;
  long long width = 0;  // as shown: a photo turned by its orientation tag swaps them
  long long height = 0;
};

// Which readers a template needs; a pass reads nothing else.
enum MetadataParts : unsigned {
  kNoParts = 0,
  kAudioPart = 1,
  kImagePart = 2,
  kStatPart = 4,
  // The lens beyond the EXIF field that names it: the maker notes' lens numbers,
  // looked up in the library's tables (many times the cost of the rest).
  kLensPart = 8,
};

struct FileMetadata {
  unsigned partsRead = kNoParts;  // the parts that were read successfully
  AudioTags audio;
  ImageInfo image;
  std::optional<LocalTime> modified;  // the file's modification time, local time
  std::optional<long long> size;
  std::string format;  // what was read, for the status column: "FLAC", "JPEG", ...
};

}  // namespace tessarn
