#include "core/rules/replace_rule.h"

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

constexpr auto kName = ReplaceScope::kFileNameOnly;
constexpr auto kExt = ReplaceScope::kExtensionOnly;
constexpr auto kAll = ReplaceScope::kAll;

TEST(ReplaceRule, Cases) {
  struct Case {
    const char* what;
    std::string oldName, find, with;
    ReplaceScope scope;
    bool caseSensitive;
    std::string newName;
  } cases[] = {
      {"ASCII letters match in any case", "My Song.MP3", "song", "Tune", kName, false,
       "My Tune.MP3"},
      {"case-sensitive finds nothing", "My Song.MP3", "song", "Tune", kName, true, "My Song.MP3"},
      {"the last dot is not replaced", "a.b.c.txt", ".", "_", kAll, false, "a_b_c.txt"},
      {"no match across the last dot", "data.txt", "a.t", "X", kAll, false, "data.txt"},
      {"delete in the extension only", "photo.jpeg", "e", "", kExt, false, "photo.jpg"},
      {"delete in both parts", "fee.jpeg", "e", "", kAll, false, "f.jpg"},
      {"file-name scope leaves the extension", "fee.jpeg", "e", "", kName, false, "f.jpeg"},
      {"extension emptied: the lone dot goes", "report.x", "x", "", kExt, false, "report"},
      {"trailing dot dropped without a match (ext)", "readme.", "zzz", "", kExt, false, "readme"},
      {"trailing dot dropped without a match (all)", "readme.", "zzz", "", kAll, false, "readme"},
      {"trailing dot kept in file-name scope", "readme.", "zzz", "", kName, false, "readme."},
      {"empty find changes nothing", "My Song.MP3", "", "x", kAll, false, "My Song.MP3"},
      {"empty find still drops a lone dot", "readme.", "", "x", kAll, false, "readme"},
      {"non-overlapping, not rescanned", "aaaa", "aa", "a", kName, false, "aa"},
      {"a replacement holding the find text", "ab.txt", "a", "aa", kName, false, "aab.txt"},
      {"matches left to right", "aaa", "aa", "b", kName, false, "ba"},
      {"no extension to search", "README", "e", "", kExt, false, "README"},
      {"a dot file's name is its extension", ".profile", "pro", "", kName, false, ".profile"},
      {"a dot file's extension after its dot", ".profile", "pro", "", kExt, false, ".file"},
      {"the whole name deleted gives an empty name", "ab", "ab", "", kAll, false, ""},
      {"Chinese find and replacement", Gb("我的歌曲.mp3"), Gb("歌曲"), Gb("音乐"), kAll, false,
       Gb("我的音乐.mp3")},
      // Matches begin only at character starts.
      {"a trail byte 'a' is not a match", kYa + "a.txt", "a", "b", kName, true, kYa + "b.txt"},
      {"a trail byte 'a' is not an 'A'", kYa + ".txt", "A", "b", kName, false, kYa + ".txt"},
      {"a trail byte '\\' is not a backslash", kCheng + "\\.txt", "\\", "_", kName, false,
       kCheng + "_.txt"},
      {"case folding never merges double-byte characters", kYa + ".txt", kShang, "x", kName, false,
       kYa + ".txt"},
      {"double-byte character matched whole", "a" + kShang + "b", kShang, "-", kName, false, "a-b"},
      {"a match may not end inside a character", "x" + kYa, "x\x81", "-", kName, true, "x" + kYa},
      {"trail byte in the extension", "a." + kYa + "a", "a", "", kExt, true, "a." + kYa},
      {"four-byte character skipped whole", Gb("😀") + "a", "a", "b", kName, false, Gb("😀") + "b"},
  };
  for (const auto& c : cases) {
    NamingOptions o;
    o.page = OptionPage::kReplace;
    o.findText = c.find;
    o.replaceWith = c.with;
    o.replaceScope = c.scope;
    o.caseSensitive = c.caseSensitive;
    FileList list = MakeList({c.oldName});
    ApplyReplaceRule(list, o, 1);
    EXPECT_EQ(list.entries[0].newName, c.newName) << c.what;
    EXPECT_EQ(list.entries[0].oldName, c.oldName) << c.what;
  }
}

TEST(ReplaceRule, ReplaceAllStartPosition) {
  struct Case {
    std::string text;
    long long start;
    std::string result;
  } cases[] = {
      {"xaxa", 1, "x-x-"},
      {"xaxa", 2, "x-x-"},
      {"xaxa", 3, "xax-"},
      {"xaxa", 4, "xax-"},
      {"xaxa", 5, "xaxa"},  // beyond the end
      {"xaxa", 0, "x-x-"},
      {"xaxa", -9, "x-x-"},
      {".", 2, "."},
      {"", 2, ""},
      // A start inside a character moves to the next character.
      {kYa + "a", 2, kYa + "-"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceAll(c.text, "a", "-", c.start, true), c.result) << c.text << " " << c.start;
}

TEST(ReplaceRule, CoversOnlyTheFirstCountEntries) {
  FileList list = MakeList({"a.txt", "a.txt"});
  NamingOptions o;
  o.findText = "a";
  o.replaceWith = "b";
  ApplyReplaceRule(list, o, 1);
  EXPECT_EQ(list.entries[0].newName, "b.txt");
  EXPECT_EQ(list.entries[1].newName, "");
}

}  // namespace
}  // namespace tessarn
