// ID3v2 tags at the start of an MP3 file: reading versions 2.2, 2.3 and 2.4,
// writing 2.3 and 2.4, deleting.
//
// The reader walks the frame list (it never looks for an ID inside another
// frame's content), undoes unsynchronisation, inflates compressed frames, skips
// encrypted ones and seeks past frames it does not want, such as a cover picture.
// Text is decoded by its encoding byte into GB18030; encoding 0, which the files
// this program is made for often fill with GBK, is read as the user chose.
//
// A write changes only what changed: every frame whose text is the one the file
// already holds keeps its exact bytes, encoding included, and so does every frame
// beyond the twelve. The tag keeps its version (a v2.2 tag becomes v2.3, every
// frame converted); a file without a tag gets v2.3. The ID3v1 block at the end is
// never touched. The new tag goes into the file through WriteTagBlocks
// (tag_file_writer.h), so a failure leaves the file as it was.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/id3/naming_tags.h"
#include "core/id3/tag_fields.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_file_writer.h"
#include "core/text/legacy_text.h"

namespace tessarn {

// ---- Header ------------------------------------------------------------------

// "ID3", version and revision bytes below 0xFF, flags below 0xFF, four size bytes
// below 0x80.
bool IsId3v2Header(std::string_view first10Bytes);
bool HasId3v2(const std::string& path);

// The whole tag's length, header included: the syncsafe size plus 10. (A v2.4 tag
// with a footer is 10 bytes longer still; the codec accounts for that itself.)
std::uint32_t DecodeTagSize(const unsigned char sizeBytes[4]);
// The four syncsafe bytes of n, 0 <= n < 2^28; DecodeTagSize of them is n + 10.
std::array<unsigned char, 4> EncodeTagSize(std::uint32_t n);

// ---- Reading -------------------------------------------------------------------

// Fill all twelve fields (absent frames give empty fields) and return true when the
// data starts with a tag; false, fields untouched, otherwise. Malformed tags give
// what can be read. The in-memory form takes the start of a file (or all of it).
// Text under encoding byte 0 is read as `legacy` says.
bool ParseId3v2(std::string_view data, TagFields& fields,
                LegacyEncoding legacy = LegacyEncoding::kAuto);
bool ReadId3v2(ByteSource& source, TagFields& fields,
               LegacyEncoding legacy = LegacyEncoding::kAuto);
bool ReadId3v2(const std::string& path, TagFields& fields,
               LegacyEncoding legacy = LegacyEncoding::kAuto);
// Only the six fields a naming template can use (artist, title, album, track,
// year, genre); quicker, as the naming rule reads every listed file.
bool ReadId3v2NamingFields(ByteSource& source, TagFields& fields, LegacyEncoding legacy);

// Whether ReadId3v2NamingFieldsInPlace read the tag from the bytes it was given.
enum class InPlaceRead {
  kRead,        // the tag's naming fields, as ReadId3v2NamingFields gives them
  kNoTag,       // the source has no tag
  kNeedsSource  // the tag needs more than those bytes: read it from the source
};
// ReadId3v2NamingFields from `front`, the first bytes of a source of `size`
// bytes, into out by placeholder digit - 1 (views of front where the text is its
// bytes). Whatever the tag needs beyond front (more of it, or frames stored
// compressed, encrypted or unsynchronised) gives kNeedsSource.
InPlaceRead ReadId3v2NamingFieldsInPlace(std::string_view front, std::uint64_t size,
                                         LegacyEncoding legacy, NamingTexts& out);

// A genre text that begins with "(" holding a genre number, as in "(17)" or
// "(17)Rock", becomes the genre's name ("Rock"); the last parenthesis counts, so
// "(17)(18)" is "Techno". "(RX)" and "(CR)" are "Remix" and "Cover"; other
// parenthesised words give the text after ")" ("(Remix)Dance" is "Dance"); an
// unclosed "(Pop" is "Pop"; "((" escapes a leading "(". Any other text stays as it is.
void NormalizeGenre(std::string& genre);

// ---- Writing -----------------------------------------------------------------

// The empty v2.3.0 tag: header with size bytes 00 00 07 76, the twelve frames
// TRCK TENC WXXX TCOP TOPE TCOM COMM TCON TYER TALB TPE1 TIT2 with empty texts
// (encoding byte 00; TENC flags 40 00; WXXX with an empty description; COMM with
// language "CHS" and an empty description), then 877 zero bytes: 1024 bytes.
std::string BuildTagSkeleton();

// How a write encodes the frames it changes, and how it reads the old tag to see
// what changed (the same way the user saw it).
struct Id3v2WriteOptions {
  TagWriteEncoding encoding = TagWriteEncoding::kUnicode;
  LegacyEncoding legacy = LegacyEncoding::kAuto;
  // The frames the write keeps are made Unicode too where their text is legacy
  // bytes (encoding 0, not plain ASCII); every other kept frame keeps its bytes.
  bool convertLegacyFrames = false;
};

// The frame of field `field` (an index of kTagFieldTable) holding `text`, for a tag
// of version `major` (3 or 4). Unicode: ISO-8859-1 when the text is Latin-1 (and
// reads back as itself), else UTF-16 with a byte-order mark (v2.3) or UTF-8 (v2.4).
// GBK: the text's bytes under encoding 0. A comment gets `language`, a URL stays
// single-byte as the standard wants (Latin-1, else its GB18030 bytes).
std::string BuildFieldFrame(std::size_t field, std::string_view text, int major,
                            const Id3v2WriteOptions& options, std::string_view language = "CHS");

// The tag a write puts at the start of the file, from the tag that is there now
// (read from source; none, or one that cannot be walked, gives a new tag): see the
// header comment. Frames of a field whose text changed are replaced where they
// stood (an emptied field loses its frame) or added at the end; v2.4 writes its
// year as TDRC. A new tag is the empty v2.3 tag (BuildTagSkeleton) with the texts
// set. Padding is the 877 zero bytes of the empty tag (the writer pads again).
// A field whose bit (1 << its kTagFieldTable index) is set in `rewrite` gets a new
// frame even when its text is the one the file holds: a text given again is
// written as the options say, legacy bytes becoming Unicode.
std::string BuildUpdatedId3v2Tag(ByteSource& source, const TagFields& fields,
                                 const Id3v2WriteOptions& options = {},
                                 std::uint32_t rewrite = 0);

// The tag a file without one gets: BuildUpdatedId3v2Tag over no tag. The twelve
// frames keep the empty tag's order; a genre is written as given (the editor
// gives "(17)Rock" for a chosen genre).
std::string BuildId3v2Tag(const TagFields& fields, const Id3v2WriteOptions& options = {});

// The tag BuildUpdatedId3v2Tag makes from the file's present tag. False when the
// file cannot be read or the tag would be too large.
bool BuildUpdatedId3v2Tag(const std::string& path, const TagFields& fields,
                          const Id3v2WriteOptions& options, std::string& tag);

// Replaces the file's tag (or gives it one) with BuildUpdatedId3v2Tag's, through
// WriteTagBlocks: the file is unchanged on failure, and the result says why.
TagWriteResult WriteId3v2(const std::string& path, const TagFields& fields,
                          const Id3v2WriteOptions& options = {});

// Removes the tag: header, the frames that can be walked and their padding. Also
// succeeds when there was none.
TagWriteResult DeleteId3v2(const std::string& path);

}  // namespace tessarn
