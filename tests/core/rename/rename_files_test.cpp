// The rename of a whole list as both front ends run it, on real files: which bytes
// a name keeps, the reason of every row that is not renamed, the question that
// counts them.
#include "core/rename/rename_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>

#include "core/filelist/add_files.h"
#include "core/filelist/temp_folder.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::TempFolder;

// Every name in the folder, as bytes.
std::set<std::string> NamesIn(const TempFolder& dir) {
  std::set<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(dir.path()))
    names.insert(item.path().filename().string());
  return names;
}

// An ID3v1 tag with title and artist.
std::string Id3v1(const std::string& title, const std::string& artist) {
  std::string tag = "TAG";
  tag += title + std::string(30 - title.size(), '\0');
  tag += artist + std::string(30 - artist.size(), '\0');
  tag += std::string(128 - tag.size(), '\0');
  tag.back() = static_cast<char>(255);  // no genre
  return tag;
}

class RenameFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The history goes into a folder of the test's own.
    state_ = dir_.path() + "state";
    std::filesystem::create_directory(state_);
  }
  void List() {
    list_.Clear();
    AddFolder(list_, files_.path());
  }
  RenameOutcome Run(const NamingOptions& options, bool convert, bool proceed,
                    std::string* question = nullptr) {
    RenameRequest request;
    request.options = options;
    request.choices.convertEncoding = convert;
    request.stateDirectory = state_;
    request.proceed = [&](const RenamePlan&, const std::string& q) {
      if (question) *question = GbToUtf8Lossy(q);
      return proceed;
    };
    return RenameFiles(list_, undo_, request);
  }
  const FileEntry& Entry(const std::string& oldText) {
    for (const FileEntry& e : list_.entries)
      if (GbToUtf8Lossy(e.oldName) == oldText || GbToUtf8Lossy(e.texts().undoName.str()) == oldText)
        return e;
    ADD_FAILURE() << oldText;
    return list_.entries.front();
  }

  TempFolder dir_, files_;
  std::string state_;
  FileList list_;
  UndoLog undo_;
};

NamingOptions Replace(const std::string& find, const std::string& with) {
  NamingOptions o;
  o.page = OptionPage::kReplace;
  o.findText = Gb(find);
  o.replaceWith = Gb(with);
  return o;
}

// A GBK name the rule leaves alone keeps its bytes; converting it is a choice,
// and then it counts as renamed and says so.
TEST_F(RenameFilesTest, GbkNameKeepsItsBytesUnlessConversionIsChosen) {
  const std::string gbk = Gb("中文歌曲一.txt");                   // GBK bytes
  const std::string utf8 = "中文歌曲一.txt";                      // the same text as UTF-8
  struct Case {
    bool convert;
    std::set<std::string> after;
    bool recoded;
  } const cases[] = {
      {false, {gbk, "考试.txt"}, false},
      {true, {utf8, "考试.txt"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.convert);
    for (const std::string& name : NamesIn(files_)) std::filesystem::remove(files_.path() + name);
    files_.Write(gbk, "gbk");
    files_.Write("测试.txt", "utf8");
    List();
    const RenameOutcome out = Run(Replace("测试", "考试"), c.convert, true);
    ASSERT_EQ(out.result, RenameResult::kDone);
    EXPECT_EQ(NamesIn(files_), c.after);
    EXPECT_EQ(out.run.counts.succeeded, 2u);
    EXPECT_EQ(out.plan.recoded, c.recoded ? 1u : 0u);
    const std::size_t row = list_.entries[0].texts().undoName.str() == Gb("中文歌曲一.txt") ||
                                    list_.entries[0].oldName == Gb("中文歌曲一.txt")
                                ? 0
                                : 1;
    EXPECT_EQ(out.plan.rows[row].recoded, c.recoded);
    EXPECT_EQ(out.plan.rows[row].verdict, c.recoded ? PlanVerdict::kFine : PlanVerdict::kUnchanged);
  }
}

// Each row that will not be renamed has its own reason, the question counts them
// by reason, and declining renames nothing.
TEST_F(RenameFilesTest, EveryRowThatStaysHasItsOwnReason) {
  files_.Write("tagged.mp3", std::string(64, 'a') + Id3v1("Title", "Artist"));
  files_.Write("bare.mp3", std::string(200, 'b'));
  files_.Write("bare2.mp3", std::string(200, 'c'));
  files_.Write("notes.txt", "text");
  files_.Write("Artist-Title.mp3", "in the way");
  List();
  NamingOptions mp3;
  mp3.page = OptionPage::kMp3;
  mp3.tagTemplate = "#1-#2";
  std::string question;
  const std::set<std::string> before = NamesIn(files_);
  RenameOutcome out = Run(mp3, false, false, &question);
  EXPECT_EQ(out.result, RenameResult::kDeclined);
  EXPECT_EQ(NamesIn(files_), before);
  EXPECT_EQ(question,
            "有 5 个文件不会更名：目标文件已存在 1 个，缺少MP3标签 3 个，非MP3文件 1 个。是否继续？");
  // "Artist-Title.mp3" itself has no tag: it stays, so tagged.mp3 cannot have its name.
  EXPECT_EQ(out.plan.reasons[static_cast<std::size_t>(RenameReason::kNoTag)], 3u);

  out = Run(mp3, false, true);
  ASSERT_EQ(out.result, RenameResult::kDone);
  EXPECT_EQ(NamesIn(files_), before);
  struct Row {
    const char* name;
    const char* code;
  } const rows[] = {{"tagged.mp3", "target-exists"},
                    {"bare.mp3", "no-tag"},
                    {"bare2.mp3", "no-tag"},
                    {"notes.txt", "not-mp3"},
                    {"Artist-Title.mp3", "no-tag"}};
  for (const Row& r : rows) {
    EXPECT_EQ(Entry(r.name).status.outcome, RowOutcome::kRenameFailed) << r.name;
    EXPECT_STREQ(ReasonCode(Entry(r.name).status.reason), r.code) << r.name;
  }
  EXPECT_NE(GbToUtf8Lossy(out.summary.text).find("缺少MP3标签：3 个文件"), std::string::npos)
      << GbToUtf8Lossy(out.summary.text);
}

// A file gone since it was listed, and a name too long for the folder, are not
// "conflicts" either.
TEST_F(RenameFilesTest, MissingAndTooLongHaveTheirReasons) {
  files_.Write("gone.txt");
  files_.Write("long.txt");
  files_.Write("fine.txt");
  List();
  std::filesystem::remove(files_.path() + "gone.txt");
  NamingOptions o = Replace("long", std::string(300, 'x'));
  std::string question;
  const RenameOutcome out = Run(o, false, false, &question);
  EXPECT_EQ(out.result, RenameResult::kDeclined);
  EXPECT_EQ(question, "有 2 个文件不会更名：文件名过长 1 个，文件不存在 1 个。是否继续？");
}

// A pattern that backtracks without end on a name gives up on it: the row says so
// instead of quietly keeping its name.
TEST_F(RenameFilesTest, PatternThatGivesUpFailsWithItsReason) {
  files_.Write(std::string(40, 'a') + "!.txt");
  files_.Write("ab.txt");
  List();
  NamingOptions o = Replace("(a+)+$", "x");
  o.regex = true;
  const RenameOutcome out = Run(o, false, true);
  ASSERT_EQ(out.result, RenameResult::kDone);
  EXPECT_STREQ(ReasonCode(Entry(std::string(40, 'a') + "!.txt").status.reason), "regex-limit");
  EXPECT_EQ(Entry("ab.txt").status.outcome, RowOutcome::kRenamed);
  EXPECT_TRUE(files_.Exists("ab.txt"));  // the pattern matches only at the end: "b" stays
}

TEST_F(RenameFilesTest, BadPatternRenamesNothing) {
  files_.Write("a.txt");
  List();
  NamingOptions o = Replace("(a", "x");
  o.regex = true;
  const RenameOutcome out = Run(o, false, true);
  EXPECT_EQ(out.result, RenameResult::kBadPattern);
  EXPECT_EQ(GbToUtf8Lossy(out.error), "正则表达式错误：缺少右括号 )（在第 2 个字符之后）");
  EXPECT_TRUE(files_.Exists("a.txt"));
}

}  // namespace
}  // namespace tessarn
