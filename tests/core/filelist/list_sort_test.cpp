#include "core/filelist/list_sort.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "temp_folder.h"

namespace tessarn {
namespace {

using Names = std::vector<std::string>;

Names OldNames(const FileList& list) {
  Names names;
  for (const FileEntry& e : list.entries) names.push_back(e.oldName);
  return names;
}

Names ShownNames(const FileList& list) {
  Names names;
  for (std::size_t r = 0; r < list.RowCount(); ++r) names.push_back(list.CellText(r, kOldNameColumn));
  return names;
}

void SetTime(const std::string& path, long seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST(ListSortTest, OrdersByEachKeyBothWays) {
  const testing::TempFolder dir;
  // name, size, modification time
  struct File {
    const char* name;
    int size;
    long time;
  } files[] = {{"img10.jpg", 30, 300}, {"IMG2.jpg", 10, 100}, {"img1.jpg", 20, 200},
               {"z/a.jpg", 5, 50}};
  dir.MakeFolder("z");
  FileList list;
  for (const File& f : files) {
    dir.Write(f.name, std::string(static_cast<std::size_t>(f.size), 'x'));
    SetTime(dir.path() + f.name, f.time);
    const std::string path = dir.path() + f.name;
    const std::size_t slash = path.rfind('/');
    list.AppendEntry(path.substr(0, slash + 1), path.substr(slash + 1));
  }
  list.AppendRows(0, list.count() - 1);

  struct Case {
    SortKey key;
    bool descending;
    Names expected;
  } cases[] = {
      {SortKey::kAdded, false, {"img10.jpg", "IMG2.jpg", "img1.jpg", "a.jpg"}},
      {SortKey::kName, false, {"a.jpg", "img1.jpg", "IMG2.jpg", "img10.jpg"}},
      {SortKey::kName, true, {"img10.jpg", "IMG2.jpg", "img1.jpg", "a.jpg"}},
      {SortKey::kPath, false, {"img1.jpg", "IMG2.jpg", "img10.jpg", "a.jpg"}},
      {SortKey::kSize, false, {"a.jpg", "IMG2.jpg", "img1.jpg", "img10.jpg"}},
      {SortKey::kMtime, true, {"img10.jpg", "img1.jpg", "IMG2.jpg", "a.jpg"}},
  };
  const std::vector<FileEntry> added = list.entries;
  for (const Case& c : cases) {
    FileList sorted;
    for (const FileEntry& e : added)
      sorted.AppendEntry(list.DiskFolder(e), e.DiskName());
    sorted.AppendRows(0, sorted.count() - 1);
    SortList(sorted, c.key, c.descending);
    EXPECT_EQ(OldNames(sorted), c.expected) << static_cast<int>(c.key) << c.descending;
    // The rows follow their entries.
    EXPECT_EQ(ShownNames(sorted), c.expected);
  }
}

// The third header click: the order of adding comes back, whatever was removed
// or added while the list was sorted (added files last).
TEST(ListSortTest, TheOrderOfAddingComesBack) {
  FileList list;
  for (const char* name : {"c", "a", "e", "b", "d", "f"}) list.AppendEntry("/x/", name);
  list.AppendRows(0, list.count() - 1);
  SortList(list, SortKey::kName, true);
  EXPECT_FALSE(list.InAddedOrder());
  EXPECT_EQ(OldNames(list), (Names{"f", "e", "d", "c", "b", "a"}));
  list.RemoveRange(1, 1);  // e
  list.AppendEntry("/x/", "0");
  list.AppendRows(list.count() - 1, list.count() - 1);
  SortList(list, SortKey::kName, false);
  EXPECT_EQ(OldNames(list), (Names{"0", "a", "b", "c", "d", "f"}));
  list.RestoreAddedOrder();
  EXPECT_TRUE(list.InAddedOrder());
  EXPECT_EQ(OldNames(list), (Names{"c", "a", "b", "d", "f", "0"}));
  EXPECT_EQ(ShownNames(list), OldNames(list));

  // Many scattered rows removed at once (a filter) keep the rest's places too.
  FileList many;
  for (int i = 0; i < 40; ++i) many.AppendEntry("/x/", std::to_string(100 + i));
  many.AppendRows(0, 39);
  SortList(many, SortKey::kName, true);  // 139 ... 100
  std::vector<std::size_t> even;
  for (std::size_t i = 0; i < 40; i += 2) even.push_back(i);  // 139, 137, ... 101
  EXPECT_EQ(many.RemoveRows(even), 20u);
  many.RestoreAddedOrder();
  Names expected;
  for (int i = 0; i < 40; i += 2) expected.push_back(std::to_string(100 + i));
  EXPECT_EQ(OldNames(many), expected);
}

TEST(ListSortTest, MovingRowsByHand) {
  struct Case {
    std::vector<std::size_t> selected;
    int by;
    Names expected;
    std::vector<std::size_t> now;
  } cases[] = {
      {{2, 3}, -1, {"a", "c", "d", "b", "e"}, {1, 2}},
      {{2, 3}, 1, {"a", "b", "e", "c", "d"}, {3, 4}},
      {{0, 2}, -1, {"a", "c", "b", "d", "e"}, {0, 1}},
      {{3, 4}, 1, {"a", "b", "c", "d", "e"}, {3, 4}},
      {{}, 1, {"a", "b", "c", "d", "e"}, {}},
  };
  for (const Case& c : cases) {
    FileList list;
    for (const char* name : {"a", "b", "c", "d", "e"}) list.AppendEntry("/x/", name);
    list.AppendRows(0, 4);
    EXPECT_EQ(MoveEntries(list, c.selected, c.by), c.now);
    EXPECT_EQ(OldNames(list), c.expected);
    EXPECT_EQ(ShownNames(list), c.expected);
  }
}

// A file gone since it was listed sorts as size 0 rather than stopping the sort.
TEST(ListSortTest, AMissingFileSortsFirstBySize) {
  const testing::TempFolder dir;
  dir.Write("big", "xxxx");
  FileList list;
  list.AppendEntry(dir.path(), "big");
  list.AppendEntry(dir.path(), "gone");
  SortList(list, SortKey::kSize, false);
  EXPECT_EQ(OldNames(list), (Names{"gone", "big"}));
}

}  // namespace
}  // namespace tessarn
