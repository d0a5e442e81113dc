#include "core/id3/id3v2_frames.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/id3/id3v2.h"

namespace tessarn {
namespace {

constexpr std::size_t kHeaderSize = 10;

std::string PutBigEndian(std::uint32_t v) {
  std::string b(4, '\0');
  for (int i = 3; i >= 0; --i, v >>= 8) b[i] = static_cast<char>(v & 0xFF);
  return b;
}

// Undoes unsynchronisation: every 00 that follows an FF is dropped.
std::string Resync(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  bool afterFF = false;
  for (char c : bytes) {
    if (afterFF && c == '\0') {
      afterFF = false;
      continue;
    }
    out += c;
    afterFF = static_cast<unsigned char>(c) == 0xFF;
  }
  return out;
}

// Inflates zlib data, keeping at most `limit` bytes of the result: a frame that
// claims a small size and inflates to gigabytes stops there.
bool Inflate(std::string_view in, std::size_t limit, std::string& out) {
  out.clear();
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  char buffer[16384];
  int r = Z_OK;
  while (r == Z_OK && out.size() < limit) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    r = inflate(&z, Z_NO_FLUSH);
    if (r != Z_OK && r != Z_STREAM_END) break;
    out.append(buffer, sizeof buffer - z.avail_out);
    if (r == Z_OK && z.avail_in == 0 && z.avail_out != 0) break;  // input ran out
  }
  inflateEnd(&z);
  if (r != Z_OK && r != Z_STREAM_END) {
    out.clear();
    return false;
  }
  if (out.size() > limit) out.resize(limit);
  return true;
}

std::string PutSyncsafe(std::uint32_t v) {
  std::string b(4, '\0');
  for (int i = 3; i >= 0; --i, v >>= 7) b[i] = static_cast<char>(v & 0x7F);
  return b;
}

}  // namespace

std::string MakeFrame(int major, std::string_view id, std::string_view content, unsigned flags) {
  const auto n = static_cast<std::uint32_t>(content.size());
  std::string out(id);
  out += major == 4 ? PutSyncsafe(n) : PutBigEndian(n);
  out += static_cast<char>(flags >> 8);
  out += static_cast<char>(flags & 0xFF);
  out += content;
  return out;
}

std::string ConvertV22Frame(const std::string& id, std::string_view content) {
  struct Pair {
    const char* v22;
    const char* v23;
  };
  static constexpr Pair kIds[] = {
      {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
      {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"LNK", "LINK"}, {"MCI", "MCDI"},
      {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"},
      {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"},
      {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
      {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"},
      {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"},
      {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"},
      {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"},
      {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"},
      {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
      {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"},
      {"WPB", "WPUB"}, {"WXX", "WXXX"}, {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSP", "TSOP"},
      {"TSA", "TSOA"}, {"TS2", "TSO2"}, {"TSC", "TSOC"},
  };
  std::string newId = "X" + id;
  for (const Pair& p : kIds)
    if (id == p.v22) newId = p.v23;
  // PIC: encoding, image format (3 bytes), picture type, ...; APIC has a MIME type
  // ended by a zero byte where PIC has the format.
  if (id == "PIC" && content.size() >= 5) {
    std::string format(content.substr(1, 3));
    std::string mime;
    if (format == "-->") {
      mime = format;
    } else {
      for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      format.erase(format.find_last_not_of(std::string(" \0", 2)) + 1);
      mime = "image/" + (format == "jpg" ? std::string("jpeg") : format);
    }
    std::string apic(content.substr(0, 1));
    apic += mime;
    apic += '\0';
    apic += content.substr(4);
    return MakeFrame(3, newId, apic);
  }
  // LNK names the linked frame by its ID, which grows by a letter too.
  if (id == "LNK" && content.size() >= 3) {
    std::string linked = ConvertV22Frame(std::string(content.substr(0, 3)), {}).substr(0, 4);
    return MakeFrame(3, newId, linked + std::string(content.substr(3)));
  }
  return MakeFrame(3, newId, content);
}

// The bytes after the tag header, addressed from 0.
class TagBody {
 public:
  virtual ~TagBody() = default;
  // Up to n bytes at pos into out. An unsynchronised body reads forward only.
  virtual std::size_t Read(std::uint64_t pos, std::size_t n, std::string& out) = 0;
  // No position at or past this holds a byte of the body.
  virtual std::uint64_t Limit() const = 0;
  // The n bytes at pos when the source holds them in memory (see ByteSource::Peek).
  virtual std::string_view Peek(std::uint64_t /*pos*/, std::size_t /*n*/) { return {}; }
};

namespace {

class PlainBody : public TagBody {
 public:
  PlainBody(ByteSource& source, std::uint64_t length)
      : source_(source),
        limit_(std::min(length, source.Size() > kHeaderSize ? source.Size() - kHeaderSize : 0)) {}
  std::size_t Read(std::uint64_t pos, std::size_t n, std::string& out) override {
    if (pos >= limit_) {
      out.clear();
      return 0;
    }
    return source_.ReadAt(kHeaderSize + pos, std::min<std::uint64_t>(n, limit_ - pos), out);
  }
  std::uint64_t Limit() const override { return limit_; }
  std::string_view Peek(std::uint64_t pos, std::size_t n) override {
    if (pos > limit_ || n > limit_ - pos) return {};
    return source_.Peek(kHeaderSize + pos, n);
  }

 private:
  ByteSource& source_;
  std::uint64_t limit_;
};

// A whole tag unsynchronised at once (v2.2, v2.3): decoded as it is read, in
// chunks, so that a large frame that nobody wants passes through a small buffer.
class UnsyncBody : public TagBody {
 public:
  UnsyncBody(ByteSource& source, std::uint64_t length)
      : source_(source),
        rawEnd_(kHeaderSize +
                std::min(length, source.Size() > kHeaderSize ? source.Size() - kHeaderSize : 0)) {}

  std::size_t Read(std::uint64_t pos, std::size_t n, std::string& out) override {
    out.clear();
    if (pos < windowStart_) return 0;  // behind us: the walk never goes back
    for (;;) {
      Drop(pos);
      if (windowStart_ == pos && window_.size() >= n) break;
      if (!Fill()) break;
    }
    if (windowStart_ != pos) return 0;
    out.assign(window_, 0, std::min(n, window_.size()));
    return out.size();
  }
  std::uint64_t Limit() const override { return rawEnd_ - kHeaderSize; }

 private:
  void Drop(std::uint64_t pos) {
    const std::uint64_t drop = std::min<std::uint64_t>(pos - windowStart_, window_.size());
    window_.erase(0, drop);
    windowStart_ += drop;
  }
  bool Fill() {
    if (rawPos_ >= rawEnd_) return false;
    std::string chunk;
    const std::size_t got =
        source_.ReadAt(rawPos_, std::min<std::uint64_t>(1 << 16, rawEnd_ - rawPos_), chunk);
    if (got == 0) {
      rawPos_ = rawEnd_;
      return false;
    }
    rawPos_ += got;
    for (char c : chunk) {
      if (afterFF_ && c == '\0') {
        afterFF_ = false;
        continue;
      }
      window_ += c;
      afterFF_ = static_cast<unsigned char>(c) == 0xFF;
    }
    return true;
  }

  ByteSource& source_;
  std::uint64_t rawPos_ = kHeaderSize;
  std::uint64_t rawEnd_;
  std::string window_;
  std::uint64_t windowStart_ = 0;
  bool afterFF_ = false;
};

}  // namespace

bool ReadId3v2TagInfo(ByteSource& source, Id3v2TagInfo& info) {
  std::string header;
  return source.ReadAt(0, kHeaderSize, header) == kHeaderSize && ParseId3v2TagInfo(header, info);
}

bool ParseId3v2TagInfo(std::string_view header, Id3v2TagInfo& info) {
  if (!IsId3v2Header(header)) return false;
  info.major = static_cast<unsigned char>(header[3]);
  info.revision = static_cast<unsigned char>(header[4]);
  info.flags = static_cast<unsigned char>(header[5]);
  info.bodyLength = Syncsafe(std::string_view(header).substr(6, 4));
  info.wholeLength = kHeaderSize + info.bodyLength;
  if (info.major == 4 && (info.flags & 0x10)) info.wholeLength += kHeaderSize;  // footer
  return true;
}

std::uint64_t ExtendedHeaderLength(const Id3v2TagInfo& info, std::string_view b) {
  if (info.major < 3 || !(info.flags & 0x40) || b.size() < 6) return 0;
  if (std::all_of(b.begin(), b.begin() + 4, IsIdChar)) return 0;  // a frame starts here
  std::uint64_t length;
  if (info.major == 3) {
    // Its size counts what follows the size: 6 bytes, or 10 with a CRC.
    const std::uint32_t size = BigEndian(b.substr(0, 4));
    if (size != 6 && size != 10) return 0;
    length = 4 + std::uint64_t{size};
  } else {
    // v2.4 counts the whole extended header, syncsafe; one flag byte follows it.
    if (!IsSyncsafe(b.substr(0, 4)) || b[4] != '\x01') return 0;
    length = Syncsafe(b.substr(0, 4));
    if (length < 6) return 0;
  }
  return length <= info.bodyLength ? length : 0;
}

FrameWalker::FrameWalker(ByteSource& source, const Id3v2TagInfo& info) : info_(info) {
  if (WholeTagUnsynchronised(info))
    body_ = std::make_unique<UnsyncBody>(source, info.bodyLength);
  else
    body_ = std::make_unique<PlainBody>(source, info.bodyLength);
  if (!Readable()) {
    done_ = true;
    return;
  }
  if (info.major >= 3 && (info.flags & 0x40)) {
    std::string start;
    body_->Read(0, 10, start);
    pos_ = ExtendedHeaderLength(info_, start);
  }
  start_ = walkedEnd_ = pos_;
}

FrameWalker::~FrameWalker() = default;

bool FramesReadable(const Id3v2TagInfo& info) {
  if (info.major == 2) return (info.flags & 0x40) == 0;  // v2.2 compression: unreadable
  return info.major == 3 || info.major == 4;
}

bool WholeTagUnsynchronised(const Id3v2TagInfo& info) {
  return (info.major == 2 || info.major == 3) && (info.flags & 0x80);
}

bool FrameWalker::Readable() const { return FramesReadable(info_); }

bool FrameWalker::LandsOnFrame(std::uint64_t pos) {
  const std::uint64_t limit = body_->Limit();
  if (pos == limit) return true;
  if (pos > limit) return false;
  std::string next;
  body_->Read(pos, 4, next);
  return StartsFrameOrPadding(next);
}

bool FrameWalker::Next(FrameHeader& header) {
  if (done_) return false;
  const std::size_t headerLen = info_.major == 2 ? 6 : 10;
  // The header is copied out of the source's memory: finding the next frame may
  // read further (LandsOnFrame) and move what the source holds.
  char raw[10];
  if (const std::string_view held = body_->Peek(pos_, headerLen); !held.empty()) {
    std::memcpy(raw, held.data(), headerLen);
  } else {
    std::string read;
    if (body_->Read(pos_, headerLen, read) != headerLen) {
      done_ = true;
      return false;
    }
    std::memcpy(raw, read.data(), headerLen);
  }
  const std::uint64_t contentPos = pos_ + headerLen;
  FrameHeaderFields fields;
  if (!DecodeFrameHeader(
          info_.major, std::string_view(raw, headerLen), contentPos,
          [this](std::uint64_t pos) { return LandsOnFrame(pos); }, fields)) {
    done_ = true;
    return false;
  }
  FrameHeader h;
  h.id.assign(fields.id);
  h.flags = fields.flags;
  h.size = fields.size;
  h.truncated = contentPos + h.size > body_->Limit();
  current_ = contentPos;
  pos_ = contentPos + h.size;
  if (h.truncated)
    done_ = true;
  else
    walkedEnd_ = pos_;
  header_ = std::move(h);
  header = header_;
  return true;
}

bool FrameWalker::ReadStored(std::string& out, std::size_t limit) {
  body_->Read(current_, std::min<std::uint64_t>(header_.size, limit), out);
  return true;
}

StoredData StoredDataOf(const Id3v2TagInfo& info, unsigned f) {
  StoredData s;
  if (info.major == 3) {
    s.encrypted = f & 0x0040;
    s.compressed = f & 0x0080;
    // A compressed frame starts with its inflated size (4 bytes), then the group byte.
    s.prefix = (s.compressed ? 4 : 0) + ((f & 0x0020) ? 1 : 0);
  } else if (info.major == 4) {
    s.encrypted = f & 0x0004;
    s.compressed = f & 0x0008;
    s.prefix = ((f & 0x0040) ? 1 : 0) + ((f & 0x0001) ? 4 : 0);
    s.unsync = (f & 0x0002) || (info.flags & 0x80);
  }
  return s;
}

bool FrameWalker::DataView(std::string_view& view, std::string& storage, std::size_t limit) {
  if (StoredDataOf(info_, header_.flags).Plain() && current_ <= body_->Limit()) {
    // What ReadStored would copy: the stored bytes, cut at the limit and at the body's end.
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>({header_.size, limit, body_->Limit() - current_}));
    view = body_->Peek(current_, n);
    if (view.size() == n && n > 0) return true;
  }
  if (!Data(storage, limit)) {
    view = {};
    return false;
  }
  view = storage;
  return true;
}

bool FrameWalker::Data(std::string& out, std::size_t limit) {
  out.clear();
  const StoredData s = StoredDataOf(info_, header_.flags);
  if (s.encrypted) return false;
  // Unsynchronised data shrinks when decoded: read enough to fill the limit. A
  // compressed frame is read whole (it is at most the tag's size) and inflated.
  const std::size_t want = s.compressed ? static_cast<std::size_t>(header_.size)
                                        : s.prefix + (s.unsync ? limit * 2 : limit);
  if (s.Plain()) {
    // The usual frame: its stored bytes are its data, read straight into out.
    ReadStored(out, want);
    if (out.size() > limit) out.resize(limit);
    return true;
  }
  std::string stored;
  ReadStored(stored, want);
  if (stored.size() < s.prefix) return !s.compressed;
  std::string_view data = std::string_view(stored).substr(s.prefix);
  out = s.unsync ? Resync(data) : std::string(data);
  if (s.compressed) {
    std::string inflated;
    if (!Inflate(out, limit, inflated)) {
      out.clear();
      return false;
    }
    out = std::move(inflated);
  }
  if (out.size() > limit) out.resize(limit);
  return true;
}

bool FrameWalker::AsKeptFrame(std::string& out) {
  out.clear();
  if (header_.truncated) return false;
  std::string stored;
  ReadStored(stored, header_.size);
  if (stored.size() != header_.size) return false;
  if (info_.major == 2) {
    out = ConvertV22Frame(header_.id, stored);
    return true;
  }
  unsigned flags = header_.flags;
  // The rewritten header drops the tag-wide unsynchronisation flag: in v2.4 each
  // frame then says it for itself, and its bytes stay as they are.
  if (info_.major == 4 && (info_.flags & 0x80)) flags |= 0x0002;
  out = MakeFrame(info_.major, header_.id, stored, flags);
  return true;
}

bool FrameWalker::AsV23Frame(std::string& out) {
  out.clear();
  if (info_.major != 3 && info_.major != 4) return false;
  if (header_.truncated) return false;
  std::string stored;
  ReadStored(stored, header_.size);
  if (stored.size() != header_.size) return false;
  const unsigned f = header_.flags;
  if (info_.major == 3) {
    out = header_.id + PutBigEndian(static_cast<std::uint32_t>(stored.size()));
    out += static_cast<char>(f >> 8);
    out += static_cast<char>(f & 0xFF);
    out += stored;
    return true;
  }
  // v2.4: take the additions to the header apart, undo unsynchronisation and put
  // them back in v2.3's order (decompressed size, encryption method, group).
  std::size_t p = 0;
  std::string group, method, decompressedSize;
  if (f & 0x0040) {
    if (p + 1 > stored.size()) return false;
    group = stored.substr(p, 1);
    p += 1;
  }
  if (f & 0x0004) {
    if (p + 1 > stored.size()) return false;
    method = stored.substr(p, 1);
    p += 1;
  }
  if (f & 0x0001) {
    if (p + 4 > stored.size()) return false;
    decompressedSize = PutBigEndian(Syncsafe(std::string_view(stored).substr(p, 4)));
    p += 4;
  }
  if ((f & 0x0008) && decompressedSize.empty()) return false;  // size unknown
  std::string data = stored.substr(p);
  if ((f & 0x0002) || (info_.flags & 0x80)) data = Resync(data);
  std::string content;
  if (f & 0x0008) content += decompressedSize;
  content += method;
  content += group;
  content += data;
  unsigned v23 = 0;
  if (f & 0x4000) v23 |= 0x8000;  // tag alter preservation
  if (f & 0x2000) v23 |= 0x4000;  // file alter preservation
  if (f & 0x1000) v23 |= 0x2000;  // read only
  if (f & 0x0008) v23 |= 0x0080;  // compression
  if (f & 0x0004) v23 |= 0x0040;  // encryption
  if (f & 0x0040) v23 |= 0x0020;  // grouping
  out = header_.id + PutBigEndian(static_cast<std::uint32_t>(content.size()));
  out += static_cast<char>(v23 >> 8);
  out += static_cast<char>(v23 & 0xFF);
  out += content;
  return true;
}

}  // namespace tessarn
