#include "core/presets/preset.h"

#include <gtest/gtest.h>

#include "core/filelist/temp_folder.h"

#include "core/presets/preset_store.h"
#include "core/rules/rule_unit.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

Preset TrickyChain() {
  Preset preset;
  preset.chain = true;
  ChainStep replace;
  replace.options.page = OptionPage::kReplace;
  replace.options.findText = Gb(" 空格 ");  // spaces at both ends
  replace.options.replaceWith = "\"q\"";     // quotes at both ends
  replace.options.regex = true;
  replace.options.replaceScope = ReplaceScope::kAll;
  ChainStep numbering;
  numbering.enabled = false;
  numbering.options.namePrefix = Gb("假期_");
  numbering.options.nameDigits = "3";
  numbering.options.restartPerFolder = true;
  ChainStep insert;
  insert.options.page = OptionPage::kInsert;
  insert.options.nameInsertText = "=";  // an "=" in a value
  insert.options.keepSame = true;
  insert.options.extInsertText = "=";
  insert.options.nameInsertMode = InsertMode::kAtEnd;
  preset.steps = {replace, numbering, insert};
  return preset;
}

// Every option of every step, as the units read them.
std::vector<std::string> Values(const Preset& preset) {
  std::vector<std::string> values;
  for (const ChainStep& step : preset.steps) {
    values.push_back(UnitOf(step.options.page).key + std::string(step.enabled ? "+" : "-"));
    for (const RuleOption& option : UnitOf(step.options.page).options)
      values.push_back(option.name + ("=" + option.get(step.options)));
  }
  return values;
}

TEST(PresetTest, TextRoundTripsEveryValue) {
  const Preset saved = TrickyChain();
  const std::string text = PresetText(saved);
  EXPECT_NE(text.find("find=\" 空格 \"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("prefix=假期_\n"), std::string::npos) << text;
  Preset loaded;
  std::string error;
  ASSERT_TRUE(ParsePreset(text, "x.ini", loaded, error)) << error;
  EXPECT_TRUE(loaded.chain);
  EXPECT_EQ(Values(loaded), Values(saved));
  const NamingOptions naming = PresetNaming(loaded);
  ASSERT_NE(naming.chain, nullptr);
  EXPECT_EQ(EnabledSteps(*naming.chain), 2u);
}

TEST(PresetTest, HandWrittenFilesNeedOnlyWhatDiffers) {
  Preset preset;
  std::string error;
  ASSERT_TRUE(ParsePreset("# mine\r\n[step]\r\nrule=case\r\nname-case = lower\r\n", "m.ini",
                          preset, error))
      << error;
  EXPECT_FALSE(preset.chain);
  ASSERT_EQ(preset.steps.size(), 1u);
  EXPECT_EQ(preset.steps[0].options.page, OptionPage::kCase);
  EXPECT_EQ(preset.steps[0].options.nameCase, CaseRule::kAllLower);
  EXPECT_EQ(preset.steps[0].options.extCase, CaseRule::kAllUpper);
  EXPECT_EQ(PresetNaming(preset).chain, nullptr);
}

TEST(PresetTest, BrokenFilesNameTheFileAndLine) {
  struct Case {
    const char* text;
    const char* says;
  } cases[] = {
      {"kind=chain\n[step]\nrule=replace\nfnd=x\n", "第 4 行：未知的选项 fnd（replace 页）"},
      {"[step]\nrule=nope\n", "第 2 行：未知的规则 nope"},
      {"[step]\nfind=x\n", "第 2 行：[step] 的第一项应是 rule="},
      {"[step]\n\n[step]\nrule=case\n", "第 1 行：[step] 缺少 rule="},
      {"[step]\nrule=case\nname-case=loud\n", "第 3 行：--name-case 只能是"},
      {"[step]\nrule=case\nenabled=maybe\n", "第 3 行：enabled 只能是"},
      {"[steps]\n", "第 1 行：未知的节 [steps]"},
      {"kind=page\n[step]\nrule=case\njust text\n", "第 4 行：应为“名称=值”"},
      {"colour=red\n", "第 1 行：未知的项 colour"},
      {"kind=page\n[step]\nrule=case\n[step]\nrule=case\n", "kind=page 的方案只能有一个"},
      {"# nothing\n", "中没有步骤"},
      {"[step]\nrule=mp3\ntemplate=\xff\n", "不是 UTF-8 文本"},
  };
  for (const Case& c : cases) {
    Preset preset = TrickyChain();
    std::string error;
    EXPECT_FALSE(ParsePreset(c.text, "坏.ini", preset, error)) << c.text;
    EXPECT_NE(error.find("坏.ini"), std::string::npos) << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(Values(preset), Values(TrickyChain())) << "changed on failure";
  }
}

TEST(PresetStoreTest, SaveListRenameDelete) {
  const testing::TempFolder folder;
  const std::string& dir = folder.path();
  std::string error;
  EXPECT_TRUE(ListPresets(dir).empty());  // no folder yet
  ASSERT_TRUE(SavePreset(dir, "假期照片", TrickyChain(), error)) << error;
  ASSERT_TRUE(SavePreset(dir, "b10", Preset{false, {ChainStep{}}}, error)) << error;
  ASSERT_TRUE(SavePreset(dir, "b9", Preset{false, {ChainStep{}}}, error)) << error;
  EXPECT_EQ(ListPresets(dir), (std::vector<std::string>{"b9", "b10", "假期照片"}));
  Preset loaded;
  ASSERT_TRUE(LoadPreset(dir, "假期照片", loaded, error)) << error;
  EXPECT_EQ(Values(loaded), Values(TrickyChain()));

  EXPECT_FALSE(RenamePreset(dir, "b9", "b10", error));  // never replaces another
  EXPECT_NE(error.find("已有"), std::string::npos);
  ASSERT_TRUE(RenamePreset(dir, "b9", "b8", error)) << error;
  ASSERT_TRUE(DeletePreset(dir, "b10", error)) << error;
  EXPECT_EQ(ListPresets(dir), (std::vector<std::string>{"b8", "假期照片"}));
  EXPECT_FALSE(LoadPreset(dir, "b10", loaded, error));
  EXPECT_NE(error.find("没有名为“b10”的方案"), std::string::npos) << error;

  for (const char* bad : {"", "a/b", ".hidden", "tab\there"}) {
    EXPECT_FALSE(SavePreset(dir, bad, TrickyChain(), error)) << bad;
    EXPECT_NE(PresetNameError(bad), "");
  }
  EXPECT_EQ(ListPresets(dir).size(), 2u);
}

}  // namespace
}  // namespace tessarn
