#include "core/metadata/image_info_reader.h"

// Exiv2 0.27 hands out its images in std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <cstring>
#include <mutex>

#include "core/id3/id3v1.h"
#include "core/metadata/file_prefix.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace tessarn {
namespace {

struct ImageExtension {
  const char* extension;
  const char* format;
};
constexpr ImageExtension kImageExtensions[] = {
    {"JPG", "JPEG"}, {"JPEG", "JPEG"}, {"JPE", "JPEG"}, {"PNG", "PNG"},   {"TIF", "TIFF"},
    {"TIFF", "TIFF"}, {"WEBP", "WebP"}, {"HEIC", "HEIC"}, {"HEIF", "HEIC"}, {"AVIF", "AVIF"},
    {"CR2", "CR2"},  {"CR3", "CR3"},   {"NEF", "NEF"},   {"NRW", "NEF"},   {"ARW", "ARW"},
    {"SR2", "ARW"},  {"DNG", "DNG"},   {"ORF", "ORF"},   {"RW2", "RW2"},   {"PEF", "PEF"},
    {"RAF", "RAF"},  {"SRW", "SRW"},
};

// Once per process: Exiv2's XMP parser must be set up before threads use it, its
// warnings about odd files go nowhere (the row's status says it), and HEIC/AVIF
// are read where the library was built for them.
void PrepareExiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::XmpParser::initialize();
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
#ifdef EXV_ENABLE_BMFF
    Exiv2::enableBMFF(true);
#endif
  });
}

// The text of an EXIF field, trimmed of the spaces and NULs cameras pad with.
std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  return text.substr(start);
}

// EXIF text is ASCII by the standard; bytes beyond it are read as UTF-8 when they
// are, else as the GBK that Chinese cameras and phones write.
std::string ToGbText(const std::string& raw) {
  if (IsValidUtf8(raw)) return Utf8ToGbLossy(raw);
  return IsValidGbk(raw) ? raw : Latin1ToGb(raw);
}

// The fields read here, found in one walk over the EXIF data by IFD and tag
// number: looking each up by its key name builds and compares key strings for
// every field of the file.
struct ExifFields {
  std::string dateOriginal, dateOriginalIfd0, dateDigitized, make, model, lensModel;
  long orientation = 0, pixelX = 0, pixelY = 0, imageWidth = 0, imageLength = 0;
};

ExifFields WalkExif(const Exiv2::ExifData& exif) {
  ExifFields f;
  for (const Exiv2::Exifdatum& d : exif) {
    const char* ifd = d.ifdName();
    const bool ifd0 = std::strcmp(ifd, "IFD0") == 0;
    const bool photo = std::strcmp(ifd, "Exif") == 0;
    if (!ifd0 && !photo) continue;
    switch (d.tag()) {
      case 0x010F: if (ifd0) f.make = Trimmed(d.toString()); break;
      case 0x0110: if (ifd0) f.model = Trimmed(d.toString()); break;
      case 0x0112: if (ifd0) f.orientation = d.toLong(); break;
      case 0x0100: if (ifd0) f.imageWidth = d.toLong(); break;
      case 0x0101: if (ifd0) f.imageLength = d.toLong(); break;
      case 0x9003: (ifd0 ? f.dateOriginalIfd0 : f.dateOriginal) = d.toString(); break;
      case 0x9004: if (photo) f.dateDigitized = d.toString(); break;
      case 0xA434: if (photo) f.lensModel = Trimmed(d.toString()); break;
      case 0xA002: if (photo) f.pixelX = d.toLong(); break;
      case 0xA003: if (photo) f.pixelY = d.toLong(); break;
      default: break;
    }
  }
  return f;
}

std::optional<LocalTime> TakenOf(const ExifFields& f, const Exiv2::XmpData& xmp) {
  for (const std::string* text : {&f.dateOriginal, &f.dateOriginalIfd0, &f.dateDigitized})
    if (auto t = ParseExifDate(*text)) return t;
  if (xmp.empty()) return std::nullopt;
  for (const char* key : {"Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated",
                          "Xmp.xmp.CreateDate"}) {
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it != xmp.end())
      if (auto t = ParseExifDate(it->toString())) return t;
  }
  return std::nullopt;
}

std::string LensOf(const ExifFields& f, const Exiv2::ExifData& exif, bool makerLens) {
  if (!f.lensModel.empty()) return ToGbText(f.lensModel);
  if (!makerLens || exif.empty()) return std::string();
  const auto it = Exiv2::lensName(exif);
  if (it == exif.end()) return std::string();
  // The maker notes' lens numbers, as the library names them; a number it does not
  // know stays a number, which names no lens.
  const std::string lens = Trimmed(it->print(&exif));
  if (lens.empty() || lens.find_first_not_of("0123456789 ()") == std::string::npos)
    return std::string();
  return Utf8ToGbLossy(lens);
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int Number(std::string_view s) {
  int n = 0;
  for (char c : s) n = n * 10 + (c - '0');
  return n;
}

}  // namespace

const char* ImageFormatOf(std::string_view name) {
  for (const ImageExtension& e : kImageExtensions)
    if (HasExtension(name, e.extension)) return e.format;
  return nullptr;
}

std::optional<LocalTime> ParseExifDate(std::string_view text) {
  // "2023:07:15 10:20:30", "2023-07-15T10:20:30+08:00", "2023:07:15"
  if (text.size() < 10) return std::nullopt;
  const std::string_view y = text.substr(0, 4), mo = text.substr(5, 2), d = text.substr(8, 2);
  if (!IsDigits(y) || !IsDigits(mo) || !IsDigits(d)) return std::nullopt;
  if ((text[4] != ':' && text[4] != '-') || text[7] != text[4]) return std::nullopt;
  LocalTime t;
  t.year = Number(y);
  t.month = Number(mo);
  t.day = Number(d);
  if (t.year == 0 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31) return std::nullopt;
  if (text.size() >= 19 && (text[10] == ' ' || text[10] == 'T')) {
    const std::string_view h = text.substr(11, 2), mi = text.substr(14, 2), s = text.substr(17, 2);
    if (!IsDigits(h) || !IsDigits(mi) || !IsDigits(s) || text[13] != ':' || text[16] != ':')
      return std::nullopt;
    t.hour = Number(h);
    t.minute = Number(mi);
    t.second = Number(s);
    if (t.hour > 23 || t.minute > 59 || t.second > 60) return std::nullopt;
  }
  return t;
}

std::string CameraName(std::string_view make, std::string_view model) {
  if (model.empty()) return std::string(make);
  if (make.empty()) return std::string(model);
  // "NIKON CORPORATION" + "NIKON D750": the make's first word is enough to repeat it.
  const std::string_view word = make.substr(0, make.find(' '));
  if (model.size() >= word.size() && EqualsIgnoreAsciiCase(model.substr(0, word.size()), word))
    return std::string(model);
  return std::string(make) + " " + std::string(model);
}

namespace {

// The picture's metadata through the library: from the file's first bytes where
// they hold all of it, else from the file. The library's own file access opens a
// file three times over and reads it through the C library's buffered calls.
Exiv2::Image::AutoPtr OpenAndRead(const std::string& path, const FilePrefix& prefix, bool jpeg) {
  const auto* bytes = reinterpret_cast<const Exiv2::byte*>(prefix.bytes().data());
  const long size = static_cast<long>(prefix.bytes().size());
  // A JPEG's metadata segments all come before its picture data, which its read
  // stops at: a prefix that ends before them fails the read rather than giving part.
  if (prefix.Whole() || jpeg) {
    try {
      Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(bytes, size);
      if (image.get() != nullptr) {
        image->readMetadata();
        return image;
      }
    } catch (const std::exception&) {
      if (prefix.Whole()) throw;
    }
  }
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path, false);
  if (image.get() != nullptr) image->readMetadata();
  return image;
}

}  // namespace

bool ReadImageInfo(const std::string& path, ImageInfo& info, bool jpeg, bool makerLens) {
  info = ImageInfo{};
  // Also keeps a FIFO from the library's open by path, which would wait on it.
  const FilePrefix prefix(path);
  if (!prefix.IsOpen()) return false;
  PrepareExiv2();
  try {
    Exiv2::Image::AutoPtr image = OpenAndRead(path, prefix, jpeg);
    if (image.get() == nullptr) return false;
    const Exiv2::ExifData& exif = image->exifData();
    const ExifFields f = WalkExif(exif);
    info.taken = TakenOf(f, image->xmpData());
    info.camera = CameraName(ToGbText(f.make), ToGbText(f.model));
    info.lens = LensOf(f, exif, makerLens);
    long long width = image->pixelWidth();
    long long height = image->pixelHeight();
    // Raw files state the picture's size in their EXIF rather than in a frame header.
    if (width == 0) width = f.pixelX != 0 ? f.pixelX : f.imageWidth;
    if (height == 0) height = f.pixelY != 0 ? f.pixelY : f.imageLength;
    // Orientations 5 to 8 turn the picture by a quarter: it is shown the other way up.
    if (f.orientation >= 5 && f.orientation <= 8) std::swap(width, height);
    info.width = width > 0 ? width : 0;
    info.height = height > 0 ? height : 0;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace tessarn
