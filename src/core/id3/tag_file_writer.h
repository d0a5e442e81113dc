// Putting new tag bytes into an MP3 file without ever losing a byte of its audio.
//
// One call changes both tags of a file, all or nothing: the ID3v1 block at the
// end first, then the ID3v2 tag at the start; when the second fails the first is
// put back. Before anything is written the file must be a regular file the user
// may write (its own permission counts, not its folder's) and there must be room
// for what it grows by. Writers of one file, in this process or another, take
// turns through a lock on the file.
//
// The file always stays the same file: a new ID3v2 tag that fits the old tag's
// space (its frames and padding) is written over it; one that does not gets
// generous padding and the audio is moved within the file. So the inode, the
// owner, the mode, hard links, ACLs and extended attributes all stay. While the
// audio moves, a recovery record beside the file ("." + name + ".tessarn-journal")
// says how to finish; if the process dies, the next write of the file finishes the
// move, so the file is the old one or the new one, never a mix. A record is
// trusted only when it is certainly one this program made for this file as it
// now is (CheckRecoveryRecord); reading a file never acts on one. A change that
// moves no audio (each tag written over its old place, an ID3v1 block added or
// cut) takes no record and no sync, as it puts nothing but the tags at risk: each
// tag is written by one call, so a process killed between the two leaves one tag
// old and the other new. A copy that the program's earlier writer was making of
// the file when it was killed goes at the next write of the file
// (rewrite_leftovers.h).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/id3/tag_file_io.h"

namespace tessarn {

// What one call does to one tag. For ID3v2 the bytes are a whole tag (header,
// frames; any padding is replaced); for ID3v1 the 128-byte block.
struct TagBlockChange {
  enum class Kind { kKeep, kReplace, kRemove };
  Kind kind = Kind::kKeep;
  std::string bytes;

  static TagBlockChange Keep() { return {}; }
  static TagBlockChange Replace(std::string bytes) { return {Kind::kReplace, std::move(bytes)}; }
  static TagBlockChange Remove() { return {Kind::kRemove, {}}; }
};

enum class TagWriteError {
  kNone,
  kNotFound,
  kNotRegular,
  kNoPermission,
  kDiskFull,
  kUnreadableTag,  // the old ID3v2 tag cannot be walked: it is left alone
  kTagTooLarge,
  kNoRecoveryRecord,  // the file must grow, and its folder takes no recovery record
  kInterrupted,       // the move stopped half-way; the next open of the file finishes it
  kUnrecoverable,     // an earlier interrupted write could not be finished
  kIoError,
  kChangedSince,  // a restore: the file is no longer as the write left it
  kForeignLink,   // the path is another user's symbolic link in a folder not the user's
};

// The reason for the user, UTF-8 ("" for kNone).
const char* TagWriteErrorText(TagWriteError error);

struct TagWriteResult {
  TagWriteError error = TagWriteError::kNone;
  // A recovery record beside the file that was ignored, and why: worth a warning.
  RecordDistrust ignoredRecord = RecordDistrust::kNone;
  bool ok() const { return error == TagWriteError::kNone; }
  explicit operator bool() const { return ok(); }
};

// Applies both changes to the file at path (raw bytes of its name). On failure
// the file is as it was, except after kInterrupted.
TagWriteResult WriteTagBlocks(const std::string& path, const TagBlockChange& id3v2,
                              const TagBlockChange& id3v1);

// A file as a write left it: a later restore touches it only while all of these
// still hold.
struct TagFileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtimeSeconds = 0;
  std::int64_t mtimeNanoseconds = 0;
};

// Puts back a file's old tag bytes exactly: `id3v2` becomes the region at the
// start of the file byte for byte (padding included; empty: no ID3v2 tag), `id3v1`
// the 128-byte block at the end (empty: none). Goes the same locked, recoverable
// way as WriteTagBlocks, and the file's modification time becomes `oldTime`
// (seconds, nanoseconds), its time before the write. Fails with kChangedSince,
// touching nothing, unless the file is the one `stamp` describes.
struct TagFileTime {
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
};
TagWriteResult RestoreTagRegions(const std::string& path, const TagFileStamp& stamp,
                                 std::string_view id3v2, std::string_view id3v1,
                                 const TagFileTime& oldTime);

// What the writes of one run over many files share. The earlier writer's
// leftover copies (rewrite_leftovers.h) are looked for once per folder and run
// instead of once per file: nothing makes them any more, so none appear while a
// run goes on. One thread at a time.
struct TagWriteRun {
  std::map<std::string, std::vector<std::string>> leftovers;  // folder -> names still there
};

// What a write replaced, and the file as the write left it: what an undo needs.
struct TagWriteUndo {
  bool written = false;  // the file changed (a change to the very same bytes writes nothing)
  std::string oldId3v2;  // the region that was at the start (padding included); empty: none
  std::string oldId3v1;  // the 128-byte block that was at the end; empty: none
  TagFileTime oldTime;   // the modification time before the write
  TagFileStamp stamp;    // the file after the write
};

// Decides the changes from the file as it is, open and locked; false: write nothing.
using TagBlockPlanner =
    std::function<bool(ByteSource& file, TagBlockChange& id3v2, TagBlockChange& id3v1)>;

// WriteTagBlocks for a run: the file is opened once for everything, reading its
// tags for the plan, the write, and noting what the undo needs, all under its lock.
// `undo` is filled when the result is ok.
TagWriteResult EditTagBlocks(const std::string& path, const TagBlockPlanner& plan, TagWriteRun& run,
                             TagWriteUndo& undo);

// Finishes a write of the file that was interrupted, when a trusted recovery
// record says there was one; true when there is nothing (left) to do. Every write
// does this first, under the file's lock; reading a file never does.
bool FinishInterruptedTagWrite(const std::string& path);

// Looks at the recovery record `recordPath` (relative to folderFd, or AT_FDCWD)
// beside the regular file open at fileFd, touching nothing. It is trusted
// (kUnfinished) only when all of these hold: it is a regular file, not a link,
// with one link, mode 0600, owned by the file's owner or the running user, a
// whole record (format and checksum) of this file's inode, whose lengths fit the
// file's ID3v2 tag and size as they are now. Anything else is kIgnored, and `why`
// says which check failed first.
RecoveryRecordCheck CheckRecoveryRecord(int folderFd, const std::string& recordPath, int fileFd);

// The recovery record's path beside the file at `path`: "." + name +
// ".tessarn-journal" in the same folder (a bare name gives a bare name).
std::string JournalPath(const std::string& path);
// Whether a name in a folder is such a record's ("." + a name + ".tessarn-journal").
bool IsJournalName(std::string_view name);

}  // namespace tessarn
