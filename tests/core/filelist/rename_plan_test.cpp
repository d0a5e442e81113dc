#include "core/filelist/rename_plan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "core/filelist/add_files.h"
#include "core/filelist/rename_run.h"
#include "support/temp_folder.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::TempFolder;
using Names = std::vector<std::string>;
using Contents = std::map<std::string, std::string>;  // name -> content, one folder

// Every name in the folder with its content ("<dir>" for a folder, "<link>" for a link).
Contents FolderContents(const TempFolder& dir) {
  Contents contents;
  for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = item.path().filename().string();
    if (item.is_symlink())
      contents[name] = "<link>";
    else if (item.is_directory())
      contents[name] = "<dir>";
    else
      contents[name] = dir.Read(name);
  }
  return contents;
}

struct PlanCase {
  const char* title;
  Names files;     // created with their name as content, listed in this order
  Names others;    // "file:x", "dir:x", "link:x" (dangling), "hardlink:x=y" (x another name of y)
  Names newNames;  // one per listed file
  Names outcomes;  // per row: "ok" or the reason's code
  Contents after;  // the folder after the run (what is not listed here: unchanged)
};

const std::string k256(256, 'x'), k255(255, 'y');

const PlanCase kPlanCases[] = {
    {"downshift", {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"}, {},
     {"0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg"}, {"ok", "ok", "ok", "ok", "ok"},
     {{"0.jpg", "1.jpg"}, {"4.jpg", "5.jpg"}}},
    {"upshift", {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"}, {},
     {"2.jpg", "3.jpg", "4.jpg", "5.jpg", "6.jpg"}, {"ok", "ok", "ok", "ok", "ok"},
     {{"2.jpg", "1.jpg"}, {"6.jpg", "5.jpg"}}},
    {"swap", {"0.txt", "1.txt"}, {}, {"1.txt", "0.txt"}, {"ok", "ok"},
     {{"0.txt", "1.txt"}, {"1.txt", "0.txt"}}},
    {"cycle of three", {"1.txt", "2.txt", "0.txt"}, {}, {"0.txt", "1.txt", "2.txt"},
     {"ok", "ok", "ok"}, {{"0.txt", "1.txt"}, {"1.txt", "2.txt"}, {"2.txt", "0.txt"}}},
    {"duplicates", {"a", "b", "c"}, {}, {"x", "x", "d"}, {"duplicate", "duplicate", "ok"},
     {{"d", "c"}}},
    {"outside file", {"a", "b"}, {"file:o.txt"}, {"o.txt", "b1"}, {"target-exists", "ok"},
     {{"o.txt", "outside"}, {"b1", "b"}}},
    {"outside folder", {"a"}, {"dir:sub"}, {"sub"}, {"target-exists"}, {{"sub", "<dir>"}}},
    {"dangling link", {"a"}, {"link:ln"}, {"ln"}, {"target-exists"}, {{"ln", "<link>"}}},
    {"chain onto a row that stays", {"a", "b", "c"}, {"file:x"}, {"b", "x", "c"},
     {"target-exists", "target-exists", "ok"}, {}},
    {"name length limit", {"a", "b"}, {}, {k256, k255}, {"too-long", "ok"}, {{k255, "b"}}},
    {"invalid names", {"a", "b", "c"}, {}, {"", "..", "d/e"},
     {"invalid-name", "invalid-name", "invalid-name"}, {}},
};

class PlanCaseTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanCaseTest, RunsAsPlannedAndUndoesToTheOriginalFolder) {
  const PlanCase& c = GetParam();
  TempFolder dir;
  for (const std::string& f : c.files) dir.Write(f, f);
  for (const std::string& o : c.others) {
    const std::size_t colon = o.find(':');
    const std::string kind = o.substr(0, colon), name = o.substr(colon + 1);
    if (kind == "file") dir.Write(name, "outside");
    if (kind == "dir") dir.MakeFolder(name);
    if (kind == "link") {
      ASSERT_EQ(symlink("nowhere", (dir.path() + name).c_str()), 0);
    }
    if (kind == "hardlink") {
      const std::size_t eq = name.find('=');
      ASSERT_EQ(link((dir.path() + name.substr(eq + 1)).c_str(),
                     (dir.path() + name.substr(0, eq)).c_str()),
                0);
    }
  }
  const Contents before = FolderContents(dir);

  FileList list;
  Names paths;
  for (const std::string& f : c.files) paths.push_back(dir.path() + f);
  AddFiles(list, paths);
  for (std::size_t i = 0; i < c.newNames.size(); ++i) list.entries[i].newName = c.newNames[i];

  const RenamePlan plan = PlanRun(list);
  UndoLog undo;
  const WalkCounts counts = RunRename(list, undo, plan);
  Names outcomes;
  for (const FileEntry& e : list.entries)
    outcomes.push_back(e.status.icon == kSuccessIcon ? "ok" : ReasonCode(e.status.reason));
  EXPECT_EQ(outcomes, c.outcomes) << c.title;
  EXPECT_EQ(counts.succeeded + counts.failed, c.files.size()) << c.title;

  Contents expected = before;
  for (const FileEntry& e : list.entries)
    if (e.status.icon == kSuccessIcon) expected.erase(e.texts().diskUndoName);
  for (const FileEntry& e : list.entries)
    if (e.status.icon == kSuccessIcon) expected[e.DiskName()] = before.at(e.texts().diskUndoName);
  const Contents now = FolderContents(dir);
  EXPECT_EQ(now, expected) << c.title;
  for (const auto& [name, content] : c.after)
    EXPECT_EQ(now.count(name) ? now.at(name) : "<none>", content) << c.title << ": " << name;

  const WalkCounts undone = UndoLastRun(list, undo);
  EXPECT_EQ(undone.failed, 0u) << c.title;
  EXPECT_EQ(FolderContents(dir), before) << c.title;  // no temporary name left either
  EXPECT_FALSE(undo.available) << c.title;
}

INSTANTIATE_TEST_SUITE_P(Patterns, PlanCaseTest, ::testing::ValuesIn(kPlanCases));

TEST(RenamePlanTest, ACycleIsOrderedThroughOneTemporaryName) {
  TempFolder dir;
  for (const char* f : {"a", "b", "c", "d"}) dir.Write(f, f);
  FileList list;
  AddFiles(list, {dir.path() + "a", dir.path() + "b", dir.path() + "c", dir.path() + "d"});
  // a->b->c->a is a cycle, d->e a chain of one.
  const Names next = {"b", "c", "a", "e"};
  for (std::size_t i = 0; i < 4; ++i) list.entries[i].newName = next[i];
  const RenamePlan plan = PlanRun(list);
  ASSERT_EQ(plan.steps.size(), 5u);
  EXPECT_EQ(plan.steps[0].entry, 0u);
  EXPECT_EQ(plan.steps[0].kind, StepKind::kToTemporary);
  EXPECT_EQ(plan.steps[1].entry, 2u);  // c->a, a being free now
  EXPECT_EQ(plan.steps[2].entry, 1u);
  EXPECT_EQ(plan.steps[3].kind, StepKind::kFromTemporary);
  EXPECT_EQ(plan.steps[4].entry, 3u);
  ASSERT_EQ(plan.temporaries.size(), 1u);
  EXPECT_EQ(plan.temporaries[0], ".tessarn-" + std::to_string(getpid()) + "-0.tmp");
}

TEST(RenamePlanTest, HardLinksDifferingInCaseEndingWithOneNameAreDuplicates) {
  TempFolder dir;
  dir.Write("a.txt", "one file");
  ASSERT_EQ(link((dir.path() + "a.txt").c_str(), (dir.path() + "A.txt").c_str()), 0);
  FileList list;
  AddFiles(list, {dir.path() + "A.txt", dir.path() + "a.txt"});
  list.entries[0].newName = "a.txt";  // a lower-case rule
  list.entries[1].newName = "a.txt";
  UndoLog undo;
  RunRename(list, undo);
  EXPECT_EQ(list.entries[0].status.reason, RenameReason::kDuplicate);
  EXPECT_EQ(list.entries[0].status.icon, kFailureIcon);  // not a success that did nothing
  EXPECT_EQ(list.entries[1].status.icon, kSuccessIcon);
  EXPECT_TRUE(dir.Exists("A.txt") && dir.Exists("a.txt"));
}

TEST(RenamePlanTest, UndecodableNamesKeepTheirBytesOrSayWhyNot) {
  TempFolder dir;
  // Neither UTF-8 nor GBK (a GBK trail byte is never below 0x40).
  const std::string latin1a = "caf\xE9.txt", latin1b = "caf\xE9-2.txt";
  dir.Write(latin1a, "a");
  dir.Write(latin1b, "b");
  FileList list;
  AddFiles(list, {dir.path() + latin1a, dir.path() + latin1b});
  list.entries[0].newName = list.entries[0].oldName;        // the rule left it alone
  list.entries[1].newName = "x" + list.entries[1].oldName;  // the rule changed it
  UndoLog undo;
  const WalkCounts counts = RunRename(list, undo);
  EXPECT_EQ(counts.succeeded, 1u);
  EXPECT_EQ(list.entries[1].status.reason, RenameReason::kUndecodable);
  EXPECT_EQ(ReasonText(RenameReason::kUndecodable), Gb("文件名编码无法识别"));
  EXPECT_EQ(dir.Read(latin1a), "a");  // same bytes: nothing turned into U+FFFD
  EXPECT_EQ(dir.Read(latin1b), "b");
}

TEST(RenamePlanTest, PreviewSeesOnlyTheShownRowsAndNoticesANewFile) {
  TempFolder dir;
  for (const char* f : {"1", "2", "3"}) dir.Write(f, f);
  FileList list;
  AddFiles(list, {dir.path() + "1", dir.path() + "2", dir.path() + "3"});
  list.entries[0].newName = "2";
  list.entries[1].newName = "3";  // held by row 3, which is not shown: it may move
  FolderListings listings;
  RenamePlan plan = PlanPreview(list, 2, listings);
  EXPECT_EQ(plan.conflicts, 0u);
  EXPECT_TRUE(plan.steps.empty());

  list.entries[0].newName = "new";
  dir.Write("new", "outside");  // appears between two keystrokes
  plan = PlanPreview(list, 2, listings);
  ASSERT_EQ(plan.conflicts, 1u);
  EXPECT_EQ(plan.rows[0].reason, RenameReason::kTargetExists);
  ShowPlanConflicts(list, plan);
  EXPECT_TRUE(list.Row(0).mark.conflict);
  EXPECT_FALSE(list.Row(1).mark.conflict);

  std::filesystem::remove(dir.path() + "new");
  ShowPlanConflicts(list, PlanPreview(list, 2, listings));
  EXPECT_FALSE(list.Row(0).mark.conflict);
}

// The window's index of every entry's name must give the very plan the walk over
// every row gives: a wanted name held by a row not shown, by the same file listed
// twice past the preview, by a file outside the list; and after the list changed.
TEST(RenamePlanTest, PreviewWithTheEntryIndexPlansAsTheFullWalkDoes) {
  TempFolder dir;
  for (const char* f : {"a", "b", "c", "d", "outside"}) dir.Write(f, f);
  FileList list;
  AddFiles(list, {dir.path() + "a", dir.path() + "b", dir.path() + "c", dir.path() + "d",
                  dir.path() + "c"});
  list.entries[0].newName = "c";        // held by row 2, not shown: may move
  list.entries[1].newName = "outside";  // no row has it: taken
  FolderListings walked, indexed;
  EntryNameIndex index;
  auto same = [&](std::size_t shown) {
    const RenamePlan a = PlanPreview(list, shown, walked);
    const RenamePlan b = PlanPreview(list, shown, indexed, &index);
    ASSERT_EQ(a.rows.size(), b.rows.size());
    for (std::size_t i = 0; i < a.rows.size(); ++i) {
      EXPECT_EQ(a.rows[i].verdict, b.rows[i].verdict) << "row " << i;
      EXPECT_EQ(a.rows[i].reason, b.rows[i].reason) << "row " << i;
    }
    EXPECT_EQ(a.conflicts, b.conflicts);
  };
  same(2);
  EXPECT_EQ(PlanPreview(list, 2, indexed, &index).conflicts, 1u);
  // Row 3 ("d") leaves the list; its name now belongs to no row. The owner clears
  // the index, as the window does when rows go.
  list.entries[0].newName = "d";
  list.RemoveRange(3, 3);
  index.Clear();
  same(2);
  EXPECT_EQ(PlanPreview(list, 2, indexed, &index).rows[0].reason, RenameReason::kTargetExists);
  // A row renamed on disk: the index, cleared, finds it under its new name.
  std::filesystem::rename(dir.path() + "c", dir.path() + "e");
  list.entries[2].SetDiskName(std::string_view("e"));
  list.entries[3].SetDiskName(std::string_view("e"));
  index.Clear();
  list.entries[0].newName = "e";
  same(2);
  same(4);

  // Only the rows up to `markedRows` are looked at beyond the plan.
  ShowPlanConflicts(list, PlanPreview(list, 2, indexed, &index));
  list.SetRowMark(3, RowMark{RenameReason::kTargetExists, 0, true});
  ShowPlanConflicts(list, PlanPreview(list, 2, indexed, &index), 3);
  EXPECT_TRUE(list.Row(3).mark.conflict);
  ShowPlanConflicts(list, PlanPreview(list, 2, indexed, &index), 4);
  EXPECT_FALSE(list.Row(3).mark.conflict);
}

TEST(RenamePlanTest, TheScansListingServesThePlanUntilTheFolderChanges) {
  TempFolder dir;
  for (const char* f : {"b", "a"}) dir.Write(f, f);
  dir.MakeFolder("sub");
  FileList list;
  FolderListings listings(false);
  ASSERT_EQ(ScanFolder(list, dir.path(), nullptr, &listings), 2u);
  ASSERT_EQ(list.entries[0].DiskName(), "a");
  // The scan's one read holds every name, the subfolder's too, with its inode.
  const FolderListing* listing = listings.Get(dir.path());
  ASSERT_NE(listing, nullptr);
  ASSERT_EQ(listing->inodes.size(), 3u);
  EXPECT_NE(listing->bytes.find(std::string("sub\0")), std::string::npos);

  list.entries[0].newName = "sub";  // taken by the subfolder
  list.entries[1].newName = "c";
  RenamePlan plan = PlanRun(list, listings);
  EXPECT_EQ(plan.rows[0].reason, RenameReason::kTargetExists);
  EXPECT_EQ(plan.rows[1].verdict, PlanVerdict::kFine);
  EXPECT_EQ(plan.inodes[1], InodeOf(dir.path() + "b"));

  // A name that appears after the scan is seen: the folder is read anew.
  dir.Write("c", "outside");
  plan = PlanRun(list, listings);
  EXPECT_EQ(plan.rows[1].reason, RenameReason::kTargetExists);
  EXPECT_EQ(listings.Get(dir.path())->inodes.size(), 4u);
}

// Makes a folder refuse renames: without write permission, or (for root, whom
// permissions do not stop) with the immutable attribute. False when neither works.
bool LockFolder(const std::string& folder, bool lock) {
  if (geteuid() != 0) return chmod(folder.c_str(), lock ? 0500 : 0700) == 0;
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = lock ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

TEST(RenamePlanTest, ACycleInAFolderThatRefusesRenamesLosesNothing) {
  TempFolder dir;
  dir.Write("0.txt", "zero");
  dir.Write("1.txt", "one");
  dir.Write("2.txt", "two");
  FileList list;
  AddFiles(list, {dir.path() + "0.txt", dir.path() + "1.txt", dir.path() + "2.txt"});
  list.entries[0].newName = "1.txt";  // a swap ...
  list.entries[1].newName = "0.txt";
  list.entries[2].newName = "3.txt";  // ... and a plain rename
  if (!LockFolder(dir.path(), true)) GTEST_SKIP() << "cannot make the folder refuse renames";
  UndoLog undo;
  const WalkCounts counts = RunRename(list, undo);
  LockFolder(dir.path(), false);
  EXPECT_EQ(counts.succeeded, 0u);
  for (const FileEntry& e : list.entries) {
    EXPECT_EQ(e.status.icon, kFailureIcon) << e.oldName;
    EXPECT_TRUE(e.texts().undoName.empty()) << e.oldName;
  }
  // The parked file could not even be parked; its partner then found its name taken.
  EXPECT_EQ(list.entries[0].status.reason, RenameReason::kPermission);
  EXPECT_EQ(list.entries[2].status.reason, RenameReason::kPermission);
  EXPECT_EQ(counts.reasons[static_cast<std::size_t>(RenameReason::kPermission)], 2u);
  EXPECT_EQ(RunSummary(counts).text,
            Gb("文件总数：3 个文件\r\n\r\n0 个文件更名成功！\r\n3 个文件更名失败！\r\n\r\n"
               "目标文件已存在：1 个文件\r\n没有权限：2 个文件"));
  EXPECT_EQ(dir.Read("0.txt"), "zero");
  EXPECT_EQ(dir.Read("1.txt"), "one");
  EXPECT_EQ(dir.Read("2.txt"), "two");
}

TEST(RenamePlanTest, ReasonsOfFailedRenameCalls) {
  const struct {
    int error;
    RenameReason reason;
    const char* code;
  } cases[] = {
      {EEXIST, RenameReason::kTargetExists, "target-exists"},
      {ENOENT, RenameReason::kMissing, "missing"},
      {EACCES, RenameReason::kPermission, "permission"},
      {EROFS, RenameReason::kPermission, "permission"},
      {ENOSPC, RenameReason::kNoSpace, "no-space"},
      {ENAMETOOLONG, RenameReason::kTooLong, "too-long"},
      {EXDEV, RenameReason::kOther, "other"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReasonForError(c.error), c.reason) << c.error;
    EXPECT_STREQ(ReasonCode(c.reason), c.code);
  }
  EXPECT_FALSE(ReasonText(RenameReason::kOther, EXDEV).empty());  // the system's message
}

// A long list has its name tables and its rows' wishes made side by side: the
// verdicts are those a short list gets, row for row.
TEST(RenamePlanTest, ALongListIsPlannedAsAShortOneIs) {
  constexpr int kFiles = 20000;
  TempFolder dir;
  auto numbered = [](const char* stem, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%05d", stem, i);
    return std::string(name);
  };
  Names paths;
  for (int i = 0; i < kFiles; ++i) {
    dir.Write(numbered("f", i));
    paths.push_back(dir.path() + numbered("f", i));
    if (i % 100 == 0) dir.Write(numbered("o", i));  // not in the list
  }
  FileList list;
  AddFiles(list, paths);
  ASSERT_EQ(list.count(), static_cast<std::size_t>(kFiles));
  std::vector<RenameReason> expected(kFiles, RenameReason::kNone);
  for (int i = 0; i < kFiles; ++i) {
    std::string& name = list.entries[i].newName;
    switch (i % 100) {
      case 0:
        name = numbered("o", i);
        expected[i] = RenameReason::kTargetExists;
        break;
      case 1:
      case 2:
        name = numbered("dup", i / 100);
        expected[i] = RenameReason::kDuplicate;
        break;
      case 3:
        name = "";
        expected[i] = RenameReason::kInvalidName;
        break;
      default:
        name = numbered("g", i);
    }
  }
  FolderListings listings;
  for (const RenamePlan& plan : {PlanRun(list), PlanPreview(list, list.count(), listings)}) {
    ASSERT_EQ(plan.rows.size(), static_cast<std::size_t>(kFiles));
    EXPECT_EQ(plan.conflicts, static_cast<std::size_t>(kFiles / 100 * 4));
    for (int i = 0; i < kFiles; ++i) {
      const bool fine = expected[i] == RenameReason::kNone;
      ASSERT_EQ(plan.rows[i].verdict, fine ? PlanVerdict::kFine : PlanVerdict::kConflict) << i;
      ASSERT_EQ(plan.rows[i].reason, expected[i]) << i;
    }
  }
}

}  // namespace
}  // namespace tessarn
