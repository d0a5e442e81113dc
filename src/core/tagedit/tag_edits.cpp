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

// The ID3v1 values to write: the file's block (when it has one) with the given
// fields changed. A value that does not fit the block is refused.
std::optional<std::string> MergeId3v1(ByteSource& file, const TagEdits& edits,
                                      LegacyEncoding legacy, Id3v1Input& input) {
  TagFields current;
  const bool had = ReadId3v1(file, current, legacy);
  for (std::size_t k = 0; k < kId3v1FieldCount; ++k)
    if (const auto& edit = edits.*kEdits[k]) current.*kTagFieldTable[k].member = *edit;
  input.title = current.title;
  input.artist = current.artist;
  input.album = current.album;
  input.year = current.year;
  input.comment = current.comment;
  input.track = current.track;
  input.genre = kNoGenreByte;
  if (edits.genre) {
    const int n = *GenreNumberOf(*edits.genre);  // checked before any file
    input.genre = n < 0 ? kNoGenreByte : n;
  } else if (had && !current.genre.empty()) {
    input.genre = std::stoi(current.genre);
  }
  struct Limit {
    const std::string& text;
    std::size_t bytes;
    const char* option;
  };
  // With a track the block keeps 28 bytes of comment: the track takes the rest.
  const bool hasTrack = !input.track.empty() && std::stoi(input.track) % 256 != 0;
  const Limit limits[] = {{input.title, 30, "--title"},
                          {input.artist, 30, "--artist"},
                          {input.album, 30, "--album"},
                          {input.year, 4, "--year"},
                          {input.comment, hasTrack ? 28u : 30u, "--comment"}};
  for (const Limit& limit : limits)
    if (const std::size_t bytes = Id3v1TextBytes(limit.text, legacy); bytes > limit.bytes) {
      std::string reason = std::string("ID3v1 的 ") + (limit.option + 2) + " 最多 " +
                           std::to_string(limit.bytes) + " 字节，给出的有 " +
                           std::to_string(bytes) + " 字节";
      if (limit.option == std::string("--comment") && hasTrack) reason += "（有音轨时）";
      return Gb(reason);
    }
  return std::nullopt;
}

TagFields MergeId3v2(ByteSource& file, const TagEdits& edits, LegacyEncoding legacy) {
  TagFields current;
  ReadId3v2(file, current, legacy);
  for (std::size_t k = 0; k < kTagFieldCount; ++k)
    if (const auto& edit = edits.*kEdits[k]) current.*kTagFieldTable[k].member = *edit;
  if (edits.genre) {
    current.genre = EditorGenreText(*GenreNumberOf(*edits.genre), {});  // "(17)Rock"
  } else {
    for (int n = 0; n < kGenreCount; ++n)
      if (current.genre == GenreName(n)) current.genre = EditorGenreText(n, {});
  }
  return current;
}

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

std::optional<std::string> PlanTagEdits(const std::string& path, const TagEdits& edits, bool id3v1,
                                        bool id3v2, const Id3v2WriteOptions& text,
                                        TagUpdateRequest& request) {
  ReadOnlyFile file(path);
  return PlanTagEdits(file, edits, id3v1, id3v2, text, request);
}

std::optional<std::string> PlanTagEdits(ByteSource& file, const TagEdits& edits, bool id3v1,
                                        bool id3v2, const Id3v2WriteOptions& text,
                                        TagUpdateRequest& request) {
  request = {};
  request.text = text;
  if (id3v1) {
    request.id3v1Changed = request.id3v1Present = true;
    if (auto problem = MergeId3v1(file, edits, text.legacy, request.id3v1)) return problem;
  }
  if (id3v2) {
    request.id3v2Changed = request.id3v2Present = true;
    request.id3v2 = MergeId3v2(file, edits, text.legacy);
  }
  return std::nullopt;
}

TagUpdateRequest DeletionRequest(bool id3v1, bool id3v2) {
  TagUpdateRequest request;
  request.id3v1Changed = id3v1;
  request.id3v2Changed = id3v2;
  return request;
}

}  // namespace tessarn
