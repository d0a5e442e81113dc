// The twelve texts of a tag, as the whole program carries them. Texts are
// GB18030 byte strings; a new record has every field empty.
#pragma once

#include <string>

namespace tessarn {

struct TagFields {
  std::string title;
  std::string artist;
  std::string album;
  std::string track;
  std::string year;
  std::string genre;  // ID3v1: the genre byte in decimal; ID3v2: a name or free text
  std::string comment;
  // Only ID3v2 has these five; an ID3v1 read leaves them as they were.
  std::string composer;
  std::string originalArtist;
  std::string copyright;
  std::string url;
  std::string encoder;
};

}  // namespace tessarn
