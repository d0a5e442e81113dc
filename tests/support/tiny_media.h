// The smallest files each audio format's reader accepts, made in memory, so that
// tests tag them through TagLib instead of checking in recordings; and the photos
// checked in under tests/data/metadata.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessarn::testing {

// ---- Ogg ---------------------------------------------------------------------

inline std::uint32_t OggCrc(std::string_view data) {
  std::uint32_t crc = 0;
  for (unsigned char byte : data) {
    crc ^= static_cast<std::uint32_t>(byte) << 24;
    for (int k = 0; k < 8; ++k) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

inline void PutLe(std::string& out, std::uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

inline void PutBe(std::string& out, std::uint64_t value, int bytes) {
  for (int k = bytes - 1; k >= 0; --k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

// One page holding one whole packet (under 255 * 255 bytes).
inline std::string OggPage(std::string_view packet, std::uint8_t flags, std::uint32_t sequence,
                           std::uint64_t granule = 0) {
  std::string page = "OggS";
  page += '\0';
  page += static_cast<char>(flags);
  PutLe(page, granule, 8);
  PutLe(page, 0x7E55A12u, 4);  // stream serial
  PutLe(page, sequence, 4);
  PutLe(page, 0, 4);  // CRC, filled in below
  std::string lacing;
  std::size_t left = packet.size();
  while (left >= 255) {
    lacing += static_cast<char>(255);
    left -= 255;
  }
  lacing += static_cast<char>(left);
  page += static_cast<char>(lacing.size());
  page += lacing;
  page += packet;
  const std::uint32_t crc = OggCrc(page);
  for (int k = 0; k < 4; ++k) page[22 + k] = static_cast<char>((crc >> (8 * k)) & 0xFF);
  return page;
}

inline std::string VorbisComments(std::string_view vendor) {
  std::string out;
  PutLe(out, vendor.size(), 4);
  out += vendor;
  PutLe(out, 0, 4);  // no comments
  return out;
}

inline std::string TinyOggVorbis() {
  std::string id = "\x01vorbis";
  PutLe(id, 0, 4);
  id += '\x02';
  PutLe(id, 44100, 4);
  PutLe(id, 0, 4);
  PutLe(id, 128000, 4);
  PutLe(id, 0, 4);
  id += '\xB8';  // block sizes 256 and 2048
  id += '\x01';
  std::string comment = "\x03vorbis" + VorbisComments("tessarn") + '\x01';
  std::string setup = "\x05vorbis";
  setup += std::string(16, '\0');
  return OggPage(id, 0x02, 0) + OggPage(comment, 0, 1) + OggPage(setup, 0, 2) +
         OggPage(std::string(32, '\0'), 0x04, 3, 4096);
}

inline std::string TinyOpus() {
  std::string head = "OpusHead";
  head += '\x01';
  head += '\x02';
  PutLe(head, 312, 2);
  PutLe(head, 48000, 4);
  PutLe(head, 0, 2);
  head += '\0';
  const std::string tags = "OpusTags" + VorbisComments("tessarn");
  return OggPage(head, 0x02, 0) + OggPage(tags, 0, 1) +
         OggPage(std::string(32, '\0'), 0x04, 2, 960);
}

// ---- FLAC ----------------------------------------------------------------------

inline std::string TinyFlac() {
  std::string out = "fLaC";
  out += '\x80';  // last block, STREAMINFO
  PutBe(out, 34, 3);
  PutBe(out, 4096, 2);  // min and max block size
  PutBe(out, 4096, 2);
  PutBe(out, 0, 3);  // min and max frame size
  PutBe(out, 0, 3);
  // 20 bits rate 44100, 3 bits channels - 1, 5 bits bits per sample - 1, 36 bits samples
  const std::uint64_t packed = (44100ull << 44) | (1ull << 41) | (15ull << 36) | 44100ull;
  PutBe(out, packed, 8);
  out += std::string(16, '\0');  // MD5
  out += "\xFF\xF8";             // a frame's sync, as audio begins
  out += std::string(30, '\0');
  return out;
}

// ---- MP4 -----------------------------------------------------------------------

inline std::string Mp4Box(std::string_view type, std::string_view body) {
  std::string out;
  PutBe(out, 8 + body.size(), 4);
  out += type;
  out += body;
  return out;
}

inline std::string TinyM4a() {
  std::string ftyp = "M4A ";
  PutBe(ftyp, 0, 4);
  ftyp += "M4A isom";
  std::string mvhd(4, '\0');  // version 0, no flags
  PutBe(mvhd, 0, 4);          // created
  PutBe(mvhd, 0, 4);          // modified
  PutBe(mvhd, 1000, 4);       // time scale
  PutBe(mvhd, 1000, 4);       // duration
  PutBe(mvhd, 0x00010000, 4); // rate
  PutBe(mvhd, 0x0100, 2);     // volume
  mvhd += std::string(10, '\0');
  for (std::uint32_t m : {0x00010000u, 0u, 0u, 0u, 0x00010000u, 0u, 0u, 0u, 0x40000000u})
    PutBe(mvhd, m, 4);
  mvhd += std::string(24, '\0');
  PutBe(mvhd, 2, 4);  // next track id
  return Mp4Box("ftyp", ftyp) + Mp4Box("moov", Mp4Box("mvhd", mvhd)) +
         Mp4Box("mdat", std::string(16, '\0'));
}

// ---- WAV -----------------------------------------------------------------------

inline std::string TinyWav() {
  std::string fmt;
  PutLe(fmt, 1, 2);  // PCM
  PutLe(fmt, 1, 2);
  PutLe(fmt, 8000, 4);
  PutLe(fmt, 16000, 4);
  PutLe(fmt, 2, 2);
  PutLe(fmt, 16, 2);
  std::string body = "WAVE";
  body += "fmt ";
  PutLe(body, fmt.size(), 4);
  body += fmt;
  body += "data";
  PutLe(body, 16, 4);
  body += std::string(16, '\0');
  std::string out = "RIFF";
  PutLe(out, body.size(), 4);
  return out + body;
}

// ---- Photos --------------------------------------------------------------------

// A 16 x 8 JPEG without EXIF, and a 16 x 8 PNG.
inline std::string TestDataPath(std::string_view name) {
  return std::string(TESSARN_TEST_DATA_DIR) + "metadata/" + std::string(name);
}

}  // namespace tessarn::testing
