#include "core/settings/ini_file.h"

#include <gtest/gtest.h>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

TEST(IniFile, ReadsValuesLikeTheProfileFunctions) {
  const IniFile ini = ParseIni(
      "top=outside\r\n"
      "[Main]\r\n"
      "  Key = spaced value  \r\n"
      "quoted=\"a b\"\r\n"
      "single='x'\r\n"
      "half=\"open\r\n"
      "empty=\r\n"
      "dup=first\r\n"
      "dup=second\r\n"
      "; note=comment\r\n"
      "[ Other ]\r\n"
      "key=other\r\n"
      "[main]\r\n"
      "late=second section of the same name\r\n");
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  } cases[] = {
      {"main", "KEY", "spaced value"},  // ASCII case ignored, spaces trimmed
      {"Main", "quoted", "a b"},        // one pair of enclosing quotes dropped
      {"Main", "single", "x"},
      {"Main", "half", "\"open"},
      {"Main", "empty", ""},           // present but empty is not missing
      {"Main", "dup", "first"},        // the first key wins
      {"Main", "late", std::nullopt},  // only the first section of a name is read
      {"Main", "missing", std::nullopt},
      {"Other", "key", "other"},  // spaces inside the brackets trimmed
      {"Nowhere", "key", std::nullopt},
      {"", "top", std::nullopt},  // lines before any section belong to none
  };
  for (const auto& c : cases)
    EXPECT_EQ(IniGet(ini, c.section, c.key), c.value) << c.section << "/" << c.key;
  EXPECT_EQ(IniGetOr(ini, "Main", "missing", "fallback"), "fallback");
}

TEST(IniFile, ChineseNamesMatchWithoutCaseOfTheirAsciiPart) {
  const IniFile ini = ParseIni(Gb("[预览选项A]\n自动预览x=开\n"));
  EXPECT_EQ(IniGet(ini, Gb("预览选项a"), Gb("自动预览X")), Gb("开"));
}

TEST(IniFile, DoubleByteCaseFoldingDoesNotMergeCharacters) {
  // 乤 (81 61) and 丄 (81 41) differ only in a trail byte that looks like a letter.
  const IniFile ini = ParseIni("[\x81\x61]\nk=1\n");
  EXPECT_EQ(IniGet(ini, "\x81\x41", "k"), std::nullopt);
  EXPECT_EQ(IniGet(ini, "\x81\x61", "K"), "1");
}

TEST(IniFile, WritesKeepEverythingElse) {
  struct Case {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } cases[] = {
      {"value replaced in place, file's spelling of the key kept",
       "; head\r\n[A]\r\nOne = 1\r\nTwo=2\r\n", "a", "one", "9",
       "; head\r\n[A]\r\nOne=9\r\nTwo=2\r\n"},
      {"missing key at the end of its section, before the blank line", "[A]\nx=1\n\n[B]\ny=2\n",
       "A", "z", "3", "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
      {"missing key in a section that has no keys yet", "[A]\n[B]\n", "A", "k", "v",
       "[A]\nk=v\n[B]\n"},
      {"missing section at the end of the file, CRLF kept", "[A]\r\nx=1\r\n", "B", "k", "v",
       "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
      {"unterminated last line gets its line ending", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
      {"empty file", "", "S", "k", "v", "[S]\nk=v\n"},
      {"line breaks in a value cannot start new lines", "", "S", "k", "a\nb=c", "[S]\nk=a b=c\n"},
      {"only the first duplicate key changes", "[A]\nk=1\nk=2\n", "A", "k", "3", "[A]\nk=3\nk=2\n"},
  };
  for (const auto& c : cases) {
    IniFile ini = ParseIni(c.before);
    IniSet(ini, c.section, c.key, c.value);
    EXPECT_EQ(IniText(ini), c.after) << c.name;
  }
}

TEST(IniFile, UntouchedTextRoundTripsByteForByte) {
  const std::string text = "\xEF\xBB\xBFodd\r\n[A]\nmixed=1\r\n  ; indented = comment\n\n[B";
  EXPECT_EQ(IniText(ParseIni(text)), text);
}

}  // namespace
}  // namespace tessarn
