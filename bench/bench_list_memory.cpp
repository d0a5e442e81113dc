// The list's memory at a million files: 1,000,000 entries with 20-byte ASCII names
// in one folder are added through the core (the way a scanned folder is: decoding,
// natural sort, entries, then the shown rows), and the allocator's own statistics
// (mallinfo2) tell how many bytes each file holds. No disk is involved.
//
//   bench_list_memory [files]     (default 1000000)
// Exits with 1 when the list does not hold every file, 3 when a figure is over
// its target.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/filelist/add_files.h"
#include "core/filelist/file_list.h"

namespace tessarn {
namespace {

constexpr double kTargetBytesPerFile = 350;

// Bytes the program holds: small blocks from the heap plus the large ones the
// allocator mapped on their own (the entries' and rows' arrays).
std::size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// "file_00000000042.dat": 20 bytes, all ASCII, each name distinct.
std::vector<std::string> Names(std::size_t count) {
  std::vector<std::string> names;
  names.reserve(count);
  char name[32];
  // Not in order, as a folder lists them: the sort has work to do.
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "file_%011zu.dat", (i * 7919) % count);
    names.emplace_back(name);
  }
  return names;
}

int Run(std::size_t count) {
  // Counted from before the names exist: the blocks of names the list keeps are
  // part of what it holds.
  const std::size_t before = BytesInUse();
  std::vector<std::string> names = Names(count);
  FileList list;
  const std::size_t added =
      AppendFolderFiles(list, "/media/photos/2024 holiday/", std::move(names));
  std::vector<std::string>().swap(names);  // its strings were taken; the array goes too
  const std::size_t entriesOnly = BytesInUse();
  ShowNewRows(list, 0);
  const std::size_t withRows = BytesInUse();
  if (added != count || list.count() != count || list.RowCount() != count) {
    std::fprintf(stderr, "bench_list_memory: %zu of %zu files in the list\n", list.count(),
                 count);
    return 1;
  }
  // The names vector was handed over and is gone; what is left is the list and the
  // names' own blocks.
  const double perEntry = static_cast<double>(entriesOnly - before) / static_cast<double>(count);
  const double perFile = static_cast<double>(withRows - before) / static_cast<double>(count);
  std::printf("%zu files, 20-byte ASCII names, one folder\n", count);
  std::printf("  entries:          %7.1f bytes per file\n", perEntry);
  std::printf("  rows:             %7.1f bytes per file\n", perFile - perEntry);
  std::printf("  entries and rows: %7.1f bytes per file (target %.0f) %s\n", perFile,
              kTargetBytesPerFile, perFile <= kTargetBytesPerFile ? "ok" : "OVER");
  std::printf("  sizeof FileEntry %zu, sizeof ShownRow %zu\n", sizeof(FileEntry),
              sizeof(ShownRow));
  return perFile <= kTargetBytesPerFile ? 0 : 3;
}

}  // namespace
}  // namespace tessarn

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
  if (count == 0) {
    std::fprintf(stderr, "usage: bench_list_memory [files]\n");
    return 2;
  }
  return tessarn::Run(count);
}
