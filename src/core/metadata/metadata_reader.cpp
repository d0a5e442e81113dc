#include "core/metadata/metadata_reader.h"

#include <sys/stat.h>
#include <time.h>

#include "core/metadata/audio_tags_reader.h"
#include "core/metadata/image_info_reader.h"

namespace tessarn {
namespace {

LocalTime LocalTimeOf(const struct timespec& when) {
  struct tm tm {};
  const time_t seconds = when.tv_sec;
  localtime_r(&seconds, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

bool ReadFileMetadata(const std::string& path, std::string_view name, unsigned parts,
                      FileMetadata& meta, LegacyEncoding legacy) {
  meta = FileMetadata{};
  if (parts & kStatPart) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    meta.modified = LocalTimeOf(st.st_mtim);
    meta.size = static_cast<long long>(st.st_size);
    meta.partsRead |= kStatPart;
  }
  if (parts & kAudioPart) {
    if (const char* format = AudioFormatOf(name)) {
      meta.format = format;
      if (!ReadAudioTags(path, format, meta.audio, legacy)) return false;
      meta.partsRead |= kAudioPart;
    }
  }
  if (parts & kImagePart) {
    if (const char* format = ImageFormatOf(name)) {
      meta.format = format;
      if (!ReadImageInfo(path, meta.image, std::string_view(format) == "JPEG", parts & kLensPart))
        return false;
      meta.partsRead |= kImagePart;
    }
  }
  return true;
}

}  // namespace tessarn
