// The six fields a naming template can use ("#1" to "#6": artist, title, album,
// track, year, genre), of both tag versions of one file, and their read. The
// naming page reads them from every listed file on every keystroke that finds a
// file new or changed, so the read takes them from the bytes the file's first read
// fetched wherever it can, without the general frame walk (id3v2.h), and gives the
// same texts that walk gives.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "core/id3/tag_fields.h"
#include "core/id3/tag_file_io.h"
#include "core/text/legacy_text.h"

namespace tessarn {

// One naming field as a read gives it: a view of the bytes read, when they are
// the text as they stand (plain ASCII), else the converted text it holds itself.
// Never copied or moved, so that a view of its own text stays valid.
struct NamingText {
  std::string_view text;
  std::string owned;

  NamingText() = default;
  NamingText(const NamingText&) = delete;
  NamingText& operator=(const NamingText&) = delete;
  void Own(std::string s) {
    owned = std::move(s);
    text = owned;
  }
};
// Indexed by placeholder digit - 1.
using NamingTexts = std::array<NamingText, 6>;

// Both versions' fields packed into one run of bytes to keep thousands of them
// small. The usual few dozen bytes stay inside the object: a pass over the tag
// cache's slots reads them in order, with no heap block per file to fetch.
class NamingTags {
 public:
  bool hasV1 = false;
  bool hasV2 = false;
  // A tag write of the file was cut short and the next write finishes it: the
  // tags read now may be neither the old ones nor the new ones.
  bool interruptedWrite = false;

  // Placeholder digit 1..6: artist, title, album, track, year, genre.
  std::string_view Field(bool v2, int digit) const;

  // Takes the six fields of each record given (nullptr: that version is absent).
  void Set(const TagFields* v1, const TagFields* v2);
  // The same from texts by digit.
  void SetTexts(const NamingTexts* v1, const NamingTexts* v2);

 private:
  void Set(const std::array<std::string_view, 12>& fields);

  static constexpr std::size_t kInline = 48;
  const char* Bytes() const { return large_ ? large_.get() : small_; }
  std::array<std::uint32_t, 12> ends_{};
  char small_[kInline] = {};
  std::unique_ptr<char[]> large_;  // when the fields do not fit in small_
};

// Both tags of the source, as ReadId3v2NamingFields and ReadId3v1 read them.
void ReadNamingTags(ByteSource& source, NamingTags& tags, LegacyEncoding legacy);

// Both tags of the file at path (raw disk bytes), opening it once and reading
// little more than the tags' first bytes. False when the file cannot be opened.
bool ReadNamingTags(const std::string& path, NamingTags& tags,
                    LegacyEncoding legacy = LegacyEncoding::kAuto);
// The same for the file `name` inside the open folder folderFd (see ReadOnlyFile).
bool ReadNamingTags(int folderFd, const std::string& name, const std::string& path,
                    NamingTags& tags, LegacyEncoding legacy = LegacyEncoding::kAuto,
                    RecoveryLookup lookup = RecoveryLookup::kLookUp);

}  // namespace tessarn
