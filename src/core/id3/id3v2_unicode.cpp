#include "core/id3/id3v2_unicode.h"

#include <string_view>
#include <vector>

#include "core/id3/id3v2_frames.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr std::size_t kHeader = 10;

bool PlainAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The pieces between zero bytes, empty ones kept, so that the frame keeps its
// shape: a TXXX's empty description, a terminator at the end.
std::vector<std::string_view> Pieces(std::string_view text) {
  std::vector<std::string_view> out;
  for (std::size_t from = 0;;) {
    const std::size_t zero = text.find('\0', from);
    out.push_back(text.substr(from, zero == std::string_view::npos ? zero : zero - from));
    if (zero == std::string_view::npos) return out;
    from = zero + 1;
  }
}

// The legacy pieces as Unicode text of the frame's version, joined by its
// terminator; nullopt when a piece does not convert.
std::optional<std::string> Unicode(std::string_view text, int major, LegacyEncoding legacy) {
  std::string out;
  bool first = true;
  for (std::string_view piece : Pieces(text)) {
    if (!first) out.append(major == 4 ? 1 : 2, '\0');
    first = false;
    if (piece.empty()) continue;  // an empty value needs no byte-order mark
    const std::string gb = DecodeLegacyText(piece, legacy);
    if (major == 4) {
      auto utf8 = GbToUtf8(gb);
      if (!utf8) return std::nullopt;
      out += *utf8;
    } else {
      auto utf16 = GbToUtf16Le(gb);
      if (!utf16) return std::nullopt;
      out += "\xFF\xFE";
      out += *utf16;
    }
  }
  return out;
}

}  // namespace

bool ConvertLegacyTextFrame(std::string& frame, int major, LegacyEncoding legacy) {
  if (frame.size() <= kHeader || frame[kHeader] != '\0') return false;
  const unsigned flags =
      static_cast<unsigned char>(frame[8]) << 8 | static_cast<unsigned char>(frame[9]);
  if (flags & (major == 4 ? 0x004Fu : 0x00E0u)) return false;  // not stored plainly
  const std::string_view id(frame.data(), 4);
  const std::string_view content(frame.data() + kHeader, frame.size() - kHeader);
  // What stays before the converted text, and the text (pieces split at zeros).
  std::size_t kept;   // bytes of content after the encoding byte that stay
  std::string_view text, after;
  if (id[0] == 'T' || id == "IPLS") {
    kept = 0;
    text = content.substr(1);
  } else if (id == "COMM" || id == "USLT" || id == "USER") {
    if (content.size() < 4) return false;
    kept = 3;  // the language
    text = content.substr(4);
  } else if (id == "WXXX") {
    kept = 0;
    const std::size_t zero = content.find('\0', 1);
    if (zero == std::string_view::npos) return false;
    text = content.substr(1, zero - 1);  // the description; the URL follows its end
    after = content.substr(zero + 1);
  } else {
    return false;
  }
  if (PlainAscii(text)) return false;
  const std::optional<std::string> unicode = Unicode(text, major, legacy);
  if (!unicode) return false;
  std::string rebuilt(1, major == 4 ? '\3' : '\1');
  rebuilt += content.substr(1, kept);
  rebuilt += *unicode;
  if (id == "WXXX") {
    rebuilt.append(major == 4 ? 1 : 2, '\0');
    rebuilt += after;
  }
  frame = MakeFrame(major, id, rebuilt, flags);
  return true;
}

}  // namespace tessarn
