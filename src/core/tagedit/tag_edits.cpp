#include "core/tagedit/tag_edits.h"

#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {

namespace {

// The edit of each field, in the order of kTagFieldTable.
constexpr std::optional<std::string> TagEdits::*kEdits[kTagFieldCount] = {
    &TagEdits::title,          &TagEdits::artist,    &TagEdits::album,   &TagEdits::track,
    &TagEdits::year,           &TagEdits::genre,     &TagEdits::comment, &TagEdits::composer,
    &TagEdits::originalArtist, &TagEdits::copyright, &TagEdits::url,     &TagEdits::encoder,
};

}  // namespace

std::optional<int> GenreNumberOf(const std::string& text) {
  if (text.empty()) return -1;
  for (int n = 0; n < kGenreCount; ++n)
    if (text == GenreName(n)) return n;
  for (int n = 0; n < kGenreCount; ++n)
    if (EqualsIgnoreAsciiCase(text, GenreName(n))) return n;
  if (text.size() <= 3 && text.find_first_not_of("0123456789") == std::string::npos) {
    const int n = std::stoi(text);
    if (n < kGenreCount) return n;
  }
  return std::nullopt;
}

std::optional<std::string> CheckTagEdits(const TagEdits& edits, bool id3v1, bool id3v2) {
  if (edits.genre && !GenreNumberOf(*edits.genre))
    return Gb("未知的流派：") + *edits.genre + Gb("（请使用流派列表中的名称，例如 Rock）");
  if (id3v1 && edits.track) {
    const std::string& t = *edits.track;
    if (t.size() > 3 || t.find_first_not_of("0123456789") != std::string::npos ||
        (!t.empty() && std::stoi(t) > 255))
      return Gb("ID3v1 的音轨必须是 0 到 255 的数字");
  }
  if (id3v1 && !id3v2)
    for (std::size_t k = kId3v1FieldCount; k < kTagFieldCount; ++k)
      if (edits.*kEdits[k]) return std::string(kTagFieldTable[k].option) + Gb(" 只属于 ID3v2 标签");
  bool any = false;
  for (auto edit : kEdits) any = any || (edits.*edit).has_value();
  if (!any) return Gb("tags set 至少需要一个字段选项（例如 --title）");
  return std::nullopt;
}

TagEdit TagEditOf(const TagEdits& edits, bool id3v1, bool id3v2) {
  TagEdit edit;
  for (std::size_t k = 0; k < kTagFieldCount; ++k) {
    const auto& given = edits.*kEdits[k];
    if (!given) continue;
    if (k == kFieldGenre) {
      const int n = *GenreNumberOf(*given);  // checked before any file
      if (id3v1) edit.id3v1[k] = n < 0 ? std::string() : std::to_string(n);
      if (id3v2) edit.id3v2[k] = EditorGenreText(n, {});
      continue;
    }
    if (id3v1 && k < kId3v1FieldCount) edit.id3v1[k] = *given;
    if (id3v2) edit.id3v2[k] = *given;
  }
  edit.writeId3v1 = id3v1;
  edit.writeId3v2 = id3v2;
  return edit;
}

TagEdit DeletionEdit(bool id3v1, bool id3v2) {
  TagEdit edit;
  edit.removeId3v1 = id3v1;
  edit.removeId3v2 = id3v2;
  return edit;
}

bool Id3v1MayRefuse(const TagEdits& edits) {
  auto longer = [](const std::optional<std::string>& text, std::size_t bytes) {
    return text && text->size() > bytes;  // GB18030 bytes: never fewer than the block's
  };
  const bool track = edits.track && edits.track->find_first_not_of('0') != std::string::npos;
  return longer(edits.title, 30) || longer(edits.artist, 30) || longer(edits.album, 30) ||
         longer(edits.year, 4) || longer(edits.comment, 28) || track;
}

}  // namespace tessarn
