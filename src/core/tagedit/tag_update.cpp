#include "core/tagedit/tag_update.h"

#include "core/id3/genre_table.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {

namespace {

constexpr std::size_t kId3v1TextBytes = 30;
constexpr std::size_t kId3v1YearBytes = 4;
constexpr std::size_t kMaxId3v2Size = (1u << 28) - 1;  // what four syncsafe bytes hold

}  // namespace

Id3v1Texts Id3v1TextsFromId3v2(const TagFields& id3v2, LegacyEncoding legacy) {
  auto cut = [legacy](const std::string& text, std::size_t maxBytes) {
    return std::string(CutToId3v1Bytes(text, maxBytes, legacy));
  };
  Id3v1Texts out;
  out.track = id3v2.track;
  out.title = cut(id3v2.title, kId3v1TextBytes);
  out.artist = cut(id3v2.artist, kId3v1TextBytes);
  out.album = cut(id3v2.album, kId3v1TextBytes);
  out.year = cut(id3v2.year, kId3v1YearBytes);
  out.comment = cut(id3v2.comment, kId3v1TextBytes);
  return out;
}

std::string EditorGenreText(int genreNumber, const std::string& genreBoxText) {
  const char* name = GenreName(genreNumber);
  if (!name) return genreBoxText;
  return "(" + std::to_string(genreNumber) + ")" + name;
}

bool TagChangesOf(ByteSource& file, const TagUpdateRequest& request, TagBlockChange& id3v2,
                  TagBlockChange& id3v1) {
  if (request.id3v1Changed) {
    Id3v1Input input = request.id3v1;
    input.legacy = request.text.legacy;
    id3v1 = request.id3v1Present ? TagBlockChange::Replace(BuildId3v1Block(input))
                                 : TagBlockChange::Remove();
  }
  if (!request.id3v2Changed) return true;
  if (!request.id3v2Present) {
    id3v2 = TagBlockChange::Remove();
    return true;
  }
  std::string tag = BuildUpdatedId3v2Tag(file, request.id3v2, request.text, request.id3v2Rewrite);
  if (tag.size() - 10 > kMaxId3v2Size) return false;
  id3v2 = TagBlockChange::Replace(std::move(tag));
  return true;
}

TagUpdateResults TagUpdateResultsOf(const TagUpdateRequest& request, TagWriteError error) {
  const bool ok = error == TagWriteError::kNone;
  auto outcome = [ok](bool changed, bool present) {
    if (!changed) return TagUpdateResult::kNotDue;
    if (present) return ok ? TagUpdateResult::kWritten : TagUpdateResult::kWriteFailed;
    return ok ? TagUpdateResult::kDeleted : TagUpdateResult::kDeleteFailed;
  };
  TagUpdateResults results;
  results.id3v1 = outcome(request.id3v1Changed, request.id3v1Present);
  results.id3v2 = outcome(request.id3v2Changed, request.id3v2Present);
  results.reason = error;
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
  // Why it failed, once, under the last failure.
  const std::string why =
      !results.detail.empty() ? results.detail : Gb(TagWriteErrorText(results.reason));
  if (!why.empty() && !messages.empty() && messages.back().isError)
    messages.back().text += "\n" + why;
  return messages;
}

std::optional<TagUpdateMessage> TagUpdateMessageBox(const TagUpdateResults& results) {
  const std::vector<TagUpdateMessage> messages = TagUpdateMessages(results);
  if (messages.empty()) return std::nullopt;
  TagUpdateMessage box;
  for (const TagUpdateMessage& m : messages) {
    if (!box.text.empty()) box.text += "\n";
    box.text += m.text;
    box.isError = box.isError || m.isError;
  }
  return box;
}

bool AnyFailed(const TagUpdateResults& results) {
  for (TagUpdateResult r : {results.id3v1, results.id3v2})
    if (r == TagUpdateResult::kWriteFailed || r == TagUpdateResult::kDeleteFailed) return true;
  return false;
}

}  // namespace tessarn
