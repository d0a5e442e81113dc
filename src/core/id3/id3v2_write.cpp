#include <cstring>

#include "core/id3/id3v2.h"
#include "core/id3/id3v2_frames.h"

namespace tessarn {
namespace {

constexpr std::size_t kEmptyTagSize = 1024;
constexpr std::uint32_t kMaxTagSize = (1u << 28) - 1;  // what four syncsafe bytes hold

struct SkeletonFrame {
  const char* id;
  unsigned char flags0;
};
// The order of the frames in every tag this program writes.
constexpr SkeletonFrame kSkeletonFrames[] = {
    {"TRCK", 0}, {"TENC", 0x40}, {"WXXX", 0}, {"TCOP", 0}, {"TOPE", 0}, {"TCOM", 0},
    {"COMM", 0}, {"TCON", 0},    {"TYER", 0}, {"TALB", 0}, {"TPE1", 0}, {"TIT2", 0},
};

// The content that comes before a frame's text: the encoding byte 00, for WXXX also
// an empty description, for COMM also the language "CHS" and an empty description.
std::string_view FixedPart(std::string_view id) {
  using namespace std::string_view_literals;
  if (id[0] == 'T') return "\0"sv;
  if (id[0] == 'W') return "\0\0"sv;
  return "\0CHS\0"sv;
}

void PutBigEndian(std::string& tag, std::size_t at, std::uint32_t v) {
  for (int i = 3; i >= 0; --i, v >>= 8) tag[at + i] = static_cast<char>(v & 0xFF);
}

void SetHeaderSize(std::string& tag) {
  const auto size = EncodeTagSize(static_cast<std::uint32_t>(tag.size() - 10));
  std::memcpy(tag.data() + 6, size.data(), 4);
}

}  // namespace

std::string BuildTagSkeleton() {
  std::string tag("ID3\x03\x00\x00", 6);
  tag.append(4, '\0');
  for (const auto& f : kSkeletonFrames) {
    const std::string_view fixed = FixedPart(f.id);
    const std::size_t at = tag.size();
    tag += f.id;
    tag.append(4, '\0');
    PutBigEndian(tag, at + 4, static_cast<std::uint32_t>(fixed.size()));
    tag += static_cast<char>(f.flags0);
    tag += '\0';
    tag += fixed;
  }
  tag.resize(kEmptyTagSize, '\0');
  SetHeaderSize(tag);
  return tag;
}

std::string BuildId3v2Tag(const TagFields& fields, const Id3v2WriteOptions& options) {
  MemorySource none({});
  return BuildUpdatedId3v2Tag(none, fields, options);
}

bool BuildUpdatedId3v2Tag(const std::string& path, const TagFields& fields,
                          const Id3v2WriteOptions& options, std::string& tag) {
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return false;
  tag = BuildUpdatedId3v2Tag(file, fields, options);
  return tag.size() - 10 <= kMaxTagSize;
}

TagWriteResult WriteId3v2(const std::string& path, const TagFields& fields,
                          const Id3v2WriteOptions& options) {
  std::string tag;
  if (!BuildUpdatedId3v2Tag(path, fields, options, tag)) {
    // Nothing is written; the writer still says what is wrong with the file.
    const TagWriteResult refused = WriteTagBlocks(path, {}, {});
    return refused.ok() ? TagWriteResult{TagWriteError::kTagTooLarge} : refused;
  }
  return WriteTagBlocks(path, TagBlockChange::Replace(std::move(tag)), TagBlockChange::Keep());
}

TagWriteResult DeleteId3v2(const std::string& path) {
  return WriteTagBlocks(path, TagBlockChange::Remove(), TagBlockChange::Keep());
}

}  // namespace tessarn
