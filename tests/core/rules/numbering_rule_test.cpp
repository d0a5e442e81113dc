#include "core/rules/numbering_rule.h"

#include <gtest/gtest.h>

#include "core/rules/naming_options.h"

#include <climits>
#include <functional>

#include "core/text/encoding.h"
#include "rule_test_support.h"

namespace tessarn {
namespace {

using testing::MakeList;
using testing::NewNames;
using Names = std::vector<std::string>;

struct NumberingCase {
  const char* what;
  std::function<void(NamingOptions&)> set;
  Names oldNames;
  Names newNames;
};

void ScopeExt(NamingOptions& o) { o.numberingScope = NumberingScope::kExtension; }

TEST(NumberingRule, Cases) {
  const NumberingCase cases[] = {
      {"defaults", [](NamingOptions&) {}, {"a.jpg", "b.jpg", "c.txt"}, {"0.jpg", "1.jpg", "2.txt"}},
      {"prefix, width 3 from 1",
       [](NamingOptions& o) {
         o.namePrefix = "IMG_";
         o.nameDigits = "3";
         o.startValue = "1";
       },
       {"a.jpg", "b.jpg"},
       {"IMG_001.jpg", "IMG_002.jpg"}},
      {"the number grows past the width, nothing is cut",
       [](NamingOptions& o) {
         o.namePrefix = "IMG_";
         o.nameDigits = "3";
         o.startValue = "998";
       },
       {"a.jpg", "b.jpg", "c.jpg"},
       {"IMG_998.jpg", "IMG_999.jpg", "IMG_1000.jpg"}},
      {"falling numbers are padded one by one",
       [](NamingOptions& o) {
         o.startValue = "10";
         o.increment = "-1";
         o.nameDigits = "3";
       },
       {"a", "b", "c"},
       {"010", "009", "008"}},
      {"the minus sign counts toward the width",
       [](NamingOptions& o) {
         o.startValue = "0";
         o.increment = "-1";
         o.nameDigits = "3";
       },
       {"a", "b", "c"},
       {"000", "0-1", "0-2"}},
      {"emptied increment numbers every file alike",
       [](NamingOptions& o) {
         o.startValue = "5";
         o.increment = "";
       },
       {"a.jpg", "b.jpg"},
       {"5.jpg", "5.jpg"}},
      {"emptied width still writes the number",
       [](NamingOptions& o) {
         o.mainName = "x";
         o.nameDigits = "";
         o.startValue = "7";
       },
       {"a.jpg", "b.jpg"},
       {"x7.jpg", "x8.jpg"}},
      {"emptied start counts from 0",
       [](NamingOptions& o) { o.startValue = ""; },
       {"a", "b"},
       {"0", "1"}},
      {"prefix, body, number, suffix in order",
       [](NamingOptions& o) {
         o.namePrefix = "P";
         o.mainName = "B";
         o.nameSuffix = "S";
         o.nameDigits = "2";
       },
       {"old.txt"},
       {"PB00S.txt"}},
      {"Chinese texts go in as typed",
       [](NamingOptions& o) { o.mainName = Gb("照片"); },
       {Gb("旧.jpg")},
       {Gb("照片0.jpg")}},
      {"extension scope, all four empty: the extension goes",
       ScopeExt,
       {"song.mp3", "README"},
       {"song", "README"}},
      {"new extension without number",
       [](NamingOptions& o) {
         ScopeExt(o);
         o.newExtension = "txt";
       },
       {"notes.doc", "README"},
       {"notes.txt", "README.txt"}},
      {"extension width 0 numbers, names without extension get the dot",
       [](NamingOptions& o) {
         ScopeExt(o);
         o.newExtension = "part";
         o.extDigits = "0";
         o.startValue = "1";
       },
       {"x.bin", "y.bin", "README"},
       {"x.part1", "y.part2", "README.part3"}},
      {"extension width alone gives a padded number",
       [](NamingOptions& o) {
         ScopeExt(o);
         o.extDigits = "2";
       },
       {"a.dat", "a2.dat"},
       {"a.00", "a2.01"}},
      {"extension prefix and suffix without number",
       [](NamingOptions& o) {
         ScopeExt(o);
         o.extPrefix = "p";
         o.extSuffix = "s";
       },
       {"a.b"},
       {"a.ps"}},
      {"extension scope keeps the main name's own dot",
       [](NamingOptions& o) {
         ScopeExt(o);
         o.newExtension = "bak";
       },
       {".config.txt"},
       {".config.bak"}},
      {"both parts carry the same number",
       [](NamingOptions& o) {
         o.numberingScope = NumberingScope::kAll;
         o.mainName = "track";
         o.newExtension = "mp3";
         o.nameDigits = "2";
         o.extDigits = "2";
         o.startValue = "1";
       },
       {"x.wav", "y.wav"},
       {"track01.mp301", "track02.mp302"}},
      {"scope all with empty extension options drops the extension",
       [](NamingOptions& o) { o.numberingScope = NumberingScope::kAll; },
       {"x.wav"},
       {"0"}},
      {"a main name that begins with a dot keeps it",
       [](NamingOptions& o) { o.namePrefix = "p"; },
       {".config.txt"},
       {".p0.txt"}},
      {"a dot file keeps its whole name as extension",
       [](NamingOptions&) {},
       {".profile"},
       {"0.profile"}},
      {"name scope leaves a trailing dot alone", [](NamingOptions&) {}, {"readme."}, {"0."}},
      {"numbers past 32 bits do not wrap",
       [](NamingOptions& o) { o.startValue = "2147483647"; },
       {"a", "b"},
       {"2147483647", "2147483648"}},
  };
  for (const auto& c : cases) {
    NamingOptions options;
    c.set(options);
    FileList list = MakeList(c.oldNames);
    ApplyNumberingRule(list, options, list.count());
    EXPECT_EQ(NewNames(list), c.newNames) << c.what;
  }
}

TEST(NumberingRule, CoversOnlyTheFirstCountEntriesAndOnlyNewName) {
  FileList list = MakeList({"a.jpg", "b.jpg", "c.jpg"});
  list.entries[2].newName = "earlier";
  ApplyNumberingRule(list, NamingOptions{}, 2);
  EXPECT_EQ(NewNames(list), (Names{"0.jpg", "1.jpg", "earlier"}));
  EXPECT_EQ(list.entries[0].oldName, "a.jpg");
  EXPECT_EQ(list.FolderText(list.entries[0]), "/music/");
  ApplyNumberingRule(list, NamingOptions{}, 99);  // more than the list holds
  EXPECT_EQ(list.entries[2].newName, "2.jpg");
}

TEST(NumberingRule, LeadingZeros) {
  struct Case {
    long long width, number;
    std::string zeros;
  } cases[] = {
      {3, 7, "00"}, {3, 10, "0"},  {3, 999, ""},       {3, 1000, ""},
      {1, 0, ""},   {0, 5, ""},    {-4, 5, ""},        {3, -1, "0"},
      {2, -1, ""},  {4, -10, "0"}, {LLONG_MIN, 5, ""}, {5, LLONG_MIN, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LeadingZeros(c.width, c.number), c.zeros) << c.width << " " << c.number;
  // A pasted absurd width is held to a length no file name reaches anyway.
  EXPECT_EQ(LeadingZeros(LLONG_MAX, 1).size(), 999u);
}

TEST(NumberingRule, SequenceNumberNeverWraps) {
  struct Case {
    long long start, step;
    std::size_t index;
    long long number;
  } cases[] = {
      {0, 1, 0, 0},
      {10, -1, 3, 7},
      {99999999, 999999, 5000000, 99999999 + 999999LL * 5000000},
      {LLONG_MAX, 1, 1, LLONG_MAX},
      {LLONG_MIN, -1, 1, LLONG_MIN},
      {0, LLONG_MAX, 3, LLONG_MAX},
      {0, LLONG_MIN, 3, LLONG_MIN},
      {-5, LLONG_MAX, 2, LLONG_MAX},
      {-LLONG_MAX, LLONG_MAX, 2, LLONG_MAX},
      {-LLONG_MAX, 1LL << 62, 2, 1},  // a large step that a negative start brings back
      {5, 0, 1000, 5},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SequenceNumber(c.start, c.step, c.index), c.number)
        << c.start << " " << c.step << " " << c.index;
}

TEST(NumberingRule, BuildNumberedPartsLeadingDot) {
  Names mains{".hidden", "plain", ""};
  BuildNumberedParts(mains, PartKind::kMainName, "p", "", "", {1, 1, 0}, 3);
  EXPECT_EQ(mains, (Names{".p1", "p2", "p3"}));
  Names exts{".txt", ""};
  BuildNumberedParts(exts, PartKind::kExtension, "", "e", "", {1, 1, 0}, 2);
  EXPECT_EQ(exts, (Names{".e1", ".e2"}));
}

}  // namespace
}  // namespace tessarn
