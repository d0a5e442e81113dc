#include "core/filelist/add_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "core/filelist/folder_tree.h"
#include "core/filelist/natural_order.h"
#include "core/filelist/recording_listener.h"
#include "support/temp_folder.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::RecordingListener;
using testing::TempFolder;
using Names = std::vector<std::string>;

Names OldNames(const FileList& list) {
  Names names;
  for (const FileEntry& e : list.entries) names.push_back(e.oldName);
  return names;
}

Names ShownColumn(const FileList& list, int column) {
  Names cells;
  for (std::size_t r = 0; r < list.RowCount(); ++r) cells.push_back(list.CellText(r, column));
  return cells;
}

TEST(AddFolderTest, ListsFilesOneLevelDeepInNaturalOrder) {
  TempFolder dir;
  for (const char* name : {"IMG_10.jpg", "IMG_2.jpg", "img_1.jpg", ".hidden"}) dir.Write(name);
  dir.MakeFolder("sub");
  dir.Write("sub/b.txt");
  FileList list;
  RecordingListener listener;
  list.SetListener(&listener);

  // Without the trailing "/": it is added.
  const std::string folder = dir.path().substr(0, dir.path().size() - 1);
  EXPECT_EQ(AddFolder(list, folder), 4u);
  EXPECT_EQ(OldNames(list), (Names{".hidden", "img_1.jpg", "IMG_2.jpg", "IMG_10.jpg"}));
  EXPECT_EQ(ShownColumn(list, kOldNameColumn), OldNames(list));
  EXPECT_EQ(ShownColumn(list, kFolderColumn), Names(4, dir.path()));
  for (const FileEntry& e : list.entries) {
    EXPECT_EQ(list.FolderText(e), dir.path());
    EXPECT_EQ(list.DiskFolder(e), dir.path());
    EXPECT_EQ(e.DiskName(), e.oldName);
    EXPECT_TRUE(e.newName.empty() && e.texts().undoName.empty() && e.texts().tagStatus.empty());
  }
  EXPECT_EQ(listener.events, (Names{"append 0-3", "changed 0-3"}));

  // The same folder again lists every file twice.
  EXPECT_EQ(AddFolder(list, dir.path()), 4u);
  EXPECT_EQ(list.count(), 8u);
  EXPECT_EQ(list.entries[4].oldName, ".hidden");
}

TEST(AddFolderTest, OrderMatchesNaturalLessForLongAndOddNames) {
  TempFolder dir;
  Names names = {"a", "A", "a0", "a00", "a000b", "x 01", "x 1", "x 001 y"};
  for (int i : {1, 9, 10, 11, 100, 99})
    names.push_back("A rather long common prefix " + std::to_string(i) + ".txt");
  names.push_back("\xE6\xAD\x8C 2.mp3");  // UTF-8
  names.push_back("\xB8\xE8 10.mp3");     // GBK
  for (const std::string& name : names) dir.Write(name);
  FileList list;
  AddFolder(list, dir.path());
  Names expected;
  for (const std::string& name : names) expected.push_back(DecodeDiskName(name));
  std::sort(expected.begin(), expected.end(), NaturalLess);
  EXPECT_EQ(OldNames(list), expected);
}

TEST(AddFolderTest, EmptyOrMissingFolderAddsNothingButClearsStatuses) {
  TempFolder dir;
  FileList list;
  list.entries.push_back(FileEntry{});
  list.AppendRows(0, 0);
  list.SetCellText(0, kStatusColumn, "x");
  EXPECT_EQ(AddFolder(list, dir.path()), 0u);
  EXPECT_EQ(AddFolder(list, dir.path() + "missing"), 0u);
  EXPECT_EQ(AddFolder(list, ""), 0u);
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(list.CellText(0, kStatusColumn), "");
}

TEST(AddFolderTest, GbkNamedFileListsDecodedAndKeepsItsBytes) {
  TempFolder dir;
  const std::string gbkName = "\xD6\xD0\xCE\xC4.txt";  // "中文.txt" in GBK, not UTF-8
  dir.Write(gbkName, "x");
  FileList list;
  ASSERT_EQ(AddFolder(list, dir.path()), 1u);
  const FileEntry& e = list.entries[0];
  EXPECT_EQ(e.oldName, Gb("中文.txt"));
  EXPECT_EQ(e.DiskName(), gbkName);
  EXPECT_EQ(list.DiskPath(e), dir.path() + gbkName);
}

TEST(AddFolderTest, TrailingSlash) {
  EXPECT_EQ(WithTrailingSlash("/music"), "/music/");
  EXPECT_EQ(WithTrailingSlash("/music/"), "/music/");
  EXPECT_EQ(WithTrailingSlash("/"), "/");  // the root gets no second one
}

TEST(AddFilesTest, EachPathIsOneEntryShownPerFolderRun) {
  FileList list;
  RecordingListener listener;
  list.SetListener(&listener);
  const Names picked = {"/music/a;b.mp3", "/music/c.mp3", "/other/d.mp3", "/music/e.mp3",
                        "/music/"};
  EXPECT_EQ(AddFiles(list, picked), 4u);
  EXPECT_EQ(OldNames(list), (Names{"a;b.mp3", "c.mp3", "d.mp3", "e.mp3"}));
  EXPECT_EQ(ShownColumn(list, kFolderColumn), (Names{"/music/", "/music/", "/other/", "/music/"}));
  EXPECT_EQ(list.DiskFolder(list.entries[2]), "/other/");
  EXPECT_EQ(listener.events, (Names{"append 0-1", "changed 0-1", "append 2-2", "changed 2-2",
                                    "append 3-3", "changed 3-3"}));
  EXPECT_EQ(SelectionFolder(picked), "/music/");
  EXPECT_EQ(SelectionFolder({"/x/a.mp3"}), "/x/");
  EXPECT_EQ(SelectionFolder({}), "");
}

TEST(AddDroppedTest, FilesFirstThenEachFolderWithItsOwnStep) {
  TempFolder dir;
  dir.MakeFolder("folder");
  dir.Write("folder/in1.txt");
  dir.Write("folder/in2.txt");
  dir.Write("loose.txt");
  FileList list;
  std::vector<std::size_t> countsAtSteps;
  const std::size_t added =
      AddDropped(list, {dir.path() + "folder", dir.path() + "loose.txt", dir.path() + "gone"},
                 [&] { countsAtSteps.push_back(list.count()); });
  EXPECT_EQ(added, 3u);
  EXPECT_EQ(OldNames(list), (Names{"loose.txt", "in1.txt", "in2.txt"}));
  EXPECT_EQ(ShownColumn(list, kFolderColumn),
            (Names{dir.path(), dir.path() + "folder/", dir.path() + "folder/"}));
  // After the files, after the folder, after the path that no longer exists.
  EXPECT_EQ(countsAtSteps, (std::vector<std::size_t>{1, 3, 3}));
}

TEST(AddDroppedTest, FoldersThatCannotBeListedAreNamedGoneOnesAreNot) {
  TempFolder dir;
  dir.MakeFolder("locked");
  dir.Write("locked/inside.txt");
  dir.Write("plain.txt");
  FileList list;
  std::vector<std::string> unreadable;
  // A file where a folder is expected exists but cannot be listed.
  EXPECT_EQ(AddFolder(list, dir.path() + "plain.txt", &unreadable), 0u);
  EXPECT_EQ(unreadable, (Names{dir.path() + "plain.txt"}));

  unreadable.clear();
  ::chmod((dir.path() + "locked").c_str(), 0);
  AddDropped(list, {dir.path() + "gone", dir.path() + "locked"}, {}, &unreadable);
  ::chmod((dir.path() + "locked").c_str(), 0755);
  // Root reads a folder whatever its mode.
  if (::geteuid() == 0)
    EXPECT_EQ(OldNames(list), (Names{"inside.txt"}));
  else
    EXPECT_EQ(unreadable, (Names{dir.path() + "locked"}));

  EXPECT_EQ(MissingPaths({dir.path() + "gone", dir.path() + "plain.txt", dir.path(), "/no/such"}),
            (Names{dir.path() + "gone", "/no/such"}));
}

TEST(RememberedFolderTest, CreatedEmptyThenRewritten) {
  TempFolder dir;
  EXPECT_EQ(ReadRememberedFolder(dir.path()), "");
  EXPECT_TRUE(dir.Exists("dir.txt"));
  EXPECT_TRUE(WriteRememberedFolder(dir.path(), "/a/long/folder/"));
  EXPECT_TRUE(WriteRememberedFolder(dir.path(), "/music/"));
  EXPECT_EQ(dir.Read("dir.txt"), "/music/");
  EXPECT_EQ(ReadRememberedFolder(dir.path()), "/music/");
  EXPECT_EQ(ReadRememberedFolder(dir.path() + "missing"), "");
  EXPECT_FALSE(WriteRememberedFolder(dir.path() + "missing", "/x/"));
}

}  // namespace
}  // namespace tessarn

namespace tessarn {
namespace {

// The program's own working files (a tag write's recovery record, a rename's
// temporary name, an earlier writer's leftover copy) are never rows, whichever way
// files reach the list; names that only look alike are the user's. The folder's
// listing for the plan still holds them: they take their names.
TEST(OwnNamesTest, NoWayOfAddingListsThem) {
  TempFolder dir;
  const Names own = {".song.mp3.tessarn-journal", ".tessarn-4242-0.tmp", ".tessarn-rewrite-aB3xY9"};
  const Names users = {".hidden", ".tessarn-rewrite-toolong1", "song.mp3", "tessarn-journal",
                       "x.tessarn-journal"};
  for (const Names* names : {&own, &users})
    for (const std::string& name : *names) dir.Write(name);
  dir.MakeFolder("sub");
  dir.Write("sub/.a.tessarn-journal");
  dir.Write("sub/a");
  auto sorted = [](Names names) {
    std::sort(names.begin(), names.end());
    return names;
  };

  FileList folder;
  FolderListings listings;
  ScanFolder(folder, dir.path(), nullptr, &listings);
  EXPECT_EQ(sorted(OldNames(folder)), users);
  const FolderListing* listing = listings.Get(dir.path());
  ASSERT_NE(listing, nullptr);
  for (const std::string& name : own) EXPECT_TRUE(listing->Has(name)) << name;

  FileList tree;
  CollectFolderTree(tree, dir.path(), FolderTreeOptions{});
  Names treeNames = OldNames(tree);
  EXPECT_EQ(sorted(treeNames), sorted({".hidden", ".tessarn-rewrite-toolong1", "a", "song.mp3",
                                       "tessarn-journal", "x.tessarn-journal"}));

  FileList picked;
  Names paths;
  for (const Names* names : {&own, &users})
    for (const std::string& name : *names) paths.push_back(dir.path() + name);
  AddFiles(picked, paths);
  EXPECT_EQ(sorted(OldNames(picked)), users);
  AddDroppedFiles(picked, {dir.path() + own[0]});
  EXPECT_EQ(picked.count(), users.size());
}

}  // namespace
}  // namespace tessarn
