// Page "中文" over 100,000 names of 10 to 20 Chinese characters, each conversion
// beside the replace page's literal find over the same names, both timed in the
// same iteration (a busy machine slows both alike): the counter "ratio" is ours
// over the replace page's. The target is 3x. The converters are loaded once before
// the timing, as a window's or a run's first name loads them.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>

#include "bench_filelist_fixture.h"
#include "core/chinese/chinese_text.h"
#include "core/chinese/code_points.h"
#include "core/rules/chinese_rule.h"
#include "core/rules/replace_rule.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Common characters, simplified and traditional, and the pieces of episode names.
constexpr std::u32string_view kPool =
    U"的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可也你说年着那得"
    U"家下过看天去能小么心多子里后自己好起还发当没只如事把道面学所经同现什从开长行实方意话见"
    U"法进动本部民机重点电产外气理日些情前又业头因最新歌曲月亮代表银音乐爱情國們說時來個會發"
    U"頭髮軟體裏這為";

FileList& Names() {
  static FileList list = [] {
    std::mt19937 random(2026);
    FileList l;
    for (std::size_t i = 0; i < bench::kFileCount; ++i) {
      std::u32string name;
      const std::size_t length = 10 + random() % 11;
      // A quarter are episodes, a quarter carry full-width letters.
      if (i % 4 == 0) name += U"第十二集";
      if (i % 4 == 1) name += U"ＨＤ";
      while (name.size() < length) name += kPool[random() % kPool.size()];
      FileEntry e;
      e.oldName = *Utf8ToGb(ToUtf8(name) + ".mp3");
      l.entries.push_back(std::move(e));
    }
    return l;
  }();
  return list;
}

struct Conversion {
  const char* label;
  ChineseTextOptions options;
};

ChineseTextOptions With(ScriptConversion s, NumeralConversion n, PinyinMode p, WidthConversion w) {
  ChineseTextOptions o;
  o.script = s;
  o.numerals = n;
  o.pinyin = p;
  o.width = w;
  return o;
}

const Conversion kConversions[] = {
    {"s2t", With(ScriptConversion::kS2T, {}, {}, {})},
    {"s2twp", With(ScriptConversion::kS2TWP, {}, {}, {})},
    {"t2s", With(ScriptConversion::kT2S, {}, {}, {})},
    {"numerals to arabic", With({}, NumeralConversion::kToArabic, {}, {})},
    {"pinyin", With({}, {}, PinyinMode::kFull, {})},
    {"full width to half", With({}, {}, {}, WidthConversion::kToHalf)},
};

void BM_ChineseOverLiteralReplace(benchmark::State& state) {
  const Conversion& conversion = kConversions[state.range(0)];
  NamingOptions replace;
  replace.page = OptionPage::kReplace;
  replace.findText = Gb("歌曲");
  replace.replaceWith = Gb("音乐");
  NamingOptions chinese;
  chinese.page = OptionPage::kChinese;
  chinese.chinese = conversion.options;
  FileList& list = Names();
  ChineseConverters converters(FindPinyinPhraseFile(PROJECT_BINARY_DIR));
  ApplyChineseRule(list, chinese, 0, 1, &converters);  // loads what the conversion needs
  bench::Require(converters.error().empty(), "loading the conversion");
  Clock::duration literalTime{}, chineseTime{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    ApplyReplaceRule(list, replace, list.count());
    const auto t1 = Clock::now();
    ApplyChineseRule(list, chinese, 0, list.count(), &converters);
    const auto t2 = Clock::now();
    literalTime += t1 - t0;
    chineseTime += t2 - t1;
  }
  // Every name must have changed (each holds a character every conversion changes,
  // or the pinyin and width conversions' own).
  std::size_t changed = 0;
  for (const FileEntry& e : list.entries) changed += e.newName != e.oldName;
  bench::Require(changed > list.count() / 5, "the conversion changed too few names");
  state.counters["literal_ms"] = 1000 * Seconds(literalTime) / state.iterations();
  state.counters["chinese_ms"] = 1000 * Seconds(chineseTime) / state.iterations();
  state.counters["ratio"] = Seconds(chineseTime) / Seconds(literalTime);
  state.SetLabel(conversion.label);
}

}  // namespace
}  // namespace tessarn

BENCHMARK(tessarn::BM_ChineseOverLiteralReplace)
    ->DenseRange(0, std::size(tessarn::kConversions) - 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
