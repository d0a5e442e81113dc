#include "core/filelist/rename_run.h"

#include <algorithm>

#include "core/filelist/file_system.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

struct StatusTexts {
  std::string renamed = Gb("更名成功");
  std::string renameFailed = Gb("更名失败");
  std::string restored = Gb("撤消成功");
  std::string restoreFailed = Gb("撤消失败");
};

const StatusTexts& Texts() {
  static const StatusTexts texts;
  return texts;
}

void SetStatus(FileList& list, std::size_t row, FileEntry& entry, const std::string& text,
               int icon) {
  entry.status.text = text;
  entry.status.icon = icon;
  list.SetCellText(row, kStatusColumn, text);
  list.SetCellIcon(row, icon);
}

// The walk shared by the run and the undo: batches, progress and row notices.
// `step(i)` renames entry i and returns whether it worked.
template <typename Step>
WalkCounts Walk(FileList& list, const RenameHooks& hooks, Step step) {
  WalkCounts counts;
  const std::size_t n = list.count();
  counts.total = n;
  const std::size_t batch = std::max<std::size_t>(hooks.batchSize, 1);
  std::size_t shownBar = 0;  // "■" characters shown so far
  std::size_t batchStart = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i == batchStart) {
      if (i > 0) list.NotifyRowsChanged(i - batch, i - 1);
      if (hooks.beforeBatch && !hooks.beforeBatch(i, std::min(i + batch, n) - 1)) {
        counts.stopped = true;
        return counts;
      }
      batchStart = i + batch;
    }
    const bool ok = step(i);
    ++counts.walked;
    if (ok) ++counts.succeeded;
    if (hooks.afterRow) hooks.afterRow(i, ok);
    // Only when the bar grows: a run over 100,000 files repaints pane 1 twenty times.
    const std::size_t bar = (i + 1) * 20 / n;
    if (bar > shownBar) {
      shownBar = bar;
      if (hooks.progress) hooks.progress(ProgressBarText(i + 1, n));
    }
  }
  if (n > 0) list.NotifyRowsChanged(batchStart - batch, n - 1);
  return counts;
}

}  // namespace

std::optional<std::string> DiskNameFor(const std::string& newName) {
  if (newName.empty() || newName == "." || newName == "..") return std::nullopt;
  if (newName.find_first_of(std::string_view("/\0", 2)) != std::string::npos) return std::nullopt;
  return EncodeDiskName(newName);
}

WalkCounts RunRename(FileList& list, UndoLog& undo, const RenameHooks& hooks) {
  const StatusTexts& texts = Texts();
  std::string from, to;  // reused: no allocation per file once they are long enough
  WalkCounts counts = Walk(list, hooks, [&](std::size_t i) {
    FileEntry& entry = list.entries[i];
    std::optional<std::string> diskNew = DiskNameFor(entry.newName);
    if (diskNew) {
      from.assign(entry.diskFolder).append(entry.diskName);
      to.assign(entry.diskFolder).append(*diskNew);
    }
    if (diskNew && RenameNoReplace(from, to)) {
      entry.undoName = std::move(entry.oldName);
      entry.diskUndoName = std::move(entry.diskName);
      entry.oldName = entry.newName;
      entry.diskName = *std::move(diskNew);
      list.SetCellText(i, kOldNameColumn, entry.oldName);
      SetStatus(list, i, entry, texts.renamed, kSuccessIcon);
      return true;
    }
    entry.undoName.clear();
    entry.diskUndoName.clear();
    list.SetCellText(i, kNewNameColumn, entry.newName);
    SetStatus(list, i, entry, texts.renameFailed, kFailureIcon);
    return false;
  });
  // Every run rewrites every undo name: the entries it did not reach have none.
  for (std::size_t k = counts.walked; k < list.count(); ++k) {
    list.entries[k].undoName.clear();
    list.entries[k].diskUndoName.clear();
  }
  undo.available = true;
  return counts;
}

WalkCounts UndoLastRun(FileList& list, UndoLog& undo, const RenameHooks& hooks) {
  const StatusTexts& texts = Texts();
  std::string from, to;
  WalkCounts counts = Walk(list, hooks, [&](std::size_t i) {
    FileEntry& entry = list.entries[i];
    list.SetCellText(i, kOldNameColumn, entry.oldName);
    bool ok = false;
    if (!entry.undoName.empty()) {
      // The disk bytes of the former name, exactly as they were (a GBK name comes
      // back as GBK); derived from undoName when only that is known.
      if (entry.diskUndoName.empty()) {
        if (auto name = DiskNameFor(entry.undoName)) entry.diskUndoName = *std::move(name);
      }
      if (!entry.diskUndoName.empty()) {
        from.assign(entry.diskFolder).append(entry.diskName);
        to.assign(entry.diskFolder).append(entry.diskUndoName);
        ok = RenameNoReplace(from, to);
      }
    }
    if (ok) {
      entry.oldName = entry.undoName;
      entry.diskName = entry.diskUndoName;
      list.SetCellText(i, kOldNameColumn, entry.oldName);
      SetStatus(list, i, entry, texts.restored, kSuccessIcon);
    } else {
      SetStatus(list, i, entry, texts.restoreFailed, kFailureIcon);
    }
    return ok;
  });
  if (hooks.progress) hooks.progress(std::string());
  // A stopped undo leaves the rest of the record for another try.
  if (!counts.stopped) undo.available = false;
  return counts;
}

std::string ProgressBarText(std::size_t done, std::size_t total) {
  static const std::string kBlock = Gb("■");
  if (total == 0) return std::string();
  const std::size_t blocks = std::min<std::size_t>(done, total) * 20 / total;
  std::string bar;
  bar.reserve(blocks * kBlock.size());
  for (std::size_t k = 0; k < blocks; ++k) bar += kBlock;
  return bar;
}

namespace {

UserMessage Summary(std::size_t total, std::size_t succeeded, const char* allDone,
                    const char* doneWord, const char* failedWord) {
  if (succeeded == total) return {Gb(allDone), MessageKind::kInformation};
  const std::size_t failed = total > succeeded ? total - succeeded : 0;
  std::string text = Gb("文件总数：") + std::to_string(total) + Gb(" 个文件") + "\r\n\r\n" +
                     std::to_string(succeeded) + Gb(doneWord) + "\r\n" + std::to_string(failed) +
                     Gb(failedWord);
  return {std::move(text), MessageKind::kWarning};
}

}  // namespace

UserMessage RunSummary(std::size_t total, std::size_t succeeded) {
  return Summary(total, succeeded, "文件更名完毕！", " 个文件更名成功！", " 个文件更名失败！");
}

UserMessage UndoSummary(std::size_t total, std::size_t succeeded) {
  return Summary(total, succeeded, "上一次的操作已经成功撤消！", " 个文件撤消成功！",
                 " 个文件撤消失败！");
}

std::string UndoQuestion() { return Gb("是否真的撤消上一次操作？"); }

}  // namespace tessarn
