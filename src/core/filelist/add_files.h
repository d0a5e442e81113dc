// The three ways files reach the list: a whole folder, files picked in the
// open-file dialog, files and folders dropped on the window. Each appends entries
// and shows their rows with RefreshRows(5, ...). Afterwards the caller runs
// PreviewPass (allRows off), enables "预览" and "开始命名" and refreshes the status
// bar: the rules depend on the list, not the other way round.
//
// Every path given here is raw bytes as the file system knows them (on Linux the
// UI turns a QString into them with QFile::encodeName). Entries keep those bytes in
// diskFolder/diskName and show the decoded names.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/folder_listing.h"
#include "core/filelist/listed_names.h"

namespace tessarn {

// Room for `more` entries after the present ones, grown geometrically and backed
// by huge pages where that pays (see memory_hints.h).
void ReserveEntries(FileList& list, std::size_t more);

// `folder` with a "/" appended unless it already ends with one ("/" stays "/").
std::string WithTrailingSlash(const std::string& folder);

// Appends one entry per file directly inside diskFolder ("/" added if missing), in
// natural order of the decoded names. Rows are not touched. Returns the number
// appended (0 also when the folder cannot be read). `unreadable`, when given, is
// set when the folder exists but cannot be listed (no permission, not a folder).
// `listings`, when given, keeps the folder's listing from the same read for the
// rename plan that follows (see ListFolderFilesForPlan).
std::size_t ScanFolder(FileList& list, const std::string& diskFolder, bool* unreadable = nullptr,
                       FolderListings* listings = nullptr);

// Appends one entry per name (files directly inside diskFolder, which ends with
// "/"), in natural order of the decoded names. Returns the number appended.
std::size_t AppendFolderFiles(FileList& list, const std::string& diskFolder,
                              std::vector<std::string>&& diskNames);

// The files of one folder, decoded and in natural order, ready to become entries.
struct SortedFolderFiles {
  std::string diskFolder, folder;  // raw and decoded, ending with "/"
  // A disk name left empty is the same bytes as its decoded name.
  std::vector<std::string> diskNames, names;
};
SortedFolderFiles SortFolderFiles(const std::string& diskFolder,
                                  std::vector<std::string>&& diskNames);
// The same for names listed and decoded already.
SortedFolderFiles SortListedFiles(const std::string& diskFolder, ListedFiles&& files);
// Appends one entry per file, in their order. Returns the number appended.
std::size_t AppendSortedFiles(FileList& list, SortedFolderFiles&& files);
// The same for files [first, last) only, their names moved out: a long folder goes
// into the list a part at a time. Returns the number appended.
std::size_t AppendSortedFiles(FileList& list, SortedFolderFiles& files, std::size_t first,
                              std::size_t last);

// Shows the rows of entries first..count-1, one RefreshRows call per run of
// consecutive entries sharing a folder (its folder column).
void ShowNewRows(FileList& list, std::size_t first);

// Adds every file directly inside `diskFolder` and shows the new rows. An empty
// folder text adds nothing and returns 0. Returns the number appended. A folder
// that exists but cannot be listed is appended to `unreadable` when given.
std::size_t AddFolder(FileList& list, const std::string& diskFolder,
                      std::vector<std::string>* unreadable = nullptr);

// Adds the files picked in the open-file dialog, in the given order; each path
// makes one entry (a ";" in a name is just a character; a path ending with "/"
// names no file and is skipped). The rows are shown with one RefreshRows call per
// run of consecutive paths sharing a folder. Returns the number appended.
std::size_t AddFiles(FileList& list, const std::vector<std::string>& diskPaths);

// The folder of a selection: the first path up to and including its last "/";
// empty for an empty selection.
std::string SelectionFolder(const std::vector<std::string>& diskPaths);

// First half of a drop: every item that names an existing file (not a folder)
// becomes an entry, in order, shown once per run of entries sharing a folder.
// Returns the other items in their order: the folders to add next (an item that
// is neither is simply added as an empty folder later, adding nothing).
std::vector<std::string> AddDroppedFiles(FileList& list, const std::vector<std::string>& diskPaths);

// A whole drop: AddDroppedFiles, then `afterStep` (the caller's preview pass and
// status bar refresh), then for each remaining item AddFolder followed by
// `afterStep` again. `afterStep` may be empty. Returns the number appended; the
// folders that could not be listed go to `unreadable` when given.
std::size_t AddDropped(FileList& list, const std::vector<std::string>& diskPaths,
                       const std::function<void()>& afterStep,
                       std::vector<std::string>* unreadable = nullptr);

// The paths of the list that name nothing at all, in order.
std::vector<std::string> MissingPaths(const std::vector<std::string>& diskPaths);

// "dir.txt" in configDir remembers the folder of the last open-file selection
// (raw path bytes ending with "/", no line break). Reading creates the file empty
// when missing; a file that cannot be read gives "".
std::string ReadRememberedFolder(const std::string& configDir);
// Rewrites "dir.txt" with `folder`. Returns false when it cannot be written.
bool WriteRememberedFolder(const std::string& configDir, const std::string& folder);

}  // namespace tessarn
