#include "core/metadata/audio_tags_reader.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <memory>

#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/metadata/file_prefix.h"
#include "core/metadata/prefix_stream.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// The formats by extension. An ".ogg" file may hold Vorbis, Opus or FLAC: each
// is tried in turn.
struct AudioExtension {
  const char* extension;
  const char* format;
};
constexpr AudioExtension kAudioExtensions[] = {
    {"MP3", "MP3"},  {"FLAC", "FLAC"}, {"OGG", "Ogg"},      {"OGA", "Ogg"},    {"OPUS", "Opus"},
    {"M4A", "MP4"},  {"M4B", "MP4"},   {"MP4", "MP4"},      {"AAC", "MP4"},    {"WMA", "WMA"},
    {"APE", "APE"},  {"WV", "WavPack"}, {"AIF", "AIFF"},    {"AIFF", "AIFF"},  {"AIFC", "AIFF"},
    {"WAV", "WAV"},
};

// TagLib reports what it dislikes in a file on stderr; the row's status says it
// here instead.
class QuietListener : public TagLib::DebugListener {
 public:
  void printMessage(const TagLib::String&) override {}
};

void SilenceTagLib() {
  static QuietListener quiet;
  static const bool done = (TagLib::setDebugListener(&quiet), true);
  (void)done;
}

std::unique_ptr<TagLib::File> OpenTagLibFile(TagLib::IOStream* stream, const char* format,
                                             int attempt) {
  using namespace TagLib;
  const std::string_view f = format;
  if (f == "FLAC" && attempt == 0) return std::make_unique<FLAC::File>(stream, ID3v2::FrameFactory::instance(), false);
  if (f == "Ogg") {
    if (attempt == 0) return std::make_unique<Ogg::Vorbis::File>(stream, false);
    if (attempt == 1) return std::make_unique<Ogg::Opus::File>(stream, false);
    if (attempt == 2) return std::make_unique<Ogg::FLAC::File>(stream, false);
  }
  if (f == "Opus" && attempt == 0) return std::make_unique<Ogg::Opus::File>(stream, false);
  if (f == "MP4" && attempt == 0) return std::make_unique<MP4::File>(stream, false);
  if (f == "WMA" && attempt == 0) return std::make_unique<ASF::File>(stream, false);
  if (f == "APE" && attempt == 0) return std::make_unique<APE::File>(stream, false);
  if (f == "WavPack" && attempt == 0) return std::make_unique<WavPack::File>(stream, false);
  if (f == "AIFF" && attempt == 0) return std::make_unique<RIFF::AIFF::File>(stream, false);
  if (f == "WAV" && attempt == 0) return std::make_unique<RIFF::WAV::File>(stream, false);
  return nullptr;
}

// The keys, made once: a key made from a C string per lookup is an allocation.
struct FieldKeys {
  TagLib::String title{"TITLE"}, artist{"ARTIST"}, album{"ALBUM"}, albumArtist{"ALBUMARTIST"},
      genre{"GENRE"}, comment{"COMMENT"}, track{"TRACKNUMBER"}, disc{"DISCNUMBER"}, date{"DATE"};
};
const FieldKeys& Keys() {
  static const FieldKeys keys;
  return keys;
}

// Vorbis comments (FLAC, Ogg) and the property map of the other formats: both map
// upper-case names to lists of texts.
template <class Map>
std::string FirstValue(const Map& map, const TagLib::String& key) {
  const auto it = map.find(key);
  if (it == map.end() || it->second.isEmpty()) return std::string();
  const TagLib::String& value = it->second.front();
  return value.isAscii() ? value.to8Bit(false)
                         : Utf8ToGbLossy(value.to8Bit(true));
}

template <class Map>
void TakeFields(const Map& map, AudioTags& tags) {
  const FieldKeys& k = Keys();
  tags.title = FirstValue(map, k.title);
  tags.artist = FirstValue(map, k.artist);
  tags.album = FirstValue(map, k.album);
  tags.albumArtist = FirstValue(map, k.albumArtist);
  tags.genre = FirstValue(map, k.genre);
  tags.comment = FirstValue(map, k.comment);
  tags.track = LeadingNumber(FirstValue(map, k.track));
  tags.disc = LeadingNumber(FirstValue(map, k.disc));
  tags.year = LeadingNumber(FirstValue(map, k.date));
}

// The Vorbis comments of a FLAC or Ogg file, read where they lie; nullptr for the
// other formats, or a FLAC file whose tags are ID3 or APE instead.
const TagLib::Ogg::XiphComment* XiphCommentOf(TagLib::File& file) {
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file))
    return flac->hasXiphComment() ? flac->xiphComment() : nullptr;
  return dynamic_cast<const TagLib::Ogg::XiphComment*>(file.tag());
}

bool ReadTagLibTags(const std::string& path, const char* format, AudioTags& tags) {
  SilenceTagLib();
  // One open and one read for most files; each format's attempt reads from it.
  const FilePrefix prefix(path);
  if (!prefix.IsOpen()) return false;
  for (int attempt = 0;; ++attempt) {
    PrefixStream stream(prefix);
    std::unique_ptr<TagLib::File> file = OpenTagLibFile(&stream, format, attempt);
    if (!file) return false;
    if (!file->isValid()) continue;
    if (const TagLib::Ogg::XiphComment* xiph = XiphCommentOf(*file))
      TakeFields(xiph->fieldListMap(), tags);
    else
      TakeFields(file->properties(), tags);
    return true;
  }
}

bool ReadMp3Tags(const std::string& path, AudioTags& tags, LegacyEncoding legacy) {
  ReadOnlyFile file(path);  // refuses what is not a regular file, as TagLib's open does
  if (!file.IsOpen()) return false;
  TagFields fields;
  if (!ReadId3v2(file, fields, legacy)) {
    if (!ReadId3v1(file, fields, legacy)) return true;  // an MP3 file without tags
    // The block keeps its genre as a number.
    const char* name = GenreName(static_cast<int>(LeadingNumber(fields.genre)));
    fields.genre = name != nullptr && !fields.genre.empty() ? name : "";
  }
  tags.title = fields.title;
  tags.artist = fields.artist;
  tags.album = fields.album;
  tags.genre = fields.genre;
  tags.comment = fields.comment;
  tags.track = LeadingNumber(fields.track);
  tags.year = LeadingNumber(fields.year);
  return true;
}

}  // namespace

const char* AudioFormatOf(std::string_view name) {
  for (const AudioExtension& e : kAudioExtensions)
    if (HasExtension(name, e.extension)) return e.format;
  return nullptr;
}

bool ReadAudioTags(const std::string& path, const char* format, AudioTags& tags,
                   LegacyEncoding legacy) {
  tags = AudioTags{};
  if (format == nullptr) return false;
  if (std::string_view(format) == "MP3") return ReadMp3Tags(path, tags, legacy);
  return ReadTagLibTags(path, format, tags);
}

long long LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  long long n = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (n > 100000000000000LL) break;  // no tag means a number this long
    n = n * 10 + (text[i] - '0');
    any = true;
  }
  return any ? n : 0;
}

}  // namespace tessarn
