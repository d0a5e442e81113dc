// Page "中文" through the real tessarn-cli: each conversion on real files, the
// reasons of names that cannot be had, and a rename that leaves names it does not
// change byte for byte as they were.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "json_value.h"

namespace {

// "第十二集" and "一些" in GBK: names from a Chinese Windows archive.
const std::string kGbkEpisode = "\xB5\xDA\xCA\xAE\xB6\xFE\xBC\xAF.avi";
const std::string kGbkSome = "\xD2\xBB\xD0\xA9.txt";

class ChinesePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files = root / "files";
    MakeFolder(files);
  }

  // preview --json of one file with the options; the row of that file.
  JsonValue PreviewOne(const std::string& name, std::vector<std::string> options) {
    const std::string folder = root / ("f" + std::to_string(++folders_));
    MakeFolder(folder);
    WriteFile(folder + "/" + name, "x");
    options.insert(options.begin(), {"preview", "--json"});
    options.push_back(folder);
    const CliResult r = RunCli(options, root.path(), {{"XDG_STATE_HOME", root / "state"}});
    EXPECT_LE(r.exitCode, 1) << r.err;
    const auto doc = ParseJson(r.out);
    EXPECT_TRUE(doc && (*doc)["entries"].array.size() == 1) << r.out << r.err;
    return doc ? (*doc)["entries"].array.at(0) : JsonValue{};
  }

  TempFolder root;
  std::string files;
  int folders_ = 0;
};

TEST_F(ChinesePageTest, EachConversionOnAFile) {
  const struct {
    const char* label;
    std::string name;
    std::vector<std::string> options;
    std::string expected;
  } cases[] = {
      {"pinyin with capitals", "邓丽君-月亮代表我的心.mp3",
       {"--page", "chinese", "--pinyin", "full", "--pinyin-capitalize"},
       "Deng Li Jun-Yue Liang Dai Biao Wo De Xin.mp3"},
      {"pinyin initials, no separator", "月亮代表我的心.mp3",
       {"--pinyin", "initials", "--pinyin-separator", ""}, "yldbwdx.mp3"},
      {"pinyin with tone numbers", "银行.txt", {"--pinyin", "full", "--tone", "numbers"},
       "yin2 hang2.txt"},
      {"traditional by words", "周杰伦-头发.mp3", {"--convert", "s2t"}, "周杰倫-頭髮.mp3"},
      {"Taiwan words", "软件.zip", {"--convert", "s2twp"}, "軟體.zip"},
      {"numerals to digits", "第一百零五回.txt", {"--numerals", "arabic"}, "第105回.txt"},
      {"digits to numerals", "第12集.mkv", {"--numerals", "chinese"}, "第十二集.mkv"},
      {"full width to half", "ＡＢＣ１２３（第一集）.mp4", {"--width", "half"}, "ABC123(第一集).mp4"},
      {"all four in order", "第十二集　ＨＤ.mkv",
       {"--convert", "s2t", "--numerals", "arabic", "--pinyin", "full", "--width", "half"},
       "di 12 ji HD.mkv"},
      {"the extension only", "歌.ＭＰ３", {"--width", "half", "--chinese-scope", "ext"}, "歌.MP3"},
      {"a GBK name, decoded then converted", kGbkEpisode, {"--numerals", "arabic"}, "第12集.avi"},
  };
  for (const auto& c : cases) {
    const JsonValue row = PreviewOne(c.name, c.options);
    EXPECT_EQ(row["new"].string, c.expected) << c.label;
    EXPECT_EQ(row["reason"].string, "") << c.label;
  }
}

TEST_F(ChinesePageTest, NamesThatCannotBeHadGiveTheirReason) {
  // "／" made half-width is a "/"; 251 ASCII letters made full-width are 753 bytes.
  const JsonValue slash = PreviewOne("Ａ／Ｂ.txt", {"--width", "half"});
  EXPECT_EQ(slash["reason"].string, "invalid-name");
  const JsonValue longName = PreviewOne(std::string(251, 'a') + ".txt", {"--width", "full"});
  EXPECT_EQ(longName["reason"].string, "too-long");
}

TEST_F(ChinesePageTest, BadValuesAreUsageErrors) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"preview", "--convert", "s2x", "."},
        {"preview", "--tone", "high", "."},
        {"preview", "--page", "replace", "--pinyin", "full", "."}}) {
    const CliResult r = RunCli(args, files, {{"XDG_STATE_HOME", root / "state"}});
    EXPECT_EQ(r.exitCode, 2) << args[1];
    EXPECT_NE(r.err, "") << args[1];
  }
}

// A rename from traditional to simplified: the changed names are written as UTF-8,
// a GBK name the conversion leaves alone keeps its bytes, and undo brings all back.
TEST_F(ChinesePageTest, RenameKeepsUntouchedNamesAndUndoes) {
  for (const std::string& name : {std::string("頭髮.txt"), kGbkSome, std::string("plain.txt")})
    WriteFile(files + "/" + name, name);
  const std::map<std::string, std::string> env = {{"XDG_STATE_HOME", root / "state"}};
  const CliResult run = RunCli({"rename", "--convert", "t2s", "."}, files, env);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ListNames(files), (std::vector<std::string>{"plain.txt", kGbkSome, "头发.txt"}));
  EXPECT_EQ(ReadFile(files + "/头发.txt"), "頭髮.txt");
  const CliResult undo = RunCli({"undo"}, files, env);
  ASSERT_EQ(undo.exitCode, 0) << undo.err;
  EXPECT_EQ(ListNames(files), (std::vector<std::string>{"plain.txt", kGbkSome, "頭髮.txt"}));
}

// tags set --convert: every text of both tags converted word by word, a file
// without tags left without, and the run undone byte for byte.
TEST_F(ChinesePageTest, TagTextsConvertAsAnUndoableRun) {
  const std::map<std::string, std::string> env = {{"XDG_STATE_HOME", root / "state"}};
  WriteFile(files + "/song.mp3", std::string(300, 'A'));
  WriteFile(files + "/bare.mp3", std::string(300, 'B'));
  ASSERT_EQ(RunCli({"tags", "set", "--title", "周杰伦", "--artist", "邓丽君", "--album", "头发",
                    "--track", "3", "song.mp3"},
                   files, env)
                .exitCode,
            0);
  const std::string before = ReadFile(files + "/song.mp3");
  const CliResult run = RunCli({"tags", "set", "--convert", "s2t", "song.mp3", "bare.mp3"}, files, env);
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  const CliResult shown = RunCli({"tags", "show", "--json", "song.mp3", "bare.mp3"}, files, env);
  const auto doc = ParseJson(shown.out);
  ASSERT_TRUE(doc) << shown.out;
  for (const char* tag : {"id3v1", "id3v2"}) {
    const JsonValue& t = (*doc)[0][tag];
    EXPECT_EQ(t["title"].string, "周杰倫") << tag;
    EXPECT_EQ(t["artist"].string, "鄧麗君") << tag;
    EXPECT_EQ(t["album"].string, "頭髮") << tag;
    EXPECT_EQ(t["track"].string, "3") << tag;
    EXPECT_FALSE((*doc)[1][tag]["found"].boolean) << tag;
  }
  EXPECT_EQ(ReadFile(files + "/bare.mp3"), std::string(300, 'B'));
  const CliResult undo = RunCli({"undo"}, files, env);
  ASSERT_EQ(undo.exitCode, 0) << undo.err;
  EXPECT_EQ(ReadFile(files + "/song.mp3"), before);
}

}  // namespace
