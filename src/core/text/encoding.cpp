#include "core/text/encoding.h"

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tessarn {
namespace {

// One converter per direction and thread, opened on first use: iconv_open is far
// too slow to call once per file name.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts the whole input; nullopt on an invalid or incomplete sequence.
  std::optional<std::string> Run(std::string_view in) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t done = 0;
    for (;;) {
      char* dst = out.data() + done;
      std::size_t dstLeft = out.size() - done;
      const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      done = out.size() - dstLeft;
      if (r != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      return std::nullopt;  // EILSEQ or EINVAL
    }
    // Flush any shift state.
    char* dst = out.data() + done;
    std::size_t dstLeft = out.size() - done;
    iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    out.resize(out.size() - dstLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

Converter& Utf8ToGbConv() {
  thread_local Converter c("GB18030", "UTF-8");
  return c;
}
Converter& GbToUtf8Conv() {
  thread_local Converter c("UTF-8", "GB18030");
  return c;
}
Converter& GbkToUtf8Conv() {
  thread_local Converter c("UTF-8", "GBK");
  return c;
}
Converter& Utf16LeToGbConv() {
  thread_local Converter c("GB18030", "UTF-16LE");
  return c;
}
Converter& Utf16BeToGbConv() {
  thread_local Converter c("GB18030", "UTF-16BE");
  return c;
}
Converter& GbToUtf16LeConv() {
  thread_local Converter c("UTF-16LE", "GB18030");
  return c;
}

// The UTF-8 bytes of a code point below 0x10000.
void AppendUtf8(unsigned cp, std::string& out) {
  if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
  } else {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
  }
  out += static_cast<char>(0x80 | (cp & 0x3F));
}

// The GB18030 bytes of every code point from U+0080 to U+FFFF: two-byte codes kept
// as 0xAABB, four-byte ones as 0xAABBCCDD, 0 where the converter gives none. Asked
// of the system's converter once, all in one call: converting name by name through
// iconv costs more than reading the names from the folder. The table then gives
// exactly what the converter gives.
std::vector<std::uint32_t> MakeBmpToGbTable() {
  std::vector<std::uint32_t> table(0x10000, 0);
  std::vector<unsigned> points;
  std::string utf8;
  for (unsigned cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    points.push_back(cp);
    AppendUtf8(cp, utf8);
  }
  const iconv_t cd = iconv_open("GB18030", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return table;
  std::string out(4 * points.size() + 16, '\0');
  char* src = utf8.data();
  std::size_t srcLeft = utf8.size();
  std::size_t next = 0;  // the index in `points` of the next character converted
  while (srcLeft > 0 && next < points.size()) {
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const int error = errno;
    // One character out for each character in, in order.
    const auto* gb = reinterpret_cast<const unsigned char*>(out.data());
    const std::size_t made = out.size() - dstLeft;
    for (std::size_t k = 0; k < made && next < points.size(); ++next) {
      const std::size_t len = gb[k] < 0x80                                               ? 1
                              : (k + 1 < made && gb[k + 1] >= 0x30 && gb[k + 1] <= 0x39) ? 4
                                                                                         : 2;
      std::uint32_t code = 0;
      for (std::size_t b = 0; b < len && k + b < made; ++b) code = code << 8 | gb[k + b];
      if (len != 1) table[points[next]] = code;  // a one-byte answer is left to iconv
      k += len;
    }
    if (r != static_cast<std::size_t>(-1)) break;
    if (error != EILSEQ && error != EINVAL) break;
    // A character the converter refuses: left at 0, and the rest goes on.
    const std::size_t skip = points[next] < 0x800 ? 2 : 3;
    src += skip;
    srcLeft -= skip;
    ++next;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return table;
}

const std::vector<std::uint32_t>& BmpToGbTable() {
  static const std::vector<std::uint32_t> table = MakeBmpToGbTable();
  return table;
}

// Appends the GB18030 bytes of `code`, a table entry.
char* PutGbCode(std::uint32_t code, char* dst) {
  if (code > 0xFFFF) {
    *dst++ = static_cast<char>(code >> 24);
    *dst++ = static_cast<char>(code >> 16);
  }
  *dst++ = static_cast<char>(code >> 8);
  *dst++ = static_cast<char>(code);
  return dst;
}

// UTF-16 to GB18030 by the table; nullopt where it cannot tell (an odd length, a
// surrogate, a character the table lacks): the converter then decides. Tags hold
// their texts in UTF-16 more often than not, and a naming pass reads thousands.
std::optional<std::string> Utf16ToGbByTable(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  const std::vector<std::uint32_t>& table = BmpToGbTable();
  std::string out;
  out.resize(2 * bytes.size());  // four bytes from two at most
  char* dst = out.data();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const unsigned unit = bigEndian ? (in[i] << 8 | in[i + 1]) : (in[i + 1] << 8 | in[i]);
    if (unit < 0x80) {
      *dst++ = static_cast<char>(unit);
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) return std::nullopt;
    const std::uint32_t code = table[unit];
    if (code == 0) return std::nullopt;
    dst = PutGbCode(code, dst);
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

// Utf8ToGb by the table; nullopt where it cannot tell (invalid UTF-8, a character
// beyond U+FFFF or one the table lacks): the converter then decides.
std::optional<std::string> Utf8ToGbByTable(std::string_view utf8) {
  const std::vector<std::uint32_t>& table = BmpToGbTable();
  std::string out;
  out.resize(2 * utf8.size());  // two bytes from one at most (U+0080 gives four)
  char* dst = out.data();
  const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
  for (std::size_t i = 0; i < utf8.size();) {
    if (in[i] < 0x80) {
      *dst++ = static_cast<char>(in[i++]);
      continue;
    }
    const std::size_t len = Utf8SequenceLength(utf8, i);
    if (len == 0 || len == 4) return std::nullopt;
    const unsigned cp =
        len == 2 ? (in[i] & 0x1Fu) << 6 | (in[i + 1] & 0x3Fu)
                 : (in[i] & 0x0Fu) << 12 | (in[i + 1] & 0x3Fu) << 6 | (in[i + 2] & 0x3Fu);
    const std::uint32_t code = table[cp];
    if (code == 0) return std::nullopt;
    dst = PutGbCode(code, dst);
    i += len;
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

}  // namespace

bool IsAscii(std::string_view s) {
  // Eight bytes at a time: nearly every name read from a folder is ASCII throughout.
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    if (word & 0x8080808080808080ull) return false;
  }
  for (; i < s.size(); ++i)
    if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
  return true;
}

// Length of the valid UTF-8 sequence at i, or 0.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) return 1;
  std::size_t len;
  unsigned cp;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return len;
}

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {  // most names are ASCII throughout
      ++i;
      continue;
    }
    const std::size_t len = Utf8SequenceLength(s, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool IsValidGbk(std::string_view s) {
  if (IsAscii(s)) return true;
  return GbkToUtf8Conv().Run(s).has_value();
}

std::optional<std::string> Utf8ToGb(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  if (auto byTable = Utf8ToGbByTable(utf8)) return byTable;
  return Utf8ToGbConv().Run(utf8);
}

std::optional<std::string> GbToUtf8(std::string_view gb) {
  if (IsAscii(gb)) return std::string(gb);
  return GbToUtf8Conv().Run(gb);
}

std::optional<std::string> Utf16LeToGb(std::string_view bytes) {
  if (auto byTable = Utf16ToGbByTable(bytes, false)) return byTable;
  return Utf16LeToGbConv().Run(bytes);
}
std::optional<std::string> Utf16BeToGb(std::string_view bytes) {
  if (auto byTable = Utf16ToGbByTable(bytes, true)) return byTable;
  return Utf16BeToGbConv().Run(bytes);
}
std::optional<std::string> GbToUtf16Le(std::string_view gb) { return GbToUtf16LeConv().Run(gb); }

std::string Latin1ToGb(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  // Windows-1252's characters for 0x80-0x9F; zero where it defines none.
  static constexpr char16_t kC1[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string utf8;
  utf8.reserve(bytes.size() * 2);
  for (char c : bytes) {
    unsigned cp = static_cast<unsigned char>(c);
    if (cp >= 0x80 && cp < 0xA0 && kC1[cp - 0x80] != 0) cp = kC1[cp - 0x80];
    if (cp < 0x80) {
      utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
      utf8 += static_cast<char>(0xC0 | cp >> 6);
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | cp >> 12);
      utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return Utf8ToGbLossy(utf8);
}

std::optional<std::string> GbToLatin1(std::string_view gb) {
  if (IsAscii(gb)) return std::string(gb);
  const std::optional<std::string> utf8 = GbToUtf8(gb);
  if (!utf8) return std::nullopt;
  std::string out;
  out.reserve(utf8->size());
  for (std::size_t i = 0; i < utf8->size();) {
    const auto b0 = static_cast<unsigned char>((*utf8)[i]);
    if (b0 < 0x80) {
      out += static_cast<char>(b0);
      ++i;
      continue;
    }
    // Two-byte sequences C2 A0 .. C3 BF are U+00A0 .. U+00FF.
    if ((b0 != 0xC2 && b0 != 0xC3) || i + 1 >= utf8->size()) return std::nullopt;
    const unsigned cp = (b0 & 0x1F) << 6 | (static_cast<unsigned char>((*utf8)[i + 1]) & 0x3F);
    if (cp < 0xA0) return std::nullopt;
    out += static_cast<char>(cp);
    i += 2;
  }
  return out;
}

std::string Utf8ToGbLossy(std::string_view utf8) {
  if (auto strict = Utf8ToGb(utf8)) return *std::move(strict);
  // Rebuild a valid UTF-8 text with U+FFFD for every bad byte, then convert.
  std::string clean;
  clean.reserve(utf8.size() + 8);
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t len = Utf8SequenceLength(utf8, i);
    if (len == 0) {
      clean += "\xEF\xBF\xBD";
      ++i;
    } else {
      clean.append(utf8.substr(i, len));
      i += len;
    }
  }
  if (auto gb = Utf8ToGbConv().Run(clean)) return *std::move(gb);
  return std::string(utf8.size(), '?');
}

std::string GbToUtf8Lossy(std::string_view gb) {
  if (auto strict = GbToUtf8(gb)) return *std::move(strict);
  // Convert character by character; what does not convert becomes U+FFFD.
  std::string out;
  std::size_t i = 0;
  while (i < gb.size()) {
    const auto b0 = static_cast<unsigned char>(gb[i]);
    std::size_t len = 1;
    if (b0 >= 0x81 && b0 <= 0xFE && i + 1 < gb.size()) {
      const auto b1 = static_cast<unsigned char>(gb[i + 1]);
      if (b1 >= 0x30 && b1 <= 0x39)
        len = (i + 3 < gb.size()) ? 4 : 1;
      else
        len = 2;
    }
    if (auto part = GbToUtf8Conv().Run(gb.substr(i, len))) {
      out += *part;
    } else {
      out += "\xEF\xBF\xBD";
      len = 1;
    }
    i += len;
  }
  return out;
}

std::string DecodeDiskName(std::string_view raw) {
  if (IsAscii(raw)) return std::string(raw);
  if (IsValidUtf8(raw)) {
    if (auto gb = Utf8ToGb(raw)) return *std::move(gb);
  }
  // GBK bytes are already the program's text.
  if (IsValidGbk(raw)) return std::string(raw);
  return Utf8ToGbLossy(raw);
}

std::string Gb(std::string_view utf8Literal) { return Utf8ToGbLossy(utf8Literal); }

std::optional<std::string> EncodeDiskName(std::string_view gb) { return GbToUtf8(gb); }

}  // namespace tessarn
