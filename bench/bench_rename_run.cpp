// A rename run over 100,000 entries in a tmpfs folder, progress display included,
// beside a bare renameat2 loop over the same names. Every pass renames the files
// one way and the next one back, so that both loops always find their sources.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

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

// The bare loop: full paths made beforehand, one system call per file.
struct BareLoop {
  std::vector<std::string> there, back;

  BareLoop() {
    const bench::ManyFilesFolder& folder = Folder();
    for (const std::string& name : folder.names()) {
      there.push_back(folder.path() + name);
      back.push_back(folder.path() + Renamed(name));
    }
  }
  // One pass; the next one goes back. Returns the number of failures.
  std::size_t Pass() {
    std::size_t failures = 0;
    for (std::size_t i = 0; i < there.size(); ++i)
      failures += syscall(SYS_renameat2, AT_FDCWD, there[i].c_str(), AT_FDCWD, back[i].c_str(),
                          RENAME_NOREPLACE) != 0;
    std::swap(there, back);
    return failures;
  }
  ~BareLoop() {  // leave the folder as it was
    if (there.front().find("renamed ") != std::string::npos) Pass();
  }
};

// The run: the listed folder, its new names computed, the progress shown.
struct Run {
  FileList list;
  UndoLog undo;
  RenameHooks hooks;
  std::string pane1;  // what the status bar would show
  std::size_t repaints = 0;
  bool back = false;

  Run() {
    const bench::ManyFilesFolder& folder = Folder();
    std::vector<std::string> paths;
    for (const std::string& name : folder.names()) paths.push_back(folder.path() + name);
    AddFiles(list, paths);
    for (FileEntry& entry : list.entries) entry.newName = Renamed(entry.oldName);
    hooks.progress = [this](const std::string& text) {
      pane1 = text;
      ++repaints;
    };
  }
  // One pass. Returns the number of failures.
  std::size_t Pass() {
    const WalkCounts counts = RunRename(list, undo, hooks);
    back = !back;
    return counts.total - counts.succeeded;
  }
  // The next pass goes back; not part of the run.
  void PrepareNextPass() {
    for (FileEntry& entry : list.entries) entry.newName = entry.texts().undoName;
    bench::SettleFreedMemory();
  }
  ~Run() {
    if (back) {
      PrepareNextPass();
      Pass();
    }
  }
};

void BM_BareRenameat2Loop(benchmark::State& state) {
  BareLoop bare;
  std::size_t failures = 0;
  for (auto _ : state) failures += bare.Pass();
  bench::Require(failures == 0, "bare loop: renames failed");
}

void BM_RunRename(benchmark::State& state) {
  Run run;
  std::size_t failures = 0;
  for (auto _ : state) {
    failures += run.Pass();
    state.PauseTiming();
    run.PrepareNextPass();
    state.ResumeTiming();
  }
  bench::Require(failures == 0, "run: renames failed");
  state.counters["repaints/run"] =
      static_cast<double>(run.repaints) / static_cast<double>(state.iterations());
}

// Both, one pass each in every iteration, so that a busy machine slows both alike:
// the counter "ratio" is the run's time over the bare loop's time.
void BM_RunRenameOverBareLoop(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  Clock::duration bareTime{}, runTime{};
  std::size_t failures = 0;
  {
    BareLoop bare;
    Run run;
    for (auto _ : state) {
      // The bare loop renames there and back; so does the run, after it.
      const auto t0 = Clock::now();
      failures += bare.Pass();
      failures += bare.Pass();
      const auto t1 = Clock::now();
      failures += run.Pass();
      const auto t2 = Clock::now();
      state.PauseTiming();
      run.PrepareNextPass();
      state.ResumeTiming();
      const auto t3 = Clock::now();
      failures += run.Pass();
      const auto t4 = Clock::now();
      state.PauseTiming();
      run.PrepareNextPass();
      state.ResumeTiming();
      bareTime += t1 - t0;
      runTime += (t2 - t1) + (t4 - t3);
    }
  }
  bench::Require(failures == 0, "renames failed");
  state.counters["ratio"] =
      std::chrono::duration<double>(runTime) / std::chrono::duration<double>(bareTime);
}

// Whole passes over the folder; an even number, so that the files end where they began.
BENCHMARK(BM_BareRenameat2Loop)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RunRename)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RunRenameOverBareLoop)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
