// A run over a list that has been renamed before reuses the buffers of its names:
// its per-row bookkeeping allocates nothing, however many rows there are. Counted
// with a replaced operator new that counts only while asked to.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "core/filelist/add_files.h"
#include "core/filelist/rename_run.h"
#include "support/temp_folder.h"

namespace {
bool gCounting = false;
long gAllocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (gCounting) ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace tessarn {
namespace {

// Allocations made by RunRename alone (its plan made beforehand).
long RunAllocations(FileList& list, UndoLog& undo) {
  const RenamePlan plan = PlanRun(list);
  gAllocations = 0;
  gCounting = true;
  const WalkCounts counts = RunRename(list, undo, plan);
  gCounting = false;
  EXPECT_EQ(counts.succeeded, list.count());
  return gAllocations;
}

TEST(RenameRunAllocationTest, ARunAfterTheFirstAllocatesNothingPerRow) {
  testing::TempFolder dir;
  // Names longer than a string's inline buffer, so that each would need the heap.
  auto name = [](const char* stem, std::size_t i) {
    char text[64];
    std::snprintf(text, sizeof text, "%s-%04zu.txt", stem, i);
    return std::string(text);
  };
  for (const std::size_t rows : {100u, 1000u}) {
    FileList list;
    for (std::size_t i = 0; i < rows; ++i) dir.Write(name("first-name-of-file", i));
    ASSERT_EQ(ScanFolder(list, dir.path()), rows);
    UndoLog undo;
    for (std::size_t i = 0; i < rows; ++i) list.entries[i].newName = name("second-name-of-file", i);
    // The first run grows the buffers (which also shows that the count works).
    EXPECT_GE(RunAllocations(list, undo), static_cast<long>(rows));
    for (std::size_t i = 0; i < rows; ++i) list.entries[i].newName = name("first-name-of-file", i);
    const long allocations = RunAllocations(list, undo);
    // A fixed few (the walk's own tables), never one per row.
    EXPECT_LT(allocations, 20) << rows << " rows";
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directory(dir.path());
  }
}

}  // namespace
}  // namespace tessarn
