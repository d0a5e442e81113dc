// The shooting data of a photo through Exiv2: JPEG, PNG, TIFF, WebP, HEIC/AVIF where
// the library reads them, and the common raw formats (CR2, NEF, ARW, DNG, ...).
#pragma once

#include <string>
#include <string_view>

#include "core/metadata/file_metadata.h"

namespace tessarn {

// The format of an image file by its name's extension ("JPEG", "NEF", ...), or
// nullptr when it is not one read here.
const char* ImageFormatOf(std::string_view name);

// Reads the photo at path (raw disk bytes); `jpeg`: ImageFormatOf said JPEG, whose
// metadata is read from the file's first 64 KB where they hold it. False when the
// library cannot open it or rejects its content; a valid picture without EXIF is
// true with what the picture itself says (its size).
// `makerLens`: a lens that the EXIF field does not name is looked for in the maker
// notes too.
bool ReadImageInfo(const std::string& path, ImageInfo& info, bool jpeg = false,
                   bool makerLens = true);

// An EXIF date "YYYY:MM:DD HH:MM:SS" (also with "-" between the date's parts, or
// without the time); nullopt for the blank or zero dates cameras write when unset.
std::optional<LocalTime> ParseExifDate(std::string_view text);

// The camera's name from the EXIF make and model: the model alone when it already
// names the make ("Canon" + "Canon EOS R5" -> "Canon EOS R5"), both otherwise.
std::string CameraName(std::string_view make, std::string_view model);

}  // namespace tessarn
