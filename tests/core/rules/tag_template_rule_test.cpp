#include "core/rules/tag_template_rule.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/id3/id3_test_util.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/tag_file_writer.h"
#include "core/rules/preview_pass.h"
#include "core/rules/tag_cache.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::TempDir;

std::string V2File(const TagFields& f) { return BuildId3v2Tag(f) + std::string(400, '\x11'); }
std::string V1Block(const std::string& title, const std::string& artist) {
  Id3v1Input in;
  in.title = title;
  in.artist = artist;
  return BuildId3v1Block(in);
}

class TagTemplateRuleTest : public ::testing::Test {
 protected:
  // Adds a listed file with the given content (no file on disk when content is null).
  FileEntry& Add(const std::string& name, const std::string* content) {
    if (content) dir_.File(name, *content);
    FileEntry e;
    e.SetNames(name, name);
    e.folder = list_.InternDiskFolder(dir_.path() + "/");
    list_.entries.push_back(e);
    return list_.entries.back();
  }
  void Run(const std::string& tmpl, bool v1First = false, TagCache* cache = nullptr) {
    NamingOptions o;
    o.page = OptionPage::kMp3;
    o.tagTemplate = tmpl;
    o.v1First = v1First;
    ApplyTagTemplateRule(list_, o, cache);
  }
  const FileEntry& At(std::size_t i) const { return list_.entries[i]; }

  TempDir dir_;
  FileList list_;
};

TEST_F(TagTemplateRuleTest, TemplatesFilledFromTheTag) {
  TagFields f;
  f.artist = "A";
  f.title = Gb("歌名");
  f.album = "B";
  f.track = "4";
  f.year = "Y";
  f.genre = "(17)Rock";
  const std::string file = V2File(f);
  Add("x.mp3", &file);
  struct Case {
    std::string tmpl;
    std::string name;
  };
  const Case cases[] = {
      {"#1-#2", "A-" + Gb("歌名") + ".mp3"},
      {"#1 - #3 (#5)", "A - B (Y).mp3"},
      {"Best", "Best.mp3"},
      {"#7-#2", "#7-" + Gb("歌名") + ".mp3"},
      {"##1", "#A.mp3"},
      {"#12", "A2.mp3"},
      {"#4#6", "4Rock.mp3"},
      {"#1#1#1#1#1#1#1#1#1#1#1x", "AAAAAAAAAAAx.mp3"},
      {"#", "#.mp3"},
  };
  for (const auto& c : cases) {
    Run(c.tmpl);
    EXPECT_EQ(At(0).newName, c.name) << c.tmpl;
    EXPECT_EQ(At(0).texts().tagStatus, "");
  }
}

TEST(ParseTagTemplate, SlotsGrowByTwoAndAlwaysLeaveOneAfterTheLast) {
  struct Case {
    std::string tmpl;
    std::size_t slots;
  };
  const Case cases[] = {
      {"#1", 6}, {"#1#2#3#4#5", 6}, {"#1#2#3#4#5#6", 8}, {"#1#2#3#4#5#6#1#2", 10}, {"abc", 6}};
  for (const auto& c : cases) {
    ParsedTemplate p;
    ASSERT_TRUE(ParseTagTemplate(c.tmpl, p));
    EXPECT_EQ(p.literals.size(), c.slots) << c.tmpl;
    EXPECT_EQ(p.placeholders.size(), c.slots);
    EXPECT_EQ(p.placeholders.back(), 0);
  }
  ParsedTemplate p;
  EXPECT_FALSE(ParseTagTemplate("", p));
  ASSERT_TRUE(ParseTagTemplate("a#1b#9#2c", p));
  EXPECT_EQ(p.literals[0], "a");
  EXPECT_EQ(p.literals[1], "b#9");
  EXPECT_EQ(p.literals[2], "c");
  EXPECT_EQ(p.placeholders[0], 1);
  EXPECT_EQ(p.placeholders[1], 2);
  EXPECT_EQ(p.placeholders[2], 0);
}

TEST_F(TagTemplateRuleTest, StatusesAndExtensions) {
  TagFields f;
  f.title = "Title";
  const std::string tagged = V2File(f);
  const std::string untagged(500, '\x11');
  Add("Song.MP3", &tagged);
  Add("Song.wav", &tagged);
  Add("none.mp3", &untagged);
  Add("gone.mp3", nullptr);
  list_.entries[3].newName = "previous";
  list_.entries[3].EditTexts().tagStatus = "kept";
  Run("#2");
  EXPECT_EQ(At(0).newName, "Title.mp3");
  EXPECT_EQ(At(1).texts().tagStatus, NotMp3StatusText());
  EXPECT_EQ(At(1).newName, "");
  EXPECT_EQ(At(2).texts().tagStatus, NoTagStatusText());
  EXPECT_EQ(At(2).newName, "");
  EXPECT_EQ(At(3).newName, "previous");  // cannot be opened: left as it was
  EXPECT_EQ(At(3).texts().tagStatus, "kept");
  EXPECT_EQ(NoTagStatusText(), Gb("无标签"));
  EXPECT_EQ(NotMp3StatusText(), Gb("非MP3文件"));

  // An empty field gives no name (not ".mp3" alone) and writes no status.
  Run("#1");
  EXPECT_EQ(At(0).newName, "");
  EXPECT_EQ(At(0).texts().tagStatus, "");

  // A status stays once written, even when the file later has a tag.
  dir_.File("none.mp3", tagged);
  Run("#2");
  EXPECT_EQ(At(2).newName, "Title.mp3");
  EXPECT_EQ(At(2).texts().tagStatus, NoTagStatusText());

  // Clearing the template empties every new name and leaves the statuses.
  Run("");
  for (const auto& e : list_.entries) EXPECT_EQ(e.newName, "");
  EXPECT_EQ(At(1).texts().tagStatus, NotMp3StatusText());
}

TEST_F(TagTemplateRuleTest, VersionPriority) {
  TagFields f;
  f.title = "V2 title";
  const std::string both = BuildId3v2Tag(f) + std::string(100, '\x11') + V1Block("V1 title", "");
  const std::string v1only = std::string(100, '\x11') + V1Block("Only v1", "");
  Add("both.mp3", &both);
  Add("v1.mp3", &v1only);
  Run("#2");
  EXPECT_EQ(At(0).newName, "V2 title.mp3");
  EXPECT_EQ(At(1).newName, "Only v1.mp3");
  Run("#2", true);
  EXPECT_EQ(At(0).newName, "V1 title.mp3");
  EXPECT_EQ(At(1).newName, "Only v1.mp3");
}

TEST_F(TagTemplateRuleTest, CacheReadsChangedFilesAfresh) {
  TagFields f;
  f.title = "First";
  const std::string first = V2File(f);
  const std::string path = dir_.File("a.mp3", first);
  Add("a.mp3", nullptr);
  TagCache cache;
  Run("#2", false, &cache);
  EXPECT_EQ(At(0).newName, "First.mp3");
  EXPECT_EQ(cache.size(), 1u);

  // Same size and modification time: the cached tag is used, the file not read.
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  f.title = "Other";
  dir_.File("a.mp3", V2File(f));
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  Run("#2", false, &cache);
  EXPECT_EQ(At(0).newName, "First.mp3");

  // Changed on disk (modification time): read again.
  const timespec later[2] = {st.st_atim, {st.st_mtim.tv_sec + 5, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
  Run("#2", false, &cache);
  EXPECT_EQ(At(0).newName, "Other.mp3");

  // Gone: the row keeps its name, the entry leaves the cache.
  unlink(path.c_str());
  Run("#2", false, &cache);
  EXPECT_EQ(At(0).newName, "Other.mp3");
  EXPECT_EQ(cache.size(), 0u);
}

// A long list's pass runs in slices of a few files: slice by slice, with a cache
// of its own, it leaves every entry and row as one pass over the whole list does
// (names, statuses, rows shown with a stale name or status before).
TEST_F(TagTemplateRuleTest, SlicesOfAPassGiveWhatOnePassGives) {
  TagFields f;
  f.artist = Gb("歌手");
  const std::string untagged(500, '\x11');
  for (int i = 0; i < 7; ++i) {
    f.title = "T" + std::to_string(i);
    const std::string file = V2File(f);
    Add("s" + std::to_string(i) + ".mp3", i == 3 ? &untagged : &file);
  }
  Add("cover.jpg", nullptr);
  Add("gone.mp3", nullptr);
  list_.entries.back().newName = "previous";
  list_.AppendRows(0, list_.count() - 1);
  for (std::size_t r = 0; r < list_.RowCount(); ++r) {
    list_.SetCellText(r, kNewNameColumn, "stale");
    list_.SetCellText(r, kTagStatusColumn, "stale");
  }
  FileList whole = list_, sliced = list_;
  NamingOptions o;
  o.page = OptionPage::kMp3;
  o.tagTemplate = "#1-#2";
  AppSettings settings;
  SetDefaultSettings(settings);
  settings.autoPreview = true;
  TagCache wholeCache, slicedCache;
  for (int pass = 0; pass < 2; ++pass) {  // the second from the caches
    SCOPED_TRACE(pass);
    ASSERT_EQ(PreviewPass(whole, o, settings, false, &wholeCache), whole.count());
    SlicedPreview slices(o, sliced.count());
    std::size_t steps = 0;
    for (; !slices.Done(); ++steps) slices.Step(sliced, 2, &slicedCache);
    EXPECT_EQ(steps, 5u);
    for (std::size_t i = 0; i < whole.count(); ++i) {
      EXPECT_EQ(sliced.entries[i].newName, whole.entries[i].newName) << i;
      EXPECT_EQ(sliced.entries[i].texts().tagStatus, whole.entries[i].texts().tagStatus) << i;
      for (int c : {kNewNameColumn, kTagStatusColumn})
        EXPECT_EQ(sliced.CellText(i, c), whole.CellText(i, c)) << i << " " << c;
    }
  }
  EXPECT_EQ(whole.entries[0].newName, Gb("歌手") + "-T0.mp3");
  EXPECT_EQ(whole.CellText(3, kTagStatusColumn), NoTagStatusText());
  EXPECT_EQ(whole.CellText(7, kTagStatusColumn), NotMp3StatusText());
  EXPECT_EQ(whole.entries[8].newName, "previous");
  EXPECT_EQ(slicedCache.size(), 7u);  // every file that could be read, kept across slices
}

// An uncached pass over a long run of one folder's files lists the folder for
// records of interrupted tag writes instead of looking beside each file: a write
// killed in the middle of the run is still found. Its row says so and gets no
// name; the pass, cached or not, changes no file (the next write finishes it).
TEST_F(TagTemplateRuleTest, APassOverAListedFolderReportsAKilledWrite) {
  TagFields old;
  old.title = "Old";
  const std::string file = BuildId3v2Tag(old) + std::string(12000, '\x11');
  for (int i = 0; i < 40; ++i) Add("s" + std::to_string(i) + ".mp3", &file);
  TagFields grown = old;
  grown.title = "New";
  grown.comment = std::string(1500, 'c');
  const std::string killed = dir_.path() + "/s20.mp3";
  ASSERT_TRUE(testing::WriteKilledAt(3, killed, TagBlockChange::Replace(BuildId3v2Tag(grown)),
                                     TagBlockChange::Keep()));
  const std::string journal = dir_.path() + "/.s20.mp3.tessarn-journal";
  ASSERT_EQ(access(journal.c_str(), F_OK), 0);
  const std::string half = testing::ReadAll(killed);

  TagCache cache;
  for (TagCache* tags : {static_cast<TagCache*>(nullptr), &cache}) {
    Run("#2", false, tags);
    EXPECT_EQ(access(journal.c_str(), F_OK), 0);
    EXPECT_EQ(testing::ReadAll(killed), half);
    for (int i = 0; i < 40; ++i) {
      EXPECT_EQ(At(i).newName, i == 20 ? "" : "Old.mp3") << i;
      EXPECT_EQ(At(i).texts().tagStatus, i == 20 ? Gb("上次写入未完成") : std::string()) << i;
    }
  }

  ASSERT_TRUE(FinishInterruptedTagWrite(killed));
  Run("#2", false, &cache);
  EXPECT_EQ(At(20).newName, "New.mp3");
  EXPECT_EQ(At(20).texts().tagStatus, "");
}

TEST(TagTemplateHelpers, ReferenceLineLimitPresetsAndButtons) {
  EXPECT_EQ(TemplateReferenceText("#1-#3-#5-#2"), Gb("艺术家-专辑-年代-歌曲名"));
  EXPECT_EQ(TemplateReferenceText("#12 #4#6"), Gb("艺术家2 音轨流派"));
  EXPECT_EQ(TemplateReferenceText("#7"), "#7");

  const std::string t49(49, 'a');
  const std::string clicked = InsertPlaceholder(t49, 51);
  EXPECT_EQ(clicked, t49 + "-#1");
  EXPECT_EQ(LimitTagTemplate(clicked), t49 + "-");
  // A character that would be split at byte 50 is left out whole.
  EXPECT_EQ(LimitTagTemplate(t49 + Gb("中")), t49);
  EXPECT_EQ(LimitTagTemplate("#1"), "#1");

  EXPECT_EQ(InsertPlaceholder(InsertPlaceholder("", 51), 52), "#1-#2");

  const auto& presets = TagTemplatePresets();
  ASSERT_EQ(presets.size(), 4u);
  EXPECT_EQ(presets[2].itemText, Gb("艺术家-专辑-年代-歌曲名"));
  EXPECT_EQ(presets[2].templateText, "#1-#3-#5-#2");
  for (const auto& p : presets) EXPECT_EQ(TemplateReferenceText(p.templateText), p.itemText);

  const auto& buttons = PlaceholderButtons();
  ASSERT_EQ(buttons.size(), 6u);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    EXPECT_EQ(buttons[i].tag, 51 + static_cast<int>(i));
    EXPECT_EQ(buttons[i].caption, "#" + std::to_string(i + 1) + "-" + buttons[i].word);
  }
}

}  // namespace
}  // namespace tessarn
