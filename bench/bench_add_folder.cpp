// Adding a folder of 100,000 files (listing, decoding, natural sort, entries and
// rows) beside a bare readdir loop over the same folder.
#include <benchmark/benchmark.h>
#include <dirent.h>

#include <chrono>

#include "bench_filelist_fixture.h"
#include "core/filelist/add_files.h"
#include "core/filelist/list_pruning.h"

namespace tessarn {
namespace {

bench::ManyFilesFolder& Folder() {
  static bench::ManyFilesFolder folder(bench::kFileCount);
  return folder;
}

std::size_t BareReaddir(const std::string& path) {
  DIR* dir = opendir(path.c_str());
  std::size_t files = 0;
  while (const dirent* entry = readdir(dir)) files += entry->d_type != DT_DIR;
  closedir(dir);
  return files;
}

void BM_BareReaddir(benchmark::State& state) {
  const std::string& path = Folder().path();
  for (auto _ : state)
    bench::Require(BareReaddir(path) == bench::kFileCount, "bare loop: files missing");
  state.counters["files"] = static_cast<double>(Folder().names().size());
}

void BM_AddFolder(benchmark::State& state) {
  const std::string& path = Folder().path();
  for (auto _ : state) {
    FileList list;
    const std::size_t added = AddFolder(list, path);
    state.PauseTiming();  // freeing the list is not part of adding
    bench::Require(added == bench::kFileCount && list.RowCount() == added, "files not added");
    list = FileList();
    bench::SettleFreedMemory();
    state.ResumeTiming();
  }
}

// The same into a list that was filled and cleared before (the user clears the list
// and adds again): the list's storage is there already, its memory is reused.
void BM_AddFolderToClearedList(benchmark::State& state) {
  const std::string& path = Folder().path();
  FileList list;
  AddFolder(list, path);
  UndoLog undo;
  for (auto _ : state) {
    state.PauseTiming();
    ClearList(list, undo);
    bench::SettleFreedMemory();
    state.ResumeTiming();
    bench::Require(AddFolder(list, path) == bench::kFileCount, "files not added");
  }
}

// Both, one after the other in every iteration, so that a busy machine slows both
// alike: the counter "ratio" is the adding time over the bare loop's time.
void BM_AddFolderOverBareReaddir(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const std::string& path = Folder().path();
  Clock::duration bare{}, add{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const std::size_t listed = BareReaddir(path);
    const auto t1 = Clock::now();
    FileList list;
    const std::size_t added = AddFolder(list, path);
    const auto t2 = Clock::now();
    state.PauseTiming();
    bench::Require(listed == bench::kFileCount && added == listed, "files not added");
    list = FileList();
    bench::SettleFreedMemory();
    state.ResumeTiming();
    bare += t1 - t0;
    add += t2 - t1;
  }
  state.counters["ratio"] =
      std::chrono::duration<double>(add) / std::chrono::duration<double>(bare);
}

BENCHMARK(BM_BareReaddir)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AddFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);
// The same with the CPU time of every thread: a long folder is decoded and sorted
// on a second thread too, so its CPU time is more than the time it takes.
BENCHMARK(BM_AddFolder)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_AddFolderToClearedList)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AddFolderOverBareReaddir)->Unit(benchmark::kMillisecond)->MinTime(4.0);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
