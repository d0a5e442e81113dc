#include "core/rules/regex_replace.h"

#include <gtest/gtest.h>

#include "core/rules/preview_pass.h"
#include "core/rules/replace_rule.h"
#include "core/text/encoding.h"
#include "rule_test_support.h"

namespace tessarn {
namespace {

using testing::kCheng;
using testing::kShang;
using testing::kYa;
using testing::MakeList;
using testing::ShownNewNames;

constexpr auto kName = ReplaceScope::kFileNameOnly;
constexpr auto kExt = ReplaceScope::kExtensionOnly;
constexpr auto kAll = ReplaceScope::kAll;

NamingOptions RegexOptions(std::string find, std::string with, ReplaceScope scope = kName,
                           bool caseSensitive = false) {
  NamingOptions o;
  o.page = OptionPage::kReplace;
  o.regex = true;
  o.findText = std::move(find);
  o.replaceWith = std::move(with);
  o.replaceScope = scope;
  o.caseSensitive = caseSensitive;
  return o;
}

TEST(RegexReplace, Cases) {
  struct Case {
    const char* what;
    std::string oldName, find, with;
    ReplaceScope scope;
    bool caseSensitive;
    std::string newName;
  } cases[] = {
      // Groups.
      {"numbered groups swapped", Gb("01 - 月亮代表我的心.mp3"), R"(^(\d+) - (.*)$)", "$2 $1",
       kName, false, Gb("月亮代表我的心 01.mp3")},
      {"named groups", "2023-05-01 trip.jpg", R"((?<y>\d{4})-(?<m>\d\d)-(?<d>\d\d))",
       "${d}.${m}.${y}", kName, false, "01.05.2023 trip.jpg"},
      {"numbers in braces, then a digit", "ab", "(a)(b)", "${2}0${1}", kName, false, "b0a"},
      {"$0 is the whole match", "abc", "b", "[$0]", kName, false, "a[b]c"},
      {"a group that took no part is empty", "ac", "a(b)?c", "[$1]", kName, false, "[]"},
      {"$$ is a dollar, a lone $ is itself", "a", "a", "$$5 $x $", kName, false, "$5 $x $"},
      {"Chinese pattern and replacement", Gb("我的歌曲.mp3"), Gb("歌(曲)"), Gb("乐$1"), kName,
       false, Gb("我的乐曲.mp3")},
      // Case.
      {"ASCII letters in any case", "My Song.MP3", "song", "Tune", kName, false, "My Tune.MP3"},
      {"case-sensitive finds nothing", "My Song.MP3", "song", "Tune", kName, true, "My Song.MP3"},
      {"full-width letters fold", Gb("ＡＢＣ.txt"), Gb("ａｂｃ"), "x", kName, false, "x.txt"},
      {"full-width letters, case-sensitive", Gb("ＡＢＣ.txt"), Gb("ａｂｃ"), "x", kName, true,
       Gb("ＡＢＣ.txt")},
      {"Greek and Cyrillic fold", Gb("ΣΔ-Дом"), Gb("σδ-дом"), "ok", kName, false, "ok"},
      {"\\d knows full-width digits", Gb("第１２集"), R"(\d+)", "N", kName, false, Gb("第N集")},
      // Characters are never split: GBK trail bytes that are ASCII are not letters.
      {"trail byte 'a' is no 'a'", kYa + "a.txt", "a", "b", kName, true, kYa + "b.txt"},
      {"trail byte 'A' is no 'a' without case", kShang + ".txt", "a", "x", kName, false,
       kShang + ".txt"},
      {"trail byte '\\' is no backslash", kCheng + "\\.txt", R"(\\)", "_", kName, false,
       kCheng + "_.txt"},
      {"a dot takes a whole character", kYa + "a", ".", "-", kName, false, "--"},
      {"a dot takes a four-byte character", Gb("😀") + "a", ".", "-", kName, false, "--"},
      {"a byte escape matches no part of a character", kYa, R"(\x81)", "-", kName, false, kYa},
      // Every match, and empty matches.
      {"every match replaced", "a1b22c333", R"(\d+)", "#", kName, false, "a#b#c#"},
      {"matches do not overlap, no rescan", "aaaa", "aa", "a", kName, false, "aa"},
      {"^ puts text in front", "song.mp3", "^", "01 ", kName, false, "01 song.mp3"},
      {"$ puts text at the end", "song.mp3", "$", "_v2", kName, false, "song_v2.mp3"},
      {"an empty match moves on one character", Gb("ab歌"), "x*", "-", kName, false,
       Gb("-a-b-歌-")},
      {"empty pattern changes nothing", "abc.txt", "", "x", kName, false, "abc.txt"},
      {"endless backtracking gives up and keeps the name", std::string(60, 'a') + "b.txt",
       "(a|aa)+$", "x", kName, false, std::string(60, 'a') + "b.txt"},
      // Scopes, as for literal text.
      {"extension only, ^ after the dot", "photo.JPEG", "^jpe?g$", "jpg", kExt, false, "photo.jpg"},
      {"file name scope leaves the extension", "jpeg.jpeg", "^jpe?g$", "jpg", kName, false,
       "jpg.jpeg"},
      {"both parts, searched apart", "fee.jpeg", "e", "", kAll, false, "f.jpg"},
      {"no match across the last dot", "data.txt", R"(a\.t)", "X", kAll, false, "data.txt"},
      {"the extension's dot is never matched", "a.b", R"(\.)", "_", kExt, false, "a.b"},
      {"extension emptied: the lone dot goes", "report.x", "x", "", kExt, false, "report"},
      {"trailing dot dropped without a match", "readme.", "zzz", "", kAll, false, "readme"},
      {"no extension, ^ in extension scope adds none", "README", "^", "x", kExt, false, "README"},
  };
  for (const auto& c : cases) {
    FileList list = MakeList({c.oldName});
    ApplyReplaceRule(list, RegexOptions(c.find, c.with, c.scope, c.caseSensitive), 1);
    EXPECT_EQ(GbToUtf8Lossy(list.entries[0].newName), GbToUtf8Lossy(c.newName)) << c.what;
  }
}

TEST(RegexReplace, InvalidPatternsAndReplacementsAreReported) {
  struct Case {
    std::string find, with;
    const char* messageHas;  // UTF-8
  } cases[] = {
      {"(ab", "", "缺少右括号 )（在第 3 个字符之后）"},
      {"a)", "", "多余的右括号 )（在第 1 个字符之后）"},
      {"*a", "", "量词（* + ? {}）前面没有可以重复的内容（在表达式开头）"},
      // The position counts characters, not bytes.
      {Gb("歌曲[a"), "", "缺少右方括号 ]（在第 4 个字符之后）"},
      {"a\\", "", "表达式以 \\ 结尾"},
      {"\\i", "", "无效的转义"},
      {"(a)\\2", "", "引用了不存在的组"},
      {"a{3,2}", "", "{} 中的数字前大后小"},
      {"[z-a]", "", "方括号中的范围前大后小"},
      // Rarer errors keep PCRE2's own words.
      {"(?C", "", "（在第 3 个字符之后）"},
      {"(a)", "$2", "替换为中的 $2 没有对应的组"},
      {"(?<x>a)", "${y}", "替换为中的 ${y} 没有对应的组"},
      {"a", "${1", "替换为中的 ${ 缺少 }"},
  };
  for (const auto& c : cases) {
    const std::string error = GbToUtf8Lossy(RegexReplacer(c.find, c.with, false).error());
    EXPECT_EQ(error.rfind("正则表达式错误：", 0), 0u) << error;
    EXPECT_NE(error.find(c.messageHas), std::string::npos) << error;
  }
  EXPECT_EQ(RegexReplacer("(a)", "${1}$1$$", false).error(), "");
}

TEST(RegexReplace, InvalidPatternLeavesNewNamesAndShowsNone) {
  FileList list = MakeList({"a.txt", "b.txt"});
  AppSettings settings;
  settings.autoPreview = true;
  settings.previewAll = true;
  NamingOptions good = RegexOptions("^", "x");
  ASSERT_EQ(PreviewPass(list, good, settings, true, nullptr), 2u);
  const NamingOptions bad = RegexOptions("(", "y");
  EXPECT_NE(RegexPatternError(bad), "");
  EXPECT_EQ(PreviewPass(list, bad, settings, true, nullptr), 0u);
  ComputeNewNames(list, bad, 2, nullptr);
  EXPECT_EQ(testing::NewNames(list), (std::vector<std::string>{"xa.txt", "xb.txt"}));
  // The last good pattern's names are not left on show beside the error.
  EXPECT_EQ(ShownNewNames(list), (std::vector<std::string>{"", ""}));

  // The same text is no error where it is not a pattern.
  NamingOptions literal = bad;
  literal.regex = false;
  EXPECT_EQ(RegexPatternError(literal), "");
  NamingOptions otherPage = bad;
  otherPage.page = OptionPage::kInsert;
  EXPECT_EQ(RegexPatternError(otherPage), "");
}

}  // namespace
}  // namespace tessarn
