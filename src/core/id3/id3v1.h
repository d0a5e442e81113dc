// The 128-byte ID3v1 block at the end of an MP3 file, and the MP3 extension test.
//
// Block layout (offsets from the block's start): "TAG" 0, title 3, artist 33,
// album 63 (30 bytes each), year 93 (4), comment 97 (30), genre byte 127. When
// byte 125 is zero the block is layout 1.1: comment 97..124 and the track number
// in byte 126. Texts are zero-padded, not terminated when full; the block has no
// encoding field, so they are read as the user chose (GBK or Latin-1, see
// legacy_text.h) and written as Latin-1 when they are Latin-1, else as GBK.
#pragma once

#include <string>
#include <string_view>

#include "core/id3/naming_tags.h"
#include "core/id3/tag_fields.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_file_writer.h"
#include "core/text/legacy_text.h"

namespace tessarn {

inline constexpr std::size_t kId3v1Size = 128;
inline constexpr int kNoGenreByte = 255;  // the conventional "no genre"

// True when the text after the last "." of name equals extension (given without
// the dot), ignoring ASCII case. No dot, or a dot inside a folder name, gives false.
bool HasExtension(std::string_view name, std::string_view extension);

// Fills title, artist, album, year, comment, track and genre from a 128-byte block.
// False (fields untouched) when block is not 128 bytes beginning with "TAG".
bool ParseId3v1(std::string_view block, TagFields& fields,
                LegacyEncoding legacy = LegacyEncoding::kAuto);

// The six naming fields (artist, title, album, track, year, genre) as ParseId3v1
// reads them, as views of the block where its bytes are the text.
bool ParseId3v1NamingFields(std::string_view block, LegacyEncoding legacy, NamingTexts& out);

// The file's last 128 bytes begin with "TAG" (files under 128 bytes have no block).
bool HasId3v1(const std::string& path);
bool HasId3v1(ByteSource& source);

// True and seven fields filled when the file has a block; false, fields untouched,
// otherwise. The five ID3v2-only fields are never touched.
bool ReadId3v1(const std::string& path, TagFields& fields,
               LegacyEncoding legacy = LegacyEncoding::kAuto);
bool ReadId3v1(ByteSource& source, TagFields& fields,
               LegacyEncoding legacy = LegacyEncoding::kAuto);

// What WriteId3v1 writes, as the tag editor's ID3v1 boxes hold it.
struct Id3v1Input {
  std::string title;         // at most 30 bytes
  std::string artist;        // at most 30 bytes
  std::string album;         // at most 30 bytes
  std::string year;          // at most 4 bytes
  std::string comment;       // at most 30 bytes; cut to 28 when a track is given
  std::string track;         // decimal text, at most 2 characters; empty or 0 is no track
  int genre = kNoGenreByte;  // genre number of the selected combo item, 255 for none
  // How the block will be read: a Latin-1 text is written as Latin-1 only when it
  // reads back as itself.
  LegacyEncoding legacy = LegacyEncoding::kAuto;
};

// How many bytes of the block a text takes: its Latin-1 length when it is written
// as Latin-1 (see PutText in the writer), else its GB18030 length.
std::size_t Id3v1TextBytes(std::string_view text, LegacyEncoding legacy);

// The longest start of text, cut on a character boundary, that takes at most
// maxBytes bytes of the block by Id3v1TextBytes: "Café" is 4 bytes as Latin-1
// though its GB18030 form has 5.
std::string_view CutToId3v1Bytes(std::string_view text, std::size_t maxBytes,
                                 LegacyEncoding legacy);

// The 128 bytes WriteId3v1 puts into the file. With a track of 1..255 the block is
// layout 1.1 and the comment is cut to 28 bytes (never inside a character); without
// one the comment keeps all 30 bytes (layout 1.0). Longer texts are cut to their
// field, again on a character boundary.
std::string BuildId3v1Block(const Id3v1Input& input);

// Overwrites the file's block in place, or appends one, through WriteTagBlocks:
// the file is unchanged on failure, and the result says why.
TagWriteResult WriteId3v1(const std::string& path, const Id3v1Input& input);

// Removes the block (the file becomes 128 bytes shorter). Also succeeds when there
// was none.
TagWriteResult DeleteId3v1(const std::string& path);

}  // namespace tessarn
