#include "ui/tag_status_cells.h"

namespace tessarn {

void ShowTagStatuses(FileList& list) {
  const std::size_t n = std::min(list.count(), list.RowCount());
  std::size_t first = n;
  std::size_t last = 0;
  for (std::size_t r = 0; r < n; ++r) {
    const std::string& status = list.entries[r].tagStatus;
    if (list.CellText(r, kTagStatusColumn) == status) continue;
    list.SetCellText(r, kTagStatusColumn, status);
    if (first == n) first = r;
    last = r;
  }
  if (first < n) list.NotifyRowsChanged(first, last);
}

}  // namespace tessarn
