#include "core/tagedit/many_files_edit.h"

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {

namespace {

void Merge(CommonTag& common, bool first, bool found, const TagFields& fields, std::size_t count) {
  if (found) ++common.present;
  for (std::size_t k = 0; k < count; ++k) {
    const std::string& value = fields.*kTagFieldTable[k].member;  // empty without the tag
    auto& shown = common.fields[k];
    if (first)
      shown = value;
    else if (shown && *shown != value)
      shown.reset();
  }
}

}  // namespace

const std::string& ManyValuesHint() {
  static const std::string text = Gb("<多个值>");
  return text;
}

CommonTags CommonTagsOf(const std::vector<std::string>& paths, LegacyEncoding legacy) {
  CommonTags common;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    TagFields v1, v2;
    const bool hasV1 = ReadId3v1(paths[i], v1, legacy);
    const bool hasV2 = ReadId3v2(paths[i], v2, legacy);
    Merge(common.id3v1, i == 0, hasV1, hasV1 ? v1 : TagFields{}, kId3v1FieldCount);
    Merge(common.id3v2, i == 0, hasV2, hasV2 ? v2 : TagFields{}, kTagFieldCount);
  }
  return common;
}

}  // namespace tessarn
