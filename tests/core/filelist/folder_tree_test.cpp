#include "core/filelist/folder_tree.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/filelist/recording_listener.h"
#include "support/temp_folder.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

using testing::RecordingListener;
using testing::TempFolder;
using Names = std::vector<std::string>;

// Each entry as "folder relative to the tree" + name.
Names Listed(const FileList& list, const std::string& root) {
  Names names;
  for (const FileEntry& e : list.entries) {
    const std::string& folder = list.DiskFolder(e);
    EXPECT_EQ(folder.rfind(root, 0), 0u) << folder;
    names.push_back(folder.substr(root.size()) + e.DiskName());
  }
  return names;
}

// root: files, subfolders in an order that readdir does not give, a hidden folder,
// links to a folder and to a file, a link back up to root.
void MakeTree(const TempFolder& dir) {
  for (const char* folder : {"Sub10", "sub2", "sub2/deep", "empty", ".hidden", "sub2/.git"})
    dir.MakeFolder(folder);
  for (const char* file : {"b.txt", "a10.txt", "a2.txt", ".dotfile", "Sub10/x.txt", "sub2/y.txt",
                           "sub2/deep/z.txt", "sub2/w.txt", ".hidden/h.txt", "sub2/.git/HEAD"})
    dir.Write(file);
  std::filesystem::create_directory_symlink(dir.path() + "sub2", dir.path() + "link-to-sub2");
  std::filesystem::create_directory_symlink(dir.path(), dir.path() + "sub2/deep/up");
  std::filesystem::create_symlink(dir.path() + "b.txt", dir.path() + "Sub10/link-to-b.txt");
  std::filesystem::create_symlink(dir.path() + "gone", dir.path() + "Sub10/dangling");
}

TEST(FolderTreeTest, FolderByFolderDepthFirstInNaturalOrder) {
  TempFolder dir;
  MakeTree(dir);
  struct Case {
    const char* what;
    bool hidden;
    Names expected;
  } cases[] = {
      {"hidden folders skipped, hidden files listed",
       false,
       {".dotfile", "a2.txt", "a10.txt", "b.txt", "sub2/w.txt", "sub2/y.txt", "sub2/deep/z.txt",
        "Sub10/dangling", "Sub10/link-to-b.txt", "Sub10/x.txt"}},
      {"hidden folders entered when asked",
       true,
       {".dotfile", "a2.txt", "a10.txt", "b.txt", ".hidden/h.txt", "sub2/w.txt", "sub2/y.txt",
        "sub2/.git/HEAD", "sub2/deep/z.txt", "Sub10/dangling", "Sub10/link-to-b.txt",
        "Sub10/x.txt"}},
  };
  for (const Case& c : cases) {
    FileList list;
    RecordingListener listener;
    list.SetListener(&listener);
    // The folder without its "/": one is added.
    const FolderTreeResult r =
        AddFolderTree(list, dir.path().substr(0, dir.path().size() - 1), {c.hidden});
    EXPECT_EQ(Listed(list, dir.path()), c.expected) << c.what;
    EXPECT_EQ(r.added, c.expected.size()) << c.what;
    EXPECT_EQ(r.unreadable, 0u) << c.what;
    // The one-thread walk that hands over folder after folder lists the same.
    FileList streamed;
    std::vector<std::size_t> folderStarts;
    ScanFolderTree(streamed, dir.path(), {c.hidden},
                   [&](std::size_t first) { folderStarts.push_back(first); });
    EXPECT_EQ(Listed(streamed, dir.path()), c.expected) << c.what;
    EXPECT_EQ(streamed.RowCount(), 0u) << c.what;
    EXPECT_EQ(UnreadableFoldersMessage(r).text, "") << c.what;
    // Every row shows its own folder; one append, then each folder's column.
    for (std::size_t i = 0; i < list.count(); ++i) {
      EXPECT_EQ(list.CellText(i, kFolderColumn), list.FolderText(list.entries[i]));
      EXPECT_EQ(list.CellText(i, kOldNameColumn), list.entries[i].oldName);
    }
    if (!c.hidden) {
      EXPECT_EQ(folderStarts, (std::vector<std::size_t>{0, 4, 6, 7}));
      EXPECT_EQ(listener.events,
                (Names{"append 0-9", "changed 0-3", "changed 4-5", "changed 6-6", "changed 7-9"}));
    }
  }
}

TEST(FolderTreeTest, DecodedNamesAndFoldersKeepTheirBytes) {
  TempFolder dir;
  const std::string gbkFolder = "\xD2\xF4\xC0\xD6";  // "音乐" in GBK
  dir.MakeFolder(gbkFolder);
  dir.Write(gbkFolder + "/\xE6\xAD\x8C.mp3");  // "歌.mp3" in UTF-8
  FileList list;
  ASSERT_EQ(AddFolderTree(list, dir.path(), {}).added, 1u);
  const FileEntry& e = list.entries[0];
  EXPECT_EQ(list.DiskFolder(e), dir.path() + gbkFolder + "/");
  EXPECT_EQ(list.FolderText(e), DecodeDiskName(dir.path()) + Gb("音乐/"));
  EXPECT_EQ(e.oldName, Gb("歌.mp3"));
}

TEST(FolderTreeTest, DeepTreeIsWalkedToTheBottom) {
  TempFolder dir;
  std::string path;
  for (int i = 0; i < 80; ++i) {
    path += "d/";
    dir.MakeFolder(path);
  }
  dir.Write(path + "bottom.txt");
  FileList list;
  EXPECT_EQ(AddFolderTree(list, dir.path(), {}).added, 1u);
  EXPECT_EQ(Listed(list, dir.path()), Names{path + "bottom.txt"});
}

TEST(FolderTreeTest, MissingFolderIsCountedAndEmptyTextAddsNothing) {
  TempFolder dir;
  FileList list;
  const FolderTreeResult r = AddFolderTree(list, dir.path() + "gone", {});
  EXPECT_EQ(r.added, 0u);
  EXPECT_EQ(r.unreadable, 1u);
  EXPECT_EQ(r.firstUnreadable, dir.path() + "gone/");
  EXPECT_EQ(AddFolderTree(list, "", {}).unreadable, 0u);
  EXPECT_EQ(list.count(), 0u);
}

// What the walk reports when two subfolders cannot be read: as root, permissions do
// not stop reading, so the walk then runs in a child process as "nobody".
std::string ScanWithUnreadableFolders(const TempFolder& dir) {
  FileList list;
  const FolderTreeResult r = ScanFolderTree(list, dir.path(), {});
  std::string summary = ToDecimal(static_cast<long long>(r.unreadable)) + " ";
  for (const FileEntry& e : list.entries)
    summary += list.DiskFolder(e).substr(dir.path().size()) + e.DiskName() + " ";
  return summary + GbToUtf8Lossy(UnreadableFoldersMessage(r).text);
}

TEST(FolderTreeTest, UnreadableSubfoldersAreSkippedAndCountedOnce) {
  TempFolder dir;
  for (const char* folder : {"a-closed", "b-open", "c-closed", "c-closed/inner"})
    dir.MakeFolder(folder);
  for (const char* file : {"top.txt", "a-closed/x.txt", "b-open/y.txt", "c-closed/inner/z.txt"})
    dir.Write(file);
  chmod(dir.path().c_str(), 0755);
  chmod((dir.path() + "a-closed").c_str(), 0);
  chmod((dir.path() + "c-closed").c_str(), 0);
  const std::string expected = "2 top.txt b-open/y.txt 有 2 个目录无法读取，已跳过（第一个：" +
                               GbToUtf8Lossy(DecodeDiskName(dir.path())) + "a-closed/）";
  if (geteuid() != 0) {
    EXPECT_EQ(ScanWithUnreadableFolders(dir), expected);
  } else {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipeFds[0]);
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
      const std::string summary = ScanWithUnreadableFolders(dir);
      const bool written =
          write(pipeFds[1], summary.data(), summary.size()) == static_cast<ssize_t>(summary.size());
      _exit(written ? 0 : 4);
    }
    close(pipeFds[1]);
    std::string summary;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) summary.append(buffer, n);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(summary, expected);
  }
  chmod((dir.path() + "a-closed").c_str(), 0755);
  chmod((dir.path() + "c-closed").c_str(), 0755);
}

}  // namespace
}  // namespace tessarn
