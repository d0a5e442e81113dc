#include "core/rules/rule_chain.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/rules/preview_pass.h"
#include "core/rules/regex_replace.h"
#include "core/rules/rule_unit.h"
#include "core/text/encoding.h"
#include "rule_test_support.h"

namespace tessarn {
namespace {

using testing::MakeList;
using testing::NewNames;
using Names = std::vector<std::string>;

NamingOptions Replace(const std::string& find, const std::string& with) {
  NamingOptions o;
  o.page = OptionPage::kReplace;
  o.findText = find;
  o.replaceWith = with;
  return o;
}

NamingOptions Numbering(const std::string& prefix, const std::string& digits = "2") {
  NamingOptions o;
  o.page = OptionPage::kNumbering;
  o.namePrefix = prefix;
  o.nameDigits = digits;
  o.startValue = "1";
  return o;
}

NamingOptions CaseStep(CaseRule name, CaseRule ext) {
  NamingOptions o;
  o.page = OptionPage::kCase;
  o.nameCase = name;
  o.extCase = ext;
  return o;
}

NamingOptions Insert(const std::string& text) {
  NamingOptions o;
  o.page = OptionPage::kInsert;
  o.nameInsertText = text;
  return o;
}

// The options a chain of steps gives; the page's own options stay at their defaults
// (a numbering page that would rename everything if it applied).
NamingOptions Chained(std::vector<ChainStep> steps) {
  auto chain = std::make_shared<RuleChain>();
  chain->steps = std::move(steps);
  NamingOptions o;
  o.chain = chain;
  return o;
}

TEST(RuleChainTest, StepsApplyInOrderEachFromThePreviousName) {
  struct Case {
    const char* what;
    std::vector<ChainStep> steps;
    Names expected;
  } cases[] = {
      {"replace then numbering: the numbering rebuilds the main name",
       {{true, Replace("IMG_", "")}, {true, Numbering("p")}},
       {"p01.JPG", "p02.JPG", "p03.png"}},
      {"case then replace sees the lowered name",
       {{true, CaseStep(CaseRule::kAllLower, CaseRule::kAllLower)}, {true, Replace("img_", "x")}},
       {"x0001.jpg", "x0002.jpg", "x0010.png"}},
      {"replace then case then insert",
       {{true, Replace("IMG_", "")},
        {true, CaseStep(CaseRule::kFirstUpper, CaseRule::kAllLower)},
        {true, Insert(Gb("假期_"))}},
       {Gb("假期_0001.jpg"), Gb("假期_0002.jpg"), Gb("假期_0010.png")}},
      {"a switched-off step does nothing",
       {{false, Replace("IMG_", "")}, {true, Insert("a")}},
       {"aIMG_0001.JPG", "aIMG_0002.JPG", "aIMG_0010.png"}},
      {"the same rule twice",
       {{true, Replace("0", "")}, {true, Replace("IMG_", "#")}},
       {"#1.JPG", "#2.JPG", "#1.png"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileList list = MakeList({"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0010.png"});
    ComputeNewNames(list, Chained(c.steps), list.count(), nullptr);
    EXPECT_EQ(NewNames(list), c.expected);
    // The old names stay: the run renames from them.
    EXPECT_EQ(list.entries[0].oldName, "IMG_0001.JPG");
  }
}

TEST(RuleChainTest, ChainWithoutAnEnabledStepLeavesThePage) {
  FileList list = MakeList({"a.txt"});
  NamingOptions o = Chained({{false, Replace("a", "b")}});
  o.page = OptionPage::kInsert;
  o.nameInsertText = "x";
  EXPECT_EQ(ActiveChain(o), nullptr);
  EXPECT_EQ(ChainPaneText(o), "");
  ComputeNewNames(list, o, 1, nullptr);
  EXPECT_EQ(NewNames(list), Names{"xa.txt"});
  o.chain = std::make_shared<RuleChain>(RuleChain{{{true, Replace("a", "b")}, {false, Insert("y")},
                                                   {true, Insert("z")}}});
  EXPECT_EQ(ChainPaneText(o), Gb("规则链：2 步"));
}

// A chain's preview in slices leaves what one pass leaves: a later step's numbers
// count from the list's start, not the slice's.
TEST(RuleChainTest, SlicesGiveWhatOnePassGives) {
  Names names;
  for (int i = 0; i < 10; ++i) names.push_back("IMG_" + std::to_string(i) + ".JPG");
  const NamingOptions o = Chained({{true, Replace("IMG_", "")},
                                   {true, CaseStep(CaseRule::kAllLower, CaseRule::kAllLower)},
                                   {true, Numbering("n", "3")}});
  FileList whole = MakeList(names), sliced = MakeList(names);
  AppSettings all;
  SetDefaultSettings(all);
  all.autoPreview = true;
  all.previewAll = true;
  ASSERT_EQ(PreviewPass(whole, o, all, true, nullptr), 10u);
  SlicedPreview pass(o, 10);
  while (!pass.Done()) pass.Step(sliced, 3, nullptr);
  EXPECT_EQ(NewNames(sliced), NewNames(whole));
  EXPECT_EQ(whole.entries[9].newName, "n010.jpg");
}

// A pattern that does not compile in an enabled step stops the preview, as on the
// page; switched off, it is no matter.
TEST(RuleChainTest, PatternErrorsOfEnabledStepsCount) {
  NamingOptions bad = Replace("(", "");
  bad.regex = true;
  NamingOptions o = Chained({{true, Insert("x")}, {true, bad}});
  EXPECT_NE(RegexPatternError(o), "");
  o.chain = std::make_shared<RuleChain>(RuleChain{{{true, Insert("x")}, {false, bad}}});
  EXPECT_EQ(RegexPatternError(o), "");
}

TEST(NumberingTest, RestartPerFolderCountsEachFolderInListOrder) {
  FileList list;
  const char* folders[] = {"/a/", "/b/", "/a/", "/c/", "/b/", "/a/"};
  for (const char* folder : folders) {
    FileEntry e;
    e.oldName = "f.jpg";
    e.folder = list.InternDiskFolder(folder);
    list.entries.push_back(e);
  }
  list.AppendRows(0, list.count() - 1);
  NamingOptions o = Numbering("", "1");
  o.restartPerFolder = true;
  ComputeNewNames(list, o, list.count(), nullptr);
  EXPECT_EQ(NewNames(list), (Names{"1.jpg", "1.jpg", "2.jpg", "1.jpg", "2.jpg", "3.jpg"}));
  // A slice from the middle counts what came before it.
  list.entries[5].newName.clear();
  ApplyNumberingRule(list, o, 6, 5);
  EXPECT_EQ(list.entries[5].newName, "3.jpg");
  o.restartPerFolder = false;
  ComputeNewNames(list, o, list.count(), nullptr);
  EXPECT_EQ(list.entries[5].newName, "6.jpg");
}

// Every option of every unit reads back what was set: what a preset saves loads
// the same, and the defaults' texts are accepted.
TEST(RuleUnitTest, EveryOptionReadsBackWhatWasSet) {
  std::size_t index = 0;
  for (const RuleUnit* unit : RuleUnits()) {
    EXPECT_EQ(static_cast<std::size_t>(unit->page), index++) << unit->key;
    EXPECT_EQ(FindUnit(unit->key), unit);
    ASSERT_NE(unit->apply, nullptr);
    for (const RuleOption& option : unit->options) {
      SCOPED_TRACE(option.name);
      NamingOptions defaults, set;
      EXPECT_EQ(option.set(set, option.get(defaults)), nullptr);
      EXPECT_EQ(option.get(set), option.get(defaults));
      if (option.IsSwitch()) {
        EXPECT_EQ(option.set(set, "true"), nullptr);
        EXPECT_EQ(option.get(set), "true");
        EXPECT_NE(option.set(set, "yes"), nullptr);
      } else if (option.value[0] >= 'a' && option.value[0] <= 'z' &&
                 std::string(option.value).find('|') != std::string::npos) {
        // A choice of words: each one is taken and read back, others refused.
        std::string words = option.value;
        for (std::size_t at = 0; at <= words.size();) {
          std::size_t bar = words.find('|', at);
          if (bar == std::string::npos) bar = words.size();
          const std::string word = words.substr(at, bar - at);
          at = bar + 1;
          if (word == "N") continue;
          EXPECT_EQ(option.set(set, std::string(word)), nullptr) << word;
          EXPECT_EQ(option.get(set), word);
        }
        EXPECT_NE(option.set(set, "bogus"), nullptr);
      } else {
        EXPECT_EQ(option.set(set, "7"), nullptr);
        EXPECT_EQ(option.get(set), "7");
      }
    }
  }
}

}  // namespace
}  // namespace tessarn
