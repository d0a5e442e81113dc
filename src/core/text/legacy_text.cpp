#include "core/text/legacy_text.h"

#include "core/text/encoding.h"

namespace tessarn {

bool LooksLikeGbk(std::string_view bytes) {
  bool chinese = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    if (b0 == 0x80 || b0 == 0xFF || i + 1 >= bytes.size()) return false;
    const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    if (b1 >= 0x30 && b1 <= 0x39) {  // four-byte GB18030 character
      if (i + 3 >= bytes.size()) return false;
      const auto b2 = static_cast<unsigned char>(bytes[i + 2]);
      const auto b3 = static_cast<unsigned char>(bytes[i + 3]);
      if (b2 < 0x81 || b2 > 0xFE || b3 < 0x30 || b3 > 0x39) return false;
      chinese = true;
      i += 4;
      continue;
    }
    if (b1 < 0x40 || b1 == 0x7F || b1 == 0xFF) return false;
    if (b1 >= 0x80) chinese = true;
    i += 2;
  }
  // The walk checks the shape; iconv checks that every character exists.
  return chinese && GbToUtf8(bytes).has_value();
}

std::string DecodeLegacyText(std::string_view bytes, LegacyEncoding legacy) {
  switch (legacy) {
    case LegacyEncoding::kGbk:
      return std::string(bytes);
    case LegacyEncoding::kLatin1:
      return Latin1ToGb(bytes);
    case LegacyEncoding::kAuto:
      break;
  }
  return LooksLikeGbk(bytes) ? std::string(bytes) : Latin1ToGb(bytes);
}

std::optional<std::string> EncodeLatin1(std::string_view gb, LegacyEncoding legacy) {
  std::optional<std::string> latin1 = GbToLatin1(gb);
  if (!latin1 || DecodeLegacyText(*latin1, legacy) != gb) return std::nullopt;
  return latin1;
}

}  // namespace tessarn
