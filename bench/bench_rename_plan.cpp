// The rename plan of 100,000 entries in one tmpfs folder (listing the folder,
// checking every new name, ordering the run) beside a bare readdir loop over the
// same folder, and the preview's plan of the shown rows once the listing is known.
#include <benchmark/benchmark.h>
#include <dirent.h>

#include <chrono>

#include "bench_filelist_fixture.h"
#include "core/filelist/add_files.h"
#include "core/filelist/rename_plan.h"

namespace tessarn {
namespace {

bench::ManyFilesFolder& Folder() {
  static bench::ManyFilesFolder folder(bench::kFileCount);
  return folder;
}

// The least a listing can do: read every name once.
std::size_t BareListing(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  std::size_t bytes = 0;
  while (const dirent* entry = readdir(dir)) bytes += std::char_traits<char>::length(entry->d_name);
  closedir(dir);
  return bytes;
}

// The folder listed and every entry given a new name (a chain: each file takes the
// name of the next one, the last a free name), as a numbering shift does.
FileList& ListWithNewNames() {
  static FileList* list = [] {
    auto* l = new FileList;
    const bench::ManyFilesFolder& folder = Folder();
    std::vector<std::string> paths;
    for (const std::string& name : folder.names()) paths.push_back(folder.path() + name);
    AddFiles(*l, paths);
    for (std::size_t i = 0; i + 1 < l->count(); ++i) l->entries[i].newName = l->entries[i + 1].oldName;
    l->entries.back().newName = "free name";
    return l;
  }();
  return *list;
}

void BM_BareReaddirLoop(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BareListing(Folder().path()));
}

void BM_PlanRun(benchmark::State& state) {
  FileList& list = ListWithNewNames();
  std::size_t conflicts = 0;
  for (auto _ : state) {
    RenamePlan plan = PlanRun(list);
    conflicts += plan.conflicts;
    benchmark::DoNotOptimize(plan.steps.data());
    state.PauseTiming();
    plan = RenamePlan();
    bench::SettleFreedMemory();
    state.ResumeTiming();
  }
  bench::Require(conflicts == 0, "the plan found conflicts");
}

// A keystroke of a prefix: new names no file has; the listing is kept, so only the
// shown rows are looked at.
void BM_PlanPreviewOfShownRows(benchmark::State& state) {
  static FileList* list_ = [] {
    auto* l = new FileList;
    const bench::ManyFilesFolder& folder = Folder();
    std::vector<std::string> paths;
    for (const std::string& name : folder.names()) paths.push_back(folder.path() + name);
    AddFiles(*l, paths);
    for (FileEntry& e : l->entries) e.newName = "new " + e.oldName;
    return l;
  }();
  FileList& list = *list_;
  FolderListings listings;
  PlanPreview(list, 1, listings);  // the folder read once, as the first preview does
  for (auto _ : state) benchmark::DoNotOptimize(PlanPreview(list, state.range(0), listings).conflicts);
}

// What the command line does: scan the folder, name every file, plan the run.
// Arg 1: the plan takes the scan's listing; arg 0: it reads the folder again.
void BM_ScanThenPlanRun(benchmark::State& state) {
  const bool keepListing = state.range(0) != 0;
  for (auto _ : state) {
    FileList list;
    FolderListings listings(false);
    const std::size_t added =
        ScanFolder(list, Folder().path(), nullptr, keepListing ? &listings : nullptr);
    state.PauseTiming();
    for (FileEntry& e : list.entries) e.newName = "x" + e.oldName;
    state.ResumeTiming();
    RenamePlan plan = PlanRun(list, listings);
    state.PauseTiming();
    bench::Require(added == bench::kFileCount && plan.conflicts == 0 &&
                       plan.steps.size() == bench::kFileCount,
                   "scan and plan: wrong count");
    plan = RenamePlan();
    list = FileList();
    bench::SettleFreedMemory();
    state.ResumeTiming();
  }
}

// Both in every iteration, so that a busy machine slows both alike: "ratio" is the
// plan's time over the bare listing's.
void BM_PlanRunOverBareReaddir(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  Clock::duration bareTime{}, planTime{};
  FileList& list = ListWithNewNames();
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(BareListing(Folder().path()));
    const auto t1 = Clock::now();
    RenamePlan plan = PlanRun(list);
    benchmark::DoNotOptimize(plan.steps.data());
    const auto t2 = Clock::now();
    state.PauseTiming();
    plan = RenamePlan();
    bench::SettleFreedMemory();
    state.ResumeTiming();
    bareTime += t1 - t0;
    planTime += t2 - t1;
  }
  state.counters["ratio"] =
      std::chrono::duration<double>(planTime) / std::chrono::duration<double>(bareTime);
}

BENCHMARK(BM_BareReaddirLoop)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_PlanRun)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PlanPreviewOfShownRows)->Unit(benchmark::kMillisecond)->Arg(100)->Arg(100000);
BENCHMARK(BM_ScanThenPlanRun)->Unit(benchmark::kMillisecond)->Iterations(10)->Arg(0)->Arg(1);
BENCHMARK(BM_PlanRunOverBareReaddir)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
