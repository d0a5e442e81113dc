#include "core/id3/naming_tags.h"

#include <cstring>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"

namespace tessarn {
namespace {

// The field of each placeholder digit 1..6.
const std::string& TemplateField(const TagFields& f, int digit) {
  switch (digit) {
    case 1:
      return f.artist;
    case 2:
      return f.title;
    case 3:
      return f.album;
    case 4:
      return f.track;
    case 5:
      return f.year;
    default:
      return f.genre;
  }
}

}  // namespace

std::string_view NamingTags::Field(bool v2, int digit) const {
  if (digit < 1 || digit > 6) return {};
  const int k = (v2 ? 6 : 0) + digit - 1;
  const std::uint32_t begin = k == 0 ? 0 : ends_[k - 1];
  return std::string_view(Bytes() + begin, ends_[k] - begin);
}

void NamingTags::Set(const TagFields* v1, const TagFields* v2) {
  hasV1 = v1 != nullptr;
  hasV2 = v2 != nullptr;
  std::array<std::string_view, 12> fields;
  for (int k = 0; k < 12; ++k)
    if (const TagFields* f = k < 6 ? v1 : v2) fields[k] = TemplateField(*f, k % 6 + 1);
  Set(fields);
}

void NamingTags::SetTexts(const NamingTexts* v1, const NamingTexts* v2) {
  hasV1 = v1 != nullptr;
  hasV2 = v2 != nullptr;
  std::array<std::string_view, 12> fields;
  for (int k = 0; k < 12; ++k)
    if (const NamingTexts* f = k < 6 ? v1 : v2) fields[k] = (*f)[k % 6].text;
  Set(fields);
}

void NamingTags::Set(const std::array<std::string_view, 12>& fields) {
  std::size_t total = 0;
  for (const std::string_view field : fields) total += field.size();
  if (total <= kInline)
    large_.reset();
  else
    large_ = std::make_unique<char[]>(total);
  char* out = large_ ? large_.get() : small_;
  std::uint32_t end = 0;
  for (int k = 0; k < 12; ++k) {
    if (!fields[k].empty()) std::memcpy(out + end, fields[k].data(), fields[k].size());
    end += static_cast<std::uint32_t>(fields[k].size());
    ends_[k] = end;
  }
}

void ReadNamingTags(ByteSource& source, NamingTags& tags, LegacyEncoding legacy) {
  // The ID3v2 tag from the source's first bytes, which its first read fetches
  // (for a file, the tag of a few hundred bytes that most files have); else by the
  // general walk, which reads what it needs.
  NamingTexts v2;
  bool hasV2 = false;
  switch (ReadId3v2NamingFieldsInPlace(source.Front(), source.Size(), legacy, v2)) {
    case InPlaceRead::kRead:
      hasV2 = true;
      break;
    case InPlaceRead::kNoTag:
      break;
    case InPlaceRead::kNeedsSource: {
      TagFields walked;
      hasV2 = ReadId3v2NamingFields(source, walked, legacy);
      if (hasV2)
        for (int digit = 1; digit <= 6; ++digit) v2[digit - 1].Own(TemplateField(walked, digit));
      break;
    }
  }

  // The ID3v1 block, read into the stack.
  NamingTexts v1;
  bool hasV1 = false;
  const std::uint64_t size = source.Size();
  char block[kId3v1Size];
  if (size >= kId3v1Size && source.ReadInto(size - kId3v1Size, kId3v1Size, block) == kId3v1Size)
    hasV1 = ParseId3v1NamingFields(std::string_view(block, kId3v1Size), legacy, v1);

  tags.SetTexts(hasV1 ? &v1 : nullptr, hasV2 ? &v2 : nullptr);
}

bool ReadNamingTags(const std::string& path, NamingTags& tags, LegacyEncoding legacy) {
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return false;
  ReadNamingTags(file, tags, legacy);
  tags.interruptedWrite = file.Record() == RecoveryRecord::kUnfinished;
  return true;
}

bool ReadNamingTags(int folderFd, const std::string& name, const std::string& path,
                    NamingTags& tags, LegacyEncoding legacy, RecoveryLookup lookup) {
  ReadOnlyFile file(folderFd, name, path, lookup);
  if (!file.IsOpen()) return false;
  ReadNamingTags(file, tags, legacy);
  tags.interruptedWrite = file.Record() == RecoveryRecord::kUnfinished;
  return true;
}

}  // namespace tessarn
