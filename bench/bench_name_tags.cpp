// Tags from names, measured beside what they must keep up with:
//   the preview of 10,000 names (parse + status column)  vs  the MP3 naming pass over
//     the same 10,000 tagged files, uncached (under 10 %)
//   writing the fields of 1,000 names in place             vs  open + pwrite 1 KB + close
//     of each file (within 2x); once more with the run's record in the undo history;
//     and the floor: the same loop doing only the system calls a safe write needs
// The files are made in TESSARN_BENCH_DIR, else /dev/shm, else /tmp.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_folder.h"
#include "core/filelist/file_list.h"
#include "core/history/tag_history.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/rules/naming_options.h"
#include "core/rules/tag_template_rule.h"
#include "core/tagedit/tag_run.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

// Files named "歌手N-Title N.mp3", each with an ID3v2.3 tag of the same fields, a
// little audio and an ID3v1 block; listed with their rows. Removed at exit.
class Fixture {
 public:
  explicit Fixture(int count) : folder_(BenchFolder()) {
    for (int i = 0; i < count; ++i) {
      TagFields f;
      f.artist = Gb("歌手") + std::to_string(i % 97);
      f.title = "Title " + std::to_string(i);
      const std::string gbName = f.artist + "-" + f.title + ".mp3";
      const std::string diskName = *GbToUtf8(gbName);
      const std::string content = BuildId3v2Tag(f) + std::string("\xFF\xFB\x90\x64", 4) +
                                  std::string(400, '\0') + BuildId3v1Block({});
      const int fd = open((folder_ + diskName).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 ||
          write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
        std::abort();
      close(fd);
      FileEntry e;
      e.SetNames(diskName, gbName);
      e.folder = list_.InternDiskFolder(folder_);
      list_.entries.push_back(std::move(e));
    }
    list_.AppendRows(0, list_.count() - 1);
    for (const auto& e : list_.entries) paths_.push_back(list_.DiskPath(e));
  }
  ~Fixture() {
    for (const auto& p : paths_) unlink(p.c_str());
    rmdir(folder_.c_str());
  }
  FileList& list() { return list_; }
  const std::vector<std::string>& paths() const { return paths_; }

 private:
  std::string folder_;
  FileList list_;
  std::vector<std::string> paths_;
};

Fixture& TenThousand() {
  static Fixture fixture(10000);
  return fixture;
}
Fixture& Thousand() {
  static Fixture fixture(1000);
  return fixture;
}

ParsedTemplate Template() {
  ParsedTemplate parsed;
  ParseTagTemplate("#1-#2", parsed);
  return parsed;
}

void NamingPass(benchmark::State& state) {
  Fixture& fx = TenThousand();
  NamingOptions o;
  o.page = OptionPage::kMp3;
  o.tagTemplate = "#1-#2";
  for (auto _ : state) ApplyTagTemplateRule(fx.list(), o, nullptr);
}

void NamePreview(benchmark::State& state) {
  Fixture& fx = TenThousand();
  const ParsedTemplate parsed = Template();
  for (auto _ : state) {
    benchmark::DoNotOptimize(PreviewNameTags(fx.list(), parsed));
    ShowTagStatuses(fx.list());
  }
  if (fx.list().entries[1].texts().tagStatus.empty()) state.SkipWithError("no preview");
}

// Files of their own: the bare loop's kilobyte lands over their tags.
Fixture& BareThousand() {
  static Fixture fixture(1000);
  return fixture;
}

void BarePwrite(benchmark::State& state) {
  Fixture& fx = BareThousand();
  const std::string kilobyte(1024, 'x');
  for (auto _ : state)
    for (const auto& p : fx.paths()) {
      const int fd = open(p.c_str(), O_WRONLY | O_CLOEXEC);
      benchmark::DoNotOptimize(pwrite(fd, kilobyte.data(), kilobyte.size(), 0));
      close(fd);
    }
}

// The floor under a safe in-place write: only the system calls the writer's
// promises take, with no tag work at all. It refuses a device before opening the
// file (lstat), takes the lock writers share (flock), looks for the recovery
// record a killed writer may have left beside the file, reads the head and the
// last 128 bytes for the plan and the undo, writes each tag over its place, and
// notes the file as left for the undo (fstat). Written bytes are the file's own,
// so the files stay as they were.
void GuaranteesFloor(benchmark::State& state) {
  Fixture& fx = BareThousand();
  std::vector<std::string> records;
  for (const auto& p : fx.paths()) {
    const std::size_t slash = p.rfind('/');
    records.push_back(p.substr(0, slash + 1) + "." + p.substr(slash + 1) + ".tessarn-journal");
  }
  char head[8192], tail[128];
  for (auto _ : state)
    for (std::size_t i = 0; i < fx.paths().size(); ++i) {
      const char* path = fx.paths()[i].c_str();
      struct stat st;
      if (lstat(path, &st) != 0 || !S_ISREG(st.st_mode)) std::abort();
      const int fd = open(path, O_RDWR | O_CLOEXEC | O_NOCTTY);
      if (fd < 0 || flock(fd, LOCK_EX) != 0 || fstat(fd, &st) != 0) std::abort();
      if (access(records[i].c_str(), F_OK) == 0) std::abort();
      const ssize_t got = pread(fd, head, sizeof head, 0);
      const off_t end = st.st_size;
      if (got < 128 || pread(fd, tail, sizeof tail, end - 128) != 128) std::abort();
      benchmark::DoNotOptimize(pwrite(fd, head, std::min<ssize_t>(got, 1024), 0));
      benchmark::DoNotOptimize(pwrite(fd, tail, sizeof tail, end - 128));
      fstat(fd, &st);
      close(fd);
    }
}

// Each pass reads the names the other way round from the one before, starting
// with the way the files' tags were not made, so that every pass writes new tags
// into every file (the tags a file already has would be no change at all). The
// writing benchmarks share the files and so the turn.
std::size_t turn = 1;

void WriteFromNames(benchmark::State& state) {
  Fixture& fx = Thousand();
  ParsedTemplate parsed[2];
  ParseTagTemplate("#1-#2", parsed[0]);
  ParseTagTemplate("#2-#1", parsed[1]);
  std::vector<std::size_t> all(fx.list().count());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  std::size_t passes = 0, written = 0;
  for (auto _ : state) {
    for (const NameTagFile& file : WriteNameTags(fx.list(), all, parsed[turn++ % 2], {}, {}))
      written += file.outcome.undo.has_value();
    ++passes;
  }
  if (written != passes * all.size()) state.SkipWithError("not every file was written");
}

// The same with the run's record: each file's old tags appended to the run's
// file as it is written, flushed per batch. The history lies beside the files,
// so that TESSARN_BENCH_DIR on a disk measures real flushes.
void WriteFromNamesRecorded(benchmark::State& state) {
  Fixture& fx = Thousand();
  const std::string history = BenchFolder();
  ParsedTemplate parsed[2];
  ParseTagTemplate("#1-#2", parsed[0]);
  ParseTagTemplate("#2-#1", parsed[1]);
  std::vector<std::size_t> all(fx.list().count());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  std::size_t passes = 0, written = 0;
  bool recorded = true;
  for (auto _ : state) {
    const RecordedTagRun run =
        RunTagsRecorded(history, FrontEnd::kCommandLine, [&](const TagFileTried& tried) {
          for (const NameTagFile& file :
               WriteNameTags(fx.list(), all, parsed[turn++ % 2], {}, {}, tried))
            written += file.outcome.undo.has_value();
        });
    recorded = recorded && run.runId != 0 && run.error.empty();
    ++passes;
  }
  std::filesystem::remove_all(history);
  if (!recorded) state.SkipWithError("a run was not recorded");
  if (written != passes * all.size()) state.SkipWithError("not every file was written");
}

double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void Setup(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)
      ->Repetitions(3)
      ->ComputeStatistics("min", Fastest)
      ->ReportAggregatesOnly(true);
}

BENCHMARK(NamingPass)->Apply(Setup);
BENCHMARK(NamePreview)->Apply(Setup);
BENCHMARK(WriteFromNames)->Apply(Setup);
BENCHMARK(WriteFromNamesRecorded)->Apply(Setup);
BENCHMARK(BarePwrite)->Apply(Setup);
BENCHMARK(GuaranteesFloor)->Apply(Setup);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
