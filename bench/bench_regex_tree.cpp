// The replace page's regular expressions beside its literal find over the same
// 100,000 names, and adding a tree of 100,000 files in 1,000 folders beside a bare
// recursive readdir loop over it. Each pair is timed in the same iteration, so a
// busy machine slows both alike: the counter "ratio" is ours over the other.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "bench_filelist_fixture.h"
#include "core/filelist/folder_tree.h"
#include "core/rules/naming_options.h"
#include "core/rules/replace_rule.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// ---- Replace pass ---------------------------------------------------------------

FileList& Names() {
  static FileList list = [] {
    FileList l;
    for (std::size_t i = 0; i < bench::kFileCount; ++i) {
      FileEntry e;
      e.oldName = DecodeDiskName(bench::FileName(i));
      l.entries.push_back(std::move(e));
    }
    return l;
  }();
  return list;
}

NamingOptions Replace(const char* find, const char* with, bool regex) {
  NamingOptions o;
  o.page = OptionPage::kReplace;
  o.findText = Gb(find);
  o.replaceWith = Gb(with);
  o.regex = regex;
  return o;
}

// Arguments: which regular expression stands beside which literal find.
struct ReplacePair {
  const char* literalFind;
  const char* literalWith;
  const char* pattern;
  const char* patternWith;
};
const ReplacePair kPairs[] = {
    // A quarter of the names change, alike in both.
    {"Track ", "Song ", R"(Track (\d+))", "Song $1"},
    // Every name changes: each run of digits.
    {"1", "#", R"(\d+)", "#"},
    // Chinese text in a quarter of the names.
    {"歌曲", "音乐", "歌(曲)", "乐$1"},
};

void BM_RegexOverLiteralReplace(benchmark::State& state) {
  const ReplacePair& pair = kPairs[state.range(0)];
  const NamingOptions literal = Replace(pair.literalFind, pair.literalWith, false);
  const NamingOptions regex = Replace(pair.pattern, pair.patternWith, true);
  FileList& list = Names();
  Clock::duration literalTime{}, regexTime{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    ApplyReplaceRule(list, literal, list.count());
    const auto t1 = Clock::now();
    ApplyReplaceRule(list, regex, list.count());
    const auto t2 = Clock::now();
    literalTime += t1 - t0;
    regexTime += t2 - t1;
  }
  state.counters["literal_ms"] = 1000 * Seconds(literalTime) / state.iterations();
  state.counters["ratio"] = Seconds(regexTime) / Seconds(literalTime);
  state.SetLabel(pair.pattern);
}

// ---- Folder tree ------------------------------------------------------------------

constexpr std::size_t kFolders = 1000;

// 10 folders of 99 subfolders each, 1,000 folders in all, 100 files in every one.
class ManyFoldersTree {
 public:
  ManyFoldersTree() {
    const char* base = getenv("TESSARN_BENCH_DIR");
    std::string pattern = std::string(base ? base : "/dev/shm") + "/tessarn-tree-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) abort();
    path_ = pattern + "/";
    const std::size_t perFolder = bench::kFileCount / kFolders;
    std::size_t file = 0;
    for (std::size_t top = 0; top < 10; ++top) {
      const std::string topFolder = path_ + "disc " + std::to_string(top) + "/";
      MakeFolder(topFolder, perFolder, file);
      for (std::size_t sub = 0; sub < kFolders / 10 - 1; ++sub)
        MakeFolder(topFolder + "album " + std::to_string(sub) + "/", perFolder, file);
    }
  }
  ~ManyFoldersTree() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  static void MakeFolder(const std::string& folder, std::size_t files, std::size_t& next) {
    if (mkdir(folder.c_str(), 0755) != 0) abort();
    for (std::size_t i = 0; i < files; ++i) {
      const int fd =
          open((folder + bench::FileName(next++)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
      if (fd < 0) abort();
      close(fd);
    }
  }
  std::string path_;
};

ManyFoldersTree& Tree() {
  static ManyFoldersTree tree;
  return tree;
}

// The least a recursive listing does: openat, fdopendir, readdir, by d_type, no stat.
std::size_t BareTreeWalk(int parent, const char* name) {
  const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  DIR* dir = fdopendir(fd);
  std::size_t files = 0;
  while (const dirent* e = readdir(dir)) {
    if (e->d_type == DT_DIR) {
      if (e->d_name[0] != '.') files += BareTreeWalk(fd, e->d_name);
    } else {
      ++files;
    }
  }
  closedir(dir);
  return files;
}

void BM_FolderTreeOverBareWalk(benchmark::State& state) {
  const std::string& path = Tree().path();
  Clock::duration bare{}, ours{};
  std::size_t files = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const std::size_t walked = BareTreeWalk(AT_FDCWD, path.c_str());
    const auto t1 = Clock::now();
    FileList list;
    files = AddFolderTree(list, path, {}).added;
    const auto t2 = Clock::now();
    state.PauseTiming();
    bench::Require(walked == bench::kFileCount && files == walked, "files of the tree not added");
    list = FileList();
    bench::SettleFreedMemory();
    state.ResumeTiming();
    bare += t1 - t0;
    ours += t2 - t1;
  }
  state.counters["files"] = static_cast<double>(files);
  state.counters["bare_ms"] = 1000 * Seconds(bare) / state.iterations();
  state.counters["ratio"] = Seconds(ours) / Seconds(bare);
}

BENCHMARK(BM_RegexOverLiteralReplace)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_FolderTreeOverBareWalk)->Unit(benchmark::kMillisecond)->MinTime(4.0);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
