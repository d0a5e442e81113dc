// What a keystroke in an option box costs with a long list: the preview pass over
// the shown rows (40) and the conflict check of those rows, whose new names are
// names on disk held by rows not shown. It must stay well inside one frame (16 ms)
// however long the list, so it is timed at 10,000, 100,000 and 1,000,000 entries;
// the same check walking every row (no index kept) is timed beside it.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "bench_filelist_fixture.h"
#include "core/filelist/rename_plan.h"
#include "core/rules/preview_pass.h"
#include "core/rules/rule_chain.h"

namespace tessarn {
namespace {

constexpr std::size_t kShownRows = 40;
constexpr std::size_t kFilesOnDisk = 200;

// "f<i>.jpg", built by appending (GCC 12 warns falsely about "f" + ... + ".jpg").
std::string Name(std::size_t i) {
  std::string name = "f";
  name += std::to_string(i);
  name += ".jpg";
  return name;
}

// One folder on tmpfs holding f0.jpg .. f199.jpg; the list holds f0.jpg .. f(n-1).jpg
// in it (the files past 200 are not on disk, which the check of 40 rows never sees).
struct KeystrokeList {
  bench::ManyFilesFolder folder{0};
  FileList list;
  explicit KeystrokeList(std::size_t n) {
    for (std::size_t i = 0; i < kFilesOnDisk; ++i) {
      const int fd = open((folder.path() + Name(i)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
      bench::Require(fd >= 0, "making the folder's files");
      close(fd);
    }
    list.entries.reserve(n);
    for (std::size_t i = 0; i < n; ++i) list.AppendEntry(folder.path(), Name(i));
    RefreshRows(list, kRefreshAppend | kRefreshFolder, 0, static_cast<long long>(n) - 1,
                folder.path());
  }
};

KeystrokeList& ListOf(std::size_t n) {
  static std::map<std::size_t, std::unique_ptr<KeystrokeList>> lists;
  auto& kept = lists[n];
  if (!kept) kept = std::make_unique<KeystrokeList>(n);
  return *kept;
}

// Each keystroke numbers the shown rows from 50 or 51 on: row i wants f(50+i).jpg,
// a file on disk held by a row not shown, which may still move.
// With `chained`, the keystroke edits the last step of a chain of three: a replace
// that finds nothing, lower case, then the numbering.
void Keystroke(benchmark::State& state, bool keepIndex, bool chained = false) {
  KeystrokeList& fixture = ListOf(static_cast<std::size_t>(state.range(0)));
  FileList& list = fixture.list;
  AppSettings settings;
  SetDefaultSettings(settings);
  settings.autoPreview = true;
  settings.previewCount = static_cast<int>(kShownRows);
  NamingOptions options;
  options.namePrefix.push_back('f');  // not "= \"f\"": GCC 12 warns falsely on it
  FolderListings listings;
  EntryNameIndex index;
  std::size_t marked = static_cast<std::size_t>(-1);
  auto keystroke = [&](int start) {
    options.startValue = std::to_string(start);
    NamingOptions naming = options;
    if (chained) {
      auto chain = std::make_shared<RuleChain>();
      NamingOptions replace, lower;
      replace.page = OptionPage::kReplace;
      replace.findText = "x";
      lower.page = OptionPage::kCase;
      lower.nameCase = lower.extCase = CaseRule::kAllLower;
      chain->steps = {{true, replace}, {true, lower}, {true, options}};
      naming.chain = std::move(chain);
    }
    const std::size_t shown = PreviewPass(list, naming, settings, false, nullptr);
    const RenamePlan plan = PlanPreview(list, shown, listings, keepIndex ? &index : nullptr);
    ShowPlanConflicts(list, plan, marked);
    marked = plan.rows.size();
    return plan.conflicts;
  };
  keystroke(50);  // the folder read and the index built once, as the first keystroke does
  std::size_t conflicts = 0;
  int start = 50;
  for (auto _ : state) {
    start = start == 50 ? 51 : 50;
    conflicts += keystroke(start);
  }
  bench::Require(conflicts == 0, "the check found conflicts where every name may move");
  bench::Require(list.entries[kShownRows - 1].newName == Name(start + kShownRows - 1),
                 "the last shown row has the wrong new name");
  bench::Require(list.CellText(kShownRows, kNewNameColumn).empty(),
                 "a row past the preview shows a name");
}

void BM_KeystrokePreview(benchmark::State& state) { Keystroke(state, true); }
void BM_KeystrokePreviewWalkingEveryRow(benchmark::State& state) { Keystroke(state, false); }
void BM_KeystrokePreviewChainOfThree(benchmark::State& state) { Keystroke(state, true, true); }

BENCHMARK(BM_KeystrokePreview)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeystrokePreviewChainOfThree)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeystrokePreviewWalkingEveryRow)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
