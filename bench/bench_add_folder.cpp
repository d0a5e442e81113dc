// Adding a folder of 100,000 files (listing, decoding, natural sort, entries and
// rows) beside a bare readdir loop over the same folder.
#include <benchmark/benchmark.h>
#include <dirent.h>

#include "bench_filelist_fixture.h"
#include "core/filelist/add_files.h"

namespace tessarn {
namespace {

bench::ManyFilesFolder& Folder() {
  static bench::ManyFilesFolder folder(bench::kFileCount);
  return folder;
}

void BM_BareReaddir(benchmark::State& state) {
  const std::string& path = Folder().path();
  for (auto _ : state) {
    DIR* dir = opendir(path.c_str());
    std::size_t files = 0;
    while (const dirent* entry = readdir(dir)) files += entry->d_type != DT_DIR;
    closedir(dir);
    benchmark::DoNotOptimize(files);
  }
  state.counters["files"] = static_cast<double>(Folder().names().size());
}

void BM_AddFolder(benchmark::State& state) {
  const std::string& path = Folder().path();
  for (auto _ : state) {
    FileList list;
    benchmark::DoNotOptimize(AddFolder(list, path));
    state.PauseTiming();  // freeing the list is not part of adding
    list = FileList();
    state.ResumeTiming();
  }
}

BENCHMARK(BM_BareReaddir)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AddFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
