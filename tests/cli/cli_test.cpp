// Black-box tests of tessarn-cli: the built program on temporary folders, with its
// undo journal in a temporary state folder.
#include <gtest/gtest.h>

#include <future>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "json_value.h"

namespace {

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files = root / "files";
    state = root / "state";
    MakeFolder(files);
  }

  CliResult Run(const std::vector<std::string>& args, std::map<std::string, std::string> env = {}) {
    env["XDG_STATE_HOME"] = state;
    return RunCli(args, files, env);
  }

  // Runs with --json appended and parses the document.
  JsonValue RunJson(std::vector<std::string> args, int expectedExit,
                    std::map<std::string, std::string> env = {}) {
    args.insert(args.begin() + (args[0] == "tags" ? 2 : 1), "--json");
    const CliResult r = Run(args, env);
    EXPECT_EQ(r.exitCode, expectedExit) << r.err;
    auto json = ParseJson(r.out);
    EXPECT_TRUE(json.has_value()) << "not JSON:\n" << r.out;
    return json.value_or(JsonValue{});
  }

  std::string RunFile(int id) const {
    char name[32];
    std::snprintf(name, sizeof name, "/Tessarn/history/run-%010d", id);
    return state + name;
  }

  static std::vector<std::string> Column(const JsonValue& doc, const std::string& key) {
    std::vector<std::string> values;
    for (const JsonValue& e : doc["entries"].array) values.push_back(e[key].string);
    return values;
  }

  TempFolder root;
  std::string files, state;
};

using Names = std::vector<std::string>;

// ---- The five pages through preview --json ------------------------------------

struct PageCase {
  const char* label;
  std::vector<std::string> options;
  Names expected;  // new names of a.jpg, b.txt, c (the folder's order)
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.label; }

class PreviewPageTest : public CliTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PreviewPageTest, NewNamesOfTheFolder) {
  for (const char* name : {"b.txt", "c", "a.jpg"}) WriteFile(files + "/" + name, name);
  std::vector<std::string> args = {"preview"};
  args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
  args.push_back(".");
  const JsonValue doc = RunJson(args, 0);
  EXPECT_EQ(Column(doc, "old"), (Names{"a.jpg", "b.txt", "c"}));
  EXPECT_EQ(Column(doc, "new"), GetParam().expected);
  for (const JsonValue& e : doc["entries"].array) {
    EXPECT_EQ(e["folder"].string.back(), '/');
    EXPECT_EQ(e["status"].string, "");
  }
  EXPECT_EQ(doc["renamed"].number, 0);
  EXPECT_EQ(doc["failed"].number, 0);
  // preview changes nothing
  EXPECT_EQ(ListNames(files), (Names{"a.jpg", "b.txt", "c"}));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PreviewPageTest,
    ::testing::Values(
        PageCase{"numbering defaults", {}, {"0.jpg", "1.txt", "2"}},
        PageCase{"numbering prefix and width",
                 {"--prefix", "IMG_", "--digits", "3", "--start", "1"},
                 {"IMG_001.jpg", "IMG_002.txt", "IMG_003"}},
        PageCase{"empty step numbers alike", {"--step", "", "--start=5"}, {"5.jpg", "5.txt", "5"}},
        PageCase{"numbering all parts",
                 {"--page", "numbering", "--scope", "all", "--name", "track", "--ext", "mp3",
                  "--digits", "2", "--ext-digits", "2", "--start", "1"},
                 {"track01.mp301", "track02.mp302", "track03.mp303"}},
        PageCase{"extension only, all boxes empty", {"--scope", "ext"}, {"a", "b", "c"}},
        PageCase{"chinese prefix", {"--prefix", "照片"}, {"照片0.jpg", "照片1.txt", "照片2"}},
        PageCase{"replace ignoring case",
                 {"--page", "replace", "--find", "A", "--replace-with", "甲"},
                 {"甲.jpg", "b.txt", "c"}},
        PageCase{"replace case-sensitive",
                 {"--page", "replace", "--find", "A", "--replace-with", "X", "--case-sensitive"},
                 {"a.jpg", "b.txt", "c"}},
        PageCase{"replace in extensions",
                 {"--page", "replace", "--find", "t", "--replace-scope", "ext"},
                 {"a.jpg", "b.x", "c"}},
        PageCase{"replace by a pattern with a group",
                 {"--page", "replace", "--regex", "--find", "^(.)$", "--replace-with", "$1-$1"},
                 {"a-a.jpg", "b-b.txt", "c-c"}},
        PageCase{"insert",
                 {"--page", "insert", "--insert-name", "X", "--insert-name-at", "end",
                  "--insert-ext", "Y", "--insert-ext-at", "1"},
                 {"aX.Yjpg", "bX.Ytxt", "cX.Y"}},
        PageCase{"insert keeping the extension in step",
                 {"--page", "insert", "--insert-name", "_v2", "--insert-name-at", "end",
                  "--insert-ext-at", "end", "--insert-ext", "ignored", "--keep-same"},
                 {"a_v2.jpg_v2", "b_v2.txt_v2", "c_v2._v2"}},
        PageCase{"case defaults", {"--page", "case"}, {"A.JPG", "B.TXT", "C"}},
        PageCase{"case lower extension",
                 {"--page", "case", "--name-case", "first-upper", "--ext-case", "first-lower"},
                 {"A.jpg", "B.txt", "C"}}),
    [](const auto& info) {
      std::string name;
      for (char c : std::string(info.param.label))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

// An ID3v1 block: "TAG", 30-byte title, artist, album, 4-byte year, 28-byte
// comment, zero, track, genre.
std::string Id3v1Block(const std::string& title, const std::string& artist, int track = 0,
                       int genre = 255) {
  std::string b(128, '\0');
  b.replace(0, 3, "TAG");
  b.replace(3, title.size(), title);
  b.replace(33, artist.size(), artist);
  b[126] = static_cast<char>(track);
  b[127] = static_cast<char>(genre);
  return b;
}

// An ID3v2.3 tag of text frames with encoding 0.
std::string Id3v2Tag(const std::vector<std::pair<std::string, std::string>>& frames) {
  std::string body;
  for (const auto& [id, text] : frames) {
    const std::uint32_t size = static_cast<std::uint32_t>(text.size() + 1);
    body += id;
    body += static_cast<char>(size >> 24);
    body += static_cast<char>(size >> 16);
    body += static_cast<char>(size >> 8);
    body += static_cast<char>(size);
    body += std::string(2, '\0');
    body += '\0';
    body += text;
  }
  const std::size_t n = body.size();
  std::string header = "ID3";
  header += '\3';
  header += '\0';
  header += '\0';
  header += static_cast<char>((n >> 21) & 0x7F);
  header += static_cast<char>((n >> 14) & 0x7F);
  header += static_cast<char>((n >> 7) & 0x7F);
  header += static_cast<char>(n & 0x7F);
  return header + body;
}

const std::string kAudio(300, 'A');

TEST_F(CliTest, Mp3PageNamesFromTagsAndMarksUntaggedFiles) {
  WriteFile(files + "/1.mp3", kAudio + Id3v1Block("Song", "Singer"));
  WriteFile(files + "/2.MP3", Id3v2Tag({{"TIT2", "Tune"}, {"TPE1", "Band"}}) + kAudio +
                                  Id3v1Block("V1 title", "V1 artist"));
  WriteFile(files + "/3.mp3", kAudio);
  WriteFile(files + "/4.txt", "text");
  // GBK bytes of "歌名" in an ID3v1 title come out as UTF-8.
  WriteFile(files + "/5.mp3", kAudio + Id3v1Block("\xB8\xE8\xC3\xFB", "Singer"));

  JsonValue doc = RunJson({"preview", "--page", "mp3", "--template", "#1-#2", "."}, 0);
  EXPECT_EQ(Column(doc, "new"),
            (Names{"Singer-Song.mp3", "Band-Tune.mp3", "", "", "Singer-歌名.mp3"}));
  EXPECT_EQ(Column(doc, "tagStatus"), (Names{"", "", "无标签", "非MP3文件", ""}));

  doc = RunJson({"preview", "--page", "mp3", "--template", "#2（#1）", "--v1-first", "."}, 0);
  EXPECT_EQ(doc["entries"][1]["new"].string, "V1 title（V1 artist）.mp3");

  // An empty template empties every new name.
  doc = RunJson({"preview", "--page", "mp3", "--template", "", "."}, 0);
  EXPECT_EQ(Column(doc, "new"), (Names{"", "", "", "", ""}));
}

// Tag text without an encoding: Latin-1 and GBK told apart by default, or read as
// --legacy-encoding says, on the MP3 page and by the tags commands alike.
TEST_F(CliTest, LegacyEncodingChoosesHowOldTagTextReads) {
  // "Sigur Rós" in Latin-1; "歌名" in GBK.
  WriteFile(files + "/1.mp3", kAudio + Id3v1Block("Sigur R\xF3s", "x"));
  WriteFile(files + "/2.mp3", Id3v2Tag({{"TIT2", "\xB8\xE8\xC3\xFB"}}) + kAudio);
  struct Case {
    const char* option;
    Names names;
  } cases[] = {
      {"auto", {"Sigur Rós.mp3", "歌名.mp3"}},
      {"gbk", {"Sigur R髎.mp3", "歌名.mp3"}},
      {"latin1", {"Sigur Rós.mp3", "¸èÃû.mp3"}},
  };
  for (const Case& c : cases) {
    JsonValue doc = RunJson(
        {"preview", "--page", "mp3", "--template", "#2", "--legacy-encoding", c.option, "."}, 0);
    EXPECT_EQ(Column(doc, "new"), c.names) << c.option;
    doc = RunJson({"tags", "show", "--legacy-encoding", c.option, "1.mp3", "2.mp3"}, 0);
    EXPECT_EQ(doc[0]["id3v1"]["title"].string + ".mp3", c.names[0]) << c.option;
    EXPECT_EQ(doc[1]["id3v2"]["title"].string + ".mp3", c.names[1]) << c.option;
  }
  // A set that changes the artist leaves the GBK title's bytes as they were.
  const std::string before = ReadFile(files + "/2.mp3");
  RunJson({"tags", "set", "--v2", "--artist", "Ünïcode", "2.mp3"}, 0);
  const std::string after = ReadFile(files + "/2.mp3");
  EXPECT_EQ(after.substr(10, 15), before.substr(10, 15));  // the whole TIT2 frame
  const JsonValue doc = RunJson({"tags", "show", "2.mp3"}, 0);
  EXPECT_EQ(doc[0]["id3v2"]["title"].string, "歌名");
  EXPECT_EQ(doc[0]["id3v2"]["artist"].string, "Ünïcode");

  const CliResult bad = Run({"tags", "show", "--legacy-encoding", "big5", "1.mp3"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("--legacy-encoding"), std::string::npos);
}

TEST_F(CliTest, PreviewTextShowsFolderThenOldAndNewNames) {
  WriteFile(files + "/a.jpg", "");
  MakeFolder(files + "/sub");  // folders are not entered
  WriteFile(files + "/sub/inner.txt", "");
  const CliResult r = Run({"preview", "--prefix", "x", "a.jpg", "sub"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("/files/\n  a.jpg → x0.jpg\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("/files/sub/\n  inner.txt → x1.txt\n"), std::string::npos) << r.out;
}

TEST_F(CliTest, RegexSwapsTheGroupsOfAChineseName) {
  WriteFile(files + "/01 - 月亮代表我的心.mp3", "");
  const CliResult r = Run({"preview", "--page", "replace", "--regex", "--find", R"(^(\d+) - (.*)$)",
                           "--replace-with", "$2 $1", "."});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("  01 - 月亮代表我的心.mp3 → 月亮代表我的心 01.mp3\n"), std::string::npos)
      << r.out;
}

// ---- Folders with their subfolders ----------------------------------------------

TEST_F(CliTest, RecursiveListsFolderByFolderAndNumbersAcrossThem) {
  for (const char* folder : {"/b10", "/b2", "/b2/c", "/.cache"}) MakeFolder(files + folder);
  for (const char* file : {"/z.txt", "/b10/x.txt", "/b2/y.txt", "/b2/c/w.txt", "/.cache/h.txt"})
    WriteFile(files + file, "");
  ::symlink((files + "/b2").c_str(), (files + "/link-to-b2").c_str());
  struct Case {
    std::vector<std::string> options;
    Names folders, old;
  } cases[] = {
      {{"--recursive"}, {"/", "/b2/", "/b2/c/", "/b10/"}, {"z.txt", "y.txt", "w.txt", "x.txt"}},
      {{"-r", "--hidden"},
       {"/", "/.cache/", "/b2/", "/b2/c/", "/b10/"},
       {"z.txt", "h.txt", "y.txt", "w.txt", "x.txt"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"preview"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(".");
    const JsonValue doc = RunJson(args, 0);
    Names folders;
    for (const std::string& f : Column(doc, "folder")) {
      ASSERT_EQ(f.rfind(files, 0), 0u) << f;
      folders.push_back(f.substr(files.size()));
    }
    EXPECT_EQ(folders, c.folders) << c.options[0];
    EXPECT_EQ(Column(doc, "old"), c.old) << c.options[0];
    // Numbering goes on from folder to folder in list order.
    Names numbered;
    for (std::size_t i = 0; i < c.old.size(); ++i) numbered.push_back(std::to_string(i) + ".txt");
    EXPECT_EQ(Column(doc, "new"), numbered);
  }
  // Without the option a folder is one level deep.
  EXPECT_EQ(Column(RunJson({"preview", "."}, 0), "old"), Names{"z.txt"});
}

TEST_F(CliTest, RecursiveSkipsUnreadableSubfoldersWithOneWarning) {
  for (const char* folder : {"/open", "/shut1", "/shut2"}) MakeFolder(files + folder);
  for (const char* file : {"/open/a.txt", "/shut1/b.txt", "/shut2/c.txt"})
    WriteFile(files + file, "");
  ::chmod(root.path().c_str(), 0755);
  ::chmod((files + "/shut1").c_str(), 0);
  ::chmod((files + "/shut2").c_str(), 0);
  const CliResult r = RunCliAsUser({"preview", "-r", "."}, files);
  ::chmod((files + "/shut1").c_str(), 0755);
  ::chmod((files + "/shut2").c_str(), 0755);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("  a.txt → 0.txt\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "tessarn-cli: 有 2 个目录无法读取，已跳过（第一个：" + files + "/shut1/）\n");
}

// ---- Rename and undo ------------------------------------------------------------

TEST_F(CliTest, RenameThenUndoFromAnotherProcess) {
  for (const char* name : {"a.jpg", "b.txt", "c"}) WriteFile(files + "/" + name, name);
  JsonValue doc = RunJson({"rename", "--prefix", "new_", "."}, 0);
  EXPECT_EQ(Column(doc, "old"), (Names{"a.jpg", "b.txt", "c"}));
  EXPECT_EQ(Column(doc, "new"), (Names{"new_0.jpg", "new_1.txt", "new_2"}));
  EXPECT_EQ(Column(doc, "status"), (Names{"更名成功", "更名成功", "更名成功"}));
  EXPECT_EQ(doc["renamed"].number, 3);
  EXPECT_EQ(doc["failed"].number, 0);
  EXPECT_EQ(ListNames(files), (Names{"new_0.jpg", "new_1.txt", "new_2"}));
  EXPECT_EQ(ReadFile(files + "/new_1.txt"), "b.txt");

  // From another working folder: the record holds full paths.
  const CliResult undone = RunCli({"undo", "--json"}, root.path(), {{"XDG_STATE_HOME", state}});
  EXPECT_EQ(undone.exitCode, 0) << undone.err;
  doc = ParseJson(undone.out).value_or(JsonValue{});
  EXPECT_EQ(Column(doc, "old"), (Names{"new_0.jpg", "new_1.txt", "new_2"}));
  EXPECT_EQ(Column(doc, "new"), (Names{"a.jpg", "b.txt", "c"}));
  EXPECT_EQ(Column(doc, "status"), (Names{"撤消成功", "撤消成功", "撤消成功"}));
  EXPECT_EQ(doc["renamed"].number, 3);
  EXPECT_EQ(ListNames(files), (Names{"a.jpg", "b.txt", "c"}));
  EXPECT_EQ(ReadFile(files + "/b.txt"), "b.txt");

  // The undo used up the record.
  const CliResult again = Run({"undo"});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_FALSE(again.err.empty());
}

TEST_F(CliTest, RenameTextShowsOutcomesAndSummary) {
  WriteFile(files + "/a.jpg", "");
  CliResult r = Run({"rename", "--name", "photo", "a.jpg"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("  a.jpg → photo0.jpg  更名成功\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n文件更名完毕！\n"), std::string::npos) << r.out;
  r = Run({"undo"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("  photo0.jpg → a.jpg  撤消成功\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("上一次的操作已经成功撤消！"), std::string::npos) << r.out;
}

// Files 1.txt ... 5.txt holding "c1" ... "c5".
Names WriteNumberedFiles(const std::string& folder, int count) {
  Names names;
  for (int i = 1; i <= count; ++i) {
    names.push_back(std::to_string(i) + ".txt");
    WriteFile(folder + "/" + names.back(), "c" + std::to_string(i));
  }
  return names;
}

TEST_F(CliTest, ShiftedNumberingRunsAndUndoesWhicheverWay) {
  for (const char* start : {"0", "2"}) {
    SCOPED_TRACE(start);
    const Names originals = WriteNumberedFiles(files, 5);
    const JsonValue doc = RunJson({"rename", "--start", start, "."}, 0);
    EXPECT_EQ(doc["renamed"].number, 5);
    const int first = std::stoi(start);
    for (int i = 1; i <= 5; ++i)
      EXPECT_EQ(ReadFile(files + "/" + std::to_string(first + i - 1) + ".txt"),
                "c" + std::to_string(i));
    EXPECT_EQ(RunJson({"undo"}, 0)["renamed"].number, 5);
    EXPECT_EQ(ListNames(files), originals);
    for (int i = 1; i <= 5; ++i)
      EXPECT_EQ(ReadFile(files + "/" + std::to_string(i) + ".txt"), "c" + std::to_string(i));
    for (const std::string& name : originals) ::unlink((files + "/" + name).c_str());
  }
}

TEST_F(CliTest, ASwapRenamesBoth) {
  WriteFile(files + "/0.txt", "zero");
  WriteFile(files + "/1.txt", "one");
  const CliResult r = Run({"rename", "--start", "1", "--step", "-1", "."});
  EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_EQ(ReadFile(files + "/0.txt"), "one");
  EXPECT_EQ(ReadFile(files + "/1.txt"), "zero");
  EXPECT_EQ(ListNames(files), (Names{"0.txt", "1.txt"}));  // no temporary name left
}

TEST_F(CliTest, ConflictsStopTheRunUnlessSkipped) {
  WriteNumberedFiles(files, 3);
  // 1 -> 2, 2 -> 3, 3 -> 4: the last one meets a file outside the list, and so
  // the whole chain is stuck.
  WriteFile(files + "/4.txt", "outside");
  CliResult r = Run({"rename", "--start", "2", "1.txt", "2.txt", "3.txt"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("3.txt → 4.txt：目标文件已存在"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("3 个文件的新名称存在冲突"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(files + "/1.txt"), "c1");

  // preview marks them the same way
  JsonValue doc = RunJson({"preview", "--start", "2", "1.txt", "2.txt", "3.txt"}, 0);
  EXPECT_EQ(Column(doc, "reason"), (Names{"target-exists", "target-exists", "target-exists"}));
  EXPECT_EQ(Column(doc, "message")[0], "目标文件已存在");
  r = Run({"preview", "--start", "2", "3.txt"});
  EXPECT_NE(r.out.find("  3.txt → 2.txt  冲突（目标文件已存在）\n"), std::string::npos) << r.out;

  // Skipping conflicts renames what is free of them; the failures say why.
  // 1 -> 3, 2 -> 6 (taken), 3 -> 9.
  WriteFile(files + "/6.txt", "six");
  doc = RunJson({"rename", "--skip-conflicts", "--start", "3", "--step", "3", "1.txt",
                 "2.txt", "3.txt"},
                1);
  EXPECT_EQ(Column(doc, "status"), (Names{"更名成功", "更名失败", "更名成功"}));
  EXPECT_EQ(Column(doc, "reason"), (Names{"", "target-exists", ""}));
  EXPECT_EQ(ReadFile(files + "/3.txt"), "c1");  // 3.txt moved out of the way first
  EXPECT_EQ(ReadFile(files + "/9.txt"), "c3");
  EXPECT_EQ(ReadFile(files + "/2.txt"), "c2");
  EXPECT_EQ(ReadFile(files + "/6.txt"), "six");
  r = Run({"rename", "--skip-conflicts", "--start", "6", "2.txt"});
  EXPECT_NE(r.out.find("更名失败（目标文件已存在）"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n\n目标文件已存在：1 个文件\n"), std::string::npos) << r.out;

  r = Run({"rename", "--skip-conflicts", "--name", "", "--prefix", "", "x.txt"});
  EXPECT_EQ(r.exitCode, 2);  // a missing path: nothing done
}

TEST_F(CliTest, UndoRestoresNamesByteForByte) {
  // Quotes, backslashes, control characters, a line break and bytes that are
  // neither UTF-8 nor GBK: all go through the JSON and back on disk unchanged.
  const Names originals = {"new\nline.txt", "q\"u\\o.txt",
                           "\x01"
                           "ctl.txt",
                           "\xff\xfe.bin", "中文.txt"};
  for (const std::string& name : originals) WriteFile(files + "/" + name, name);
  JsonValue doc = RunJson({"preview", "."}, 0);
  const Names old = Column(doc, "old");
  EXPECT_NE(std::find(old.begin(), old.end(), "new\nline.txt"), old.end());
  EXPECT_NE(std::find(old.begin(), old.end(), "q\"u\\o.txt"), old.end());
  EXPECT_NE(std::find(old.begin(), old.end(),
                      "\x01"
                      "ctl.txt"),
            old.end());
  EXPECT_NE(std::find(old.begin(), old.end(), "\xEF\xBF\xBD\xEF\xBF\xBD.bin"), old.end());

  // The name that is neither UTF-8 nor GBK is not renamed: its text is a guess, and
  // writing the guess would lose its bytes.
  doc = RunJson({"rename", "--skip-conflicts", "--page", "insert", "--insert-name", "Z", "."}, 1);
  EXPECT_EQ(doc["renamed"].number, 4);
  const Names reasons = Column(doc, "reason");
  EXPECT_EQ(std::count(reasons.begin(), reasons.end(), "undecodable"), 1);
  EXPECT_EQ(RunJson({"undo"}, 0)["renamed"].number, 4);
  Names sorted = originals;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(ListNames(files), sorted);
  for (const std::string& name : originals) EXPECT_EQ(ReadFile(files + "/" + name), name);
}

TEST_F(CliTest, UndoAfterAKilledRunRestoresWhatWasRenamed) {
  // Two batches' worth of files: the run dies in the second batch, after its first
  // batch's outcome is on record; then again within the first batch.
  for (int killedAfter : {4500, 7}) {
    SCOPED_TRACE(killedAfter);
    const int n = killedAfter > 100 ? 5000 : 20;
    Names originals;
    for (int i = 0; i < n; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "f%04d.dat", i);
      originals.push_back(name);
      WriteFile(files + "/" + name, name);
    }
    const CliResult killed = Run({"rename", "--prefix", "r_", "."},
                                 {{"TESSARN_CLI_TEST_EXIT_AFTER", std::to_string(killedAfter)}});
    EXPECT_NE(killed.exitCode, 0);
    int renamed = 0;
    for (const std::string& name : ListNames(files)) renamed += name.rfind("r_", 0) == 0;
    EXPECT_EQ(renamed, killedAfter);

    const JsonValue doc = RunJson({"undo"}, 0);  // files never reached are no failures
    EXPECT_EQ(doc["renamed"].number, killedAfter);
    EXPECT_EQ(doc["failed"].number, 0);
    EXPECT_EQ(doc["entries"].array.size(), static_cast<std::size_t>(killedAfter));
    EXPECT_EQ(ListNames(files), originals);
    EXPECT_EQ(ReadFile(files + "/f0003.dat"), "f0003.dat");
    for (const std::string& name : originals) ::unlink((files + "/" + name).c_str());
  }
}

TEST_F(CliTest, UndoAfterARunKilledInsideACycle) {
  // 1 -> 0, 2 -> 1, 0 -> 2 (listed in that order, numbered from 0): one cycle of
  // four steps. Killed after each of them, the next undo brings every file back.
  for (int killedAfter = 1; killedAfter <= 4; ++killedAfter) {
    SCOPED_TRACE(killedAfter);
    for (const char* name : {"1.txt", "2.txt", "0.txt"}) WriteFile(files + "/" + name, name);
    const CliResult killed = Run({"rename", "1.txt", "2.txt", "0.txt"},
                                 {{"TESSARN_CLI_TEST_EXIT_AFTER", std::to_string(killedAfter)}});
    EXPECT_NE(killed.exitCode, 0);
    const CliResult undone = Run({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.out << undone.err;
    EXPECT_EQ(ListNames(files), (Names{"0.txt", "1.txt", "2.txt"}));
    for (const char* name : {"1.txt", "2.txt", "0.txt"})
      EXPECT_EQ(ReadFile(files + "/" + name), name);
    for (const char* name : {"1.txt", "2.txt", "0.txt"}) ::unlink((files + "/" + name).c_str());
  }
}

TEST_F(CliTest, AnUndoThatCannotFinishKeepsTheRestForTheNextOne) {
  for (const char* name : {"a.txt", "b.txt"}) WriteFile(files + "/" + name, name);
  ASSERT_EQ(Run({"rename", "--prefix", "r", "."}).exitCode, 0);
  WriteFile(files + "/a.txt", "someone else");
  JsonValue doc = RunJson({"undo"}, 1);
  EXPECT_EQ(Column(doc, "reason"), (Names{"target-exists", ""}));
  EXPECT_EQ(ReadFile(files + "/b.txt"), "b.txt");
  ::unlink((files + "/a.txt").c_str());
  doc = RunJson({"undo"}, 0);
  EXPECT_EQ(doc["renamed"].number, 1);
  EXPECT_EQ(ReadFile(files + "/a.txt"), "a.txt");
  EXPECT_EQ(Run({"undo"}).exitCode, 1);  // nothing left
}

// A record cut short (a crash of the machine while writing it) or with a byte
// changed is said to be damaged and never taken as success; the rows the disk still
// proves by their inodes come back, and the damaged file is kept.
TEST_F(CliTest, ADamagedRecordIsSaidPlainlyAndKept) {
  struct Damage {
    const char* label;
    std::string (*apply)(const std::string&);
    bool rowsSurvive;  // the record of the files is intact: the disk proves the rest
  };
  const Damage damages[] = {
      {"cut in the last record", [](const std::string& b) { return b.substr(0, b.size() - 5); },
       true},
      {"a byte changed in the outcomes",
       [](const std::string& b) {
         std::string d = b;
         d[d.size() - 20] ^= 0x40;
         return d;
       },
       true},
      {"cut inside the first record", [](const std::string& b) { return b.substr(0, 14); }, false},
      {"a byte changed among the files",
       [](const std::string& b) {
         std::string d = b;
         d[d.size() / 2] ^= 0x40;
         return d;
       },
       false},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.label);
    Names originals;
    for (int i = 0; i < 10; ++i) {
      originals.push_back("n" + std::to_string(i) + ".txt");
      WriteFile(files + "/" + originals.back(), "");
    }
    std::sort(originals.begin(), originals.end());
    ASSERT_EQ(Run({"rename", "--prefix", "r", "."}).exitCode, 0);
    const std::string record = RunFile(1);
    const std::string bytes = ReadFile(record);
    ASSERT_GT(bytes.size(), 40u);
    WriteFile(record, damage.apply(bytes));

    const CliResult undone = Run({"undo", "--json"});
    EXPECT_EQ(undone.exitCode, 1);
    EXPECT_NE(undone.err.find("撤消记录已损坏"), std::string::npos) << undone.err;
    EXPECT_EQ(undone.out.find("已经成功撤消"), std::string::npos);
    EXPECT_EQ(ReadFile(record + ".damaged"), damage.apply(bytes));  // kept
    if (damage.rowsSurvive) {
      EXPECT_EQ(ListNames(files), originals);
    } else {  // nothing proves anything: nothing is touched
      EXPECT_EQ(ListNames(files).front(), "r0.txt");
    }
    EXPECT_EQ(Run({"undo"}).exitCode, 1);  // nothing left to undo, nothing said to be done
    // The run stays listed, as damaged, with what it proved.
    const JsonValue history = RunJson({"history"}, 0);
    ASSERT_EQ(history["runs"].array.size(), 1u);
    EXPECT_TRUE(history["runs"].array[0]["damaged"].boolean);
    EXPECT_TRUE(history["runs"].array[0]["undone"].boolean);
    for (const std::string& name : ListNames(files)) ::unlink((files + "/" + name).c_str());
    ::unlink((record + ".damaged").c_str());
    ::unlink(record.c_str());
  }
}

TEST_F(CliTest, UndoWithoutARecordFails) {
  const CliResult r = Run({"undo"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("没有可撤消"), std::string::npos) << r.err;
}

// Neither a rename nor a tag change is made when its undo cannot be recorded.
TEST_F(CliTest, NoRunWithoutAPlaceForTheUndoRecord) {
  const std::string song = kAudio + Id3v1Block("Old", "Artist", 3);
  WriteFile(files + "/a.txt", "");
  WriteFile(files + "/artist-title.mp3", song);
  WriteFile(root / "not-a-folder", "");
  const std::vector<std::string> commands[] = {
      {"rename", "--name", "b", "a.txt"},
      {"tags", "set", "--title", "New", "artist-title.mp3"},
      {"tags", "delete", "--v1", "artist-title.mp3"},
      {"tags", "from-name", "--template", "#1-#2", "artist-title.mp3"},
  };
  for (const auto& args : commands) {
    const CliResult r = RunCli(args, files, {{"XDG_STATE_HOME", root / "not-a-folder"}});
    EXPECT_EQ(r.exitCode, 1) << args[1];
    EXPECT_NE(r.err.find("撤消"), std::string::npos) << r.err;
    EXPECT_EQ(ListNames(files), (Names{"a.txt", "artist-title.mp3"}));
    EXPECT_EQ(ReadFile(files + "/artist-title.mp3"), song) << args[1];
  }
}

TEST_F(CliTest, RunsAreUndoneNewestFirst) {
  WriteFile(files + "/a.txt", "a");
  EXPECT_EQ(Run({"rename", "--name", "b", "a.txt"}).exitCode, 0);
  EXPECT_EQ(Run({"rename", "--name", "c", "b0.txt"}).exitCode, 0);
  // Runs that rename nothing leave the history as it was: an empty folder, a name
  // that stays, a run whose only row is in conflict.
  MakeFolder(files + "/empty");
  EXPECT_EQ(Run({"rename", "empty"}).exitCode, 0);
  EXPECT_EQ(Run({"rename", "--name", "c", "c0.txt"}).exitCode, 0);
  WriteFile(files + "/x0.txt", "x");
  EXPECT_EQ(Run({"rename", "--skip-conflicts", "--name", "x", "c0.txt"}).exitCode, 1);

  JsonValue history = RunJson({"history"}, 0);
  ASSERT_EQ(history["runs"].array.size(), 2u);
  EXPECT_EQ(history["runs"].array[0]["id"].number, 2);
  EXPECT_EQ(history["runs"].array[0]["files"].number, 1);
  EXPECT_EQ(history["runs"].array[0]["frontEnd"].string, "cli");
  EXPECT_EQ(history["runs"].array[0]["firstFolder"].string, files + "/");
  EXPECT_FALSE(history["runs"].array[0]["undone"].boolean);

  // The older run waits for the newer one.
  CliResult r = Run({"undo", "--run", "1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("请先撤消"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"undo", "--run", "7"}).exitCode, 1);
  EXPECT_EQ(Run({"undo", "--run", "2"}).exitCode, 0);
  EXPECT_EQ(Run({"undo", "--run", "2"}).exitCode, 1);  // already undone
  EXPECT_EQ(ReadFile(files + "/b0.txt"), "a");
  EXPECT_EQ(Run({"undo"}).exitCode, 0);
  EXPECT_EQ(ReadFile(files + "/a.txt"), "a");
  history = RunJson({"history"}, 0);
  ASSERT_EQ(history["runs"].array.size(), 2u);
  EXPECT_TRUE(history["runs"].array[0]["undone"].boolean);
  EXPECT_TRUE(history["runs"].array[1]["undone"].boolean);
  r = Run({"undo"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("没有可撤消"), std::string::npos) << r.err;
  r = Run({"history"});
  EXPECT_NE(r.out.find("2  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("已撤消"), std::string::npos) << r.out;
}

// Two rename runs over one folder at once, each with its own history (two users):
// each run moves only the files it recorded, so undoing both brings every name
// back, whatever order their renames came in.
TEST_F(CliTest, TwoRunsOverOneFolderAtOnceAreBothUndone) {
  Names originals;
  for (int i = 0; i < 2000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d.txt", i);
    originals.push_back(name);
    WriteFile(files + "/" + name, name);
  }
  // Both shift every number by one (0000 -> 0001, ...): a chain each run walks
  // from its free end, over names the other run is moving too.
  TempFolder stateA, stateB;
  auto run = [&](const TempFolder& state) {
    return std::async(std::launch::async, [&state, this] {
      return RunCli({"rename", "--skip-conflicts", "--digits", "4", "--start", "1", "."}, files,
                    {{"XDG_STATE_HOME", state.path()}});
    });
  };
  auto a = run(stateA), b = run(stateB);
  a.get();
  b.get();
  // Each run's undo is a chain too, blocked where the other run's file holds a
  // name it needs; what it cannot do stays for another try, so undoing both in
  // turn a few times brings every file back.
  auto allBack = [&] {
    if (ListNames(files) != originals) return false;
    for (const std::string& name : originals)
      if (ReadFile(files + "/" + name) != name) return false;
    return true;
  };
  for (int round = 0; round < 20 && !allBack(); ++round)
    for (const TempFolder* state : {&stateA, &stateB})
      RunCli({"undo"}, files, {{"XDG_STATE_HOME", state->path()}});
  EXPECT_EQ(ListNames(files), originals);
  for (const std::string& name : originals) ASSERT_EQ(ReadFile(files + "/" + name), name);
}

// undo --to takes back the run and every newer one, newest first, naming them;
// history shows each run's size and the total.
TEST_F(CliTest, UndoToARunTakesBackTheNewerOnesFirst) {
  WriteFile(files + "/a.txt", "a");
  ASSERT_EQ(Run({"rename", "--name", "b", "a.txt"}).exitCode, 0);   // b0.txt
  ASSERT_EQ(Run({"rename", "--name", "c", "b0.txt"}).exitCode, 0);  // c0.txt
  ASSERT_EQ(Run({"rename", "--name", "d", "c0.txt"}).exitCode, 0);  // d0.txt
  const JsonValue history = RunJson({"history"}, 0);
  ASSERT_EQ(history["runs"].array.size(), 3u);
  double total = 0;
  for (const JsonValue& run : history["runs"].array) {
    EXPECT_GT(run["bytes"].number, 0);
    total += run["bytes"].number;
  }
  EXPECT_EQ(history["totalBytes"].number, total);
  EXPECT_NE(Run({"history"}).out.find("共 3 次操作，记录共 "), std::string::npos);

  EXPECT_EQ(Run({"undo", "--run", "1", "--to", "1"}).exitCode, 2);
  const CliResult r = Run({"undo", "--to", "1"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // Rows newest run first: d0 -> c0, c0 -> b0, b0 -> a.
  const std::size_t d = r.out.find("d0.txt"), c = r.out.find("c0.txt → b0.txt"),
                    b = r.out.find("b0.txt → a.txt");
  EXPECT_LT(d, c) << r.out;
  EXPECT_LT(c, b) << r.out;
  EXPECT_NE(r.out.find("已成功撤消 3 次操作"), std::string::npos) << r.out;
  EXPECT_EQ(ListNames(files), (Names{"a.txt"}));
  EXPECT_EQ(Run({"undo", "--to", "1"}).exitCode, 1);  // already undone
}

// Another file put under the new name after the run is never renamed back; the
// file that was moved aside is, once it is back under that name.
TEST_F(CliTest, AFileReplacedAfterTheRunIsNotRenamedBack) {
  for (const char* name : {"a.txt", "b.txt"}) WriteFile(files + "/" + name, name);
  ASSERT_EQ(Run({"rename", "--prefix", "r", "."}).exitCode, 0);  // r0.txt, r1.txt
  ASSERT_EQ(::rename((files + "/r0.txt").c_str(), (files + "/moved").c_str()), 0);
  WriteFile(files + "/r0.txt", "impostor");
  JsonValue doc = RunJson({"undo"}, 1);
  EXPECT_EQ(Column(doc, "status"), (Names{"撤消失败", "撤消成功"}));
  EXPECT_EQ(Column(doc, "reason"), (Names{"replaced", ""}));
  EXPECT_EQ(Column(doc, "message")[0], "文件已被替换");
  EXPECT_EQ(ReadFile(files + "/r0.txt"), "impostor");
  EXPECT_FALSE(Exists(files + "/a.txt"));
  EXPECT_EQ(ReadFile(files + "/b.txt"), "b.txt");
  // The run stays in the history with what is left.
  EXPECT_EQ(RunJson({"history"}, 0)["runs"].array[0]["left"].number, 1);
  ::unlink((files + "/r0.txt").c_str());
  ASSERT_EQ(::rename((files + "/moved").c_str(), (files + "/r0.txt").c_str()), 0);
  doc = RunJson({"undo"}, 0);
  EXPECT_EQ(doc["renamed"].number, 1);
  EXPECT_EQ(ReadFile(files + "/a.txt"), "a.txt");
}

// A renumbering killed by SIGKILL at whatever point it has reached: the old names
// are taken again by other files, so only the inodes tell which rows were renamed.
TEST_F(CliTest, ARenumberingKilledBySigkillIsFullyUndone) {
  const int n = 20000;
  Names originals;
  for (int i = 1; i <= n; ++i) {
    originals.push_back(std::to_string(i) + ".txt");
    WriteFile(files + "/" + originals.back(), "c" + std::to_string(i));
  }
  std::sort(originals.begin(), originals.end());
  int killedMidRun = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE(attempt);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::setenv("XDG_STATE_HOME", state.c_str(), 1);
      if (::chdir(files.c_str()) != 0) ::_exit(127);
      const int devnull = ::open("/dev/null", O_WRONLY);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      ::execl(TESSARN_CLI_PATH, TESSARN_CLI_PATH, "rename", "--start", "2", ".",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Killed once the first renames are on disk: the chain starts from its free end.
    const std::string firstRenamed = files + "/" + std::to_string(n + 1) + ".txt";
    for (int wait = 0; wait < 300000 && !Exists(firstRenamed); ++wait) ::usleep(100);
    ::usleep(attempt * 20000);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const JsonValue history = RunJson({"history"}, 0);
    if (!history["runs"].array.empty()) killedMidRun += !history["runs"].array[0]["finished"].boolean;

    const CliResult undone = Run({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.err;
    EXPECT_EQ(ListNames(files), originals);
    for (int i : {1, 2, n / 2, n})
      EXPECT_EQ(ReadFile(files + "/" + std::to_string(i) + ".txt"), "c" + std::to_string(i));
  }
  EXPECT_GT(killedMidRun, 0);  // the kill did land inside a run
}

// A tag run killed by SIGKILL at whatever point it has reached: its undo gives
// every file it wrote its exact old bytes, save at most the one file written
// between the run's last record and the kill, and touches no other.
TEST_F(CliTest, ATagRunKilledBySigkillIsUndone) {
  const int n = 2000;
  std::vector<std::string> names, contents;
  for (int i = 0; i < n; ++i) {
    names.push_back(std::to_string(i) + ".mp3");
    contents.push_back(kAudio + Id3v1Block("Title " + std::to_string(i), "Artist", i % 200));
    WriteFile(files + "/" + names.back(), contents.back());
  }
  int killedMidRun = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE(attempt);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::setenv("XDG_STATE_HOME", state.c_str(), 1);
      if (::chdir(files.c_str()) != 0) ::_exit(127);
      const int devnull = ::open("/dev/null", O_WRONLY);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      std::vector<std::string> args = {TESSARN_CLI_PATH, "tags", "set", "--v1", "--album", "New"};
      args.insert(args.end(), names.begin(), names.end());
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(TESSARN_CLI_PATH, argv.data());
      ::_exit(127);
    }
    // Killed once the first files are written.
    for (int wait = 0; wait < 300000 && ReadFile(files + "/" + names[0]) == contents[0]; ++wait)
      ::usleep(100);
    ::usleep(attempt * 10000);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const JsonValue history = RunJson({"history"}, 0);
    ASSERT_EQ(history["runs"].array.size(), 1u);
    EXPECT_FALSE(history["runs"].array[0]["damaged"].boolean);
    killedMidRun += !history["runs"].array[0]["finished"].boolean;

    // Killed before the first file's record, the run has nothing to undo.
    const bool recorded = history["runs"].array[0]["files"].number > 0;
    const CliResult undone = Run({"undo"});
    EXPECT_EQ(undone.exitCode, recorded ? 0 : 1) << undone.err;
    int differ = 0, last = -1;
    for (int i = 0; i < n; ++i)
      if (ReadFile(files + "/" + names[i]) != contents[i]) {
        ++differ;
        last = i;
      }
    EXPECT_LE(differ, 1) << last;
    // A file the kill left unrecorded keeps its new tags; put it back for the next try.
    if (last >= 0) WriteFile(files + "/" + names[last], contents[last]);
    ASSERT_EQ(::system(("rm -rf '" + state + "'").c_str()), 0);
  }
  EXPECT_GT(killedMidRun, 0);  // the kill did land inside a run
}

// ---- Tags -----------------------------------------------------------------------

TEST_F(CliTest, TagsSetShowDeleteRoundTrip) {
  const std::string song = files + "/song.mp3";
  WriteFile(song, kAudio);
  EXPECT_EQ(Run({"tags", "set", "--title", "Hello", "--artist", "歌手", "--genre", "Rock",
                 "--track", "7", "song.mp3"})
                .exitCode,
            0);
  JsonValue doc = RunJson({"tags", "show", "song.mp3"}, 0);
  const JsonValue& v1 = doc[0]["id3v1"];
  const JsonValue& v2 = doc[0]["id3v2"];
  EXPECT_TRUE(v1["found"].boolean);
  EXPECT_EQ(v1["title"].string, "Hello");
  EXPECT_EQ(v1["artist"].string, "歌手");
  EXPECT_EQ(v1["genre"].string, "17");
  EXPECT_EQ(v1["track"].string, "7");
  EXPECT_FALSE(v1.Has("composer"));
  EXPECT_EQ(v1.object.size(), 8u);  // found + seven fields
  EXPECT_TRUE(v2["found"].boolean);
  EXPECT_EQ(v2["title"].string, "Hello");
  EXPECT_EQ(v2["genre"].string, "Rock");
  EXPECT_EQ(v2["track"].string, "7");
  EXPECT_EQ(v2.object.size(), 13u);  // found + twelve fields

  // Only the ID3v2 tag changes; its other fields stay.
  EXPECT_EQ(
      Run({"tags", "set", "--v2", "--album", "Best", "--composer", "作曲", "song.mp3"}).exitCode,
      0);
  doc = RunJson({"tags", "show", "song.mp3"}, 0);
  EXPECT_EQ(doc[0]["id3v2"]["album"].string, "Best");
  EXPECT_EQ(doc[0]["id3v2"]["composer"].string, "作曲");
  EXPECT_EQ(doc[0]["id3v2"]["title"].string, "Hello");
  EXPECT_EQ(doc[0]["id3v2"]["genre"].string, "Rock");
  EXPECT_EQ(doc[0]["id3v1"]["album"].string, "");

  const CliResult text = Run({"tags", "show", "song.mp3"});
  EXPECT_NE(text.out.find("流派：17 (Rock)"), std::string::npos) << text.out;

  doc = RunJson({"tags", "delete", "--v1", "song.mp3"}, 0);
  EXPECT_TRUE(doc[0]["ok"].boolean);
  EXPECT_EQ(doc[0]["messages"].array.size(), 1u);
  doc = RunJson({"tags", "show", "song.mp3"}, 0);
  EXPECT_FALSE(doc[0]["id3v1"]["found"].boolean);
  EXPECT_TRUE(doc[0]["id3v2"]["found"].boolean);
  EXPECT_EQ(Run({"tags", "delete", "--v2", "song.mp3"}).exitCode, 0);
  EXPECT_EQ(ReadFile(song), kAudio);  // back to the bare audio
}

TEST_F(CliTest, TagsSetRefusesWhatAnId3v1BlockCannotHold) {
  const std::string song = files + "/song.mp3";
  WriteFile(song, kAudio + Id3v1Block("Old", "Artist", 3));
  const std::string before = ReadFile(song);
  const std::vector<std::vector<std::string>> refused = {
      {"--title", std::string(31, 't')},
      {"--title", "一二三四五六七八九十一二三四五六"},  // 16 characters, 32 bytes
      {"--year", "20245"},
      {"--comment", std::string(29, 'c')},  // a track leaves 28 bytes
      {"--track", "abc"},
      {"--genre", "No Such Genre"},
      {"--v1", "--composer", "x"},
  };
  for (const auto& options : refused) {
    std::vector<std::string> args = {"tags", "set"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("song.mp3");
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << options[0];
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(ReadFile(song), before);
  // 30 bytes fit.
  EXPECT_EQ(Run({"tags", "set", "--v1", "--title", std::string(30, 't'), "song.mp3"}).exitCode, 0);
  const JsonValue doc = RunJson({"tags", "show", "song.mp3"}, 0);
  EXPECT_EQ(doc[0]["id3v1"]["title"].string, std::string(30, 't'));
  EXPECT_EQ(doc[0]["id3v1"]["artist"].string, "Artist");
  EXPECT_EQ(doc[0]["id3v1"]["track"].string, "3");
}

TEST_F(CliTest, TagsRefuseFilesThatAreNotMp3) {
  WriteFile(files + "/note.txt", "text");
  WriteFile(files + "/song.mp3", kAudio);
  const JsonValue doc = RunJson({"tags", "show", "note.txt", "song.mp3"}, 1);
  EXPECT_EQ(doc[0]["error"].string, "抱歉，该文件不是MP3文件！");
  EXPECT_FALSE(doc[1]["id3v1"]["found"].boolean);
  EXPECT_FALSE(doc[1]["id3v2"]["found"].boolean);
  EXPECT_EQ(Run({"tags", "set", "--title", "x", "note.txt"}).exitCode, 1);
  EXPECT_EQ(ReadFile(files + "/note.txt"), "text");
}

// A FIFO named like an MP3 file is refused at once; nothing waits for a writer.
TEST_F(CliTest, TagsAndTheMp3PageNeverWaitOnAFifo) {
  ASSERT_EQ(::mkfifo((files + "/song.mp3").c_str(), 0644), 0);
  WriteFile(files + "/b.mp3", kAudio);
  ::alarm(30);  // a hang ends the test here
  const JsonValue doc = RunJson({"tags", "show", "song.mp3", "b.mp3"}, 1);
  EXPECT_EQ(doc[0]["error"].string, "不是普通文件");
  const CliResult set = Run({"tags", "set", "--title", "x", "song.mp3"});
  EXPECT_EQ(set.exitCode, 1);
  EXPECT_NE(set.out.find("不是普通文件"), std::string::npos) << set.out;
  EXPECT_EQ(Run({"preview", "--page", "mp3", "--template", "#2", "song.mp3", "b.mp3"}).exitCode, 0);
  ::alarm(0);
}

// The file's own permission counts, not its folder's: a read-only file is left
// alone, both tags, and the run says why.
TEST_F(CliTest, TagsSetLeavesAReadOnlyFileAlone) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  const std::string song = files + "/song.mp3";
  WriteFile(song, kAudio + Id3v1Block("Old", "Artist", 3));
  const std::string before = ReadFile(song);
  ASSERT_EQ(::chmod(song.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(root.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(files.c_str(), 0777), 0);
  MakeFolder(state);
  ASSERT_EQ(::chmod(state.c_str(), 0777), 0);  // the undo history has a place
  const std::string out = root / "out.txt";
  const std::string command = "cd '" + files + "' && XDG_STATE_HOME='" + state +
                              "' setpriv --reuid=nobody --regid=nogroup --clear-groups '" +
                              TESSARN_CLI_PATH + "' tags set --title New song.mp3 > '" + out +
                              "' 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 127) GTEST_SKIP() << "setpriv is not available";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string said = ReadFile(out);
  EXPECT_NE(said.find("ID3v1标签更新失败！"), std::string::npos) << said;
  EXPECT_NE(said.find("ID3v2标签更新失败！"), std::string::npos) << said;
  EXPECT_NE(said.find("没有权限"), std::string::npos) << said;
  EXPECT_EQ(ReadFile(song), before);
  EXPECT_EQ(ListNames(files), (Names{"song.mp3"}));
}

// Several runs at once on one file take turns: each tag is one run's, the audio
// is whole.
TEST_F(CliTest, ConcurrentTagsSetRunsKeepTheAudio) {
  std::string audio = kAudio;
  while (audio.size() < 200000) audio += static_cast<char>(audio.size() * 13 % 251);
  const std::string song = files + "/song.mp3";
  WriteFile(song, audio);
  std::vector<std::thread> runs;
  std::vector<int> exits(4, -1);
  for (int r = 0; r < 4; ++r)
    runs.emplace_back([&, r] {
      exits[r] = Run({"tags", "set", "--title", "run" + std::to_string(r), "--comment",
                      std::string(20, 'c'), "--url", std::string(3000 * (r + 1), 'u'), "song.mp3"})
                     .exitCode;
    });
  for (std::thread& t : runs) t.join();
  EXPECT_EQ(exits, (std::vector<int>{0, 0, 0, 0}));
  const std::string after = ReadFile(song);
  ASSERT_GT(after.size(), audio.size() + 128);
  EXPECT_EQ(after.substr(after.size() - 128 - audio.size(), audio.size()), audio);
  const JsonValue doc = RunJson({"tags", "show", "song.mp3"}, 0);
  EXPECT_EQ(doc[0]["id3v1"]["title"].string.substr(0, 3), "run");
  EXPECT_EQ(doc[0]["id3v2"]["title"].string.substr(0, 3), "run");
  // Each run waited its turn to go into the history, none was left out.
  EXPECT_EQ(RunJson({"history"}, 0)["runs"].array.size(), 4u);
}

// Two runs over the same files at once, each changing its own field: every file
// ends with both, as each file is read and written under its lock by one run
// after the other. Several rounds, so that the runs meet on many files.
TEST_F(CliTest, ConcurrentRunsOfDifferentFieldsKeepBoth) {
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    names.push_back("song" + std::to_string(i) + ".mp3");
    WriteFile(files + "/" + names.back(),
              Id3v2Tag({{"TIT2", "Title"}, {"TPE1", "Old"}, {"TALB", "Old"}}) + kAudio);
  }
  for (int round = 0; round < 4; ++round) {
    const std::string artist = "Artist" + std::to_string(round);
    const std::string album = "Album" + std::to_string(round);
    std::vector<std::string> setArtist = {"tags", "set", "--artist", artist};
    std::vector<std::string> setAlbum = {"tags", "set", "--v2", "--album", album};
    setArtist.insert(setArtist.end(), names.begin(), names.end());
    setAlbum.insert(setAlbum.end(), names.begin(), names.end());
    int artistExit = -1, albumExit = -1;
    std::thread other([&] { albumExit = Run(setAlbum).exitCode; });
    artistExit = Run(setArtist).exitCode;
    other.join();
    ASSERT_EQ(artistExit, 0);
    ASSERT_EQ(albumExit, 0);
    std::vector<std::string> show = {"tags", "show"};
    show.insert(show.end(), names.begin(), names.end());
    const JsonValue doc = RunJson(show, 0);
    for (std::size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(doc[i]["id3v2"]["artist"].string, artist) << names[i] << " round " << round;
      EXPECT_EQ(doc[i]["id3v2"]["album"].string, album) << names[i] << " round " << round;
      EXPECT_EQ(doc[i]["id3v2"]["title"].string, "Title") << names[i];
    }
  }
}

// Old GBK text under encoding byte 0 made Unicode, the ASCII frame and the ID3v1
// block left alone, and the whole run undone to the old bytes.
TEST_F(CliTest, TagsConvertIsOneUndoableRun) {
  const std::string gbk = "\xD4\xC2\xC1\xC1";  // 月亮
  WriteFile(files + "/a.mp3", Id3v2Tag({{"TIT2", gbk}, {"TALB", "Plain"}}) + kAudio +
                                  Id3v1Block(gbk, "Singer"));
  WriteFile(files + "/b.mp3", kAudio);
  WriteFile(files + "/c.txt", "text");
  const std::string before = ReadFile(files + "/a.mp3");
  const JsonValue doc = RunJson({"tags", "convert", "a.mp3", "b.mp3", "c.txt"}, 1);
  EXPECT_EQ(doc[0]["messages"][0].string, "ID3v2标签中的旧文字已转为Unicode");
  EXPECT_EQ(doc[1]["messages"][0].string, "没有ID3v2标签");
  EXPECT_TRUE(doc[1]["ok"].boolean);
  EXPECT_FALSE(doc[2]["ok"].boolean);
  const std::string after = ReadFile(files + "/a.mp3");
  EXPECT_EQ(after.find(gbk), after.size() - 128 + 3);  // only the ID3v1 title keeps GBK
  EXPECT_NE(after.find(std::string("TALB\0\0\0\6\0\0\0Plain", 16)), std::string::npos);
  const JsonValue shown = RunJson({"tags", "show", "a.mp3"}, 0);
  EXPECT_EQ(shown[0]["id3v2"]["title"].string, "月亮");
  EXPECT_EQ(ReadFile(files + "/b.mp3"), kAudio);
  // Converted once, there is nothing more to do.
  EXPECT_EQ(RunJson({"tags", "convert", "a.mp3"}, 0)[0]["messages"][0].string,
            "没有需要转换的文字");
  const JsonValue runs = RunJson({"history"}, 0);
  ASSERT_EQ(runs["runs"].array.size(), 1u);
  EXPECT_EQ(runs["runs"][0]["kind"].string, "tags");
  EXPECT_EQ(Run({"undo"}).exitCode, 0);
  EXPECT_EQ(ReadFile(files + "/a.mp3"), before);
}

// A field set to the text it shows is written anew: the GBK bytes become Unicode.
TEST_F(CliTest, TagsSetOfTheShownTextConvertsIt) {
  const std::string gbk = "\xD4\xC2\xC1\xC1";  // 月亮
  WriteFile(files + "/a.mp3", Id3v2Tag({{"TIT2", gbk}, {"TPE1", gbk}}) + kAudio);
  EXPECT_EQ(Run({"tags", "set", "--v2", "--title", "月亮", "a.mp3"}).exitCode, 0);
  const std::string after = ReadFile(files + "/a.mp3");
  auto frame = [&](const std::string& id) {
    return id + std::string("\0\0\0\5\0\0\0", 7) + gbk;
  };
  EXPECT_EQ(after.find(frame("TIT2")), std::string::npos);
  EXPECT_NE(after.find(frame("TPE1")), std::string::npos);  // not given: its bytes stay
  const JsonValue shown = RunJson({"tags", "show", "--legacy-encoding", "latin1", "a.mp3"}, 0);
  EXPECT_EQ(shown[0]["id3v2"]["title"].string, "月亮");  // Unicode reads the same any way
}

// A run killed while it moves the audio to make room for a larger tag: a look at
// the file says the write is unfinished and changes nothing; the next run that
// writes the file finishes the move. Wherever the kill lands, the audio comes
// through whole and the tag is the old one or the new one.
TEST_F(CliTest, KilledTagsSetIsFinishedByTheNextRun) {
  std::string audio(24 << 20, '\0');
  for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<char>(1 + i * 31 % 253);
  const std::string song = files + "/song.mp3";
  const std::string original = Id3v2Tag({{"TIT2", "Old"}}) + audio;
  // The killed run keeps its undo history in the test's state folder too.
  const std::string comment(4000, 'c');
  const std::string stateVariable = "XDG_STATE_HOME=" + state;
  const char* const argv[] = {TESSARN_CLI_PATH, "tags", "set", "--v2", "--title", "New",
                              "--comment", comment.c_str(), "song.mp3", nullptr};
  const char* const envp[] = {stateVariable.c_str(), nullptr};
  for (int delayMs : {20, 100, 200, 400}) {
    WriteFile(song, original);
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(files.c_str()) != 0) ::_exit(127);
      ::execve(TESSARN_CLI_PATH, const_cast<char* const*>(argv), const_cast<char* const*>(envp));
      ::_exit(127);
    }
    ::usleep(delayMs * 1000);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::string killed = ReadFile(song);
    const CliResult look = Run({"tags", "show", "--json", "song.mp3"});
    const JsonValue looked = ParseJson(look.out).value_or(JsonValue{});
    if (looked[0].Has("reason")) {
      EXPECT_EQ(look.exitCode, 1);
      EXPECT_EQ(looked[0]["reason"].string, "interrupted-write");
      EXPECT_EQ(looked[0]["status"].string, "上次写入未完成");
    } else {
      EXPECT_EQ(look.exitCode, 0) << look.err;
    }
    EXPECT_EQ(ReadFile(song), killed) << delayMs << " ms";
    // The MP3 page's preview names no file from tags that are half written.
    const JsonValue preview = RunJson({"preview", "--page", "mp3", "--template", "#2", "."}, 0);
    if (looked[0].Has("reason")) {
      EXPECT_EQ(preview["entries"][0]["reason"].string, "interrupted-write");
      EXPECT_EQ(preview["entries"][0]["tagStatus"].string, "上次写入未完成");
      EXPECT_EQ(preview["entries"][0]["new"].string, "");
    }
    EXPECT_EQ(ReadFile(song), killed) << delayMs << " ms";
    const CliResult next = Run({"tags", "set", "--v2", "--album", "Next", "song.mp3"});
    EXPECT_EQ(next.exitCode, 0) << next.out << next.err;
    const JsonValue doc = RunJson({"tags", "show", "song.mp3"}, 0);
    EXPECT_EQ(doc[0]["id3v2"]["album"].string, "Next");
    const std::string title = doc[0]["id3v2"]["title"].string;
    EXPECT_TRUE(title == "Old" || title == "New") << delayMs << " ms: " << title;
    const std::string after = ReadFile(song);
    ASSERT_GE(after.size(), audio.size());
    EXPECT_TRUE(after.compare(after.size() - audio.size(), audio.size(), audio) == 0)
        << delayMs << " ms";
    EXPECT_EQ(ListNames(files), (Names{"song.mp3"})) << delayMs << " ms";
  }
}

// ---- Usage errors and help --------------------------------------------------------

TEST_F(CliTest, UsageErrorsExitWithTwoAndChangeNothing) {
  WriteFile(files + "/a.jpg", "");
  WriteFile(files + "/song.mp3", kAudio);
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"bogus"},
      {"preview"},
      {"rename", "a.jpg", "missing.jpg"},
      {"preview", "--page", "nope", "a.jpg"},
      {"preview", "--scope", "both", "a.jpg"},
      {"preview", "--prefix", "\xff", "a.jpg"},
      {"preview", "--prefix"},
      {"preview", "--title", "x", "a.jpg"},
      {"preview", "--case-sensitive=yes", "a.jpg"},
      {"rename", "--template", std::string(51, 'x'), "a.jpg"},
      {"undo", "a.jpg"},
      {"tags"},
      {"tags", "list", "song.mp3"},
      {"tags", "delete", "song.mp3"},
      {"tags", "set", "song.mp3"},
      {"tags", "show", "."},
      {"preview", "--page", "replace", "--regex", "--find", "(", "a.jpg"},
      {"rename", "--page", "replace", "--regex", "--find", "a", "--replace-with", "$7", "a.jpg"},
      {"rename", "-r", "--regex", "--find", "[", "."},
      {"tags", "show", "-r", "song.mp3"},
  };
  for (const auto& args : cases) {
    const CliResult r = Run(args);
    std::string shown;
    for (const std::string& a : args) shown += a + " ";
    EXPECT_EQ(r.exitCode, 2) << shown;
    EXPECT_EQ(r.out, "") << shown;
    // One line naming the problem.
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << r.err;
  }
  const CliResult missing = Run({"rename", "a.jpg", "missing.jpg"});
  EXPECT_NE(missing.err.find("missing.jpg"), std::string::npos);
  EXPECT_EQ(ListNames(files), (Names{"a.jpg", "song.mp3"}));
  EXPECT_TRUE(ListNames(state + "/Tessarn/history").empty());
}

// Options of a page that is not shown would be ignored: they choose the page, or
// are refused, but never leave the default page to renumber the files.
TEST_F(CliTest, OptionsOfOnePageChooseItAndMixedPagesAreRefused) {
  WriteFile(files + "/a.txt", "");
  WriteFile(files + "/b.txt", "");
  JsonValue doc = RunJson(
      {"rename", "--find", "txt", "--replace-with", "dat", "--replace-scope", "ext", "."}, 0);
  EXPECT_EQ(Column(doc, "new"), (Names{"a.dat", "b.dat"}));
  EXPECT_EQ(ListNames(files), (Names{"a.dat", "b.dat"}));

  doc = RunJson({"preview", "--name-case", "lower", "--ext-case", "upper", "."}, 0);
  EXPECT_EQ(Column(doc, "new"), (Names{"a.DAT", "b.DAT"}));
  // Options of the page given are welcome; numbering options alone keep numbering.
  doc = RunJson({"preview", "--page", "insert", "--insert-name", "_", "."}, 0);
  EXPECT_EQ(Column(doc, "new"), (Names{"_a.dat", "_b.dat"}));
  doc = RunJson({"preview", "--start", "5", "."}, 0);
  EXPECT_EQ(Column(doc, "new"), (Names{"5.dat", "6.dat"}));

  struct Refused {
    std::vector<std::string> args;
    std::vector<std::string> named;  // what the message must name
  };
  const Refused refused[] = {
      {{"rename", "--find", "a", "--prefix", "x", "."},
       {"--find", "replace", "--prefix", "numbering"}},
      {{"rename", "--page", "case", "--template", "#1", "."}, {"--template", "mp3", "case"}},
      {{"preview", "--page", "numbering", "--keep-same", "."}, {"--keep-same", "insert"}},
      {{"preview", "--v1-first", "--insert-ext", "e", "--name-case", "upper", "."},
       {"--v1-first", "--insert-ext", "--name-case"}},
  };
  for (const Refused& r : refused) {
    const CliResult result = Run(r.args);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_EQ(result.out, "");
    for (const std::string& word : r.named)
      EXPECT_NE(result.err.find(word), std::string::npos) << word << " in " << result.err;
  }
  EXPECT_EQ(ListNames(files), (Names{"a.dat", "b.dat"}));
}

TEST_F(CliTest, TextOutputEscapesControlCharactersAndJsonKeepsThem) {
  WriteFile(files + "/line\nbreak.txt", "");
  WriteFile(files + "/tab\tand\x1b[31mred.txt", "");
  const CliResult text = Run({"preview", "--page", "case", "--name-case", "lower", "."});
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_NE(text.out.find("  line\\nbreak.txt → line\\nbreak.TXT\n"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("  tab\\tand\\x1b[31mred.txt → tab\\tand\\x1b[31mred.TXT\n"),
            std::string::npos)
      << text.out;
  EXPECT_EQ(text.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 3);

  const JsonValue doc = RunJson({"preview", "--page", "case", "."}, 0);
  EXPECT_EQ(Column(doc, "old"), (Names{"line\nbreak.txt", "tab\tand\x1b[31mred.txt"}));

  // Tag texts too.
  WriteFile(files + "/t.mp3", kAudio + Id3v1Block("a\x1b]0;title\x07"
                                                  "b",
                                                  "Singer"));
  const CliResult tags = Run({"tags", "show", "t.mp3"});
  EXPECT_EQ(tags.exitCode, 0) << tags.err;
  EXPECT_NE(tags.out.find("a\\x1b]0;title\\x07b\n"), std::string::npos) << tags.out;
  EXPECT_EQ(tags.out.find('\x1b'), std::string::npos);

  // A missing path is named in the message the same way.
  const CliResult missing = Run({"preview", "no\x1bsuch"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("no\\x1bsuch"), std::string::npos) << missing.err;
}

TEST_F(CliTest, InvalidPatternIsAUsageErrorWithThePatternsMessage) {
  WriteFile(files + "/a.jpg", "");
  const CliResult r =
      Run({"rename", "--page", "replace", "--regex", "--find", "(a", "--replace-with", "x", "."});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "tessarn-cli: 正则表达式错误：missing closing parenthesis（偏移 2）\n");
  EXPECT_EQ(ListNames(files), Names{"a.jpg"});
}

// ---- tags from-name ------------------------------------------------------------

// A folder as the argument: the MP3 file the template fits gets its tags, which
// tags show and an independent reader read back; the others are left alone.
TEST_F(CliTest, TagsFromNameWritesWhatTheNameSays) {
  const std::string song = files + "/邓丽君-月亮代表我的心.mp3";
  WriteFile(song, kAudio);
  WriteFile(files + "/没有分隔符.mp3", kAudio);
  WriteFile(files + "/a-b.jpg", "jpeg");
  const CliResult r = Run({"tags", "from-name", "--template", "#1-#2", "."});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("艺术家=邓丽君 歌曲名=月亮代表我的心  标签写入成功"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("不匹配"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("标签写入完毕！"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(files + "/没有分隔符.mp3"), kAudio);
  EXPECT_EQ(ReadFile(files + "/a-b.jpg"), "jpeg");

  const JsonValue doc = RunJson({"tags", "show", "邓丽君-月亮代表我的心.mp3"}, 0);
  for (const char* tag : {"id3v1", "id3v2"}) {
    EXPECT_EQ(doc[0][tag]["artist"].string, "邓丽君") << tag;
    EXPECT_EQ(doc[0][tag]["title"].string, "月亮代表我的心") << tag;
  }

  // The distribution's reader, whichever python3 comes first on the PATH.
  if (::access("/usr/bin/python3", X_OK) != 0 ||
      std::system("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0)
    GTEST_SKIP() << "python3-mutagen is not installed";
  const std::string out = root / "mutagen.txt";
  const std::string command =
      "/usr/bin/python3 -c \"import sys, mutagen.id3 as m; "
      "t = m.ID3(sys.argv[1]); print(t['TPE1'].text[0]); "
      "print(t['TIT2'].text[0])\" '" +
      song + "' > '" + out + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadFile(out), "邓丽君\n月亮代表我的心\n");
}

TEST_F(CliTest, TagsFromNameDryRunAndRefusals) {
  WriteFile(files + "/03 - Song.mp3", kAudio);
  const JsonValue dry =
      RunJson({"tags", "from-name", "--dry-run", "--template", "#4 - #2", "."}, 0);
  ASSERT_EQ(dry["files"].array.size(), 1u);
  EXPECT_TRUE(dry["files"][0]["match"].boolean);
  EXPECT_EQ(dry["files"][0]["fields"]["track"].string, "03");
  EXPECT_EQ(dry["files"][0]["fields"]["title"].string, "Song");
  EXPECT_EQ(ReadFile(files + "/03 - Song.mp3"), kAudio);

  const std::string longTitle = "这是一个非常非常非常长的歌曲名字啊";  // 34 bytes
  WriteFile(files + "/A-" + longTitle + ".mp3", kAudio);
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  } cases[] = {
      {{"tags", "from-name", "."}, 2},                                         // no template
      {{"tags", "from-name", "--template", "#1=#2", "."}, 1},                  // nothing fits
      {{"tags", "from-name", "--title", "x", "--template", "#1-#2", "."}, 2},  // not its option
      // ID3v1 alone cannot take the title: that file fails, untouched.
      {{"tags", "from-name", "--v1", "--template", "#1-#2", "A-" + longTitle + ".mp3"}, 1},
  };
  for (const Case& c : cases) {
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << r.out << r.err;
  }
  EXPECT_EQ(ReadFile(files + "/03 - Song.mp3"), kAudio);
  EXPECT_EQ(ReadFile(files + "/A-" + longTitle + ".mp3"), kAudio);
}

// Each tag command is one run in the history, undone like a rename run: newest
// first, each file back to its bytes before the run unless it changed since.
TEST_F(CliTest, TagRunsAreUndoneFromTheHistory) {
  const std::string old1 = Id3v2Tag({{"TIT2", "Old"}}) + kAudio + Id3v1Block("Old", "Artist", 3);
  const std::string old2 = kAudio;
  WriteFile(files + "/歌手-一.mp3", old1);
  WriteFile(files + "/歌手-二.mp3", old2);
  EXPECT_EQ(Run({"tags", "from-name", "--template", "#1-#2", "."}).exitCode, 0);
  const std::string named2 = ReadFile(files + "/歌手-二.mp3");
  EXPECT_EQ(Run({"tags", "set", "--album", "专辑", "歌手-一.mp3", "歌手-二.mp3"}).exitCode, 0);
  const std::string set1 = ReadFile(files + "/歌手-一.mp3");
  const std::string set2 = ReadFile(files + "/歌手-二.mp3");
  EXPECT_EQ(Run({"tags", "delete", "--v1", "--v2", "歌手-二.mp3"}).exitCode, 0);
  EXPECT_EQ(ReadFile(files + "/歌手-二.mp3"), kAudio);

  JsonValue history = RunJson({"history"}, 0);
  ASSERT_EQ(history["runs"].array.size(), 3u);
  for (const JsonValue& run : history["runs"].array) EXPECT_EQ(run["kind"].string, "tags");
  EXPECT_EQ(history["runs"].array[0]["files"].number, 1);  // the delete
  EXPECT_EQ(history["runs"].array[1]["files"].number, 2);  // one run for the whole set
  EXPECT_NE(Run({"history"}).out.find("标签"), std::string::npos);

  EXPECT_EQ(Run({"undo", "--run", "2"}).exitCode, 1);  // the delete comes first
  EXPECT_EQ(Run({"undo"}).exitCode, 0);
  EXPECT_EQ(ReadFile(files + "/歌手-二.mp3"), set2);
  // A file changed since is left alone and named as such.
  WriteFile(files + "/歌手-一.mp3", set1 + "x");
  const JsonValue undone = RunJson({"undo"}, 1);
  ASSERT_EQ(undone["entries"].array.size(), 2u);
  EXPECT_EQ(undone["entries"][0]["reason"].string, "modified");
  EXPECT_EQ(undone["entries"][1]["status"].string, "撤消成功");
  EXPECT_EQ(ReadFile(files + "/歌手-二.mp3"), named2);
  EXPECT_EQ(ReadFile(files + "/歌手-一.mp3"), set1 + "x");
  WriteFile(files + "/歌手-一.mp3", set1);  // the run's own bytes, but a later time
  EXPECT_EQ(Run({"undo"}).exitCode, 1);
  EXPECT_EQ(ReadFile(files + "/歌手-一.mp3"), set1);
}


TEST_F(CliTest, HelpOnTheProgramAndEveryCommand) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--help"},
                                             {"preview", "--help"},
                                             {"rename", "-h"},
                                             {"undo", "--help"},
                                             {"tags", "--help"},
                                             {"tags", "show", "--help"},
                                             {"tags", "set", "--help"},
                                             {"tags", "delete", "--help"},
                                             {"tags", "from-name", "--help"}}) {
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 0) << args[0];
    EXPECT_EQ(r.out.rfind("用法：tessarn-cli", 0), 0u) << r.out;
  }
  EXPECT_NE(Run({"rename", "--help"}).out.find("--insert-ext-at"), std::string::npos);
}

}  // namespace
