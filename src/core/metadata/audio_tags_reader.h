// The tags of an audio file, under the same fields whatever its format: MP3 through
// this program's own ID3 codec, the other formats through TagLib.
#pragma once

#include <string>
#include <string_view>

#include "core/metadata/file_metadata.h"
#include "core/text/legacy_text.h"

namespace tessarn {

// The format of an audio file by its name's extension ("MP3", "FLAC", ...), or
// nullptr when the extension is not one of an audio format read here.
const char* AudioFormatOf(std::string_view name);

// Reads the tags of the file at path (raw disk bytes), whose format `format` is
// one AudioFormatOf gave. False when the file cannot be opened or its format's
// reader rejects it; a valid file without tags is true with empty fields.
bool ReadAudioTags(const std::string& path, const char* format, AudioTags& tags,
                   LegacyEncoding legacy = LegacyEncoding::kAuto);

// A track or disc number as tags write it ("7", "07", "7/12"): its leading number,
// 0 when there is none.
long long LeadingNumber(std::string_view text);

}  // namespace tessarn
