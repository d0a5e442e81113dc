#include "core/metadata/name_template.h"

#include <time.h>

#include <algorithm>

#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// Number widths beyond this only fill memory: no file name holds them.
constexpr int kWidthLimit = 255;

const PlaceholderInfo* FindKey(std::string_view key) {
  for (const PlaceholderInfo& p : PlaceholderTable())
    if (key == p.key) return &p;
  return nullptr;
}

std::string Braced(std::string_view key) { return "{" + std::string(key) + "}"; }

void AppendNumber(std::string& out, long long number, int width) {
  const std::string digits = ToDecimal(number < 0 ? -number : number);
  if (number < 0) out += '-';
  if (width > static_cast<int>(digits.size()))
    out.append(static_cast<std::size_t>(width) - digits.size(), '0');
  out += digits;
}

// The piece's value, appended to out; false when the file gave none.
bool AppendValue(const TemplatePiece& piece, const TemplateInput& in, std::string& out) {
  const FileMetadata& m = *in.meta;
  const AudioTags& a = m.audio;
  const ImageInfo& i = m.image;
  auto text = [&](const std::string& value) {
    const std::string clean = CleanNameText(value);
    if (clean.empty()) return false;
    out += clean;
    return true;
  };
  auto number = [&](long long value, bool zeroIsNone = true) {
    if (zeroIsNone && value == 0) return false;
    AppendNumber(out, value, piece.width);
    return true;
  };
  auto date = [&](const std::optional<LocalTime>& value) {
    if (!value) return false;
    const std::string formatted = CleanNameText(FormatLocalTime(*value, piece.format));
    if (formatted.empty()) return false;
    out += formatted;
    return true;
  };
  switch (*piece.placeholder) {
    case Placeholder::kTitle: return text(a.title);
    case Placeholder::kArtist: return text(a.artist);
    case Placeholder::kAlbum: return text(a.album);
    case Placeholder::kAlbumArtist: return text(a.albumArtist);
    case Placeholder::kGenre: return text(a.genre);
    case Placeholder::kComment: return text(a.comment);
    case Placeholder::kTrack: return number(a.track);
    case Placeholder::kDisc: return number(a.disc);
    case Placeholder::kYear: return number(a.year);
    case Placeholder::kTaken: return date(i.taken);
    case Placeholder::kCamera: return text(i.camera);
    case Placeholder::kLens: return text(i.lens);
    case Placeholder::kWidth: return number(i.width);
    case Placeholder::kHeight: return number(i.height);
    case Placeholder::kModified: return date(m.modified);
    case Placeholder::kSize: return m.size && number(*m.size, false);
    case Placeholder::kName:
      out += in.mainName;  // the file's own name is its own: nothing to clean
      return true;
    case Placeholder::kCounter: {
      const int width = piece.width >= 0 ? piece.width
                                         : static_cast<int>(std::clamp<long long>(in.counterWidth, 0, kWidthLimit));
      AppendNumber(out, in.counter, width);
      return true;
    }
  }
  return false;
}

}  // namespace

const std::vector<PlaceholderInfo>& PlaceholderTable() {
  using enum Placeholder;
  static const std::vector<PlaceholderInfo> table = {
      {kTitle, "title", "歌曲名", ValueKind::kText, kAudioPart},
      {kArtist, "artist", "艺术家", ValueKind::kText, kAudioPart},
      {kAlbum, "album", "专辑", ValueKind::kText, kAudioPart},
      {kAlbumArtist, "albumartist", "专辑艺术家", ValueKind::kText, kAudioPart},
      {kTrack, "track", "音轨", ValueKind::kNumber, kAudioPart},
      {kDisc, "disc", "碟号", ValueKind::kNumber, kAudioPart},
      {kYear, "year", "年代", ValueKind::kNumber, kAudioPart},
      {kGenre, "genre", "流派", ValueKind::kText, kAudioPart},
      {kComment, "comment", "注释", ValueKind::kText, kAudioPart},
      {kTaken, "taken", "拍摄时间", ValueKind::kDate, kImagePart},
      {kCamera, "camera", "相机", ValueKind::kText, kImagePart},
      {kLens, "lens", "镜头", ValueKind::kText, kImagePart | kLensPart},
      {kWidth, "width", "宽度", ValueKind::kNumber, kImagePart},
      {kHeight, "height", "高度", ValueKind::kNumber, kImagePart},
      {kModified, "modified", "修改时间", ValueKind::kDate, kStatPart},
      {kSize, "size", "文件大小", ValueKind::kNumber, kStatPart},
      {kName, "name", "原文件名", ValueKind::kText, kNoParts},
      {kCounter, "n", "序号", ValueKind::kNumber, kNoParts},
  };
  return table;
}

const PlaceholderInfo& InfoOf(Placeholder id) {
  return PlaceholderTable()[static_cast<std::size_t>(id)];
}

std::string ParseNameTemplate(std::string_view text, NameTemplate& parsed) {
  parsed = NameTemplate{};
  TemplatePiece piece;
  std::size_t i = 0;
  while (i < text.size()) {
    // Braces are ASCII, but a GBK character's second byte can be one: the walk
    // goes by whole characters.
    const std::size_t len = std::max<std::size_t>(1, CharLenAt(text, i));
    const char c = text[i];
    if (len > 1 || (c != '{' && c != '}')) {
      piece.literal.append(text.substr(i, len));
      i += len;
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == c) {  // "{{" or "}}"
      piece.literal += c;
      i += 2;
      continue;
    }
    if (c == '}') return Gb("模板中的 } 前面没有 {（要写括号本身请用 }}）");
    // The placeholder runs to the next "}", which no GBK character's trail byte
    // may be taken for either.
    std::size_t close = i + 1;
    while (close < text.size() && text[close] != '}')
      close += std::max<std::size_t>(1, CharLenAt(text, close));
    if (close >= text.size()) return Gb("模板中的 { 没有对应的 }");
    const std::string_view inner = text.substr(i + 1, close - i - 1);
    std::string_view spec = inner;
    std::optional<std::string> fallback;
    std::size_t bar = std::string_view::npos;
    for (std::size_t k = 0; k < spec.size(); k += std::max<std::size_t>(1, CharLenAt(spec, k)))
      if (spec[k] == '|') {
        bar = k;
        break;
      }
    if (bar != std::string_view::npos) {
      fallback = std::string(spec.substr(bar + 1));
      spec = spec.substr(0, bar);
    }
    const std::size_t colon = spec.find(':');  // keys are ASCII: the first colon ends one
    const std::string_view key = spec.substr(0, colon);
    const PlaceholderInfo* info = FindKey(key);
    if (info == nullptr)
      return Gb("未知的占位符：") + Braced(key);
    piece.placeholder = info->id;
    piece.fallback = std::move(fallback);
    if (colon != std::string_view::npos) {
      const std::string_view format = spec.substr(colon + 1);
      if (info->kind == ValueKind::kText) return Braced(key) + Gb(" 不能带格式");
      if (info->kind == ValueKind::kNumber) {
        if (format.empty() || format.size() > 3 ||
            !std::all_of(format.begin(), format.end(), [](char d) { return d >= '0' && d <= '9'; }))
          return Braced(key) + Gb(" 的格式是位数，例如 {") + std::string(key) + ":2}";
        piece.width = std::min(std::stoi(std::string(format)), kWidthLimit);
      } else {
        if (format.empty()) return Braced(key) + Gb(" 的日期格式是空的");
        piece.format = std::string(format);
      }
    }
    parsed.parts |= info->part;
    parsed.usesCounter = parsed.usesCounter || info->id == Placeholder::kCounter;
    parsed.pieces.push_back(std::move(piece));
    piece = TemplatePiece{};
    i = close + 1;
  }
  parsed.pieces.push_back(std::move(piece));  // the text after the last placeholder
  return std::string();
}

bool FillNameTemplate(const NameTemplate& parsed, const TemplateInput& input, std::string& name,
                      const PlaceholderInfo** missing) {
  name.clear();
  for (const TemplatePiece& piece : parsed.pieces) {
    name += piece.literal;
    if (!piece.placeholder) continue;
    if (AppendValue(piece, input, name)) continue;
    if (piece.fallback) {
      name += *piece.fallback;
      continue;
    }
    if (missing != nullptr) *missing = &InfoOf(*piece.placeholder);
    return false;
  }
  return true;
}

std::string CleanNameText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = std::max<std::size_t>(1, CharLenAt(text, i));
    const auto c = static_cast<unsigned char>(text[i]);
    if (len == 1 && c == '/')
      out += '_';
    else if (len == 1 && (c < 0x20 || c == 0x7F))
      out += ' ';
    else
      out.append(text.substr(i, len));
    i += len;
  }
  const std::size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  out.erase(out.find_last_not_of(' ') + 1);
  out.erase(0, first);
  return out;
}

std::string FormatLocalTime(const LocalTime& time, const std::string& format) {
  struct tm tm {};
  tm.tm_year = time.year - 1900;
  tm.tm_mon = time.month - 1;
  tm.tm_mday = time.day;
  tm.tm_hour = time.hour;
  tm.tm_min = time.minute;
  tm.tm_sec = time.second;
  tm.tm_isdst = -1;
  // Week day and day of the year for %a, %j and the like, without moving the time.
  struct tm normal = tm;
  if (timegm(&normal) != -1) {
    tm.tm_wday = normal.tm_wday;
    tm.tm_yday = normal.tm_yday;
  }
  const std::string& f = format.empty() ? std::string(kDefaultDateFormat) : format;
  // strftime gives 0 both for an empty result and for one too long for the buffer.
  std::string out(256 + f.size() * 8, '\0');
  const std::size_t n = strftime(out.data(), out.size(), f.c_str(), &tm);
  out.resize(n);
  return out;
}

std::string InsertPlaceholderKey(const std::string& text, std::size_t at, std::string_view key) {
  at = CharStartAtOrBefore(text, std::min(at, text.size()));
  std::string out = text;
  out.insert(at, Braced(key));
  return out;
}

}  // namespace tessarn
