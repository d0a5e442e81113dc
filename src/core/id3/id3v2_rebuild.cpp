// Building the tag a write puts into the file: the old tag with only the changed
// fields' frames replaced, so that everything else keeps its bytes.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/id3/genre_table.h"
#include "core/id3/id3v2.h"
#include "core/id3/id3v2_frames.h"
#include "core/id3/id3v2_unicode.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr std::size_t kPadding = 877;  // as the empty tag has

// The text as a frame carries it: its encoding byte and its bytes.
struct EncodedText {
  char encoding = 0;
  std::string bytes;
};

// The text's own bytes read back as the text where no encoding is declared (GBK
// read as Latin-1, say, would not).
bool ReadsBackAsLegacy(std::string_view text, LegacyEncoding legacy) {
  return DecodeLegacyText(text, legacy) == text;
}

// UTF-16 behind a byte-order mark; nullopt for text that is not valid GB18030.
std::optional<std::string> MarkedUtf16(std::string_view text) {
  auto utf16 = GbToUtf16Le(text);
  if (utf16) utf16->insert(0, "\xFF\xFE");
  return utf16;
}

// GBK keeps the old way, encoding byte 0 and the text's own bytes, as long as
// they read back as the text; what would not is written as Unicode instead.
EncodedText EncodeText(std::string_view text, int major, const Id3v2WriteOptions& options) {
  if (text.empty()) return {};
  if (options.encoding == TagWriteEncoding::kGbk && ReadsBackAsLegacy(text, options.legacy))
    return {0, std::string(text)};
  if (auto latin1 = EncodeLatin1(text, options.legacy)) return {0, *std::move(latin1)};
  if (major == 4) {
    // UTF-8, unless the text starts with U+FEFF: readers differ on whether a
    // leading one in UTF-8 is a byte-order mark (this one drops it, others keep
    // it), while behind a UTF-16 mark of its own every reader keeps it.
    auto utf8 = GbToUtf8(text);
    if (utf8 && !utf8->starts_with("\xEF\xBB\xBF")) return {3, *std::move(utf8)};
  }
  if (auto utf16 = MarkedUtf16(text)) return {1, *std::move(utf16)};
  return {0, std::string(text)};  // not valid GB18030: its bytes as they are
}

// The status flags of a frame (what to do with it when the tag or file changes,
// read-only); the format flags describe the old content and do not apply.
unsigned StatusFlags(const std::string& whole, int major) {
  if (whole.size() < 10) return 0;
  const unsigned flags =
      static_cast<unsigned char>(whole[8]) << 8 | static_cast<unsigned char>(whole[9]);
  return flags & (major == 4 ? 0x7000u : 0xE000u);
}

// A comment's language, from the old frame when its content is plain.
std::string LanguageOf(const std::string& whole, int major) {
  if (whole.size() >= 14) {
    const unsigned flags =
        static_cast<unsigned char>(whole[8]) << 8 | static_cast<unsigned char>(whole[9]);
    if ((flags & (major == 4 ? 0x004Fu : 0x00E0u)) == 0) return whole.substr(11, 3);
  }
  return "CHS";
}

// What the old tag shows for a field is what the user saw; the new text is the
// same when it reads back as that.
bool SameText(std::size_t field, const std::string& now, const std::string& before) {
  if (now == before) return true;
  if (field != kFieldGenre) return false;
  // The editor writes a chosen genre as "(17)Rock", which reads as "Rock".
  std::string normalized = now;
  NormalizeGenre(normalized);
  return normalized == before;
}

// A genre text as TCON holds it. The editor's "(17)Rock" goes as it is, to be read
// as "Rock"; any other text that a reader would take apart ("(Live)", "(") is
// escaped with a second "(" so that it reads back as typed. In v2.4 a bare genre
// number or "RX" is a reference by itself ("1" is Classic Rock); such a text goes
// behind an unclosed "(", which reads as the text after it ("(1" is "1").
std::string GenreForFrame(std::string_view text, int major) {
  std::string genre(text);
  if (major == 4 && V24GenreValue(genre) != genre) return "(" + genre;
  std::string normalized = genre;
  NormalizeGenre(normalized);
  if (normalized == genre) return genre;
  for (int n = 0; n < kGenreCount; ++n)
    if (genre == "(" + std::to_string(n) + ")" + GenreName(n)) return genre;
  return "(" + genre;
}

}  // namespace

std::string BuildFieldFrame(std::size_t field, std::string_view text, int major,
                            const Id3v2WriteOptions& options, std::string_view language) {
  const char* id = field == kFieldYear && major == 4 ? "TDRC" : kTagFieldTable[field].frameId;
  std::string content;
  if (field == kFieldUrl) {
    // The description (empty) is all the encoding byte covers. The standard keeps
    // the URL in ISO-8859-1; one with characters beyond it keeps its GB18030 bytes
    // when they read back as the same text (players on Chinese systems show them),
    // else it goes in UTF-16 behind a byte-order mark, which this reader takes as
    // UTF-16, rather than as bytes that would read back as other characters.
    content.assign(2, '\0');
    if (auto latin1 = EncodeLatin1(text, options.legacy)) {
      content += *latin1;
    } else if (ReadsBackAsLegacy(text, options.legacy)) {
      content += text;
    } else if (auto utf16 = MarkedUtf16(text)) {
      content += *utf16;
    } else {
      content += text;
    }
  } else {
    const std::string genre = field == kFieldGenre ? GenreForFrame(text, major) : std::string();
    EncodedText encoded = EncodeText(field == kFieldGenre ? genre : text, major, options);
    content += encoded.encoding;
    if (field == kFieldComment) {
      content += std::string(language.substr(0, 3)) +
                 std::string(3 - std::min<std::size_t>(3, language.size()), ' ');
      content.append(encoded.encoding == 1 || encoded.encoding == 2 ? 2 : 1, '\0');
    }
    content += encoded.bytes;
  }
  return MakeFrame(major, id, content);
}

std::string BuildUpdatedId3v2Tag(ByteSource& source, const TagFields& fields,
                                 const Id3v2WriteOptions& options, std::uint32_t rewrite) {
  std::vector<WalkedFrame> frames;
  TagFields old;
  Id3v2TagInfo info;
  const bool walked = ReadId3v2TagInfo(source, info) && FrameWalker(source, info).Readable() &&
                      ReadId3v2Tag(source, old, {.legacy = options.legacy, .frames = &frames});
  if (!walked) {
    // A new tag: the empty tag's frames, each one replaced as its text is set.
    const std::string skeleton = BuildTagSkeleton();
    MemorySource empty(skeleton);
    old = {};
    info = {};
    ReadId3v2TagInfo(empty, info);
    ReadId3v2Tag(empty, old, {.legacy = options.legacy, .frames = &frames});
  }
  const int major = info.major == 4 ? 4 : 3;

  std::array<bool, kTagFieldCount> changed{};
  for (std::size_t k = 0; k < kTagFieldCount; ++k) {
    const auto member = kTagFieldTable[k].member;
    changed[k] = (rewrite >> k & 1) != 0 || !SameText(k, fields.*member, old.*member);
  }
  // A frame cut off by the end of the tag cannot be carried; the text read from it
  // is written afresh.
  for (const WalkedFrame& frame : frames)
    if (frame.gaveValue && frame.whole.empty())
      changed[frame.recordingTime ? static_cast<std::size_t>(kFieldYear) : frame.field] = true;
  std::array<bool, kTagFieldCount> placed{};

  std::string body;
  auto keep = [&](const std::string& whole) {
    std::string converted;
    if (options.convertLegacyFrames &&
        ConvertLegacyTextFrame(converted = whole, major, options.legacy))
      body += converted;
    else
      body += whole;
  };
  for (const WalkedFrame& frame : frames) {
    // The year lives in TYER or TDRC; a changed year replaces both.
    const int field = frame.recordingTime ? static_cast<int>(kFieldYear) : frame.field;
    if (field < 0 || !changed[field]) {
      keep(frame.whole);
      continue;
    }
    const std::string& text = fields.*kTagFieldTable[field].member;
    if (frame.gaveValue && !placed[field]) {
      placed[field] = true;
      // An emptied text loses its frame, except a comment or URL: another one of
      // those, with its own description, would then be read in its place.
      if (text.empty() && field != kFieldComment && field != kFieldUrl) continue;
      std::string replacement =
          BuildFieldFrame(field, text, major, options, LanguageOf(frame.whole, major));
      const unsigned status = StatusFlags(frame.whole, major);
      replacement[8] = static_cast<char>(status >> 8);
      replacement[9] = static_cast<char>(status & 0xFF);
      body += replacement;
      continue;
    }
    // Comments and URLs with their own descriptions are other texts: they stay.
    // Another frame of a changed text would contradict the new one.
    if (!frame.gaveValue && (field == kFieldComment || field == kFieldUrl)) keep(frame.whole);
  }
  for (std::size_t k = 0; k < kTagFieldCount; ++k) {
    const std::string& text = fields.*kTagFieldTable[k].member;
    if (changed[k] && !placed[k] && !text.empty()) body += BuildFieldFrame(k, text, major, options);
  }
  body.append(kPadding, '\0');

  std::string tag("ID3", 3);
  tag += static_cast<char>(major);
  tag += '\0';  // revision
  tag += '\0';  // flags: no unsynchronisation, extended header or footer
  const auto size = EncodeTagSize(static_cast<std::uint32_t>(body.size()));
  tag.append(reinterpret_cast<const char*>(size.data()), 4);
  return tag + body;
}

}  // namespace tessarn
