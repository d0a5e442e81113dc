// The twelve texts of a tag, as the whole program carries them. Texts are
// GB18030 byte strings; a new record has every field empty.
#pragma once

#include <cstddef>
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

// Everything the program says about one field, in one place: the codec's frame
// IDs, the command line's option and JSON key, the tag editor's caption and boxes.
struct TagFieldInfo {
  std::string TagFields::*member;
  const char* frameId;    // v2.3 and v2.4 (a v2.4 tag keeps its year in TDRC)
  const char* v22Id;      // v2.2
  const char* jsonKey;    // as `tags show --json` names it
  const char* option;     // `tags set` option
  const char* label;      // the tag editor's caption, UTF-8
  const char* v2BoxName;  // objectName of the tag editor's ID3v2 box
  const char* v1BoxName;  // objectName of its ID3v1 box; nullptr for ID3v2-only fields
};

// ID3v1 holds the first seven fields, ID3v2 all twelve.
inline constexpr std::size_t kId3v1FieldCount = 7;
inline constexpr std::size_t kTagFieldCount = 12;
inline constexpr TagFieldInfo kTagFieldTable[kTagFieldCount] = {
    {&TagFields::title, "TIT2", "TT2", "title", "--title", "歌曲名", "歌曲名2编辑框",
     "歌曲名1编辑框"},
    {&TagFields::artist, "TPE1", "TP1", "artist", "--artist", "艺术家", "艺术家2编辑框",
     "艺术家1编辑框"},
    {&TagFields::album, "TALB", "TAL", "album", "--album", "专辑", "专辑2编辑框", "专辑1编辑框"},
    {&TagFields::track, "TRCK", "TRK", "track", "--track", "音轨", "音轨2编辑框", "音轨1编辑框"},
    {&TagFields::year, "TYER", "TYE", "year", "--year", "年代", "年代2编辑框", "年代1编辑框"},
    {&TagFields::genre, "TCON", "TCO", "genre", "--genre", "流派", "流派2组合框", "流派1组合框"},
    {&TagFields::comment, "COMM", "COM", "comment", "--comment", "注释", "注释2编辑框",
     "注释1编辑框"},
    {&TagFields::composer, "TCOM", "TCM", "composer", "--composer", "作曲家", "作曲家编辑框",
     nullptr},
    {&TagFields::originalArtist, "TOPE", "TOA", "originalArtist", "--original-artist", "原创者",
     "原创者编辑框", nullptr},
    {&TagFields::copyright, "TCOP", "TCR", "copyright", "--copyright", "版权", "版权编辑框",
     nullptr},
    {&TagFields::url, "WXXX", "WXX", "url", "--url", "URL", "URL编辑框", nullptr},
    {&TagFields::encoder, "TENC", "TEN", "encoder", "--encoder", "编码者", "编码者编辑框", nullptr},
};
// Positions in the table that code refers to by name.
enum TagFieldIndex {
  kFieldTitle,
  kFieldArtist,
  kFieldAlbum,
  kFieldTrack,
  kFieldYear,
  kFieldGenre,
  kFieldComment,
  kFieldComposer,
  kFieldOriginalArtist,
  kFieldCopyright,
  kFieldUrl,
  kFieldEncoder,
};

}  // namespace tessarn
