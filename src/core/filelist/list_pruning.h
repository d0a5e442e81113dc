// Taking entries off the list: selected rows, the whole list, rows whose MP3 tag
// lookup failed, and the filter. Files on disk are never touched; an entry leaves
// with its row, names, statuses and undo name. None of these runs the preview.
// After each, the caller refreshes the status bar and, when the list is empty,
// disables "预览" and "开始命名" (and "撤消" when undo.available turned false).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/rename_run.h"
#include "core/filelist/user_message.h"

namespace tessarn {

// Removes the rows at the given indices (sorted ascending; duplicates and indices
// past the end are ignored). Emptying the list ends the undo. Returns the number
// removed.
std::size_t DeleteSelectedRows(FileList& list, const std::vector<std::size_t>& selectedRows,
                               UndoLog& undo);

// Removes everything and ends the undo.
void ClearList(FileList& list, UndoLog& undo);

// Removes the rows whose column 4 ("MP3标签状态") is not empty, as a deletion of
// selected rows (emptying the list ends the undo). Returns the number removed.
std::size_t DeleteUntaggedRows(FileList& list, UndoLog& undo);

enum class FilterOperation { kNone = -1, kDelete = 0, kKeep = 1 };
enum class FilterBy { kExtension, kContainedText };

struct FilterOptions {
  // kNone when the operation box has no selected item (the user typed into it).
  FilterOperation operation = FilterOperation::kDelete;
  FilterBy by = FilterBy::kExtension;
  std::string extension;  // GB18030, compared without regard to ASCII case
  std::string text;       // GB18030, found anywhere in the name ignoring ASCII case
};

struct FilterResult {
  // Set when the input was refused (warning box titled "过滤设置"); nothing changed.
  std::optional<UserMessage> refusal;
  std::size_t removed = 0;
};

// "删除" removes the entries whose oldName matches, "保留" those that do not.
// Only oldName is examined, never the folder. The undo state is left as it was,
// even when the list ends up empty.
FilterResult ApplyFilter(FileList& list, const FilterOptions& options);

// True when the text after the last "." of name equals ext without regard to ASCII
// case; false for a name without ".".
bool NameHasExtension(const std::string& name, const std::string& ext);

}  // namespace tessarn
