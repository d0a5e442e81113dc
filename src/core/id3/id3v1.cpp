#include "core/id3/id3v1.h"

#include <cstring>

#include "core/text/encoding.h"
#include "core/text/gb_text.h"
#include "core/text/legacy_text.h"

namespace tessarn {
namespace {

constexpr std::size_t kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97,
                      kTrackFlagAt = 125, kTrackAt = 126, kGenreAt = 127;

// A field's bytes up to the first zero byte.
std::string FieldText(std::string_view block, std::size_t at, std::size_t len) {
  const std::string_view field = block.substr(at, len);
  return std::string(field.substr(0, field.find('\0')));
}

std::string TrimSpaces(std::string s) {
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// A track text as the number stored in byte 126: decimal, empty or not a number is
// 0, only the low 8 bits kept.
unsigned TrackByte(std::string_view track) {
  unsigned value = 0;
  for (char c : track) {
    if (c < '0' || c > '9') break;
    value = (value * 10 + static_cast<unsigned>(c - '0')) & 0xFFFF;
  }
  return value & 0xFF;
}

// The block has no encoding field: a Latin-1 text goes in as Latin-1 when it reads
// back as itself, anything else as its GB18030 bytes, cut on a character boundary.
void PutText(std::string& block, std::size_t at, std::size_t len, std::string_view text,
             LegacyEncoding legacy) {
  std::string_view fit;
  const std::optional<std::string> latin1 = EncodeLatin1(text, legacy);
  if (latin1 && latin1->size() != text.size()) {
    fit = std::string_view(*latin1).substr(0, len);
    // A cut Latin-1 text must still read back as Latin-1: cut it further if not.
    while (!fit.empty() && DecodeLegacyText(fit, legacy) != Latin1ToGb(fit)) fit.remove_suffix(1);
  } else {
    fit = CutToBytes(text, len);
  }
  std::memcpy(block.data() + at, fit.data(), fit.size());
}

}  // namespace

bool HasExtension(std::string_view name, std::string_view extension) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view tail = name.substr(dot + 1);
  if (tail.size() != extension.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i)
    if (AsciiUpper(tail[i]) != AsciiUpper(extension[i])) return false;
  return true;
}

bool ParseId3v1(std::string_view block, TagFields& fields, LegacyEncoding legacy) {
  if (block.size() != kId3v1Size || block.substr(0, 3) != "TAG") return false;
  auto text = [&](std::size_t at, std::size_t len) {
    return DecodeLegacyText(FieldText(block, at, len), legacy);
  };
  fields.title = text(kTitleAt, 30);
  fields.artist = text(kArtistAt, 30);
  fields.album = text(kAlbumAt, 30);
  fields.title = TrimSpaces(fields.title);
  fields.artist = TrimSpaces(fields.artist);
  fields.album = TrimSpaces(fields.album);
  fields.year = text(kYearAt, 4);
  if (block[kTrackFlagAt] != '\0') {  // layout 1.0: 30 bytes of comment, no track
    fields.comment = text(kCommentAt, 30);
    fields.track.clear();
  } else {
    fields.comment = text(kCommentAt, 28);
    const auto track = static_cast<unsigned char>(block[kTrackAt]);
    fields.track = track == 0 ? std::string() : std::to_string(track);
  }
  fields.genre = std::to_string(static_cast<unsigned char>(block[kGenreAt]));
  return true;
}

bool ParseId3v1NamingFields(std::string_view block, LegacyEncoding legacy, NamingTexts& out) {
  if (block.size() != kId3v1Size || block.substr(0, 3) != "TAG") return false;
  // As ParseId3v1: plain ASCII reads as itself under every legacy encoding.
  auto text = [&](NamingText& field, std::size_t at, std::size_t len, bool trim) {
    std::string_view bytes = block.substr(at, len);
    bytes = bytes.substr(0, bytes.find('\0'));
    if (!IsAscii(bytes)) {
      field.Own(DecodeLegacyText(bytes, legacy));
      bytes = field.text;
    }
    if (trim) {
      const std::size_t first = bytes.find_first_not_of(' ');
      bytes = first == std::string_view::npos
                  ? std::string_view()
                  : bytes.substr(first, bytes.find_last_not_of(' ') - first + 1);
    }
    field.text = bytes;
  };
  text(out[0], kArtistAt, 30, true);
  text(out[1], kTitleAt, 30, true);
  text(out[2], kAlbumAt, 30, true);
  text(out[4], kYearAt, 4, false);
  const auto track = static_cast<unsigned char>(block[kTrackAt]);
  if (block[kTrackFlagAt] == '\0' && track != 0) out[3].Own(std::to_string(track));
  out[5].Own(std::to_string(static_cast<unsigned char>(block[kGenreAt])));
  return true;
}

bool HasId3v1(ByteSource& source) {
  if (source.Size() < kId3v1Size) return false;
  std::string block;
  return source.ReadAt(source.Size() - kId3v1Size, 3, block) == 3 && block == "TAG";
}

bool HasId3v1(const std::string& path) {
  ReadOnlyFile file(path);
  return file.IsOpen() && HasId3v1(file);
}

bool ReadId3v1(ByteSource& source, TagFields& fields, LegacyEncoding legacy) {
  if (source.Size() < kId3v1Size) return false;
  std::string block;
  if (source.ReadAt(source.Size() - kId3v1Size, kId3v1Size, block) != kId3v1Size) return false;
  return ParseId3v1(block, fields, legacy);
}

bool ReadId3v1(const std::string& path, TagFields& fields, LegacyEncoding legacy) {
  ReadOnlyFile file(path);
  return file.IsOpen() && ReadId3v1(file, fields, legacy);
}

std::size_t Id3v1TextBytes(std::string_view text, LegacyEncoding legacy) {
  const std::optional<std::string> latin1 = EncodeLatin1(text, legacy);
  return latin1 ? latin1->size() : text.size();
}

std::string_view CutToId3v1Bytes(std::string_view text, std::size_t maxBytes,
                                 LegacyEncoding legacy) {
  if (Id3v1TextBytes(text, legacy) <= maxBytes) return text;
  // Whether a start of the text is written as Latin-1 depends on all of it, so each
  // start is measured whole. Every character takes at least one byte, so no more
  // than maxBytes + 1 of them need measuring.
  std::size_t fit = 0;
  std::size_t end = 0;
  for (std::size_t n = 0; end < text.size() && n <= maxBytes; ++n) {
    end += CharLenAt(text, end);
    if (Id3v1TextBytes(text.substr(0, end), legacy) <= maxBytes) fit = end;
  }
  return text.substr(0, fit);
}

std::string BuildId3v1Block(const Id3v1Input& input) {
  std::string block(kId3v1Size, '\0');
  block.replace(0, 3, "TAG");
  const LegacyEncoding legacy = input.legacy;
  PutText(block, kTitleAt, 30, input.title, legacy);
  PutText(block, kArtistAt, 30, input.artist, legacy);
  PutText(block, kAlbumAt, 30, input.album, legacy);
  PutText(block, kYearAt, 4, input.year, legacy);
  const unsigned track = TrackByte(input.track);
  if (track != 0) {
    // Layout 1.1: the comment gives up its last two bytes to the zero byte and the
    // track, so the track never overwrites part of a comment.
    PutText(block, kCommentAt, 28, input.comment, legacy);
    block[kTrackAt] = static_cast<char>(track);
  } else {
    PutText(block, kCommentAt, 30, input.comment, legacy);
  }
  const int genre = input.genre >= 0 && input.genre <= 255 ? input.genre : kNoGenreByte;
  block[kGenreAt] = static_cast<char>(genre);
  return block;
}

TagWriteResult WriteId3v1(const std::string& path, const Id3v1Input& input) {
  return WriteTagBlocks(path, TagBlockChange::Keep(),
                        TagBlockChange::Replace(BuildId3v1Block(input)));
}

TagWriteResult DeleteId3v1(const std::string& path) {
  return WriteTagBlocks(path, TagBlockChange::Keep(), TagBlockChange::Remove());
}

}  // namespace tessarn
