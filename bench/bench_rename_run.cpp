// A rename run over 100,000 entries in a tmpfs folder, progress display included,
// beside a bare renameat2 loop over the same names. Every iteration renames the
// files one way and the next one back, so both loops always find their sources.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "bench_filelist_fixture.h"
#include "core/filelist/add_files.h"
#include "core/filelist/rename_run.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace tessarn {
namespace {

bench::ManyFilesFolder& Folder() {
  static bench::ManyFilesFolder folder(bench::kFileCount);
  return folder;
}

std::string Renamed(const std::string& name) { return "renamed " + name; }

void BM_BareRenameat2Loop(benchmark::State& state) {
  const bench::ManyFilesFolder& folder = Folder();
  std::vector<std::string> there, back;
  for (const std::string& name : folder.names()) {
    there.push_back(folder.path() + name);
    back.push_back(folder.path() + Renamed(name));
  }
  std::size_t failures = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < there.size(); ++i)
      failures += syscall(SYS_renameat2, AT_FDCWD, there[i].c_str(), AT_FDCWD, back[i].c_str(),
                          RENAME_NOREPLACE) != 0;
    std::swap(there, back);
  }
  if (failures != 0) state.SkipWithError("bare loop: renames failed");
  // Leave the folder as it was for the next benchmark.
  if (there.front().find("renamed ") != std::string::npos)
    for (std::size_t i = 0; i < there.size(); ++i) rename(there[i].c_str(), back[i].c_str());
}

void BM_RunRename(benchmark::State& state) {
  const bench::ManyFilesFolder& folder = Folder();
  FileList list;
  AddFiles(list, [&] {
    std::vector<std::string> paths;
    for (const std::string& name : folder.names()) paths.push_back(folder.path() + name);
    return paths;
  }());
  for (FileEntry& entry : list.entries) entry.newName = Renamed(entry.oldName);
  UndoLog undo;
  std::string pane1;  // what the status bar would show
  std::size_t repaints = 0;
  RenameHooks hooks;
  hooks.progress = [&](const std::string& text) {
    pane1 = text;
    ++repaints;
  };
  std::size_t failures = 0;
  for (auto _ : state) {
    const WalkCounts counts = RunRename(list, undo, hooks);
    failures += counts.total - counts.succeeded;
    state.PauseTiming();  // the next iteration renames them back
    for (FileEntry& entry : list.entries) entry.newName = entry.undoName;
    bench::SettleFreedMemory();
    state.ResumeTiming();
  }
  if (failures != 0) state.SkipWithError("run: renames failed");
  state.counters["repaints/run"] =
      static_cast<double>(repaints) / static_cast<double>(state.iterations());
  if (list.entries.front().oldName.find("renamed ") != std::string::npos) {
    for (FileEntry& entry : list.entries) entry.newName = entry.undoName;
    RunRename(list, undo);
  }
}

// An even number of iterations, each a full pass over the folder.
BENCHMARK(BM_BareRenameat2Loop)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RunRename)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
