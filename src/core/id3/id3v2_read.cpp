#include <algorithm>
#include <array>
#include <cstring>

#include "core/id3/genre_table.h"
#include "core/id3/id3v2.h"
#include "core/id3/id3v2_frames.h"
#include "core/id3/id3v2_text.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// A text frame holding more than this is not a text anyone typed; the rest is
// left unread.
constexpr std::size_t kMaxTextFrame = 1 << 20;

// The twelve fields are slots 0-11, in the order of kTagFieldTable; the
// recording time follows them.
enum Slot {
  kTitle = kFieldTitle,
  kYear = kFieldYear,
  kGenre = kFieldGenre,
  kComment = kFieldComment,
  kUrl = kFieldUrl,
  kRecordingTime = kTagFieldCount,  // v2.4 TDRC: the year when TYER is missing
  kSlotCount
};

// An ID as one number, so that finding a frame's slot is a few integer compares
// (this runs for every frame of every listed file on every keystroke).
constexpr std::uint32_t PackId(std::string_view id) {
  std::uint32_t v = 0;
  for (char c : id) v = (v << 8) | static_cast<unsigned char>(c);
  return v;
}

struct SlotIds {
  std::array<std::uint32_t, kSlotCount> v22{};
  std::array<std::uint32_t, kSlotCount> v23{};
};
constexpr SlotIds MakeSlotIds() {
  SlotIds ids;
  for (std::size_t s = 0; s < kTagFieldCount; ++s) {
    ids.v22[s] = PackId(kTagFieldTable[s].v22Id);
    ids.v23[s] = PackId(kTagFieldTable[s].frameId);
  }
  ids.v22[kRecordingTime] = PackId("");
  ids.v23[kRecordingTime] = PackId("TDRC");
  return ids;
}
constexpr SlotIds kSlotIds = MakeSlotIds();

int SlotOf(std::string_view id, int major) {
  const std::uint32_t packed = PackId(id);
  const auto& ids = major == 2 ? kSlotIds.v22 : kSlotIds.v23;
  for (int s = 0; s < kSlotCount; ++s)
    if (packed == ids[s]) return s;
  return -1;
}

std::string* FieldOf(TagFields& f, int slot) {
  if (slot < 0 || slot >= static_cast<int>(kTagFieldCount)) return nullptr;
  return &(f.*kTagFieldTable[slot].member);
}

// The text of a text frame: one encoding byte, then the value(s). A v2.4 frame
// may hold several values; they are joined with "/".
std::string TextFrameValue(std::string_view data, int major, bool genre, LegacyEncoding legacy) {
  if (data.empty()) return {};
  const int enc = NormalizedEncoding(static_cast<unsigned char>(data[0]));
  bool bigEndian = false;
  if (major != 4) {
    // Only the first value counts: found without splitting the rest.
    const std::string_view text = data.substr(1);
    const std::size_t end = FindTerminator(enc, text, 0);
    const std::string_view first = end == std::string_view::npos ? text : text.substr(0, end);
    return first.empty() ? std::string() : DecodeValue(enc, first, &bigEndian, legacy);
  }
  const auto values = SplitValues(enc, data.substr(1));
  if (values.empty()) return {};
  std::string joined;
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::string value = DecodeValue(enc, values[i], &bigEndian, legacy);
    if (genre) value = V24GenreValue(value);
    if (i) joined += '/';
    joined += value;
  }
  return joined;
}

// COMM: encoding, language (3 bytes), description, terminator, text.
bool ParseComment(std::string_view data, std::string& description, std::string& text,
                  LegacyEncoding legacy) {
  if (data.size() < 4) return false;
  const int enc = NormalizedEncoding(static_cast<unsigned char>(data[0]));
  const std::size_t end = FindTerminator(enc, data, 4);
  bool bigEndian = false;
  if (end == std::string_view::npos) {  // no terminator: all of it is the description
    description = DecodeValue(enc, data.substr(4), &bigEndian, legacy);
    text.clear();
    return true;
  }
  description = DecodeValue(enc, data.substr(4, end - 4), &bigEndian, legacy);
  const auto values = SplitValues(enc, data.substr(end + TerminatorWidth(enc)));
  text = values.empty() ? std::string() : DecodeValue(enc, values[0], &bigEndian, legacy);
  return true;
}

// WXXX: encoding, description, terminator, then the URL, which the standard keeps
// in ISO-8859-1 whatever the encoding (a URL written with a byte-order mark is
// read as UTF-16 all the same); its bytes are read as the other legacy text.
std::string ParseUserUrl(std::string_view data, LegacyEncoding legacy) {
  if (data.empty()) return {};
  const int enc = NormalizedEncoding(static_cast<unsigned char>(data[0]));
  const std::size_t end = FindTerminator(enc, data, 1);
  if (end == std::string_view::npos) return {};
  std::string_view url = data.substr(end + TerminatorWidth(enc));
  if (url.size() >= 2 &&
      ((url[0] == '\xFF' && url[1] == '\xFE') || (url[0] == '\xFE' && url[1] == '\xFF'))) {
    const auto values = SplitValues(1, url);
    return values.empty() ? std::string() : DecodeValue(1, values[0]);
  }
  return DecodeLegacyText(url.substr(0, url.find('\0')), legacy);
}

}  // namespace

std::string V24GenreValue(const std::string& value) {
  if (value == "RX") return "Remix";
  if (value == "CR") return "Cover";
  if (!value.empty() && value.size() <= 3 &&
      std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    if (const char* name = GenreName(std::stoi(value))) return name;
  }
  return value;
}

bool IsId3v2Header(std::string_view h) {
  if (h.size() < 10 || h.substr(0, 3) != "ID3") return false;
  for (int i = 3; i <= 5; ++i)
    if (static_cast<unsigned char>(h[i]) == 0xFF) return false;
  for (int i = 6; i <= 9; ++i)
    if (static_cast<unsigned char>(h[i]) >= 0x80) return false;
  return true;
}

bool HasId3v2(const std::string& path) {
  ReadOnlyFile file(path);
  std::string header;
  return file.IsOpen() && file.ReadAt(0, 10, header) == 10 && IsId3v2Header(header);
}

std::uint32_t DecodeTagSize(const unsigned char b[4]) {
  return ((b[0] & 0x7Fu) << 21) + ((b[1] & 0x7Fu) << 14) + ((b[2] & 0x7Fu) << 7) + (b[3] & 0x7Fu) +
         10;
}

std::array<unsigned char, 4> EncodeTagSize(std::uint32_t n) {
  return {static_cast<unsigned char>((n >> 21) & 0x7F),
          static_cast<unsigned char>((n >> 14) & 0x7F), static_cast<unsigned char>((n >> 7) & 0x7F),
          static_cast<unsigned char>(n & 0x7F)};
}

void NormalizeGenre(std::string& genre) {
  // Only a text that starts with a parenthesis carries genre numbers ("(17)Rock");
  // free text such as "Rock (Live)" is a name as it stands.
  if (genre.empty() || genre[0] != '(') return;
  if (genre.size() > 1 && genre[1] == '(') {  // "((" stands for a text that starts with "("
    genre.erase(0, 1);
    return;
  }
  // Of the parenthesised run at the start, the last one counts: "(17)(18)".
  std::size_t open = 0;
  std::size_t close = genre.find(')');
  for (;;) {
    if (close == std::string::npos) {  // never closed: what follows the "("
      genre = genre.substr(open + 1);
      return;
    }
    if (close + 1 < genre.size() && genre[close + 1] == '(') {
      open = close + 1;
      close = genre.find(')', open);
      continue;
    }
    break;
  }
  const std::string inner = genre.substr(open + 1, close - open - 1);
  const std::string after = genre.substr(close + 1);
  if (inner.size() <= 3) {
    if (inner == "RX") {
      genre = "Remix";
      return;
    }
    if (inner == "CR") {
      genre = "Cover";
      return;
    }
    if (!inner.empty() &&
        std::all_of(inner.begin(), inner.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      if (const char* name = GenreName(std::stoi(inner))) {
        genre = name;
        return;
      }
    }
  }
  genre = after;  // "(Remix)Dance" is Dance
}

namespace {
// The fields a naming template can use ("#1" to "#6"), and the recording time
// that may give the year.
bool IsNamingSlot(int slot) { return slot <= kGenre || slot == kRecordingTime; }

// A naming slot's placeholder digit - 1 (artist, title, album, track, year, genre).
int NamingIndexOf(int slot) {
  switch (slot) {
    case kFieldTitle:
      return 1;
    case kFieldArtist:
      return 0;
    default:
      return slot;
  }
}

// TextFrameValue as a view of the data where the value is its plain ASCII bytes
// (which every decoding leaves as they are): the first value of a v2.2/v2.3 text,
// the only value of a v2.4 one.
void SetTextFrameValue(std::string_view data, int major, bool genre, LegacyEncoding legacy,
                       NamingText& field) {
  if (data.size() <= 1) {
    field.text = {};
    return;
  }
  const int enc = NormalizedEncoding(static_cast<unsigned char>(data[0]));
  if ((enc == 0 || enc == 3) && !(major == 4 && genre)) {
    std::string_view text = data.substr(1);
    const std::size_t end = text.find('\0');
    // A v2.4 text whose terminator is followed by more than terminators has more
    // values, joined by TextFrameValue.
    const bool oneValue = major != 4 || end == std::string_view::npos ||
                          text.find_first_not_of('\0', end) == std::string_view::npos;
    text = text.substr(0, end);
    if (oneValue && IsAscii(text)) {
      field.text = text;
      return;
    }
  }
  field.Own(TextFrameValue(data, major, genre, legacy));
}

}  // namespace

InPlaceRead ReadId3v2NamingFieldsInPlace(std::string_view front, std::uint64_t size,
                                         LegacyEncoding legacy, NamingTexts& out) {
  constexpr std::size_t kHeader = 10;
  if (front.size() < kHeader)
    return size < kHeader ? InPlaceRead::kNoTag : InPlaceRead::kNeedsSource;
  Id3v2TagInfo info;
  if (!ParseId3v2TagInfo(front.substr(0, kHeader), info)) return InPlaceRead::kNoTag;
  if (WholeTagUnsynchronised(info)) return InPlaceRead::kNeedsSource;
  for (NamingText& field : out) field.text = {};
  if (!FramesReadable(info)) return InPlaceRead::kRead;

  // The body as the frame walker sees it (what the tag's size counts and the
  // source has), of which `body` is in memory. bytesAt gives what a read of the
  // walker would, and says when that lies beyond the bytes held.
  const std::uint64_t limit = std::min<std::uint64_t>(info.bodyLength, size - kHeader);
  const std::string_view body =
      front.substr(kHeader, std::min<std::uint64_t>(front.size() - kHeader, limit));
  bool beyond = false;
  auto bytesAt = [&](std::uint64_t pos, std::uint64_t n) -> std::string_view {
    if (pos >= limit) return {};
    n = std::min(n, limit - pos);
    if (pos + n > body.size()) {
      beyond = true;
      return {};
    }
    return body.substr(pos, n);
  };

  std::uint64_t pos = 0;
  if (info.major >= 3 && (info.flags & 0x40)) {
    const std::string_view start = bytesAt(0, 10);
    if (beyond) return InPlaceRead::kNeedsSource;
    pos = ExtendedHeaderLength(info, start);
  }
  std::array<bool, kSlotCount> have{};
  NamingText recordingTime;
  const std::size_t headerLen = info.major == 2 ? 6 : 10;
  for (;;) {
    const std::string_view raw = bytesAt(pos, headerLen);
    if (beyond) return InPlaceRead::kNeedsSource;
    if (raw.size() != headerLen) break;
    const std::uint64_t contentPos = pos + headerLen;
    FrameHeaderFields frame;
    const bool isFrame = DecodeFrameHeader(
        info.major, raw, contentPos,
        [&](std::uint64_t p) {
          return p >= limit ? p == limit : StartsFrameOrPadding(bytesAt(p, 4));
        },
        frame);
    if (beyond) return InPlaceRead::kNeedsSource;
    if (!isFrame) break;
    const int slot = SlotOf(frame.id, info.major);
    if (slot >= 0 && IsNamingSlot(slot) && !have[slot]) {
      if (!StoredDataOf(info, frame.flags).Plain()) return InPlaceRead::kNeedsSource;
      const std::string_view data =
          bytesAt(contentPos, std::min<std::uint64_t>(frame.size, kMaxTextFrame));
      if (beyond) return InPlaceRead::kNeedsSource;
      have[slot] = true;
      SetTextFrameValue(data, info.major, slot == kGenre, legacy,
                        slot == kRecordingTime ? recordingTime : out[NamingIndexOf(slot)]);
    }
    if (contentPos + frame.size > limit) break;  // cut off by the end of the tag
    pos = contentPos + frame.size;
    // Once every field has its frame (and the year its value), later frames change nothing.
    if (std::all_of(have.begin(), have.begin() + kGenre + 1, [](bool h) { return h; }) &&
        (!out[NamingIndexOf(kYear)].text.empty() || have[kRecordingTime]))
      break;
  }

  NamingText& year = out[NamingIndexOf(kYear)];
  if (year.text.empty() && !recordingTime.text.empty())
    year.Own(std::string(CutToBytes(recordingTime.text, 4)));
  NamingText& genre = out[NamingIndexOf(kGenre)];
  if (!genre.text.empty() && genre.text[0] == '(') {
    std::string normalized(genre.text);
    NormalizeGenre(normalized);
    genre.Own(std::move(normalized));
  }
  return InPlaceRead::kRead;
}

bool ReadId3v2Tag(ByteSource& source, TagFields& out, const Id3v2ReadOptions& options) {
  Id3v2TagInfo info;
  if (!ReadId3v2TagInfo(source, info)) return false;
  source.AllowReadAhead(info.wholeLength);
  TagFields fields;
  FrameWalker walker(source, info);
  const LegacyEncoding legacy = options.legacy;
  std::vector<WalkedFrame>* frames = options.frames;
  if (frames) frames->clear();

  std::array<bool, kSlotCount> have{};
  std::array<int, kSlotCount> usedFrame;
  usedFrame.fill(-1);
  bool commentHasEmptyDescription = false;
  std::string recordingTime;

  FrameHeader h;
  std::string_view data;  // each frame's: in the source's memory, or in storage
  std::string storage;    // one buffer for the whole walk
  for (int index = 0; walker.Next(h); ++index) {
    int slot = SlotOf(h.id, info.major);
    if (options.namingFieldsOnly && slot >= 0 && !IsNamingSlot(slot)) slot = -1;
    if (slot == kComment) {
      if (!commentHasEmptyDescription && walker.DataView(data, storage, kMaxTextFrame)) {
        std::string description, text;
        if (ParseComment(data, description, text, legacy) &&
            (description.empty() || !have[kComment])) {
          fields.comment = text;
          have[kComment] = true;
          usedFrame[kComment] = index;
          commentHasEmptyDescription = description.empty();
        }
      }
    } else if (slot >= 0 && !have[slot]) {
      if (walker.DataView(data, storage, kMaxTextFrame)) {
        have[slot] = true;
        usedFrame[slot] = index;
        if (slot == kUrl)
          fields.url = ParseUserUrl(data, legacy);
        else if (slot == kRecordingTime)
          recordingTime = TextFrameValue(data, info.major, false, legacy);
        else
          *FieldOf(fields, slot) = TextFrameValue(data, info.major, slot == kGenre, legacy);
      }
    }
    if (frames) {
      WalkedFrame frame;
      frame.id = h.id;
      frame.field = slot < static_cast<int>(kTagFieldCount) ? slot : -1;
      frame.recordingTime = slot == kRecordingTime;
      walker.AsKeptFrame(frame.whole);
      frames->push_back(std::move(frame));
    }
  }

  if (fields.year.empty() && !recordingTime.empty()) {
    fields.year = std::string(CutToBytes(recordingTime, 4));
  } else {
    usedFrame[kRecordingTime] = -1;  // TDRC gave nothing
  }
  if (!fields.genre.empty()) NormalizeGenre(fields.genre);

  if (frames)
    for (int slot = 0; slot < kSlotCount; ++slot)
      if (usedFrame[slot] >= 0) (*frames)[usedFrame[slot]].gaveValue = true;
  out = std::move(fields);
  return true;
}

bool ReadId3v2(ByteSource& source, TagFields& fields, LegacyEncoding legacy) {
  return ReadId3v2Tag(source, fields, {.legacy = legacy});
}

bool ReadId3v2(const std::string& path, TagFields& fields, LegacyEncoding legacy) {
  ReadOnlyFile file(path);
  return file.IsOpen() && ReadId3v2Tag(file, fields, {.legacy = legacy});
}

bool ReadId3v2NamingFields(ByteSource& source, TagFields& fields, LegacyEncoding legacy) {
  return ReadId3v2Tag(source, fields, {.legacy = legacy, .namingFieldsOnly = true});
}

bool ParseId3v2(std::string_view data, TagFields& fields, LegacyEncoding legacy) {
  MemorySource source(data);
  return ReadId3v2Tag(source, fields, {.legacy = legacy});
}

}  // namespace tessarn
