// Conversion between the program's GB18030 text and the encodings of the outside
// world: UTF-8 (widgets, command line, new file names), UTF-16 (ID3v2 text) and the
// raw bytes of names read from disk. This is the only place that calls iconv.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessarn {

// Strict conversions: nullopt when the input is not valid in its encoding.
std::optional<std::string> Utf8ToGb(std::string_view utf8);
std::optional<std::string> GbToUtf8(std::string_view gb);
// UTF-16 given as bytes, little- or big-endian, no BOM.
std::optional<std::string> Utf16LeToGb(std::string_view bytes);
std::optional<std::string> Utf16BeToGb(std::string_view bytes);
std::optional<std::string> GbToUtf16Le(std::string_view gb);

// Single-byte legacy text. Latin1ToGb reads the bytes as Windows-1252 (the
// Latin-1 that taggers actually write: 0x80-0x9F are its punctuation, and the five
// bytes it leaves undefined stand for themselves). GbToLatin1 gives ISO-8859-1
// bytes, or nullopt when a character is outside U+0000-U+007F and U+00A0-U+00FF.
std::string Latin1ToGb(std::string_view bytes);
std::optional<std::string> GbToLatin1(std::string_view gb);

// Lenient forms for display: invalid sequences become U+FFFD (or "?" in GB text).
std::string Utf8ToGbLossy(std::string_view utf8);
std::string GbToUtf8Lossy(std::string_view gb);

// Length of the valid UTF-8 sequence that starts at byte i (1 for ASCII), or 0 when
// the bytes there are not valid UTF-8 (overlong forms and surrogates included).
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);
bool IsValidUtf8(std::string_view s);
// True when every byte is below 0x80: the same text in UTF-8, GBK and GB18030.
bool IsAscii(std::string_view s);
// True when s is valid GBK (every character ASCII or a GBK double-byte one).
bool IsValidGbk(std::string_view s);

// The name of a file as read from disk, decoded for display and the rules: UTF-8,
// else GBK (names from Chinese Windows archives), else lossy UTF-8. The disk bytes
// themselves are kept elsewhere and never changed.
std::string DecodeDiskName(std::string_view raw);

// A text written in this program's UTF-8 sources, as the program's GB18030 text.
// Every Chinese literal of the core goes through this: the sources are UTF-8, the
// strings the core handles are not. Keep hot-path results in a static.
std::string Gb(std::string_view utf8Literal);

// A name the rules produced, as bytes to write to disk: always UTF-8.
std::optional<std::string> EncodeDiskName(std::string_view gb);

}  // namespace tessarn
