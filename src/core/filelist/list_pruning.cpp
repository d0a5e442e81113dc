#include "core/filelist/list_pruning.h"

#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {

std::size_t DeleteSelectedRows(FileList& list, const std::vector<std::size_t>& selectedRows,
                               UndoLog& undo) {
  const std::size_t removed = list.RemoveRows(selectedRows);
  if (list.count() == 0) undo.available = false;
  return removed;
}

void ClearList(FileList& list, UndoLog& undo) {
  list.Clear();
  undo.available = false;
}

std::size_t DeleteUntaggedRows(FileList& list, UndoLog& undo) {
  std::vector<std::size_t> tagged;
  for (std::size_t row = 0; row < list.RowCount(); ++row)
    if (!list.CellText(row, kTagStatusColumn).empty()) tagged.push_back(row);
  return DeleteSelectedRows(list, tagged, undo);
}

bool NameHasExtension(const std::string& name, const std::string& ext) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  return EqualsIgnoreAsciiCase(std::string_view(name).substr(dot + 1), ext);
}

FilterResult ApplyFilter(FileList& list, const FilterOptions& options) {
  FilterResult result;
  if (options.operation == FilterOperation::kNone) {
    result.refusal = UserMessage{Gb("请选择操作方式！"), MessageKind::kWarning};
    return result;
  }
  const bool byExtension = options.by == FilterBy::kExtension;
  if (byExtension && options.extension.empty()) {
    result.refusal = UserMessage{Gb("扩展名不能空！"), MessageKind::kWarning};
    return result;
  }
  if (!byExtension && options.text.empty()) {
    result.refusal = UserMessage{Gb("'包含内容'不能空！"), MessageKind::kWarning};
    return result;
  }
  const bool removeMatches = options.operation == FilterOperation::kDelete;
  std::vector<std::size_t> doomed;
  for (std::size_t i = 0; i < list.count(); ++i) {
    const std::string& name = list.entries[i].oldName;
    const bool match = byExtension ? NameHasExtension(name, options.extension)
                                   : FindText(name, options.text, 0, true) != std::string::npos;
    if (match == removeMatches) doomed.push_back(i);
  }
  result.removed = list.RemoveRows(doomed);
  return result;
}

}  // namespace tessarn
