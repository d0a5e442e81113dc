// Text of tags that carries no word on its encoding: ID3v1 blocks and ID3v2 frames
// with encoding byte 0. The standard says ISO-8859-1; Chinese players wrote GBK
// there for years. The user picks how such bytes are read, and how this program
// writes text that changed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessarn {

// How legacy bytes are read ("旧标签编码"): kAuto takes them as GBK (GB18030) when
// they are valid and hold a Chinese character, else as Latin-1.
enum class LegacyEncoding { kAuto, kGbk, kLatin1 };

// How changed ID3v2 frames are written ("ID3v2写入编码"): kUnicode as the standard
// says (ISO-8859-1 when it can hold the text, else UTF-16 or UTF-8); kGbk the old
// way, GB18030 bytes under encoding byte 0.
enum class TagWriteEncoding { kUnicode, kGbk };

// True when kAuto reads these bytes as GBK: valid GB18030 with at least one
// character that Latin-1 text would not make. A double-byte character whose second
// byte is plain ASCII ("ó" + "s" in "Rós" is such a pair) is something Latin-1 text
// makes all the time, so such pairs alone do not count.
bool LooksLikeGbk(std::string_view bytes);

// The bytes as the program's GB18030 text.
std::string DecodeLegacyText(std::string_view bytes, LegacyEncoding legacy);

// The text as ISO-8859-1 bytes when every character is in Latin-1 and the bytes
// read back as the same text under `legacy`; otherwise nullopt.
std::optional<std::string> EncodeLatin1(std::string_view gb, LegacyEncoding legacy);

}  // namespace tessarn
