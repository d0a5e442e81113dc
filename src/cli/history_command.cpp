// tessarn-cli history: the runs the undo history holds, newest first.
#include <unistd.h>

#include <ctime>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/entry_printer.h"
#include "cli/exit_status.h"
#include "cli/json.h"
#include "core/history/history_store.h"
#include "core/history/rename_history.h"
#include "core/history/tag_history.h"
#include "core/history/undo_runs.h"
#include "core/settings/app_settings.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

// Local time as "2026-12-10 14:25:07".
std::string ShowTime(long long seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[32] = "";
  if (::localtime_r(&t, &local) != nullptr)
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

const char* FrontEndName(FrontEnd frontEnd) {
  return frontEnd == FrontEnd::kWindow ? "window" : "cli";
}

// What the run did, for scripts and for people.
const char* KindName(const HistoryEntry& entry) {
  if (entry.otherKind) return "other";
  return entry.kind == RunKind::kTags ? "tags" : "rename";
}
const char* KindText(const HistoryEntry& entry) {
  if (entry.otherKind) return "其他";
  return entry.kind == RunKind::kTags ? "标签" : "更名";
}


}  // namespace

std::uint64_t HistoryLimit() {
  // config.ini where the window keeps it: beside the programs when that folder is
  // writable, else in the user's configuration folder.
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::string folder = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string();
  folder = folder.substr(0, folder.rfind('/') == std::string::npos ? 0 : folder.rfind('/'));
  AppSettings settings;
  LoadSettings(ConfigFilePath(ConfigDirectory(folder), "config.ini"), settings);
  return HistoryLimitBytes(settings);
}

bool RunTagsForUndo(const std::function<void(const TagFileTried&)>& run, Output& err) {
  const std::uint64_t limit = HistoryLimit();
  const RecordedTagRun recorded =
      RunTagsRecorded(StateDirectory(), FrontEnd::kCommandLine, run, limit);
  if (!recorded.started) {
    PrintError(err, "无法记入撤消历史，没有修改任何文件：" + GbToUtf8Lossy(recorded.error));
    return false;
  }
  for (const std::string& note : TagRunRecordNotes(recorded, limit)) {
    std::string line;
    AppendGbForTerminal(line, note);
    PrintError(err, line);
  }
  return true;
}

int RunHistoryCommand(const Arguments& args, Output& out, Output& err) {
  const std::string state = StateDirectory();
  if (state.empty()) {
    PrintError(err, "无法确定撤消记录的目录（HOME 与 XDG_STATE_HOME 都未设置）");
    return kExitFailed;
  }
  const std::vector<HistoryEntry> history = ReadHistory(state);
  std::uint64_t total = 0;
  for (const HistoryEntry& e : history) total += e.bytes;
  std::string text;
  if (args.json) {
    text = "{\"runs\":[";
    for (std::size_t k = 0; k < history.size(); ++k) {
      const HistoryEntry& e = history[k];
      if (k > 0) text += ",";
      text += "{\"id\":" + std::to_string(e.id) + ",\"kind\":\"" + KindName(e) +
              "\",\"time\":" + std::to_string(e.time) +
              ",\"frontEnd\":\"" + FrontEndName(e.frontEnd) + "\",\"files\":" +
              std::to_string(e.renamed) + ",\"left\":" + std::to_string(e.left) +
              ",\"folders\":" + std::to_string(e.folders) + ",\"firstFolder\":";
      AppendJsonGbString(text, DecodeDiskName(e.firstFolder));
      text += std::string(",\"finished\":") + (e.finished ? "true" : "false") +
              ",\"damaged\":" + (e.damaged ? "true" : "false") +
              ",\"salvaged\":" + (e.salvaged ? "true" : "false") +
              ",\"undone\":" + (e.undone() ? "true" : "false") +
              ",\"bytes\":" + std::to_string(e.bytes) + "}";
    }
    text += "],\"totalBytes\":" + std::to_string(total) +
            ",\"limitBytes\":" + std::to_string(HistoryLimit()) + "}\n";
  } else if (history.empty()) {
    text = "撤消历史是空的\n";
  } else {
    // id  time  front end  kind  files  state  size  first folder
    for (const HistoryEntry& e : history) {
      text += std::to_string(e.id) + "  " + ShowTime(e.time) + "  " +
              (e.frontEnd == FrontEnd::kWindow ? "窗口" : "命令行") + "  " + KindText(e) + "  " +
              std::to_string(e.renamed) + " 个文件  " + GbToUtf8Lossy(HistoryStateText(e)) + "  " +
              ByteSizeText(e.bytes) + "  ";
      AppendGbForTerminal(text, DecodeDiskName(e.firstFolder));
      if (e.folders > 1) text += " 等 " + std::to_string(e.folders) + " 个目录";
      text += "\n";
    }
    text += "共 " + std::to_string(history.size()) + " 次操作，记录共 " + ByteSizeText(total) +
            "（上限 " + ByteSizeText(HistoryLimit()) + "）\n";
  }
  out << text;
  return kExitOk;
}

}  // namespace tessarn::cli
