// Feeds arbitrary bytes to the ID3v1 and ID3v2 readers, as the start and the end
// of a file, and checks that a tag rebuilt from what was read reads back. Also
// checks that what a rewrite would replace never reaches past the file, that
// every rebuilt tag is one the writer can place, that bytes held in memory read
// as the same bytes copied out, and that the naming read gives what the general
// reader gives, whatever part of the bytes it holds in memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/id3v2_frames.h"
#include "core/id3/naming_tags.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_region.h"
#include "core/text/gb_text.h"

namespace {

// The same bytes, but only ever copied out: the readers then take the way they
// take for a file whose bytes are not held in memory.
class CopyingSource : public tessarn::ByteSource {
 public:
  explicit CopyingSource(std::string_view data) : memory_(data) {}
  std::uint64_t Size() const override { return memory_.Size(); }
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::string& out) override {
    return memory_.ReadAt(offset, n, out);
  }

 private:
  tessarn::MemorySource memory_;
};

// The same bytes, holding only the first `held` of them in memory, as a file holds
// what its first read fetched.
class FrontSource : public tessarn::MemorySource {
 public:
  FrontSource(std::string_view data, std::size_t held)
      : MemorySource(data), front_(data.substr(0, held)) {}
  std::string_view Front() override { return front_; }

 private:
  std::string_view front_;
};

// The naming read against the general readers, for every legacy encoding and for
// the whole input, a file's first window and a cut chosen by the input held.
void CheckNamingRead(std::string_view bytes) {
  using namespace tessarn;
  for (LegacyEncoding legacy :
       {LegacyEncoding::kAuto, LegacyEncoding::kGbk, LegacyEncoding::kLatin1}) {
    MemorySource general(bytes);
    TagFields v1, v2;
    const bool hasV2 = ReadId3v2NamingFields(general, v2, legacy);
    const bool hasV1 = ReadId3v1(general, v1, legacy);
    NamingTags expected;
    expected.Set(hasV1 ? &v1 : nullptr, hasV2 ? &v2 : nullptr);
    const std::size_t cut = bytes.empty() ? 0 : static_cast<unsigned char>(bytes.back()) * 3;
    for (std::size_t held : {bytes.size(), std::size_t{512}, cut}) {
      FrontSource source(bytes, held);
      NamingTags tags;
      ReadNamingTags(source, tags, legacy);
      if (tags.hasV1 != expected.hasV1 || tags.hasV2 != expected.hasV2) std::abort();
      for (bool version : {false, true})
        for (int digit = 1; digit <= 6; ++digit)
          if (tags.Field(version, digit) != expected.Field(version, digit)) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessarn;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  TagFields v1;
  MemorySource source(bytes);
  ReadId3v1(source, v1);

  // The reader as the naming rule uses it, and as a rewrite uses it (every frame).
  TagFields v2;
  const bool found = ParseId3v2(bytes, v2);
  TagFields again;
  std::vector<WalkedFrame> frames;
  MemorySource source2(bytes);
  if (ReadId3v2Tag(source2, again, {.frames = &frames}) != found) std::abort();

  // Read from memory in place or through copies, the fields are the same.
  TagFields copied;
  CopyingSource copying(bytes);
  if (ReadId3v2Tag(copying, copied) != found) std::abort();
  for (std::size_t k = 0; k < kTagFieldCount; ++k)
    if (copied.*kTagFieldTable[k].member != v2.*kTagFieldTable[k].member) std::abort();

  CheckNamingRead(bytes);

  MemorySource source3(bytes);
  const Id3v2Region region = LocateId3v2(source3);
  if (region.present != found) std::abort();
  if (region.length > size || region.framesEnd > region.length) std::abort();
  if (!region.walkable && region.length != 0) std::abort();

  if (found) {
    // A write that changes nothing keeps every text; one that changes the title
    // and the artist keeps the others and reads back with the new ones, in both
    // encodings of changed frames. The writer can place every tag built.
    for (TagWriteEncoding encoding : {TagWriteEncoding::kUnicode, TagWriteEncoding::kGbk}) {
      const Id3v2WriteOptions options{.encoding = encoding};
      for (bool change : {false, true}) {
        TagFields wanted = v2;
        if (change) {
          wanted.title += "x";
          wanted.artist = "a" + wanted.artist;
        }
        MemorySource from(bytes);
        const std::string rebuilt = BuildUpdatedId3v2Tag(from, wanted, options);
        MemorySource rebuiltSource(rebuilt);
        const Id3v2Region placed = LocateId3v2(rebuiltSource);
        if (!placed.walkable || placed.length != rebuilt.size()) std::abort();
        TagFields back;
        if (!ParseId3v2(rebuilt, back)) std::abort();
        // Every field reads back as wanted; a v2.4 tag keeps a year in TDRC, which
        // gives its first four bytes.
        for (std::size_t k = 0; k < kTagFieldCount; ++k) {
          const std::string& got = back.*kTagFieldTable[k].member;
          const std::string& want = wanted.*kTagFieldTable[k].member;
          if (k == kFieldYear ? CutToBytes(got, 4) != CutToBytes(want, 4) : got != want)
            std::abort();
        }
      }
    }
  }
  return 0;
}
