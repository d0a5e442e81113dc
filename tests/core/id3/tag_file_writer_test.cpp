// Tag writes against real files and real faults: damaged tag sizes, full disks,
// files the user may not write, FIFOs, hard links, processes that die part-way
// and several writers at once. In every case the audio must come through byte for
// byte and the tags must be the old ones or the new ones.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/tag_disk.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_region.h"
#include "core/tagedit/tag_edit.h"
#include "id3_test_util.h"

namespace tessarn {
namespace {

using namespace testing;

std::string Audio(std::size_t n) {
  std::string audio = "\xFF\xFB\x90\x44";
  for (std::size_t i = 0; audio.size() < n; ++i) audio += static_cast<char>(1 + i * 7 % 251);
  return audio;
}
const std::string kAudio = Audio(3000);

std::string V1Block(const std::string& title) {
  Id3v1Input in;
  in.title = title;
  return BuildId3v1Block(in);
}

Id3v1Input V1Input(const std::string& title) {
  Id3v1Input in;
  in.title = title;
  return in;
}

TagFields Titled(const std::string& title, std::size_t commentBytes = 0) {
  TagFields f;
  f.title = title;
  f.comment = std::string(commentBytes, 'c');
  return f;
}

std::string JournalOf(const TempDir& dir, const std::string& name) {
  return dir.path() + "/." + name + ".tessarn-journal";
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st;
}

// ---- Where a rewrite ends ------------------------------------------------------------

TEST(TagRegion, WhatARewriteReplaces) {
  const std::string title = Frame23("TIT2", Latin("Title"));  // 16 bytes
  const std::string title24 = Frame24("TIT2", Latin("Title"));
  // An unsynchronised frame: FF followed by a stuffed 00 in the file.
  const std::string unsyncFrame = "TIT2" + Be32(3) + Bytes({0, 0}) + Bytes({0, 0xFF, 0, 'x'});
  struct Case {
    const char* name;
    std::string file;
    bool present, walkable;
    std::uint64_t length;
  } cases[] = {
      {"no tag", kAudio, false, false, 0},
      {"frames and padding", Tag(3, title, 100) + kAudio, true, true, 126},
      {"size claims 64 KiB, audio after the padding",
       "ID3" + Bytes({3, 0, 0}) + Syncsafe32(65536) + title + std::string(20, '\0') + kAudio, true,
       true, 46},
      {"size runs past the end of the file",
       "ID3" + Bytes({3, 0, 0}) + Syncsafe32(1 << 20) + title + std::string(5, '\0') + kAudio, true,
       true, 31},
      {"size runs past the end, nothing but padding",
       "ID3" + Bytes({3, 0, 0}) + Syncsafe32(1 << 20) + title + std::string(50, '\0'), true, true,
       76},
      {"extended-header flag without the header", Tag(4, title24, 10, 0x40) + kAudio, true, true,
       36},
      {"v2.3 extended header", Tag(3, Be32(6) + std::string(6, '\0') + title, 4, 0x40) + kAudio,
       true, true, 40},
      {"header and padding only", Tag(3, "", 50) + kAudio, true, true, 60},
      {"unsynchronised tag",
       "ID3" + Bytes({3, 0, 0x80}) + Syncsafe32(14 + 10 + 40) + unsyncFrame +
           std::string(10, '\0') + kAudio,
       true, true, 34},
      {"footer", Tag(4, title24, 0, 0x10) + "3DI" + Bytes({4, 0, 0x10}) + Syncsafe32(16) + kAudio,
       true, true, 36},
      {"unknown version", Tag(5, title) + kAudio, true, false, 0},
      {"not frames", Tag(3, "\x01\x02garbage", 10) + kAudio, true, false, 0},
      {"first frame runs past the tag", Tag(3, "TIT2" + Be32(5000) + Bytes({0, 0}) + "x") + kAudio,
       true, false, 0},
  };
  for (const Case& c : cases) {
    MemorySource source(c.file);
    const Id3v2Region region = LocateId3v2(source);
    EXPECT_EQ(region.present, c.present) << c.name;
    EXPECT_EQ(region.walkable, c.walkable) << c.name;
    EXPECT_EQ(region.length, c.length) << c.name;
  }
}

TEST(TagRegion, ExtendedHeaderFlagWithoutTheHeaderStillReads) {
  // As some taggers write v2.4: the flag set, the frames right after the header.
  const std::string file = Tag(4,
                               Frame24("TIT2", Latin("Title")) + Frame24("TPE1", Latin("Artist")) +
                                   Frame24("TXXX", Latin("k") + Bytes({0}) + "v"),
                               100, 0x40) +
                           kAudio;
  TagFields f;
  ASSERT_TRUE(ParseId3v2(file, f));
  EXPECT_EQ(f.title, "Title");
  EXPECT_EQ(f.artist, "Artist");

  // A change of one field keeps the frames this program does not edit.
  TempDir dir;
  const auto path = dir.File("a.mp3", file);
  f.artist = "X";
  ASSERT_TRUE(WriteId3v2(path, f));
  const std::string after = ReadAll(path);
  TagFields back;
  ASSERT_TRUE(ReadId3v2(path, back));
  EXPECT_EQ(back.title, "Title");
  EXPECT_EQ(back.artist, "X");
  EXPECT_NE(after.find("TXXX"), std::string::npos);
  EXPECT_TRUE(EndsWith(after, kAudio));
}

// ---- Damaged and unreadable tags ----------------------------------------------------

TEST(TagFileWriter, DamagedSizesNeverCostAudio) {
  const std::string title = Frame23("TIT2", Latin("Old"));
  struct Case {
    const char* name;
    std::string tag;  // everything before kAudio
  } cases[] = {
      {"size past the frames, non-zero bytes after",
       "ID3" + Bytes({3, 0, 0}) + Syncsafe32(4000) + title + std::string(30, '\0')},
      {"size past the end of the file",
       "ID3" + Bytes({3, 0, 0}) + Syncsafe32(1 << 20) + title + std::string(7, '\0')},
      {"64 KiB claimed for a 330-byte tag",
       "ID3" + Bytes({3, 0, 0}) + Syncsafe32(65536) + title + std::string(330 - 10 - 13, '\0')},
  };
  const std::string audio = Audio(70000);
  for (const Case& c : cases) {
    TempDir dir;
    const auto path = dir.File("a.mp3", c.tag + audio);
    ASSERT_TRUE(WriteId3v2(path, Titled("New"))) << c.name;
    std::string after = ReadAll(path);
    EXPECT_TRUE(EndsWith(after, audio)) << c.name;
    TagFields back;
    ASSERT_TRUE(ReadId3v2(path, back)) << c.name;
    EXPECT_EQ(back.title, "New") << c.name;

    ASSERT_TRUE(DeleteId3v2(path)) << c.name;
    EXPECT_EQ(ReadAll(path), audio) << c.name;

    // The damaged tag deleted straight away leaves the audio whole too.
    const auto again = dir.File("b.mp3", c.tag + audio);
    ASSERT_TRUE(DeleteId3v2(again)) << c.name;
    EXPECT_EQ(ReadAll(again), audio) << c.name;
  }
}

TEST(TagFileWriter, UnreadableTagIsNeverRewritten) {
  for (const std::string& tag : {Tag(5, Frame23("TIT2", Latin("x"))), Tag(3, "\x01\x02garbage", 10),
                                 Tag(3, "TIT2" + Be32(900000) + Bytes({0, 0}) + "x")}) {
    TempDir dir;
    const std::string original = tag + kAudio;
    const auto path = dir.File("a.mp3", original);
    EXPECT_EQ(WriteId3v2(path, Titled("New")).error, TagWriteError::kUnreadableTag);
    EXPECT_EQ(DeleteId3v2(path).error, TagWriteError::kUnreadableTag);
    // Both tags of one update, all or nothing: the ID3v1 block is not added either.
    TagEdit edit;
    edit.writeId3v1 = edit.writeId3v2 = true;
    edit.id3v1[kFieldTitle] = "v1";
    TagWriteRun run;
    const TagUpdateResults results = EditFileTags(path, edit, {}, run).results;
    EXPECT_EQ(results.id3v1, TagUpdateResult::kWriteFailed);
    EXPECT_EQ(results.id3v2, TagUpdateResult::kWriteFailed);
    EXPECT_EQ(TagUpdateMessages(results).back().text,
              Gb("ID3v2标签更新失败！\nID3v2标签无法识别，未作修改"));
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(dir.Count(), 1);
  }
}

// ---- The same file, before and after -------------------------------------------------

TEST(TagFileWriter, WritesKeepTheFileItself) {
  TempDir dir;
  const auto path = dir.File("a.mp3", Tag(3, Frame23("TIT2", Latin("Old")), 500) + kAudio);
  const std::string other = dir.path() + "/other.mp3";
  ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
  }
  const bool xattr = setxattr(path.c_str(), "user.tessarn", "kept", 4, 0) == 0;
  const struct stat before = StatOf(path);

  // Fits in the old tag's space: written over it, the length unchanged.
  ASSERT_TRUE(WriteId3v2(path, Titled("In place")));
  EXPECT_EQ(StatOf(path).st_size, before.st_size);
  // Does not fit: the file grows, with room for the next edits.
  ASSERT_TRUE(WriteId3v2(path, Titled("Grown", 3000)));
  const struct stat grown = StatOf(path);
  EXPECT_GT(grown.st_size, before.st_size);
  ASSERT_TRUE(WriteId3v2(path, Titled("Grown more", 3200)));
  EXPECT_EQ(StatOf(path).st_size, grown.st_size);

  const struct stat after = StatOf(path);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_nlink, 2u);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  if (xattr) {
    char value[8] = {};
    EXPECT_EQ(getxattr(path.c_str(), "user.tessarn", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
  }
  TagFields back;
  ASSERT_TRUE(ReadId3v2(other, back));  // the other name sees the same file
  EXPECT_EQ(back.title, "Grown more");
  EXPECT_TRUE(EndsWith(ReadAll(other), kAudio));
  EXPECT_EQ(dir.Count(), 2);  // no record or temporary file left
}

TEST(TagFileWriter, FifoIsRefusedWithoutWaiting) {
  TempDir dir;
  const std::string path = dir.path() + "/song.mp3";
  ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
  alarm(20);  // a wait on the FIFO would end the test here
  TagFields fields;
  EXPECT_FALSE(ReadId3v2(path, fields));
  EXPECT_FALSE(ReadId3v1(path, fields));
  EXPECT_EQ(WriteId3v2(path, Titled("x")).error, TagWriteError::kNotRegular);
  EXPECT_EQ(WriteId3v1(path, {}).error, TagWriteError::kNotRegular);
  EXPECT_EQ(DeleteId3v2(path).error, TagWriteError::kNotRegular);
  alarm(0);
  EXPECT_STREQ(TagWriteErrorText(TagWriteError::kNotRegular), "不是普通文件");
}

// Runs body as the user nobody in a child process when running as root, in this
// process otherwise; gives body's result.
int AsNormalUser(const std::function<int()>& body) {
  if (geteuid() != 0) return body();
  const pid_t pid = fork();
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST(TagFileWriter, ReadOnlyFileIsRefusedWhateverItsFolder) {
  TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);  // the folder would take new files
  const std::string original = Tag(3, Frame23("TIT2", Latin("Old"))) + kAudio + V1Block("old");
  const auto path = dir.File("a.mp3", original);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const int error = AsNormalUser([&] {
    TagEdit edit;
    edit.writeId3v1 = true;
    edit.id3v2[kFieldTitle] = "New";
    TagWriteRun run;
    return static_cast<int>(EditFileTags(path, edit, {}, run).results.reason);
  });
  EXPECT_EQ(error, static_cast<int>(TagWriteError::kNoPermission));
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(dir.Count(), 1);
}

// ---- Faults ----------------------------------------------------------------------------

// A disk whose writes to the tagged file (not to the recovery record) fail from a
// given one on, after writing half; or that has no room.
class FailingDisk : public TagDisk {
 public:
  FailingDisk(const std::string& path, int failAt, int failCount, bool full = false)
      : ino_(StatOf(path).st_ino), failAt_(failAt), failCount_(failCount), full_(full) {}
  int WriteAt(int fd, std::uint64_t offset, std::string_view data) override {
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_ino == ino_ && writes_++ >= failAt_ && failCount_ != 0) {
      --failCount_;
      TagDisk::WriteAt(fd, offset, data.substr(0, data.size() / 2));
      return ENOSPC;
    }
    return TagDisk::WriteAt(fd, offset, data);
  }
  int Reserve(int fd, std::uint64_t offset, std::uint64_t length) override {
    return full_ ? ENOSPC : TagDisk::Reserve(fd, offset, length);
  }

 private:
  ino_t ino_;
  int writes_ = 0;
  int failAt_;
  int failCount_;
  bool full_;
};

TEST(TagFileWriter, FailuresLeaveTheOldFileOrTheNewOne) {
  const std::string audio = Audio(20000);
  const std::string original = Tag(3, Frame23("TIT2", Latin("Old")), 50) + audio + V1Block("old");
  const std::string noV1 = Tag(3, Frame23("TIT2", Latin("Old")), 50) + audio;
  const std::string bigTag = BuildId3v2Tag(Titled("New", 2000));
  const std::string smallTag = BuildId3v2Tag(TagFields{});
  auto Replace = TagBlockChange::Replace;
  struct Case {
    const char* name;
    std::string file;
    TagBlockChange v2, v1;
    int failAt, failCount;  // the file's writes, from 0; -1 times: for good
    bool full;
    TagWriteError error;
    bool endsNew;  // the write went through in the end
  } cases[] = {
      {"no room to grow", noV1, Replace(bigTag), Replace(V1Block("new")), 0, 0, true,
       TagWriteError::kDiskFull, false},
      {"ID3v1 append fails half-way",
       noV1,
       {},
       Replace(V1Block("new")),
       0,
       1,
       false,
       TagWriteError::kDiskFull,
       false},
      {"ID3v1 overwrite fails half-way",
       original,
       {},
       Replace(V1Block("new")),
       0,
       1,
       false,
       TagWriteError::kDiskFull,
       false},
      {"ID3v2 move fails after the ID3v1 append", noV1, Replace(bigTag), Replace(V1Block("new")), 1,
       -1, false, TagWriteError::kDiskFull, false},
      {"ID3v2 over the old tag fails after ID3v1", original, Replace(smallTag),
       Replace(V1Block("new")), 1, -1, false, TagWriteError::kDiskFull, false},
      {"ID3v2 removal fails after the ID3v1 cut", original, TagBlockChange::Remove(),
       TagBlockChange::Remove(), 0, -1, false, TagWriteError::kInterrupted, true},
      {"move fails once part-way, then goes on", noV1, Replace(bigTag), Replace(V1Block("new")), 4,
       1, false, TagWriteError::kNone, true},
      {"move fails for good part-way", noV1, Replace(bigTag), Replace(V1Block("new")), 4, -1, false,
       TagWriteError::kInterrupted, true},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const auto expectedPath = dir.File("expected.mp3", c.file);
    ASSERT_TRUE(WriteTagBlocks(expectedPath, c.v2, c.v1)) << c.name;
    const std::string expected = ReadAll(expectedPath);

    const auto path = dir.File("a.mp3", c.file);
    FailingDisk disk(path, c.failAt, c.failCount, c.full);
    EXPECT_EQ(WriteTagBlocks(disk, path, c.v2, c.v1).error, c.error) << c.name;
    FinishInterruptedTagWrite(path);  // as the next write does first
    EXPECT_EQ(ReadAll(path), c.endsNew ? expected : c.file) << c.name;
    EXPECT_EQ(dir.Count(), 2) << c.name;
  }
}

// Wherever a write is killed, its record is trusted (it is ours and fits the file
// as the kill left it): a read only reports the unfinished write, changing
// nothing, and the next write finishes it.
TEST(TagFileWriter, KilledAtAnyWriteTheNextWriteFinishes) {
  const std::string audio = Audio(12000);
  const std::string withV1 = Tag(3, Frame23("TIT2", Latin("Old")), 400) + audio + V1Block("old");
  const std::string withoutV1 = Tag(3, Frame23("TIT2", Latin("Old")), 400) + audio;
  const std::string bigTag = BuildId3v2Tag(Titled("New", 1500));
  struct Change {
    const char* name;
    const std::string& original;
    TagBlockChange v2, v1;
  } changes[] = {
      {"growing", withV1, TagBlockChange::Replace(bigTag), TagBlockChange::Replace(V1Block("new"))},
      {"growing, ID3v1 added", withoutV1, TagBlockChange::Replace(bigTag),
       TagBlockChange::Replace(V1Block("new"))},
      {"shrinking", withV1, TagBlockChange::Remove(), TagBlockChange::Remove()},
  };
  for (const Change& change : changes) {
    const std::string& original = change.original;
    TempDir dir;
    const auto expectedPath = dir.File("expected.mp3", original);
    DyingDisk counting(-1);
    ASSERT_TRUE(WriteTagBlocks(counting, expectedPath, change.v2, change.v1));
    const std::string expected = ReadAll(expectedPath);
    ASSERT_GT(counting.writes(), 5);
    for (int dieAt = 0; dieAt < counting.writes(); ++dieAt) {
      const auto path = dir.File("a.mp3", original);
      ASSERT_TRUE(WriteKilledAt(dieAt, path, change.v2, change.v1)) << change.name << " " << dieAt;
      const bool recorded = access(JournalOf(dir, "a.mp3").c_str(), F_OK) == 0;
      const std::string killed = ReadAll(path);
      // A read, by path or (as a naming pass does) by name inside the folder.
      const int folder = open(dir.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      ASSERT_GE(folder, 0);
      {
        // A record cut while it was being written is not trusted: the file was
        // not touched yet.
        ReadOnlyFile file(dieAt % 2 == 0 ? -1 : folder, "a.mp3", path);
        const bool torn = file.IgnoredRecord() == RecordDistrust::kDamaged && killed == original;
        EXPECT_EQ(file.Record(), !recorded ? RecoveryRecord::kNone
                                 : torn    ? RecoveryRecord::kIgnored
                                           : RecoveryRecord::kUnfinished)
            << change.name << " " << dieAt << " " << RecordDistrustText(file.IgnoredRecord());
      }
      close(folder);
      EXPECT_EQ(ReadAll(path), killed) << change.name << " " << dieAt;
      EXPECT_EQ(recorded, access(JournalOf(dir, "a.mp3").c_str(), F_OK) == 0);

      ASSERT_TRUE(WriteTagBlocks(path, {}, {})) << change.name << " " << dieAt;
      const std::string after = ReadAll(path);
      EXPECT_TRUE(after == original || after == expected) << change.name << " " << dieAt;
      EXPECT_NE(access(JournalOf(dir, "a.mp3").c_str(), F_OK), 0) << change.name << " " << dieAt;
    }
  }
}

// Under a path longer than 512 bytes (three folders of 200-byte names), the record
// of a killed write is found and finished all the same.
TEST(TagFileWriter, KilledWriteUnderALongPathIsFinished) {
  const std::string original = Tag(3, Frame23("TIT2", Latin("Old")), 400) + Audio(12000);
  const TagBlockChange grow = TagBlockChange::Replace(BuildId3v2Tag(Titled("New", 1500)));
  TempDir dir;
  std::vector<std::string> folders;
  std::string folder = dir.path();
  for (char c : {'x', 'y', 'z'}) {
    folder += "/" + std::string(200, c);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    folders.push_back(folder);
  }
  const std::string path = folder + "/a.mp3";
  const std::string journal = folder + "/.a.mp3.tessarn-journal";
  std::ofstream(path, std::ios::binary) << original;
  ASSERT_TRUE(WriteKilledAt(3, path, grow, TagBlockChange::Keep()));
  ASSERT_EQ(access(journal.c_str(), F_OK), 0);
  EXPECT_EQ(ReadOnlyFile(path).Record(), RecoveryRecord::kUnfinished);
  ASSERT_TRUE(FinishInterruptedTagWrite(path));
  EXPECT_NE(access(journal.c_str(), F_OK), 0);
  TagFields fields;
  ReadId3v2(path, fields);
  EXPECT_TRUE(fields.title == "Old" || fields.title == "New") << fields.title;
  for (const std::string& file : {path, journal}) unlink(file.c_str());
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) rmdir(it->c_str());
}

// A folder is listed for records of interrupted writes: one left by a killed write
// is found, and once the next write has finished it there is none. A
// listing that would read more names than allowed gives no answer.
TEST(TagFileWriter, AFolderListingFindsTheRecordOfAKilledWrite) {
  TempDir dir;
  const std::string original = Tag(3, Frame23("TIT2", Latin("Old")), 400) + Audio(12000);
  for (const char* name : {"a.mp3", "b.mp3", "c.txt"}) dir.File(name, original);
  const int folder = open(dir.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  EXPECT_TRUE(FolderHoldsNoRecoveryRecord(folder, 10));
  EXPECT_FALSE(FolderHoldsNoRecoveryRecord(folder, 4));  // ".", "..", three files
  EXPECT_FALSE(FolderHoldsNoRecoveryRecord(-1, 10));

  ASSERT_TRUE(WriteKilledAt(3, dir.path() + "/b.mp3",
                            TagBlockChange::Replace(BuildId3v2Tag(Titled("New", 1500))),
                            TagBlockChange::Keep()));
  EXPECT_FALSE(FolderHoldsNoRecoveryRecord(folder, 10));
  ASSERT_TRUE(FinishInterruptedTagWrite(dir.path() + "/b.mp3"));
  EXPECT_TRUE(FolderHoldsNoRecoveryRecord(folder, 10));
  close(folder);
}

// Two processes of two threads each: every writer has the file to itself.
TEST(TagFileWriter, ConcurrentWritersTakeTurns) {
  TempDir dir;
  const std::string audio = Audio(50000);
  const auto path = dir.File("a.mp3", audio);
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    const pid_t pid = fork();
    if (pid == 0) {
      std::atomic<bool> ok = true;
      auto writer = [&](int w) {
        for (int i = 0; i < 6; ++i) {
          const std::string title = "writer " + std::to_string(w);
          if (!WriteId3v2(path, Titled(title, 400 * (w + 1) * (i + 1))).ok()) ok = false;
          if (!WriteId3v1(path, V1Input(title)).ok()) ok = false;
        }
      };
      std::thread first(writer, 2 * p), second(writer, 2 * p + 1);
      first.join();
      second.join();
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::string after = ReadAll(path);
  ASSERT_GE(after.size(), audio.size() + 128);
  EXPECT_EQ(after.substr(after.size() - 128 - audio.size(), audio.size()), audio);
  TagFields v1, v2;
  ASSERT_TRUE(ReadId3v1(path, v1));
  ASSERT_TRUE(ReadId3v2(path, v2));
  EXPECT_EQ(v2.title.substr(0, 7), "writer ");
  EXPECT_EQ(v1.title.substr(0, 7), "writer ");
  EXPECT_EQ(dir.Count(), 1);
}

// A real full disk: a small tmpfs, filled up. Needs root (mount); skipped otherwise.
TEST(TagFileWriter, FullTmpfs) {
  TempDir dir;
  const std::string mnt = dir.path() + "/mnt";
  ASSERT_EQ(mkdir(mnt.c_str(), 0700), 0);
  if (geteuid() != 0 || mount("tessarn", mnt.c_str(), "tmpfs", 0, "size=256k") != 0) {
    rmdir(mnt.c_str());
    GTEST_SKIP() << "cannot mount a tmpfs";
  }
  struct Unmount {
    std::string at;
    ~Unmount() {
      umount(at.c_str());
      rmdir(at.c_str());
    }
  } unmount{mnt};
  // The file fills whole pages, so that any growth needs a new one.
  const std::string head = Tag(3, Frame23("TIT2", Latin("Old")), 100);
  const std::string original = head + Audio(65536 - head.size() - 128) + V1Block("old");
  const std::string noV1 = head + Audio(65536 - head.size());
  const std::string path = mnt + "/a.mp3", plain = mnt + "/b.mp3", filler = mnt + "/filler";
  auto put = [](const std::string& p, const std::string& data) {
    const int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && write(fd, data.data(), data.size()) == ssize_t(data.size());
    if (fd >= 0) close(fd);
    return ok;
  };
  ASSERT_TRUE(put(path, original));
  ASSERT_TRUE(put(plain, noV1));
  {
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT, 0644);
    const std::string page(4096, 'f');
    while (write(fd, page.data(), page.size()) > 0) {
    }
    const std::string byte(1, 'f');
    while (write(fd, byte.data(), 1) > 0) {
    }
    close(fd);
  }
  EXPECT_EQ(WriteId3v2(path, Titled("New", 8000)).error, TagWriteError::kDiskFull);
  EXPECT_EQ(WriteId3v1(plain, V1Input("new")).error, TagWriteError::kDiskFull);
  // What needs no room still works: a tag over the old one, a removal.
  EXPECT_TRUE(WriteId3v1(path, V1Input("new")));
  EXPECT_TRUE(DeleteId3v1(path));
  EXPECT_EQ(ReadAll(path), original.substr(0, original.size() - 128));
  EXPECT_EQ(ReadAll(plain), noV1);
}

// ---- Copies left by the earlier writer ------------------------------------------------

// The earlier writer made a whole new copy of the file, ".tessarn-rewrite-" and six
// letters or digits beside it, and was sometimes killed before renaming it. The
// next write of that file removes its copies and nothing else.
TEST(TagFileWriter, CopiesLeftByAKilledRewriteGoAtTheNextWrite) {
  TempDir dir;
  const std::string audio = Audio(10000);
  std::string otherAudio = Audio(10000);
  std::reverse(otherAudio.begin() + 4, otherAudio.end());
  const std::string oldTag = Tag(3, Frame23("TIT2", Latin("old")), 100);
  const std::string newTag = Tag(3, Frame23("TIT2", Latin("new")), 877);
  const auto path = dir.File("a.mp3", oldTag + audio);
  dir.File("b.mp3", oldTag + otherAudio);
  struct Leftover {
    const char* name;
    std::string content;
    bool removed;
  } leftovers[] = {
      {".tessarn-rewrite-Ab3dE9", newTag + audio.substr(0, 6000), true},
      {".tessarn-rewrite-x0Y1z2", newTag + audio + "TAG", false},  // longer than the file
      {".tessarn-rewrite-DEL000", audio.substr(0, 5000), true},    // a removal's copy
      {".tessarn-rewrite-Zz0000", newTag + otherAudio.substr(0, 6000), false},  // b.mp3's
      {".tessarn-rewrite-Qq1111", newTag, false},  // no audio yet: whose is it?
      {".tessarn-rewrite-Qq2222", newTag + audio.substr(0, 100), false},  // too little to tell
      {".tessarn-rewrite-Ab3dE9x", newTag + audio, false},
      {".tessarn-rewrite-Ab3d", newTag + audio, false},
      {"tessarn-rewrite-Ab3dE8", newTag + audio, false},
      {".tessarn-rewrite-Lk2222", newTag + audio, false},  // locked: a writer at work
      {".tessarn-rewrite-Hl3333", newTag + audio, false},  // another name links to it
  };
  for (const Leftover& l : leftovers) dir.File(l.name, l.content);
  ASSERT_EQ(
      link((dir.path() + "/.tessarn-rewrite-Hl3333").c_str(), (dir.path() + "/linked").c_str()), 0);
  dir.File("target", newTag + audio);
  ASSERT_EQ(symlink("target", (dir.path() + "/.tessarn-rewrite-Sy4444").c_str()), 0);
  const int held = open((dir.path() + "/.tessarn-rewrite-Lk2222").c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);

  ASSERT_TRUE(WriteId3v2(path, Titled("newer")));
  EXPECT_TRUE(EndsWith(ReadAll(path), audio));
  for (const Leftover& l : leftovers)
    EXPECT_EQ(access((dir.path() + "/" + l.name).c_str(), F_OK) != 0, l.removed) << l.name;
  struct stat st;
  EXPECT_EQ(lstat((dir.path() + "/.tessarn-rewrite-Sy4444").c_str(), &st), 0);

  // Once its writer lets go, the locked copy goes too, by a write through a link.
  close(held);
  ASSERT_EQ(symlink("a.mp3", (dir.path() + "/link.mp3").c_str()), 0);
  ASSERT_TRUE(WriteId3v1(dir.path() + "/link.mp3", V1Input("v1")));
  EXPECT_NE(access((dir.path() + "/.tessarn-rewrite-Lk2222").c_str(), F_OK), 0);
  EXPECT_EQ(access((dir.path() + "/.tessarn-rewrite-Hl3333").c_str(), F_OK), 0);
}

// ---- A run's writes ----------------------------------------------------------------------

// The change is planned from the file as it is under the lock, and what the undo
// needs comes from the same open: the exact bytes replaced, the time before and
// the file after. New bytes that are the old ones are no write at all.
TEST(TagRunWrites, PlanSeesTheFileAndTheUndoHoldsWhatWasReplaced) {
  TempDir dir;
  const std::string oldHead = Tag(3, Frame23("TIT2", Latin("old")), 900);
  const std::string original = oldHead + kAudio + V1Block("old");
  const auto path = dir.File("a.mp3", original);
  const timespec past[2] = {{0, UTIME_OMIT}, {1000000000, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);

  TagWriteRun run;
  TagWriteUndo undo;
  TagFields seen;
  auto retitle = [&](const std::string& title) {
    return [&, title](ByteSource& file, TagBlockChange& v2, TagBlockChange& v1) {
      ReadId3v2(file, seen);
      v2 = TagBlockChange::Replace(BuildUpdatedId3v2Tag(file, Titled(title)));
      v1 = TagBlockChange::Replace(V1Block(title));
      return true;
    };
  };
  ASSERT_TRUE(EditTagBlocks(path, retitle("new"), run, undo));
  EXPECT_EQ(seen.title, "old");
  ASSERT_TRUE(undo.written);
  EXPECT_EQ(undo.oldId3v2, oldHead);
  EXPECT_EQ(undo.oldId3v1, V1Block("old"));
  EXPECT_EQ(undo.oldTime.seconds, 1000000000);
  EXPECT_EQ(undo.oldTime.nanoseconds, 123456789);
  const struct stat after = StatOf(path);
  EXPECT_EQ(undo.stamp.inode, after.st_ino);
  EXPECT_EQ(undo.stamp.size, static_cast<std::uint64_t>(after.st_size));
  EXPECT_EQ(undo.stamp.mtimeSeconds, after.st_mtim.tv_sec);
  EXPECT_EQ(undo.stamp.mtimeNanoseconds, after.st_mtim.tv_nsec);
  const std::string written = ReadAll(path);
  EXPECT_EQ(written.size(), original.size());  // in place
  EXPECT_TRUE(EndsWith(written, kAudio + V1Block("new")));

  ASSERT_TRUE(EditTagBlocks(path, retitle("new"), run, undo));
  EXPECT_EQ(seen.title, "new");
  EXPECT_FALSE(undo.written);
  EXPECT_EQ(ReadAll(path), written);
  EXPECT_EQ(StatOf(path).st_mtim.tv_nsec, after.st_mtim.tv_nsec);

  // The old bytes put back exactly, time included.
  ASSERT_TRUE(EditTagBlocks(path, retitle("newer"), run, undo));
  ASSERT_TRUE(RestoreTagRegions(path, undo.stamp, undo.oldId3v2, undo.oldId3v1, undo.oldTime));
  EXPECT_EQ(ReadAll(path), written);
  EXPECT_EQ(StatOf(path).st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

// A run lists each folder for the earlier writer's copies once, yet every file's
// copies still go at its write; and a recovery record left after the run began
// (another process killed part-way through a move) is still finished before the
// run writes that file.
TEST(TagRunWrites, LeftoversAndRecordsOfAFolderAreHonouredAcrossARun) {
  TempDir dir;
  const std::string head = Tag(3, Frame23("TIT2", Latin("old")), 100);
  std::string otherAudio = Audio(10000);
  std::reverse(otherAudio.begin() + 4, otherAudio.end());
  const std::string audioA = Audio(10000), audioB = otherAudio;
  const auto a = dir.File("a.mp3", head + audioA);
  const auto b = dir.File("b.mp3", head + audioB);
  const std::string copyA = ".tessarn-rewrite-AAAAAA", copyB = ".tessarn-rewrite-BBBBBB";
  dir.File(copyA, head + audioA.substr(0, 6000));
  dir.File(copyB, head + audioB.substr(0, 6000));
  auto exists = [&](const std::string& name) {
    return access((dir.path() + "/" + name).c_str(), F_OK) == 0;
  };
  auto titled = [](const std::string& title) {
    return [title](ByteSource& file, TagBlockChange& v2, TagBlockChange&) {
      v2 = TagBlockChange::Replace(BuildUpdatedId3v2Tag(file, Titled(title)));
      return true;
    };
  };

  TagWriteRun run;
  TagWriteUndo undo;
  ASSERT_TRUE(EditTagBlocks(a, titled("a"), run, undo));
  EXPECT_FALSE(exists(copyA));
  EXPECT_TRUE(exists(copyB));

  // Another writer grows b's tag and dies part-way through moving its audio.
  const std::string bigTag = BuildId3v2Tag(Titled("grown", 3000));
  const pid_t pid = fork();
  if (pid == 0) {
    DyingDisk disk(4);
    _exit(WriteTagBlocks(disk, b, TagBlockChange::Replace(bigTag), {}) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9);
  ASSERT_TRUE(exists(".b.mp3.tessarn-journal"));

  TagFields seen;
  ASSERT_TRUE(EditTagBlocks(
      b,
      [&](ByteSource& file, TagBlockChange&, TagBlockChange& v1) {
        ReadId3v2(file, seen);
        v1 = TagBlockChange::Replace(V1Block("b"));
        return true;
      },
      run, undo));
  EXPECT_EQ(seen.title, "grown");  // the interrupted write was finished first
  EXPECT_FALSE(exists(".b.mp3.tessarn-journal"));
  EXPECT_FALSE(exists(copyB));
  EXPECT_TRUE(EndsWith(ReadAll(b), audioB + V1Block("b")));
}

}  // namespace
}  // namespace tessarn
