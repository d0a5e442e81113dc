// The metadata page's naming template: text with placeholders in braces, such as
// "{taken:%Y-%m-%d_%H%M%S}_{n}" or "{artist}-{title}". A placeholder may carry a
// format after a colon (strftime letters for dates, a width for numbers) and a
// fallback text after a bar, after the format if there is one:
// "{taken:%Y%m%d|未知日期}". "{{" and "}}" stand for the braces themselves.
// Templates, values and names are GB18030.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/metadata/file_metadata.h"

namespace tessarn {

enum class Placeholder : std::uint8_t {
  kTitle, kArtist, kAlbum, kAlbumArtist, kTrack, kDisc, kYear, kGenre, kComment,
  kTaken, kCamera, kLens, kWidth, kHeight,
  kModified, kSize,
  kName, kCounter,
};
enum class ValueKind : std::uint8_t { kText, kNumber, kDate };

// Everything the program says about one placeholder, in one table: the template's
// key, the picker's caption, what its value is and which reader gives it.
struct PlaceholderInfo {
  Placeholder id;
  const char* key;      // as written in braces, e.g. "taken"
  const char* caption;  // the picker's caption, UTF-8, e.g. "拍摄时间"
  ValueKind kind;
  unsigned part;        // MetadataParts: the reader it needs (kNoParts: none)
};
const std::vector<PlaceholderInfo>& PlaceholderTable();
const PlaceholderInfo& InfoOf(Placeholder id);

// The format a date gets without one.
inline constexpr const char* kDefaultDateFormat = "%Y-%m-%d_%H%M%S";

struct TemplatePiece {
  std::string literal;  // the text before the placeholder (or the template's end)
  std::optional<Placeholder> placeholder;
  std::string format;   // dates: strftime letters; empty: the default
  int width = -1;       // numbers: zero-padded width; -1: none given
  std::optional<std::string> fallback;
};

struct NameTemplate {
  std::vector<TemplatePiece> pieces;
  unsigned parts = kNoParts;  // the readers its placeholders need
  bool usesCounter = false;
};

// Parses a template. Returns an error text (GB18030) naming what is wrong, or an
// empty text when the template is usable.
std::string ParseNameTemplate(std::string_view text, NameTemplate& parsed);

// What a placeholder needs besides the file's metadata.
struct TemplateInput {
  const FileMetadata* meta = nullptr;
  std::string_view mainName;  // {name}
  long long counter = 0;      // {n}
  long long counterWidth = 0; // {n}'s width unless the template gives one
};

// Fills the template. False when a placeholder has no value and no fallback;
// `missing` then names it. Values from the file are cleaned for a name
// (CleanNameText); fallbacks and the template's own text are taken as written.
bool FillNameTemplate(const NameTemplate& parsed, const TemplateInput& input, std::string& name,
                      const PlaceholderInfo** missing = nullptr);

// A value read from a file made fit for a file name: "/" (which no name can hold)
// becomes "_", control characters (a comment's line breaks) become spaces, and
// spaces at either end go.
std::string CleanNameText(std::string_view text);

// A date through strftime letters (GB18030 text passes unchanged).
std::string FormatLocalTime(const LocalTime& time, const std::string& format);

// The text a template with the placeholder `key` inserted gets at byte offset
// `at` (cut back to a character's start): what the picker writes into the box.
std::string InsertPlaceholderKey(const std::string& text, std::size_t at, std::string_view key);

}  // namespace tessarn
