// `tags show` for every audio format: the fields any format's tags share, under the
// same keys for MP3 and the formats TagLib reads.
#pragma once

#include <string>

#include "core/metadata/file_metadata.h"

namespace tessarn::cli {

// The format of an audio file whose tags are read through TagLib ("FLAC", ...), or
// nullptr for MP3 and what is not audio.
const char* TagLibFormatOf(const std::string& path);

// ,"format":"...","tags":{"found":...,"title":...,...}: the shared fields of one file.
void AppendCommonTagsJson(std::string& buf, const char* format, bool found, const AudioTags& tags);
// The same as text lines under the file's path.
void AppendCommonTagsText(std::string& buf, const char* format, const AudioTags& tags);

}  // namespace tessarn::cli
