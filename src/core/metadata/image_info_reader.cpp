#include "core/metadata/image_info_reader.h"

#include <sys/stat.h>

// Exiv2 0.27 hands out its images in std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <mutex>

#include "core/id3/id3v1.h"
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

std::string ExifText(const Exiv2::ExifData& exif, const char* key) {
  const auto it = exif.findKey(Exiv2::ExifKey(key));
  if (it == exif.end()) return std::string();
  return Trimmed(it->toString());
}

// EXIF text is ASCII by the standard; bytes beyond it are read as UTF-8 when they
// are, else as the GBK that Chinese cameras and phones write.
std::string ExifTextGb(const Exiv2::ExifData& exif, const char* key) {
  const std::string raw = ExifText(exif, key);
  if (IsValidUtf8(raw)) return Utf8ToGbLossy(raw);
  return IsValidGbk(raw) ? raw : Latin1ToGb(raw);
}

std::optional<LocalTime> TakenOf(const Exiv2::ExifData& exif, const Exiv2::XmpData& xmp) {
  for (const char* key : {"Exif.Photo.DateTimeOriginal", "Exif.Image.DateTimeOriginal",
                          "Exif.Photo.DateTimeDigitized"})
    if (auto t = ParseExifDate(ExifText(exif, key))) return t;
  for (const char* key : {"Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated",
                          "Xmp.xmp.CreateDate"}) {
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it != xmp.end())
      if (auto t = ParseExifDate(it->toString())) return t;
  }
  return std::nullopt;
}

std::string LensOf(const Exiv2::ExifData& exif) {
  std::string lens = ExifTextGb(exif, "Exif.Photo.LensModel");
  if (!lens.empty()) return lens;
  const auto it = Exiv2::lensName(exif);
  if (it == exif.end()) return std::string();
  // The maker notes' lens numbers, as the library names them; a number it does not
  // know stays a number, which names no lens.
  lens = Trimmed(it->print(&exif));
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

bool ReadImageInfo(const std::string& path, ImageInfo& info) {
  info = ImageInfo{};
  // The library opens by path with the C library's fopen, which would wait on a FIFO.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  PrepareExiv2();
  try {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path, false);
    if (image.get() == nullptr) return false;
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    const Exiv2::XmpData& xmp = image->xmpData();
    info.taken = TakenOf(exif, xmp);
    info.camera =
        CameraName(ExifTextGb(exif, "Exif.Image.Make"), ExifTextGb(exif, "Exif.Image.Model"));
    info.lens = LensOf(exif);
    long long width = image->pixelWidth();
    long long height = image->pixelHeight();
    if (width == 0 || height == 0) {
      // Raw files state the picture's size in their EXIF rather than in a frame header.
      for (const char* key : {"Exif.Photo.PixelXDimension", "Exif.Image.ImageWidth"})
        if (const auto it = exif.findKey(Exiv2::ExifKey(key)); it != exif.end() && width == 0)
          width = it->toLong();
      for (const char* key : {"Exif.Photo.PixelYDimension", "Exif.Image.ImageLength"})
        if (const auto it = exif.findKey(Exiv2::ExifKey(key)); it != exif.end() && height == 0)
          height = it->toLong();
    }
    // Orientations 5 to 8 turn the picture by a quarter: it is shown the other way up.
    if (const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        it != exif.end() && it->toLong() >= 5 && it->toLong() <= 8)
      std::swap(width, height);
    info.width = width > 0 ? width : 0;
    info.height = height > 0 ? height : 0;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace tessarn
