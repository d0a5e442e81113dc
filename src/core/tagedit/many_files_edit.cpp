#include "core/tagedit/many_files_edit.h"

#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/text/encoding.h"

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

// The leading digits of a track ("3/12" gives 3), or -1 without any.
int TrackNumber(const std::string& track) {
  std::size_t n = 0;
  while (n < track.size() && n < 3 && track[n] >= '0' && track[n] <= '9') ++n;
  return n == 0 ? -1 : std::stoi(track.substr(0, n));
}

// The ID3v1 block one file gets, or the reason it cannot hold the values.
std::optional<std::string> PlanId3v1(ByteSource& file, const ManyFilesEdit& edit,
                                     LegacyEncoding legacy, Id3v1Input& input) {
  TagFields v1;
  ReadId3v1(file, v1, legacy);
  int genre = v1.genre.empty() ? kNoGenreByte : std::stoi(v1.genre);
  if (edit.copyId3v2ToId3v1) {
    // The file's ID3v2 as the form leaves it, the changed boxes included.
    TagFields v2;
    ReadId3v2(file, v2, legacy);
    for (std::size_t k = 0; k < kTagFieldCount; ++k)
      if (const auto& changed = edit.id3v2[k]) v2.*kTagFieldTable[k].member = *changed;
    const Id3v1Texts copied = Id3v1TextsFromId3v2(v2, legacy);
    v1.title = copied.title;
    v1.artist = copied.artist;
    v1.album = copied.album;
    v1.year = copied.year;
    v1.comment = copied.comment;
    v1.track = copied.track;
    for (int n = 0; n < kGenreCount; ++n)
      if (v2.genre == GenreName(n) || v2.genre == EditorGenreText(n, {}))
        genre = n;
  }
  for (std::size_t k = 0; k < kId3v1FieldCount; ++k)
    if (const auto& changed = edit.id3v1[k]) {
      if (k == kFieldGenre)
        genre = changed->empty() ? kNoGenreByte : std::stoi(*changed);
      else
        v1.*kTagFieldTable[k].member = *changed;
    }
  input.title = v1.title;
  input.artist = v1.artist;
  input.album = v1.album;
  input.year = v1.year;
  input.comment = v1.comment;
  const int track = TrackNumber(v1.track);
  if (!v1.track.empty() && (track < 0 || track > 255))
    return Gb("ID3v1 的音轨必须是 0 到 255 的数字");
  input.track = track > 0 ? std::to_string(track) : std::string();
  input.genre = genre;
  const std::size_t commentBytes = input.track.empty() ? 30 : 28;
  struct Limit {
    const std::string& text;
    std::size_t bytes;
    TagFieldIndex field;
  };
  const Limit limits[] = {{input.title, 30, kFieldTitle},
                          {input.artist, 30, kFieldArtist},
                          {input.album, 30, kFieldAlbum},
                          {input.year, 4, kFieldYear},
                          {input.comment, commentBytes, kFieldComment}};
  for (const Limit& limit : limits)
    if (Id3v1TextBytes(limit.text, legacy) > limit.bytes)
      return Gb("ID3v1 的") + Gb(kTagFieldTable[limit.field].label) + Gb("最多 ") +
             std::to_string(limit.bytes) + Gb(" 字节");
  return std::nullopt;
}

TagFields PlanId3v2(ByteSource& file, const ManyFilesEdit& edit, LegacyEncoding legacy) {
  TagFields v2;
  ReadId3v2(file, v2, legacy);
  if (edit.copyId3v1ToId3v2) {
    TagFields v1;
    if (ReadId3v1(file, v1, legacy)) {
      for (std::size_t k = 0; k < kId3v1FieldCount; ++k)
        if (const auto& changed = edit.id3v1[k]) v1.*kTagFieldTable[k].member = *changed;
      for (std::size_t k = 0; k < kId3v1FieldCount; ++k)
        if (k != kFieldGenre) v2.*kTagFieldTable[k].member = v1.*kTagFieldTable[k].member;
      const int n = v1.genre.empty() ? -1 : std::stoi(v1.genre);
      v2.genre = GenreName(n) ? EditorGenreText(n, {}) : std::string();
    }
  }
  for (std::size_t k = 0; k < kTagFieldCount; ++k)
    if (const auto& changed = edit.id3v2[k]) v2.*kTagFieldTable[k].member = *changed;
  return v2;
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

bool IsEmpty(const ManyFilesEdit& edit) {
  if (edit.copyId3v1ToId3v2 || edit.copyId3v2ToId3v1 || edit.removeId3v1 || edit.removeId3v2)
    return false;
  for (std::size_t k = 0; k < kTagFieldCount; ++k)
    if (edit.id3v1[k] || edit.id3v2[k]) return false;
  return true;
}

std::vector<TagRunFile> ApplyManyFilesEdit(const std::vector<std::string>& paths,
                                           const ManyFilesEdit& edit, const Id3v2WriteOptions& text,
                                           const TagFileTried& tried) {
  bool v1Changed = edit.copyId3v2ToId3v1, v2Changed = edit.copyId3v1ToId3v2;
  for (std::size_t k = 0; k < kTagFieldCount; ++k) {
    v1Changed = v1Changed || edit.id3v1[k].has_value();
    v2Changed = v2Changed || edit.id3v2[k].has_value();
  }
  TagUpdateRequest due;
  due.text = text;
  due.id3v1Changed = v1Changed || edit.removeId3v1;
  due.id3v1Present = !edit.removeId3v1;
  due.id3v2Changed = v2Changed || edit.removeId3v2;
  due.id3v2Present = !edit.removeId3v2;
  std::vector<TagRunFile> out(paths.size());
  if (!due.id3v1Changed && !due.id3v2Changed) {
    for (TagRunFile& file : out) file.ok = true;
    return out;
  }
  // Each file is planned from its tags as they are under the write's lock.
  TagWriteRun run;
  std::optional<std::string> stop;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (stop) {
      out[i].reason = *stop;
      continue;
    }
    TagUpdateResults results;
    out[i] = RunPlannedTagUpdate(
        paths[i],
        [&](ByteSource& file, TagUpdateRequest& request) -> std::optional<std::string> {
          request = due;
          if (request.id3v1Changed && request.id3v1Present)
            if (auto problem = PlanId3v1(file, edit, text.legacy, request.id3v1)) return problem;
          if (request.id3v2Changed && request.id3v2Present)
            request.id3v2 = PlanId3v2(file, edit, text.legacy);
          return std::nullopt;
        },
        run, results);
    if (tried) stop = tried(paths[i], out[i]);
  }
  return out;
}

}  // namespace tessarn
