#include "core/tagedit/tag_update.h"

#include <fstream>

#include "core/id3/genre_table.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {

namespace {

constexpr std::size_t kId3v1TextBytes = 30;
constexpr std::size_t kId3v1YearBytes = 4;

std::string Cut(const std::string& text, std::size_t maxBytes) {
  return std::string(CutToBytes(text, maxBytes));
}

// Both updates need the file open for writing; one that cannot be opened fails them
// before anything is tried.
bool CanOpenForUpdate(const std::string& path) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  return file.is_open();
}

}  // namespace

Id3v1Texts Id3v1TextsFromId3v2(const TagFields& id3v2) {
  Id3v1Texts out;
  out.track = id3v2.track;
  out.title = Cut(id3v2.title, kId3v1TextBytes);
  out.artist = Cut(id3v2.artist, kId3v1TextBytes);
  out.album = Cut(id3v2.album, kId3v1TextBytes);
  out.year = Cut(id3v2.year, kId3v1YearBytes);
  out.comment = Cut(id3v2.comment, kId3v1TextBytes);
  return out;
}

std::string EditorGenreText(int genreNumber, const std::string& genreBoxText) {
  const char* name = GenreName(genreNumber);
  if (!name) return genreBoxText;
  return "(" + std::to_string(genreNumber) + ")" + name;
}

TagUpdateResults UpdateTags(const std::string& path, const TagUpdateRequest& request) {
  TagUpdateResults results;
  const bool writable = CanOpenForUpdate(path);
  if (request.id3v1Changed) {
    if (request.id3v1Present) {
      Id3v1Input id3v1 = request.id3v1;
      id3v1.legacy = request.text.legacy;
      results.id3v1 = writable && WriteId3v1(path, id3v1) ? TagUpdateResult::kWritten
                                                                  : TagUpdateResult::kWriteFailed;
    } else {
      results.id3v1 = writable && DeleteId3v1(path) ? TagUpdateResult::kDeleted
                                                    : TagUpdateResult::kDeleteFailed;
    }
  }
  if (request.id3v2Changed) {
    if (request.id3v2Present) {
      results.id3v2 = writable && WriteId3v2(path, request.id3v2, {}, request.text)
                          ? TagUpdateResult::kWritten
                          : TagUpdateResult::kWriteFailed;
    } else {
      results.id3v2 = writable && DeleteId3v2(path) ? TagUpdateResult::kDeleted
                                                    : TagUpdateResult::kDeleteFailed;
    }
  }
  return results;
}

std::vector<TagUpdateMessage> TagUpdateMessages(const TagUpdateResults& results,
                                                RemovalNotice removal) {
  std::vector<TagUpdateMessage> messages;
  auto add = [&messages, removal](TagUpdateResult result, const char* written,
                                  const char* writeFailed, const char* deleteFailed,
                                  const char* deleted) {
    switch (result) {
      case TagUpdateResult::kWritten:
        messages.push_back({Gb(written), false});
        break;
      case TagUpdateResult::kWriteFailed:
        messages.push_back({Gb(writeFailed), true});
        break;
      case TagUpdateResult::kDeleteFailed:
        messages.push_back({Gb(deleteFailed), true});
        break;
      case TagUpdateResult::kDeleted:
        if (removal == RemovalNotice::kSay) messages.push_back({Gb(deleted), false});
        break;
      case TagUpdateResult::kNotDue:
        break;
    }
  };
  add(results.id3v1, "ID3v1标签更新成功！", "ID3v1标签更新失败！", "删除ID3v1标签失败！",
      "ID3v1标签已删除");
  add(results.id3v2, "ID3v2标签更新成功！", "ID3v2标签更新失败！", "删除ID3v2标签失败！",
      "ID3v2标签已删除");
  return messages;
}

bool AnyFailed(const TagUpdateResults& results) {
  for (TagUpdateResult r : {results.id3v1, results.id3v2})
    if (r == TagUpdateResult::kWriteFailed || r == TagUpdateResult::kDeleteFailed) return true;
  return false;
}

}  // namespace tessarn
