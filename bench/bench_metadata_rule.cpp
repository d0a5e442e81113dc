// The metadata page names every listed file from what is inside it. Each pass is
// measured beside the bare loop it must keep up with, over 10,000 files made in a
// folder of their own (see bench_folder.h; copies of one file, each a file of its own):
//   photo dates of 10,000 JPEGs with EXIF  vs  open + read the first 64 KB + close (within 3x)
//   tags of 10,000 FLAC files              vs  the same bare loop on those files (within 3x)
// The "...Over..." benchmarks time a pass and its bare loop in the same iteration
// and report their ratio (counter `ratio`): this machine's pace changes from one
// minute to the next, shared as it is.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <time.h>
#include <stdlib.h>
#include <unistd.h>

#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench_folder.h"
#include "core/filelist/file_list.h"
#include "core/rules/metadata_rule.h"
#include "core/rules/naming_options.h"
#include "core/text/encoding.h"
#include "support/tiny_media.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace tessarn {
namespace {

constexpr int kFileCount = 10000;
constexpr std::size_t kBareRead = 64 * 1024;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A JPEG with a camera's EXIF: the checked-in picture with the fields written.
std::string TaggedPhoto(const std::string& scratch) {
  std::ofstream(scratch, std::ios::binary) << ReadAll(testing::TestDataPath("plain.jpg"));
  auto image = Exiv2::ImageFactory::open(scratch);
  image->readMetadata();
  Exiv2::ExifData& exif = image->exifData();
  exif["Exif.Image.Make"] = std::string("Canon");
  exif["Exif.Image.Model"] = std::string("Canon EOS R5");
  exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
  exif["Exif.Photo.DateTimeOriginal"] = std::string("2023:07:15 10:20:30");
  exif["Exif.Photo.DateTimeDigitized"] = std::string("2023:07:15 10:20:30");
  exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
  exif["Exif.Photo.FNumber"] = Exiv2::URational(28, 10);
  exif["Exif.Photo.LensModel"] = std::string("RF24-105mm F4 L IS USM");
  image->writeMetadata();
  return ReadAll(scratch);
}

std::string TaggedFlac(const std::string& scratch) {
  std::ofstream(scratch, std::ios::binary) << testing::TinyFlac();
  TagLib::FileRef file(scratch.c_str(), false);
  TagLib::PropertyMap map;
  map.insert("ARTIST", TagLib::StringList(TagLib::String("邓丽君", TagLib::String::UTF8)));
  map.insert("TITLE", TagLib::StringList(TagLib::String("月亮代表我的心", TagLib::String::UTF8)));
  map.insert("ALBUM", TagLib::StringList(TagLib::String("淡淡幽情", TagLib::String::UTF8)));
  map.insert("TRACKNUMBER", TagLib::StringList(TagLib::String("7")));
  file.file()->setProperties(map);
  file.save();
  return ReadAll(scratch);
}

// 10,000 copies of one file in a folder of their own, listed. Removed at exit.
class Fixture {
 public:
  Fixture(const char* extension, std::string (*make)(const std::string&)) {
    folder_ = BenchFolder();
    const std::string content = make(folder_ + "scratch");
    unlink((folder_ + "scratch").c_str());
    for (int i = 0; i < kFileCount; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "IMG_%05d.%s", i, extension);
      std::ofstream(folder_ + name, std::ios::binary) << content;
      FileEntry e;
      e.SetNames(name, name);
      e.folder = list_.InternDiskFolder(folder_);
      list_.entries.push_back(std::move(e));
      paths_.push_back(folder_ + name);
    }
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

Fixture& Photos() {
  static Fixture f("jpg", TaggedPhoto);
  return f;
}
Fixture& Songs() {
  static Fixture f("flac", TaggedFlac);
  return f;
}

void BareLoop(const std::vector<std::string>& paths) {
  static std::vector<char> buffer(kBareRead);
  for (const auto& p : paths) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
    ::close(fd);
  }
}

void Pass(FileList& list, const char* templateText) {
  NamingOptions options;
  options.page = OptionPage::kMeta;
  options.metaTemplate = Gb(templateText);
  ApplyMetadataRule(list, options, nullptr, 0, list.count());
  if (list.entries.front().newName.empty()) std::abort();  // the pass must name the files
}

// Wall time and this thread's processor time, in seconds.
struct Clocks {
  double wall = 0, cpu = 0;
};
Clocks Now() {
  timespec cpu{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
  return {std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
          static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) * 1e-9};
}

// Both clocks are reported: with other work on the machine, the wall clock of a
// loop that makes more system calls waits longer for its turns, and the ratio of
// processor times is the fairer one.
void PassOverBare(benchmark::State& state, Fixture& f, const char* templateText) {
  Clocks pass, bare;
  for (auto _ : state) {
    Clocks t0 = Now();
    Pass(f.list(), templateText);
    Clocks t1 = Now();
    BareLoop(f.paths());
    Clocks t2 = Now();
    pass.wall += t1.wall - t0.wall;
    pass.cpu += t1.cpu - t0.cpu;
    bare.wall += t2.wall - t1.wall;
    bare.cpu += t2.cpu - t1.cpu;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ratio"] = pass.wall / bare.wall;
  state.counters["cpu_ratio"] = pass.cpu / bare.cpu;
  state.counters["pass_ms"] = pass.wall * 1000 / n;
  state.counters["bare_ms"] = bare.wall * 1000 / n;
}

void BM_PhotoDatesOverBareLoop(benchmark::State& state) {
  PassOverBare(state, Photos(), "{taken:%Y-%m-%d_%H%M%S}");
}
void BM_FlacTagsOverBareLoop(benchmark::State& state) {
  PassOverBare(state, Songs(), "{artist}-{title}");
}
BENCHMARK(BM_PhotoDatesOverBareLoop)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);
BENCHMARK(BM_FlacTagsOverBareLoop)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
