// A chain of three steps (replace, case, numbering) over 100,000 names against each
// of its steps alone, in the same run: the chain's preview is to take at most 1.5
// times the slowest single step. Sorting 1,000,000 names in natural order is timed
// beside it (its line: 1 s). No disk is touched: the rules work on names.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench_filelist_fixture.h"
#include "core/filelist/list_sort.h"
#include "core/rules/preview_pass.h"
#include "core/rules/rule_chain.h"

namespace tessarn {
namespace {

constexpr std::size_t kNames = 100000;

// "IMG_<i>_Holiday.JPG" in a shuffled order of numbers, as a camera's files after a
// merge of folders.
FileList MakeList(std::size_t n) {
  FileList list;
  list.entries.reserve(n);
  std::size_t x = 12345;
  for (std::size_t i = 0; i < n; ++i) {
    x = (x * 1103515245 + 12345) % 2147483648u;
    std::string name = "IMG_";
    name += std::to_string(x % (n * 10));
    name += "_Holiday.JPG";
    list.AppendEntry("/photos/", std::move(name));
  }
  return list;
}

NamingOptions Replace() {
  NamingOptions o;
  o.page = OptionPage::kReplace;
  o.findText = "IMG_";
  return o;
}

NamingOptions Case() {
  NamingOptions o;
  o.page = OptionPage::kCase;
  o.nameCase = CaseRule::kFirstUpper;
  o.extCase = CaseRule::kAllLower;
  return o;
}

NamingOptions Numbering() {
  NamingOptions o;
  o.page = OptionPage::kNumbering;
  o.namePrefix = "p_";
  o.nameDigits = "6";
  o.startValue = "1";
  return o;
}

NamingOptions Chain() {
  auto chain = std::make_shared<RuleChain>();
  chain->steps = {{true, Replace()}, {true, Case()}, {true, Numbering()}};
  NamingOptions o;
  o.chain = chain;
  return o;
}

void Preview(benchmark::State& state, const NamingOptions& options) {
  static FileList list = MakeList(kNames);
  for (auto _ : state) {
    ComputeNewNames(list, options, list.count(), nullptr);
    benchmark::DoNotOptimize(list.entries.back().newName.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kNames));
}

void BM_StepReplace(benchmark::State& state) { Preview(state, Replace()); }
void BM_StepCase(benchmark::State& state) { Preview(state, Case()); }
void BM_StepNumbering(benchmark::State& state) { Preview(state, Numbering()); }
void BM_ChainOfThree(benchmark::State& state) {
  Preview(state, Chain());
  static FileList check = MakeList(2);
  ComputeNewNames(check, Chain(), 2, nullptr);
  bench::Require(check.entries[1].newName == "p_000002.jpg", "the chain named wrongly");
}

// Sorting a million names by name, the rows following.
void BM_SortMillionByName(benchmark::State& state) {
  FileList list = MakeList(1000000);
  list.AppendRows(0, list.count() - 1);
  bool descending = false;
  for (auto _ : state) {
    SortList(list, SortKey::kName, descending);
    descending = !descending;
  }
  bench::Require(list.entries.front().oldName <= list.entries.back().oldName ||
                     !descending,
                 "the list is not sorted");
}

BENCHMARK(BM_StepReplace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepNumbering)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainOfThree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortMillionByName)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace
}  // namespace tessarn

BENCHMARK_MAIN();
