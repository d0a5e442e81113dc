#include "core/rules/preview_pass.h"

#include <gtest/gtest.h>

#include <climits>

#include "core/filelist/rename_run.h"
#include "core/text/encoding.h"
#include "rule_test_support.h"

namespace tessarn {
namespace {

using testing::MakeList;
using testing::NewNames;
using testing::ShownNewNames;
using Names = std::vector<std::string>;

FileList Files(int n) {
  Names names;
  for (int i = 0; i < n; ++i) names.push_back("f" + std::to_string(i) + ".jpg");
  return MakeList(names);
}

AppSettings Preview(bool autoPreview, int count, bool all = false) {
  AppSettings s;
  SetDefaultSettings(s);
  s.autoPreview = autoPreview;
  s.previewCount = count;
  s.previewAll = all;
  return s;
}

NamingOptions Prefix(const std::string& prefix) {
  NamingOptions o;
  o.namePrefix = prefix;
  return o;
}

std::size_t ShownCount(const FileList& list) {
  std::size_t n = 0;
  for (const auto& cell : ShownNewNames(list)) n += !cell.empty();
  return n;
}

TEST(SplitNameTest, Cases) {
  struct Case {
    std::string name, main, ext;
  } cases[] = {
      {"song.mp3", "song", ".mp3"},
      {"archive.tar.gz", "archive.tar", ".gz"},
      {"README", "README", ""},
      {".profile", "", ".profile"},
      {"readme.", "readme", "."},
      {"", "", ""},
      {".", "", "."},
      // 乗 (81 5C) and 乤 (81 61): no trail byte of a GBK character is a dot.
      {"\x81\x5C.\x81\x61", "\x81\x5C", ".\x81\x61"},
      {Gb("歌曲.mp3"), Gb("歌曲"), ".mp3"},
  };
  for (const auto& c : cases) {
    const SplitNameResult r = SplitName(c.name);
    EXPECT_EQ(r.mainName, c.main) << c.name;
    EXPECT_EQ(r.extension, c.ext) << c.name;
    EXPECT_EQ(r.mainName + r.extension, c.name);
  }
}

TEST(OptionNumberTest, Cases) {
  struct Case {
    const char* text;
    long long value;
  } cases[] = {
      {"", 0},
      {"0", 0},
      {"12", 12},
      {"012", 12},
      {"12.9", 12},
      {"-12.9", -12},
      {"-3", -3},
      {"+4", 4},
      {"abc", 0},
      {"7x", 7},
      {" 5", 5},
      {"-", 0},
      {"99999999999999999999", LLONG_MAX},
      {"-99999999999999999999", -LLONG_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(OptionNumber(c.text), c.value) << c.text;
}

// With automatic preview off the automatic passes change nothing, and "预览"
// still fills every row.
TEST(PreviewPassTest, AutoPreviewOffLeavesOnlyTheExplicitCommand) {
  FileList list = Files(3);
  EXPECT_EQ(PreviewPass(list, Prefix("p"), Preview(false, 1), false, nullptr), 0u);
  EXPECT_EQ(NewNames(list), (Names{"", "", ""}));
  EXPECT_EQ(ShownCount(list), 0u);
  EXPECT_EQ(PreviewPass(list, Prefix("p"), Preview(false, 1), true, nullptr), 3u);
  EXPECT_EQ(ShownCount(list), 3u);
}

// A pattern that does not compile leaves no name of the last good one on show,
// also after a gap of empty names and beyond the preview count.
TEST(PreviewPassTest, BadPatternEmptiesEveryNewNameCell) {
  FileList list = Files(5);
  for (std::size_t r = 0; r < list.RowCount(); ++r)
    list.SetCellText(r, kNewNameColumn, r == 1 ? "" : "stale");
  NamingOptions bad;
  bad.page = OptionPage::kReplace;
  bad.regex = true;
  bad.findText = "(a";
  for (bool allRows : {false, true}) {
    EXPECT_EQ(PreviewPass(list, bad, Preview(true, 2), allRows, nullptr), 0u);
    EXPECT_EQ(ShownCount(list), 0u);
  }
}

TEST(PreviewPassTest, RowCountRules) {
  struct Case {
    const char* what;
    int files;
    AppSettings settings;
    bool allRows;
    OptionPage page;
    std::size_t rows;
  } cases[] = {
      {"first previewCount rows", 25, Preview(true, 10), false, OptionPage::kNumbering, 10},
      {"fewer files than the count", 4, Preview(true, 10), false, OptionPage::kNumbering, 4},
      {"the explicit command fills all", 25, Preview(true, 10), true, OptionPage::kNumbering, 25},
      {"preview-all fills all", 25, Preview(true, 10, true), false, OptionPage::kCase, 25},
      {"count 0", 25, Preview(true, 0), false, OptionPage::kNumbering, 0},
      {"negative count counts as 0", 25, Preview(true, -7), false, OptionPage::kNumbering, 0},
      {"huge count", 3, Preview(true, INT_MAX), false, OptionPage::kReplace, 3},
      {"empty list", 0, Preview(true, 10), true, OptionPage::kNumbering, 0},
  };
  for (const auto& c : cases) {
    FileList list = Files(c.files);
    NamingOptions o = Prefix("p");
    o.page = c.page;
    EXPECT_EQ(PreviewPass(list, o, c.settings, c.allRows, nullptr), c.rows) << c.what;
    EXPECT_EQ(ShownCount(list), c.rows) << c.what;
    for (std::size_t r = 0; r < list.count(); ++r)
      EXPECT_EQ(list.entries[r].newName.empty(), r >= c.rows) << c.what << " row " << r;
  }
}

TEST(PreviewPassTest, TwentyFiveFilesCountTen) {
  FileList list = Files(25);
  const AppSettings settings = Preview(true, 10);
  PreviewPass(list, Prefix("IMG_"), settings, false, nullptr);
  const Names shown = ShownNewNames(list);
  EXPECT_EQ(shown[0], "IMG_0.jpg");
  EXPECT_EQ(shown[9], "IMG_9.jpg");
  for (std::size_t r = 10; r < 25; ++r) EXPECT_EQ(shown[r], "") << r;

  PreviewPass(list, Prefix("IMG_"), settings, true, nullptr);  // "预览"
  EXPECT_EQ(ShownNewNames(list)[24], "IMG_24.jpg");
}

TEST(PreviewPassTest, RowsBeyondThePreviewShowNoStaleNames) {
  FileList list = Files(25);
  PreviewPass(list, Prefix("old"), Preview(true, 10), true, nullptr);
  ASSERT_EQ(ShownCount(list), 25u);
  PreviewPass(list, Prefix("new"), Preview(true, 10), false, nullptr);
  const Names shown = ShownNewNames(list);
  EXPECT_EQ(shown[9], "new9.jpg");
  for (std::size_t r = 10; r < 25; ++r) EXPECT_EQ(shown[r], "") << r;
  // The entries themselves keep what the earlier pass wrote; the rename run recomputes.
  EXPECT_EQ(list.entries[24].newName, "old24.jpg");
}

TEST(PreviewPassTest, Mp3PageCoversEveryRowWhateverTheCount) {
  FileList list = Files(25);
  for (std::size_t r = 0; r < 25; ++r) list.entries[r].newName = "earlier";
  NamingOptions o;
  o.page = OptionPage::kMp3;
  EXPECT_EQ(PreviewPass(list, o, Preview(true, 10), false, nullptr), 25u);
  // Every row was refreshed from its entry: none was left to the stale-name sweep.
  const Names shown = ShownNewNames(list);
  for (std::size_t r = 0; r < 25; ++r) EXPECT_EQ(shown[r], list.entries[r].newName) << r;
}

// A pass done in slices leaves the entries and rows as one pass does, on every
// page whose rules go entry by entry: numbers count from the list's start, a
// run's statuses go, stale names after the preview go.
TEST(SlicedPreviewTest, SlicesGiveWhatOnePassGives) {
  struct Case {
    const char* what;
    NamingOptions options;
  } cases[4];
  cases[0] = {"numbering", Prefix("p_")};
  cases[0].options.startValue = "7";
  cases[0].options.increment = "3";
  cases[0].options.nameDigits = "3";
  cases[0].options.numberingScope = NumberingScope::kAll;
  cases[0].options.extDigits = "1";
  cases[1] = {"replace", NamingOptions()};
  cases[1].options.page = OptionPage::kReplace;
  cases[1].options.findText = "1";
  cases[1].options.replaceWith = "one";
  cases[2] = {"insert", NamingOptions()};
  cases[2].options.page = OptionPage::kInsert;
  cases[2].options.nameInsertText = "+";
  cases[2].options.nameInsertPos = "2";
  cases[3] = {"case", NamingOptions()};
  cases[3].options.page = OptionPage::kCase;
  cases[3].options.nameCase = CaseRule::kAllUpper;
  const AppSettings all = Preview(true, 5, true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto prepared = [] {
      FileList list = Files(11);
      list.RemoveRange(10, 10);  // an entry gone: the slices stop at the list's end
      for (std::size_t r = 0; r < list.RowCount(); ++r) list.SetCellText(r, kNewNameColumn, "old");
      SetRowStatus(list, 0, EntryStatus{RowOutcome::kRenamed});
      return list;
    };
    FileList whole = prepared(), sliced = prepared();
    ASSERT_EQ(PreviewPass(whole, c.options, all, true, nullptr), 10u);
    SlicedPreview pass(c.options, 10);
    std::size_t steps = 0;
    while (!pass.Done()) {
      pass.Step(sliced, 3, nullptr);
      ++steps;
    }
    EXPECT_EQ(steps, 4u);
    EXPECT_EQ(NewNames(sliced), NewNames(whole));
    EXPECT_EQ(ShownNewNames(sliced), ShownNewNames(whole));
    EXPECT_EQ(sliced.CellText(0, kStatusColumn), "");
    EXPECT_EQ(sliced.entries[0].status.outcome, RowOutcome::kNone);
  }
}

// Stopped half way, the rows done show their names and the next keystroke's pass
// empties the rest as after any wider pass.
TEST(SlicedPreviewTest, StoppedHalfWayThenAKeystroke) {
  FileList list = Files(10);
  SlicedPreview pass(Prefix("x"), 10);
  pass.Step(list, 4, nullptr);
  EXPECT_EQ(pass.done(), 4u);
  EXPECT_EQ(ShownCount(list), 4u);
  PreviewPass(list, Prefix("y"), Preview(true, 2), false, nullptr);
  EXPECT_EQ(ShownNewNames(list), (Names{"y0.jpg", "y1.jpg", "", "", "", "", "", "", "", ""}));
}

TEST(ComputeNewNamesTest, OnlyTheShownPageApplies) {
  NamingOptions o;
  o.mainName = "num";   // page "常规"
  o.findText = "song";  // page "替换/删除"
  o.replaceWith = "tune";
  o.nameInsertText = "X";            // page "插入"
  o.nameCase = CaseRule::kAllLower;  // page "大小写"
  struct Case {
    OptionPage page;
    std::string newName;
  } cases[] = {
      {OptionPage::kNumbering, "num0.MP3"},
      {OptionPage::kReplace, "My tune.MP3"},
      {OptionPage::kInsert, "XMy Song.MP3"},
      {OptionPage::kCase, "my song.MP3"},
  };
  for (const auto& c : cases) {
    FileList list = MakeList({"My Song.MP3"});
    o.page = c.page;
    ComputeNewNames(list, o, 1, nullptr);
    EXPECT_EQ(list.entries[0].newName, c.newName);
  }
}

}  // namespace
}  // namespace tessarn
