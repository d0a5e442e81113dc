#include "core/id3/id3v2_text.h"

#include "core/text/encoding.h"

namespace tessarn {
namespace {

// UTF-16 code units with every unpaired surrogate replaced by U+FFFD, so that
// the strict converter accepts the text. bytes has an even length.
std::string RepairUtf16(std::string_view bytes, bool bigEndian) {
  auto unit = [&](std::size_t i) -> unsigned {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  std::string out;
  out.reserve(bytes.size());
  auto put = [&](unsigned u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    if (bigEndian) {
      out += hi;
      out += lo;
    } else {
      out += lo;
      out += hi;
    }
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      const unsigned next = unit(i + 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        put(u);
        put(next);
        i += 2;
        continue;
      }
    }
    put(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
  }
  return out;
}

std::string DecodeUtf16(std::string_view raw, bool bigEndian) {
  raw = raw.substr(0, raw.size() & ~std::size_t{1});
  auto convert = [&](std::string_view bytes) {
    return bigEndian ? Utf16BeToGb(bytes) : Utf16LeToGb(bytes);
  };
  if (auto gb = convert(raw)) return *std::move(gb);
  if (auto gb = convert(RepairUtf16(raw, bigEndian))) return *std::move(gb);
  return {};
}

}  // namespace

int NormalizedEncoding(unsigned char encodingByte) { return encodingByte <= 3 ? encodingByte : 0; }

std::size_t TerminatorWidth(int encoding) { return encoding == 1 || encoding == 2 ? 2 : 1; }

std::size_t FindTerminator(int encoding, std::string_view bytes, std::size_t from) {
  if (TerminatorWidth(encoding) == 1) return bytes.find('\0', from);
  for (std::size_t i = from; i + 1 < bytes.size(); i += 2)
    if (bytes[i] == '\0' && bytes[i + 1] == '\0') return i;
  return std::string_view::npos;
}

std::vector<std::string_view> SplitValues(int encoding, std::string_view bytes) {
  std::vector<std::string_view> values;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = FindTerminator(encoding, bytes, start);
    if (end == std::string_view::npos) {
      values.push_back(bytes.substr(start));
      break;
    }
    values.push_back(bytes.substr(start, end - start));
    start = end + TerminatorWidth(encoding);
  }
  while (!values.empty() && values.back().empty()) values.pop_back();
  return values;
}

std::string DecodeValue(int encoding, std::string_view raw, bool* bigEndian,
                        LegacyEncoding legacy) {
  switch (encoding) {
    case 1:
    case 2: {
      bool big = encoding == 2 || (bigEndian && *bigEndian);
      if (raw.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(raw[0]);
        const auto b1 = static_cast<unsigned char>(raw[1]);
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) {
          big = b0 == 0xFE;
          raw.remove_prefix(2);
        }
      }
      if (bigEndian) *bigEndian = big;
      return DecodeUtf16(raw, big);
    }
    case 3:
      if (raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
      return Utf8ToGbLossy(raw);
    default:
      return DecodeLegacyText(raw, legacy);
  }
}

}  // namespace tessarn
