#include "core/tagedit/tag_edit.h"

#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/text/encoding.h"

namespace tessarn {

namespace {

bool AnyField(const std::array<std::optional<std::string>, kTagFieldCount>& fields) {
  for (const auto& field : fields)
    if (field) return true;
  return false;
}

bool ChangesId3v1(const TagEdit& edit) {
  return edit.removeId3v1 || edit.writeId3v1 || edit.copyId3v2ToId3v1 || AnyField(edit.id3v1);
}

bool ChangesId3v2Fields(const TagEdit& edit) {
  return edit.removeId3v2 || edit.writeId3v2 || edit.copyId3v1ToId3v2 || AnyField(edit.id3v2);
}

// The track as ID3v1 holds it: the number before any "/total"; -1 when that is
// not a number of 0..255.
int Id3v1Track(const std::string& track) {
  const std::string number = track.substr(0, track.find('/'));
  if (number.empty() || number.size() > 3 ||
      number.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  const int n = std::stoi(number);
  return n <= 255 ? n : -1;
}

// The file's ID3v2 texts as the edit leaves them.
TagFields EditedId3v2(ByteSource& file, const TagEdit& edit, LegacyEncoding legacy, bool& had) {
  TagFields v2;
  had = ReadId3v2(file, v2, legacy);
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

// The ID3v1 block's values for the file, or the reason they do not fit.
std::optional<std::string> PlanId3v1(ByteSource& file, const TagEdit& edit, LegacyEncoding legacy,
                                     Id3v1Input& input) {
  TagFields v1;
  ReadId3v1(file, v1, legacy);
  int genre = v1.genre.empty() ? kNoGenreByte : std::stoi(v1.genre);
  if (edit.copyId3v2ToId3v1) {
    bool had = false;
    TagEdit v2Only;
    v2Only.id3v2 = edit.id3v2;
    const TagFields v2 = EditedId3v2(file, v2Only, legacy, had);
    const Id3v1Texts copied = Id3v1TextsFromId3v2(v2, legacy);
    v1.title = copied.title;
    v1.artist = copied.artist;
    v1.album = copied.album;
    v1.year = copied.year;
    v1.comment = copied.comment;
    v1.track = copied.track;
    for (int n = 0; n < kGenreCount; ++n)
      if (v2.genre == GenreName(n) || v2.genre == EditorGenreText(n, {})) genre = n;
  }
  for (std::size_t k = 0; k < kId3v1FieldCount; ++k)
    if (const auto& changed = edit.id3v1[k]) {
      if (k == kFieldGenre)
        genre = changed->empty() ? kNoGenreByte : std::stoi(*changed);
      else
        v1.*kTagFieldTable[k].member = *changed;
    }
  const int track = v1.track.empty() ? 0 : Id3v1Track(v1.track);
  if (track < 0) return Gb("ID3v1 的音轨必须是 0 到 255 的数字");
  input.title = v1.title;
  input.artist = v1.artist;
  input.album = v1.album;
  input.year = v1.year;
  input.comment = v1.comment;
  input.track = track > 0 ? std::to_string(track) : std::string();
  input.genre = genre;
  // With a track the block keeps 28 bytes of comment: the track takes the rest.
  const bool hasTrack = track > 0;
  struct Limit {
    const std::string& text;
    std::size_t bytes;
    TagFieldIndex field;
  };
  const Limit limits[] = {{input.title, 30, kFieldTitle},
                          {input.artist, 30, kFieldArtist},
                          {input.album, 30, kFieldAlbum},
                          {input.year, 4, kFieldYear},
                          {input.comment, hasTrack ? 28u : 30u, kFieldComment}};
  for (const Limit& limit : limits)
    if (const std::size_t bytes = Id3v1TextBytes(limit.text, legacy); bytes > limit.bytes) {
      std::string reason = Gb("ID3v1 的") + Gb(kTagFieldTable[limit.field].label) + Gb("最多 ") +
                           std::to_string(limit.bytes) + Gb(" 字节，给出的有 ") +
                           std::to_string(bytes) + Gb(" 字节");
      if (limit.field == kFieldComment && hasTrack) reason += Gb("（有音轨时）");
      return reason;
    }
  return std::nullopt;
}

// Fills the request's values from the file as it is now; the reason (GB18030)
// when the file cannot take the edit.
std::optional<std::string> Plan(ByteSource& file, const TagEdit& edit, TagUpdateRequest& request) {
  const LegacyEncoding legacy = request.text.legacy;
  if (request.id3v1Changed && request.id3v1Present) {
    if (auto problem = PlanId3v1(file, edit, legacy, request.id3v1)) {
      if (!edit.id3v1WhereFits) return problem;
      request.id3v1Changed = false;
    }
  }
  if (request.id3v2Changed && request.id3v2Present) {
    bool had = false;
    request.id3v2 = EditedId3v2(file, edit, legacy, had);
    // Converting the text a file has makes no tag for a file without one.
    if (!had && !ChangesId3v2Fields(edit)) request.id3v2Changed = false;
  }
  return std::nullopt;
}

// What an undo needs of a write that changed the file.
TagFileUndo UndoOf(const TagWriteUndo& written) {
  TagFileUndo undo;
  undo.device = written.stamp.device;
  undo.inode = written.stamp.inode;
  undo.size = written.stamp.size;
  undo.mtimeSeconds = written.stamp.mtimeSeconds;
  undo.mtimeNanoseconds = written.stamp.mtimeNanoseconds;
  undo.oldMtimeSeconds = written.oldTime.seconds;
  undo.oldMtimeNanoseconds = written.oldTime.nanoseconds;
  undo.oldId3v2 = written.oldId3v2;
  undo.oldId3v1 = written.oldId3v1;
  return undo;
}

}  // namespace

bool IsEmpty(const TagEdit& edit) {
  return !ChangesId3v1(edit) && !ChangesId3v2Fields(edit) && !edit.convertToUnicode;
}

TagRunFile EditFileTags(const std::string& path, const TagEdit& edit,
                        const Id3v2WriteOptions& text, TagWriteRun& run) {
  TagRunFile out;
  TagUpdateRequest request;
  request.text = text;
  request.text.convertLegacyFrames = edit.convertToUnicode;
  request.id3v1Changed = ChangesId3v1(edit);
  request.id3v1Present = !edit.removeId3v1;
  request.id3v2Changed = ChangesId3v2Fields(edit) || edit.convertToUnicode;
  request.id3v2Present = !edit.removeId3v2;
  for (std::size_t k = 0; k < kTagFieldCount; ++k)
    if (edit.id3v2[k]) request.id3v2Rewrite |= 1u << k;
  if (!request.id3v1Changed && !request.id3v2Changed) {
    out.ok = true;
    return out;
  }
  std::optional<std::string> problem;
  bool tooLarge = false;
  TagWriteUndo written;
  TagWriteResult result = EditTagBlocks(
      path,
      [&](ByteSource& file, TagBlockChange& id3v2, TagBlockChange& id3v1) {
        problem = Plan(file, edit, request);
        tooLarge = !problem && !TagChangesOf(file, request, id3v2, id3v1);
        return !problem && !tooLarge;
      },
      run, written);
  if (problem && result.ok()) {
    out.results = TagUpdateResultsOf(request, TagWriteError::kIoError);
    out.results.reason = TagWriteError::kNone;
    out.results.detail = *problem;
    out.reason = *problem;
    return out;
  }
  if (tooLarge && result.ok()) result.error = TagWriteError::kTagTooLarge;
  out.results = TagUpdateResultsOf(request, result.error);
  out.ok = result.ok();
  if (!out.ok) {
    out.reason = Gb(TagWriteErrorText(result.error));
    return out;
  }
  // A file left as it was (nothing due, or the very same bytes) has nothing to undo.
  if (written.written) out.undo = UndoOf(written);
  return out;
}

std::vector<TagRunFile> EachTagFile(
    const std::vector<std::string>& paths, const TagFileTried& tried,
    const std::function<TagRunFile(std::size_t i, TagWriteRun& run)>& one) {
  std::vector<TagRunFile> out(paths.size());
  TagWriteRun run;
  std::optional<std::string> stop;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (stop) {
      out[i].reason = *stop;
      continue;
    }
    out[i] = one(i, run);
    if (tried) stop = tried(paths[i], out[i]);
  }
  return out;
}

std::vector<TagRunFile> EditTags(const std::vector<std::string>& paths, const TagEdit& edit,
                                 const Id3v2WriteOptions& text, const TagFileTried& tried) {
  return EachTagFile(paths, tried, [&](std::size_t i, TagWriteRun& run) {
    return EditFileTags(paths[i], edit, text, run);
  });
}

std::optional<std::string> Id3v1ProblemOf(ByteSource& file, const TagEdit& edit,
                                          LegacyEncoding legacy) {
  if (!ChangesId3v1(edit) || edit.removeId3v1) return std::nullopt;
  Id3v1Input input;
  return PlanId3v1(file, edit, legacy, input);
}

}  // namespace tessarn
