#include "cli/audio_tags_show.h"

#include <string_view>

#include "cli/entry_printer.h"
#include "cli/json.h"
#include "core/metadata/audio_tags_reader.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

// The shared fields in the order `tags show` lists them; the first seven keys are
// those of the ID3 fields.
struct CommonField {
  const char* jsonKey;
  const char* label;  // UTF-8
  std::string AudioTags::*text = nullptr;
  long long AudioTags::*number = nullptr;
};
const CommonField kCommonFields[] = {
    {"title", "歌曲名", &AudioTags::title},
    {"artist", "艺术家", &AudioTags::artist},
    {"album", "专辑", &AudioTags::album},
    {"track", "音轨", nullptr, &AudioTags::track},
    {"year", "年代", nullptr, &AudioTags::year},
    {"genre", "流派", &AudioTags::genre},
    {"comment", "注释", &AudioTags::comment},
    {"albumArtist", "专辑艺术家", &AudioTags::albumArtist},
    {"disc", "碟号", nullptr, &AudioTags::disc},
};

std::string ValueOf(const CommonField& f, const AudioTags& tags) {
  if (f.text != nullptr) return tags.*f.text;
  const long long n = tags.*f.number;
  return n == 0 ? std::string() : std::to_string(n);
}

}  // namespace

const char* TagLibFormatOf(const std::string& path) {
  const char* format = AudioFormatOf(DecodeDiskName(path));
  return format != nullptr && std::string_view(format) != "MP3" ? format : nullptr;
}

void AppendCommonTagsJson(std::string& buf, const char* format, bool found, const AudioTags& tags) {
  buf += ",\"format\":";
  AppendJsonString(buf, format);
  buf += ",\"tags\":{\"found\":";
  buf += found ? "true" : "false";
  for (const CommonField& f : kCommonFields) {
    buf += ",\"";
    buf += f.jsonKey;
    buf += "\":";
    AppendJsonGbString(buf, found ? ValueOf(f, tags) : std::string());
  }
  buf += '}';
}

void AppendCommonTagsText(std::string& buf, const char* format, const AudioTags& tags) {
  buf += "  ";
  buf += format;
  buf += "标签\n";
  for (const CommonField& f : kCommonFields) {
    buf += "    ";
    buf += f.label;
    buf += "：";
    AppendGbForTerminal(buf, ValueOf(f, tags));
    buf += '\n';
  }
}

}  // namespace tessarn::cli
