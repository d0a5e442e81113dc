#include "core/filelist/file_system.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "support/temp_folder.h"

namespace tessarn {
namespace {

using testing::TempFolder;

TEST(ListFolderFilesTest, FilesDirectlyInsideIncludingHiddenAndLinksToFiles) {
  TempFolder dir;
  dir.Write("a.txt");
  dir.Write(".hidden");
  dir.MakeFolder("sub");
  dir.Write("sub/b.txt");
  ASSERT_EQ(symlink("a.txt", (dir.path() + "link-to-file").c_str()), 0);
  ASSERT_EQ(symlink("sub", (dir.path() + "link-to-folder").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir.path() + "dangling").c_str()), 0);

  std::vector<std::string> names;
  ASSERT_TRUE(ListFolderFiles(dir.path(), names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "a.txt", "dangling", "link-to-file"}));

  std::vector<std::string> none;
  EXPECT_FALSE(ListFolderFiles(dir.path() + "missing/", none));
  EXPECT_TRUE(none.empty());
}

TEST(PathTestsTest, FileFolderAndMissing) {
  TempFolder dir;
  dir.Write("f");
  dir.MakeFolder("d");
  EXPECT_TRUE(IsFileNotFolder(dir.path() + "f"));
  EXPECT_FALSE(IsFileNotFolder(dir.path() + "d"));
  EXPECT_TRUE(IsDirectory(dir.path() + "d"));
  EXPECT_FALSE(IsDirectory(dir.path() + "f"));
  EXPECT_FALSE(IsFileNotFolder(dir.path() + "missing"));
  EXPECT_FALSE(PathExists(dir.path() + "missing"));
}

TEST(RenameNoReplaceTest, NeverReplacesAnExistingFile) {
  TempFolder dir;
  dir.Write("a.txt", "AAA");
  dir.Write("b.txt", "BBB");
  int error = 0;
  EXPECT_FALSE(RenameNoReplace(dir.path() + "a.txt", dir.path() + "b.txt", &error));
  EXPECT_EQ(error, EEXIST);
  EXPECT_EQ(dir.Read("a.txt"), "AAA");
  EXPECT_EQ(dir.Read("b.txt"), "BBB");
}

TEST(RenameNoReplaceTest, RenamesAndReportsAMissingSource) {
  TempFolder dir;
  dir.Write("a.txt", "AAA");
  EXPECT_TRUE(RenameNoReplace(dir.path() + "a.txt", dir.path() + "c.txt"));
  EXPECT_FALSE(dir.Exists("a.txt"));
  EXPECT_EQ(dir.Read("c.txt"), "AAA");

  int error = 0;
  EXPECT_FALSE(RenameNoReplace(dir.path() + "a.txt", dir.path() + "d.txt", &error));
  EXPECT_EQ(error, ENOENT);
}

TEST(RenameNoReplaceTest, OntoItselfSucceedsWhenTheFileExists) {
  TempFolder dir;
  dir.Write("a.txt", "AAA");
  EXPECT_TRUE(RenameNoReplace(dir.path() + "a.txt", dir.path() + "a.txt"));
  EXPECT_EQ(dir.Read("a.txt"), "AAA");
  EXPECT_FALSE(RenameNoReplace(dir.path() + "x.txt", dir.path() + "x.txt"));
}

TEST(RenameNoReplaceTest, TwoLinksOfOneFileThatDifferInMoreThanCaseStayApart) {
  // Same inode, but not a case change: the target is another name and is kept.
  TempFolder dir;
  dir.Write("a.txt", "AAA");
  ASSERT_EQ(link((dir.path() + "a.txt").c_str(), (dir.path() + "b.txt").c_str()), 0);
  EXPECT_FALSE(RenameNoReplace(dir.path() + "a.txt", dir.path() + "b.txt"));
  EXPECT_TRUE(dir.Exists("a.txt"));
  EXPECT_TRUE(dir.Exists("b.txt"));
}

}  // namespace
}  // namespace tessarn

namespace tessarn {
namespace {

TEST(RenameWithoutNoReplaceFlagTest, FilesFoldersAndLinksNeverReplaceATarget) {
  TempFolder dir;
  dir.Write("file", "F");
  dir.Write("taken", "T");
  dir.MakeFolder("folder");
  ASSERT_EQ(symlink("file", (dir.path() + "link").c_str()), 0);
  struct Case {
    const char* from;
    const char* to;
    bool ok;
  } const cases[] = {
      {"file", "taken", false},     // link() refuses
      {"folder", "taken", false},   // the check refuses
      {"link", "taken", false},     // a link is no regular file: the check refuses
      {"file", "file2", true},      // link + unlink
      {"folder", "folder2", true},  // check + rename
      {"link", "link2", true},     {"missing", "whatever", false},
  };
  for (const Case& c : cases) {
    int error = 0;
    EXPECT_EQ(RenameWithoutNoReplaceFlag(dir.path() + c.from, dir.path() + c.to, &error), c.ok)
        << c.from << " -> " << c.to;
    if (!c.ok) {
      EXPECT_NE(error, 0) << c.from;
    }
  }
  EXPECT_EQ(dir.Read("taken"), "T");
  EXPECT_EQ(dir.Read("file2"), "F");
  EXPECT_FALSE(dir.Exists("file"));
  EXPECT_TRUE(dir.Exists("folder2"));
  EXPECT_TRUE(dir.Exists("link2"));
}

}  // namespace
}  // namespace tessarn
