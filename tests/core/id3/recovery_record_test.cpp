// Recovery records beside a file are acted on only when they are certainly this
// program's, for this file as it is now. Every record here is a real one, taken
// from a write killed part-way through moving the audio and then put beside the
// intact file again: acting on it would cut the file's audio apart. Each check's
// failure alone must keep it from being acted on, by a read or by a write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/naming_tags.h"
#include "core/id3/tag_disk.h"
#include "core/id3/tag_file_io.h"
#include "id3_test_util.h"

namespace tessarn {
namespace {

using namespace testing;

constexpr uid_t kNobody = 65534;

std::string Audio(std::size_t n) {
  std::string audio = "\xFF\xFB\x90\x44";
  for (std::size_t i = 0; audio.size() < n; ++i) audio += static_cast<char>(1 + i * 7 % 251);
  return audio;
}

TagFields Titled(const std::string& title, std::size_t commentBytes = 0) {
  TagFields f;
  f.title = title;
  f.comment = std::string(commentBytes, 'c');
  return f;
}

std::string V1Block(const std::string& title) {
  Id3v1Input in;
  in.title = title;
  return BuildId3v1Block(in);
}

void Put(const std::string& path, const std::string& bytes, mode_t mode = 0600) {
  unlink(path.c_str());
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  fchmod(fd, mode);
  close(fd);
}

// Puts `bytes` back into the file at path in place: the same inode.
void Overwrite(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  close(fd);
}

struct Fixture {
  TempDir dir;
  std::string original = Tag(3, Frame23("TIT2", Latin("Old")), 400) + Audio(12000);
  std::string song = dir.path() + "/song.mp3";
  std::string record = dir.path() + "/.song.mp3.tessarn-journal";
  std::string recordBytes;  // a record that fits the intact file, from a killed write

  Fixture() {
    dir.File("song.mp3", original);
    const TagBlockChange grow = TagBlockChange::Replace(BuildId3v2Tag(Titled("New", 1500)));
    if (!WriteKilledAt(3, song, grow, TagBlockChange::Keep())) return;
    recordBytes = ReadAll(record);
    unlink(record.c_str());
    Overwrite(song, original);
  }
};

TEST(RecoveryRecord, OnlyOneThatIsCertainlyOursIsActedOn) {
  struct Case {
    const char* name;
    std::function<void(Fixture&)> plant;
    RecordDistrust why;
  } cases[] = {
      {"ours, fitting the file", [](Fixture& f) { Put(f.record, f.recordBytes); },
       RecordDistrust::kNone},
      {"another user's",
       [](Fixture& f) {
         Put(f.record, f.recordBytes);
         ASSERT_EQ(chown(f.record.c_str(), kNobody, kNobody), 0);
       },
       RecordDistrust::kForeignOwner},
      {"not mode 0600", [](Fixture& f) { Put(f.record, f.recordBytes, 0644); },
       RecordDistrust::kWrongMode},
      {"a second name of a file",
       [](Fixture& f) {
         Put(f.record, f.recordBytes);
         ASSERT_EQ(link(f.record.c_str(), (f.dir.path() + "/kept").c_str()), 0);
       },
       RecordDistrust::kHardLinked},
      {"a link to a record",
       [](Fixture& f) {
         Put(f.dir.path() + "/elsewhere", f.recordBytes);
         ASSERT_EQ(symlink("elsewhere", f.record.c_str()), 0);
       },
       RecordDistrust::kLink},
      {"a FIFO", [](Fixture& f) { ASSERT_EQ(mkfifo(f.record.c_str(), 0600), 0); },
       RecordDistrust::kNotRegular},
      {"a flipped byte",
       [](Fixture& f) {
         std::string bytes = f.recordBytes;
         bytes[20] ^= 1;  // the original size
         Put(f.record, bytes);
       },
       RecordDistrust::kDamaged},
      {"garbage", [](Fixture& f) { Put(f.record, std::string(300, 'x')); },
       RecordDistrust::kDamaged},
      {"another file's",
       [](Fixture& f) {
         Put(f.record, f.recordBytes);
         // The song is now another file of the same bytes.
         ASSERT_EQ(rename(f.song.c_str(), (f.dir.path() + "/old").c_str()), 0);
         f.dir.File("song.mp3", f.original);
       },
       RecordDistrust::kOtherFile},
      {"lengths that do not fit the file",
       [](Fixture& f) {
         Put(f.record, f.recordBytes);
         Overwrite(f.song, f.original + "more audio");
       },
       RecordDistrust::kDoesNotFit},
  };
  for (const Case& c : cases) {
    Fixture f;
    ASSERT_FALSE(f.recordBytes.empty());
    c.plant(f);
    const std::string before = ReadAll(f.song);

    // Reading looks, tells and changes nothing.
    {
      ReadOnlyFile file(f.song);
      EXPECT_EQ(file.Record(), c.why == RecordDistrust::kNone ? RecoveryRecord::kUnfinished
                                                              : RecoveryRecord::kIgnored)
          << c.name;
      EXPECT_EQ(file.IgnoredRecord(), c.why) << c.name;
    }
    TagFields fields;
    ReadId3v2(f.song, fields);
    NamingTags naming;
    ASSERT_TRUE(ReadNamingTags(f.song, naming)) << c.name;
    EXPECT_EQ(naming.interruptedWrite, c.why == RecordDistrust::kNone) << c.name;
    EXPECT_EQ(ReadAll(f.song), before) << c.name;
    if (c.why == RecordDistrust::kNone) continue;

    // A write ignores it, says so, and leaves the audio whole: first in place, then
    // one that moves the audio and needs the record's name.
    const TagWriteResult inPlace =
        WriteTagBlocks(f.song, TagBlockChange::Keep(), TagBlockChange::Replace(V1Block("v1")));
    EXPECT_TRUE(inPlace.ok()) << c.name << ": " << TagWriteErrorText(inPlace.error);
    EXPECT_EQ(inPlace.ignoredRecord, c.why) << c.name;
    EXPECT_EQ(ReadAll(f.song), before + V1Block("v1")) << c.name;
    struct stat st;
    // Another user's record stays for them until a write needs its name.
    EXPECT_EQ(lstat(f.record.c_str(), &st) == 0, c.why == RecordDistrust::kForeignOwner) << c.name;

    const std::string audio = before.substr(f.original.size() - 12000);
    ASSERT_TRUE(WriteId3v2(f.song, Titled("Grown", 2000))) << c.name;
    const std::string after = ReadAll(f.song);
    EXPECT_EQ(after.substr(after.size() - 128 - audio.size()), audio + V1Block("v1")) << c.name;
    EXPECT_NE(lstat(f.record.c_str(), &st), 0) << c.name;
  }
}

// A record that is trusted is finished by the next write, not by a read.
TEST(RecoveryRecord, TheNextWriteFinishesOurs) {
  TempDir dir;
  const std::string original = Tag(3, Frame23("TIT2", Latin("Old")), 400) + Audio(12000);
  const std::string path = dir.File("song.mp3", original);
  const std::string grown = BuildId3v2Tag(Titled("New", 1500));
  ASSERT_TRUE(WriteKilledAt(3, path, TagBlockChange::Replace(grown), TagBlockChange::Keep()));
  const std::string killed = ReadAll(path);
  ASSERT_NE(killed, original);
  EXPECT_EQ(ReadOnlyFile(path).Record(), RecoveryRecord::kUnfinished);
  EXPECT_EQ(ReadAll(path), killed);

  const TagWriteResult r =
      WriteTagBlocks(path, TagBlockChange::Keep(), TagBlockChange::Replace(V1Block("v1")));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.ignoredRecord, RecordDistrust::kNone);
  TagFields fields;
  ASSERT_TRUE(ReadId3v2(path, fields));
  EXPECT_EQ(fields.title, "New");
  const std::string after = ReadAll(path);
  EXPECT_EQ(after.substr(after.size() - 128 - 12000), Audio(12000) + V1Block("v1"));
  EXPECT_EQ(dir.Count(), 1);
}

// A link is followed by a write only when the running user made it or owns its
// folder; another user's link elsewhere fails with its own reason and the file it
// points to stays as it is.
TEST(RecoveryRecord, AnotherUsersLinkIsNotWrittenThrough) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make files of another user";
  struct Case {
    const char* name;
    uid_t linkOwner, folderOwner;
    bool followed;
  } cases[] = {
      {"another user's link in their folder", kNobody, kNobody, false},
      {"another user's link in the user's folder", kNobody, 0, true},
      {"the user's link in another user's folder", 0, kNobody, true},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string original = Tag(3, Frame23("TIT2", Latin("Diary")), 100) + Audio(3000);
    const std::string diary = dir.File("diary.mp3", original);
    const std::string shared = dir.path() + "/shared";
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    const std::string link = shared + "/Evil - Owned.mp3";
    ASSERT_EQ(symlink(diary.c_str(), link.c_str()), 0);
    ASSERT_EQ(lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
    ASSERT_EQ(chown(shared.c_str(), c.folderOwner, c.folderOwner), 0);

    const TagWriteResult r = WriteId3v2(link, Titled("Owned"));
    EXPECT_EQ(r.error, c.followed ? TagWriteError::kNone : TagWriteError::kForeignLink) << c.name;
    EXPECT_EQ(ReadAll(diary) == original, !c.followed) << c.name;
    unlink(link.c_str());
    rmdir(shared.c_str());
  }
  EXPECT_STREQ(TagWriteErrorText(TagWriteError::kForeignLink), "链接属于其他用户");
}

}  // namespace
}  // namespace tessarn
