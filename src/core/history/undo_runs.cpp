#include "core/history/undo_runs.h"

#include <ctime>

#include "core/history/history_store.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

std::string ShortTime(long long seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[32] = "";
  if (::localtime_r(&t, &local) != nullptr) std::strftime(text, sizeof text, "%m-%d %H:%M", &local);
  return text;
}

std::string Files(std::size_t n) { return std::to_string(n) + Gb(" 个文件"); }

// One line per run for the summary: what it was and how its undo went.
std::string RunLine(const RunUndone& undone) {
  const WalkCounts& c = undone.outcome.counts;
  std::string line = Gb("操作 ") + std::to_string(undone.run.id) + Gb("（") + RunLabel(undone.run) +
                     Gb("）：") + Files(c.succeeded) + Gb("撤消成功");
  if (c.failed > 0) line += Gb("，") + Files(c.failed) + Gb("撤消失败");
  if (undone.outcome.damaged) line += Gb("，记录已损坏");
  return line;
}

// Why nothing was undone, for the user.
std::string RefusalText(UndoResult result, std::uint64_t runId, const std::string& error) {
  const std::string id = std::to_string(runId);
  switch (result) {
    case UndoResult::kNothingToUndo:
      return Gb("没有可撤消的操作");
    case UndoResult::kNoSuchRun:
      return Gb("撤消历史中没有编号为 ") + id + Gb(" 的操作");
    case UndoResult::kNewerRunsFirst:
      return Gb("操作 ") + id + Gb(" 之后还有未撤消的操作，请先撤消它们");
    case UndoResult::kAlreadyUndone:
      return Gb("操作 ") + id + Gb(" 已经撤消");
    case UndoResult::kFailed:
    case UndoResult::kDone:
      break;
  }
  return error.empty() ? Gb("无法撤消") : error;
}

}  // namespace

std::string HistoryStateText(const HistoryEntry& run) {
  if (run.otherKind) return Gb("其他操作");
  if (run.damaged) return run.undone() ? Gb("记录已损坏（已撤消能证明的部分）") : Gb("记录已损坏");
  if (run.undone()) return Gb("已撤消");
  if (run.left < run.renamed) return Gb("部分撤消");
  return Gb("未撤消");
}

std::string RunLabel(const HistoryEntry& run) {
  const char* kind = run.otherKind ? "其他操作" : run.kind == RunKind::kTags ? "标签修改" : "更名";
  return ShortTime(run.time) + Gb(" 的") + Gb(kind);
}

UndoSelection SelectRunsToUndo(const std::string& stateDirectory, const UndoTarget& target) {
  UndoSelection selection;
  selection.runId = target.runId;
  const std::vector<HistoryEntry> history = ReadHistory(stateDirectory);
  std::vector<HistoryEntry> newer;
  for (const HistoryEntry& entry : history) {
    const bool asked = target.runId == 0 ? !entry.undone() : entry.id == target.runId;
    if (!asked) {
      if (!entry.undone() && !entry.otherKind) newer.push_back(entry);
      continue;
    }
    selection.runId = entry.id;
    if (entry.undone()) {
      selection.result = UndoResult::kAlreadyUndone;
      return selection;
    }
    if (!newer.empty() && !target.withNewer) {
      selection.result = UndoResult::kNewerRunsFirst;
      return selection;
    }
    selection.runs = std::move(newer);
    selection.runs.push_back(entry);
    for (const HistoryEntry& run : selection.runs) selection.files += run.left;
    return selection;
  }
  selection.result = target.runId == 0 ? UndoResult::kNothingToUndo : UndoResult::kNoSuchRun;
  return selection;
}

std::string UndoRunsQuestion(const UndoSelection& selection) {
  if (selection.runs.empty()) return {};
  const HistoryEntry& oldest = selection.runs.back();
  if (selection.runs.size() == 1)
    return Gb("将撤消") + RunLabel(oldest) + Gb("（共 ") + Files(selection.files) +
           Gb("）。是否继续？");
  return Gb("将撤消 ") + std::to_string(selection.runs.size()) + Gb(" 次操作（共 ") +
         Files(selection.files) + Gb("），最早一次为 ") + RunLabel(oldest) + Gb("。是否继续？");
}

bool UndoReport::complete() const {
  return result == UndoResult::kDone && !damaged && counts.failed == 0 && !counts.stopped &&
         !cutShort && !recordFailed;
}

UndoReport UndoRuns(const std::string& stateDirectory, const UndoTarget& target,
                    const RenameHooks& hooks) {
  UndoReport report;
  const UndoSelection selection = SelectRunsToUndo(stateDirectory, target);
  report.runId = selection.runId;
  report.result = selection.result;
  if (selection.result != UndoResult::kDone) {
    report.error = RefusalText(selection.result, selection.runId, {});
    return report;
  }

  const std::string folder = HistoryFolder(stateDirectory);
  for (const HistoryEntry& run : selection.runs) {
    RunUndone undone;
    undone.run = run;
    undone.outcome = UndoRecordedRun(stateDirectory, run.id, undone.rows, hooks);
    const RecordedUndo& outcome = undone.outcome;
    const std::string label = Gb("操作 ") + std::to_string(run.id) + Gb("（") + RunLabel(run) +
                              Gb("）");
    if (outcome.result != UndoResult::kDone) {
      // Nothing of this run was undone (the history changed meanwhile, or its
      // record or lock could not be had): the older runs wait behind it.
      if (report.runs.empty()) {
        report.result = outcome.result;
        report.runId = outcome.runId != 0 ? outcome.runId : run.id;
        report.error = RefusalText(outcome.result, report.runId, outcome.error);
        return report;
      }
      report.notes.push_back(label + Gb("没有撤消：") +
                             (outcome.error.empty() ? Gb("撤消历史已被另一个程序改变")
                                                    : outcome.error));
      report.cutShort = true;
      break;
    }
    if (outcome.damaged)
      report.notes.push_back(label + Gb("的撤消记录已损坏：只撤消了记录仍能证明的文件，原记录保留为 ") +
                             DecodeDiskName(RunFilePath(folder, run.id) + ".damaged"));
    else if (!outcome.finished)
      report.notes.push_back(label + Gb("没有正常结束；按磁盘上的实际情况撤消"));
    if (!outcome.error.empty()) {
      report.notes.push_back(outcome.error);
      report.recordFailed = true;
    }
    report.damaged = report.damaged || outcome.damaged;
    WalkCounts& sum = report.counts;
    sum.total += outcome.counts.total;
    sum.succeeded += outcome.counts.succeeded;
    sum.failed += outcome.counts.failed;
    sum.walked += outcome.counts.walked;
    sum.stopped = sum.stopped || outcome.counts.stopped;
    for (std::size_t r = 0; r < sum.reasons.size(); ++r) sum.reasons[r] += outcome.counts.reasons[r];
    report.runs.push_back(std::move(undone));
    const bool whole = outcome.counts.failed == 0 && !outcome.counts.stopped;
    if (!whole && &run != &selection.runs.back()) {
      report.notes.push_back(label + Gb("没有完全撤消，更早的操作没有撤消"));
      report.cutShort = true;
      break;
    }
  }
  report.result = UndoResult::kDone;

  // The summary: the plain success box only when everything came back from sound
  // records; otherwise the counts, the reasons and a line per run.
  if (report.complete() && report.runs.size() == 1 && report.notes.empty()) {
    report.summary = UndoSummary(report.counts);
    if (report.counts.succeeded == 0)  // nothing was left after all: say so, not success
      report.summary = {Gb("没有需要撤消的文件"), MessageKind::kInformation};
    return report;
  }
  std::string text;
  if (report.complete()) {
    text = Gb("已成功撤消 ") + std::to_string(report.runs.size()) + Gb(" 次操作：");
    report.summary.kind = MessageKind::kInformation;
  } else {
    WalkCounts counts = report.counts;
    // A damaged record's undo is never reported as plain success.
    UserMessage box = UndoSummary(counts);
    if (box.kind == MessageKind::kInformation)
      box.text = Gb("文件总数：") + Files(counts.total) + "\r\n\r\n" +
                 std::to_string(counts.succeeded) + Gb(" 个文件撤消成功！\r\n") +
                 std::to_string(counts.failed) + Gb(" 个文件撤消失败！");
    text = box.text;
    report.summary.kind = MessageKind::kWarning;
  }
  for (const std::string& note : report.notes) text += "\r\n" + note;
  text += "\r\n";
  for (const RunUndone& undone : report.runs) text += "\r\n" + RunLine(undone);
  report.summary.text = std::move(text);
  return report;
}

}  // namespace tessarn
