#include "core/rules/case_rule.h"

#include <gtest/gtest.h>

#include "core/rules/naming_options.h"

#include "core/text/encoding.h"
#include "rule_test_support.h"

namespace tessarn {
namespace {

using testing::kCheng;
using testing::kShang;
using testing::kYa;
using testing::MakeList;

constexpr auto kUp = CaseRule::kAllUpper;
constexpr auto kLow = CaseRule::kAllLower;
constexpr auto kFirstUp = CaseRule::kFirstUpper;
constexpr auto kFirstLow = CaseRule::kFirstLower;

TEST(CaseRule, Cases) {
  struct Case {
    std::string oldName;
    CaseRule name, ext;
    std::string newName;
  } cases[] = {
      {"Holiday photo.jpg", kUp, kUp, "HOLIDAY PHOTO.JPG"},
      {"My File.Txt", kLow, kUp, "my file.TXT"},
      {"01 - my song.mp3", kFirstUp, kLow, "01 - My song.mp3"},
      {"ABC.TXT", kFirstLow, kFirstLow, "aBC.tXT"},
      {Gb("中文abc.txt"), kFirstUp, kLow, Gb("中文Abc.txt")},
      {"12.345", kUp, kUp, "12.345"},
      {"12.345", kLow, kLow, "12.345"},
      {"12.345", kFirstUp, kFirstUp, "12.345"},
      {"12.345", kFirstLow, kFirstLow, "12.345"},
      {"ReadMe", kLow, kUp, "readme"},
      {"ReadMe", kUp, kFirstLow, "README"},
      {".profile", kUp, kFirstUp, ".Profile"},
      {"", kUp, kUp, ""},
      // Double-byte characters whose trail byte looks like a letter stay as they are.
      {kYa + "b.txt", kUp, kUp, kYa + "B.TXT"},
      {kShang + "B.TXT", kLow, kLow, kShang + "b.txt"},
      {kYa + "b.txt", kFirstUp, kFirstUp, kYa + "B.Txt"},
      {kShang + "B.TXT", kFirstLow, kFirstLow, kShang + "b.tXT"},
      {"x." + kYa, kUp, kUp, "X." + kYa},
      {kCheng + "a", kFirstUp, kUp, kCheng + "A"},
      {Gb("😀") + "a.b", kFirstUp, kUp, Gb("😀") + "A.B"},
  };
  for (const auto& c : cases) {
    NamingOptions o;
    o.page = OptionPage::kCase;
    o.nameCase = c.name;
    o.extCase = c.ext;
    FileList list = MakeList({c.oldName});
    ApplyCaseRule(list, o, 1);
    EXPECT_EQ(list.entries[0].newName, c.newName) << c.oldName;
  }
}

TEST(CaseRule, IsAsciiLetterTakesOneCharacter) {
  struct Case {
    std::string character;
    bool letter;
  } cases[] = {
      {"a", true},  {"Z", true}, {"1", false}, {"@", false},    {"[", false},      {"`", false},
      {"{", false}, {"", false}, {kYa, false}, {kShang, false}, {Gb("中"), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsAsciiLetter(std::string_view(c.character)), c.letter) << c.character;
}

TEST(CaseRule, ChangeFirstLetterStopsAtTheFirstLetter) {
  EXPECT_EQ(ChangeFirstLetter("--ab", true), "--Ab");
  EXPECT_EQ(ChangeFirstLetter("Ab", true), "Ab");  // already upper: nothing else changes
  EXPECT_EQ(ChangeFirstLetter("AB", false), "aB");
  EXPECT_EQ(ChangeFirstLetter(kYa + kYa, true), kYa + kYa);
  EXPECT_EQ(ChangeFirstLetter("", false), "");
}

}  // namespace
}  // namespace tessarn
