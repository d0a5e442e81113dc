// Folders two local users share (sticky like /tmp, or group-writable): what one
// user puts there (a recovery record of their making, a link into the other's
// home) must not make the other's runs of tessarn-cli change a file they did not
// ask to change. The users are real, and the program runs as each through setpriv.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "json_value.h"
#include "local_user.h"

namespace {

const std::string kOwner = "tessarn-owner";
const std::string kOther = "tessarn-other";

// A record as the writer lays it out (the source says how), describing a move of
// the audio that was cut short: step 1, `progress` where the move stands, no
// ID3v1 step. Made by the other user, it must be worth nothing to the owner.
std::string PlantedRecord(std::uint64_t inode, std::uint64_t size, std::uint64_t oldLength,
                          const std::string& head, std::uint64_t progress) {
  auto number = [](std::uint64_t v) {
    std::string s;
    for (int i = 0; i < 8; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  const std::string fixed =
      number(inode) + number(size) + number(0) + number(oldLength) + number(head.size());
  const std::string tail = std::string(128, '\0') + head;
  std::uint64_t h = 14695981039346656037ull;
  for (const char c : fixed + tail) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return "TSRNJNL2" + fixed + number(1) + number(progress) + number(h) + tail;
}

// An ID3v2.3 tag holding a title, with padding.
std::string TitleTag(const std::string& title, std::size_t padding) {
  const std::size_t frame = 10 + 1 + title.size();
  const std::size_t body = frame + padding;
  std::string tag = "ID3";
  tag += '\3';
  tag += '\0';
  tag += '\0';
  for (int shift : {21, 14, 7, 0}) tag += static_cast<char>((body >> shift) & 0x7F);
  tag += "TIT2";
  for (int shift : {24, 16, 8, 0}) tag += static_cast<char>(((title.size() + 1) >> shift) & 0xFF);
  tag += std::string(3, '\0');
  tag += title;
  return tag + std::string(padding, '\0');
}

std::string Audio(std::size_t n) {
  std::string audio = "\xFF\xFB\x90\x44";
  for (std::size_t i = 0; audio.size() < n; ++i) audio += static_cast<char>(1 + i * 7 % 251);
  return audio;
}

class SharedFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make users and run as them";
    owner = EnsureLocalUser(kOwner);
    other = EnsureLocalUser(kOther);
    if (owner < 0 || other < 0) GTEST_SKIP() << "cannot make local users";
    ASSERT_EQ(::chmod(root.path().c_str(), 0755), 0);
    state = root / "state";
    MakeFolder(state);
    ASSERT_EQ(::chown(state.c_str(), owner, owner), 0);
  }

  // A folder of the given mode owned by root, that both users write to.
  std::string SharedFolder(const std::string& name, mode_t mode) {
    const std::string folder = root / name;
    MakeFolder(folder);
    EXPECT_EQ(::chmod(folder.c_str(), mode), 0);
    return folder;
  }

  // A file of the owner's, readable by all.
  std::string OwnersFile(const std::string& path, const std::string& bytes) {
    WriteFile(path, bytes);
    EXPECT_EQ(::chown(path.c_str(), owner, owner), 0);
    EXPECT_EQ(::chmod(path.c_str(), 0644), 0);
    return path;
  }

  // The other user puts `bytes` at `path` as a file of theirs, mode 0600 like a
  // record of the program's own.
  void PlantAsOther(const std::string& path, const std::string& bytes) {
    const std::string source = root / "planted";
    WriteFile(source, bytes);
    ::chmod(source.c_str(), 0644);
    ASSERT_EQ(RunShellAs(kOther,
                         "cat " + ShellQuoted(source) + " > " + ShellQuoted(path) +
                             " && chmod 600 " + ShellQuoted(path),
                         root.path()),
              0);
    ::unlink(source.c_str());
  }

  CliResult AsOwner(const std::vector<std::string>& args, const std::string& cwd) {
    return RunCliAs(kOwner, args, cwd, {{"XDG_STATE_HOME", state}});
  }

  static struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
  }

  TempFolder root;
  std::string state;
  int owner = -1, other = -1;
};

// In a sticky folder the other user plants a record beside each of two of the
// owner's files: one that would cut the audio short, one that would write their
// own bytes over the file's start. Both fit the files' real lengths; neither is
// the owner's. Looking, previewing and writing tags leave the audio byte for byte.
TEST_F(SharedFolderTest, PlantedRecordsChangeNothing) {
  const std::string shared = SharedFolder("shared", 01777);
  const std::string tag = TitleTag("Song", 200), otherTag = TitleTag("Other", 200);
  const std::string audio = Audio(6000);
  const std::string song = OwnersFile(shared + "/song.mp3", tag + audio);
  const std::string other = OwnersFile(shared + "/other.mp3", otherTag + audio);
  // Cutting: the move of a tag removal "done", the file cut by the tag's length.
  const std::uint64_t size = tag.size() + audio.size();
  PlantAsOther(shared + "/.song.mp3.tessarn-journal",
               PlantedRecord(StatOf(song).st_ino, size, tag.size(), "", size));
  // Overwriting: a tag of the other user's text, 64 bytes longer, "moved in", to
  // be written at the start.
  const std::string theirs = TitleTag("written by someone else", otherTag.size() + 64 - 44);
  const std::uint64_t otherSize = otherTag.size() + audio.size();
  PlantAsOther(
      shared + "/.other.mp3.tessarn-journal",
      PlantedRecord(StatOf(other).st_ino, otherSize, otherTag.size(), theirs, otherTag.size()));

  const CliResult show = AsOwner({"tags", "show", "song.mp3", "other.mp3"}, shared);
  EXPECT_EQ(show.exitCode, 0) << show.err;
  EXPECT_NE(show.out.find("歌曲名：Song"), std::string::npos) << show.out;
  EXPECT_NE(show.err.find("已忽略恢复记录"), std::string::npos) << show.err;
  EXPECT_NE(show.err.find("属于其他用户"), std::string::npos) << show.err;
  EXPECT_EQ(ReadFile(song), tag + audio);
  EXPECT_EQ(ReadFile(other), otherTag + audio);

  const CliResult preview =
      AsOwner({"preview", "--json", "--page", "mp3", "--template", "#2", "."}, shared);
  EXPECT_EQ(preview.exitCode, 0) << preview.err;
  const auto doc = ParseJson(preview.out);
  ASSERT_TRUE(doc.has_value()) << preview.out;
  ASSERT_EQ((*doc)["entries"].array.size(), 2u) << preview.out;  // the records are no rows
  EXPECT_EQ((*doc)["entries"][1]["new"].string, "Song.mp3");
  EXPECT_EQ(ReadFile(song), tag + audio);
  EXPECT_EQ(ReadFile(other), otherTag + audio);

  const CliResult set =
      AsOwner({"tags", "set", "--title", "Mine", "song.mp3", "other.mp3"}, shared);
  EXPECT_EQ(set.exitCode, 0) << set.out << set.err;
  for (const std::string& path : {song, other}) {
    const std::string now = ReadFile(path);
    ASSERT_GE(now.size(), audio.size());
    EXPECT_EQ(now.substr(now.size() - audio.size() - 128, audio.size()), audio) << path;
    EXPECT_EQ(now.substr(0, 4), "ID3\3") << path;
  }
  const JsonValue shown =
      ParseJson(AsOwner({"tags", "show", "--json", "other.mp3"}, shared).out).value_or(JsonValue{});
  EXPECT_EQ(shown[0]["id3v2"]["title"].string, "Mine");
  // The records stay the other user's business: the sticky folder keeps them.
  EXPECT_TRUE(Exists(shared + "/.song.mp3.tessarn-journal"));

  // An independent reader agrees.
  if (std::system("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0)
    GTEST_SKIP() << "python3-mutagen is not installed";
  const std::string out = root / "mutagen.txt";
  const std::string command =
      "/usr/bin/python3 -c \"import sys, mutagen.id3 as m; "
      "print(m.ID3(sys.argv[1])['TIT2'].text[0])\" " +
      ShellQuoted(other) + " > " + ShellQuoted(out);
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadFile(out), "Mine\n");
}

// A record of garbage from the other user blocks no write: a tag that fits is
// written beside it; one that moves the audio needs the record's name, which a
// group-writable folder lets the owner take back and a sticky one does not (the
// write then says why and changes nothing).
TEST_F(SharedFolderTest, AGarbageRecordBlocksNoWrite) {
  const std::string grown(3000, 'c');
  struct Case {
    const char* name;
    mode_t mode;
    bool grownWritten;
  } cases[] = {{"group-writable", 0777, true}, {"sticky", 01777, false}};
  for (const Case& c : cases) {
    const std::string folder = SharedFolder(c.name, c.mode);
    const std::string audio = Audio(6000);
    const std::string song = OwnersFile(folder + "/song.mp3", TitleTag("Song", 200) + audio);
    PlantAsOther(folder + "/.song.mp3.tessarn-journal", std::string(300, 'x'));

    const CliResult fits = AsOwner({"tags", "set", "--v2", "--title", "Mine", "song.mp3"}, folder);
    EXPECT_EQ(fits.exitCode, 0) << c.name << fits.out << fits.err;
    const std::string written = ReadFile(song);
    EXPECT_EQ(written.substr(written.size() - audio.size()), audio) << c.name;

    const CliResult grows =
        AsOwner({"tags", "set", "--v2", "--comment", grown, "song.mp3"}, folder);
    EXPECT_EQ(grows.exitCode, c.grownWritten ? 0 : 1) << c.name << grows.out << grows.err;
    const std::string after = ReadFile(song);
    EXPECT_EQ(after.substr(after.size() - audio.size()), audio) << c.name;
    EXPECT_EQ(after.size() > written.size(), c.grownWritten) << c.name;
    if (!c.grownWritten) {
      EXPECT_NE(grows.out.find("无法在文件所在的文件夹中建立恢复记录"), std::string::npos)
          << grows.out;
    }
  }
}

// The other user's link to a file in the owner's private folder, planted in a
// shared folder: neither a tag run nor a rename goes through it.
TEST_F(SharedFolderTest, AnotherUsersLinkIsNotFollowed) {
  const std::string home = root / "home";
  MakeFolder(home);
  ASSERT_EQ(::chown(home.c_str(), owner, owner), 0);
  ASSERT_EQ(::chmod(home.c_str(), 0700), 0);
  const std::string diary = OwnersFile(home + "/diary.mp3", Audio(4000));
  const std::string shared = SharedFolder("shared", 01777);
  ASSERT_EQ(RunShellAs(kOther, "ln -s " + ShellQuoted(diary) + " 'Evil - Owned.mp3'", shared), 0);

  const CliResult tags = AsOwner({"tags", "from-name", "--template", "#1 - #2", "."}, shared);
  EXPECT_EQ(tags.exitCode, 1) << tags.out << tags.err;
  EXPECT_NE(tags.out.find("链接属于其他用户"), std::string::npos) << tags.out;
  const CliResult set = AsOwner({"tags", "set", "--title", "x", "Evil - Owned.mp3"}, shared);
  EXPECT_EQ(set.exitCode, 1);
  EXPECT_NE(set.out.find("链接属于其他用户"), std::string::npos) << set.out;
  EXPECT_EQ(ReadFile(diary), Audio(4000));

  const CliResult rename = AsOwner({"rename", "--json", "--prefix", "x_", "."}, shared);
  EXPECT_EQ(rename.exitCode, 1) << rename.out << rename.err;
  const JsonValue doc = ParseJson(rename.out).value_or(JsonValue{});
  EXPECT_EQ(doc["entries"][0]["reason"].string, "foreign-link") << rename.out;
  EXPECT_EQ(doc["entries"][0]["message"].string, "链接属于其他用户");
  EXPECT_TRUE(Exists(shared + "/Evil - Owned.mp3"));
}

// A numbering run over a folder where a killed tag write left its record and a
// killed rename its temporary name: only the user's files are rows and numbers.
TEST(OwnNames, AreNeverRowsOrNumbered) {
  TempFolder folder;
  for (const char* name : {"song.mp3", "b.mp3", ".song.mp3.tessarn-journal", ".tessarn-12-0.tmp",
                           ".tessarn-rewrite-Ab12Cd"})
    WriteFile(folder / name, name);
  const CliResult r =
      RunCli({"rename", "--json", "--prefix", "Track", "--digits", "2", "."}, folder.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const JsonValue doc = ParseJson(r.out).value_or(JsonValue{});
  EXPECT_EQ(doc["entries"].array.size(), 2u) << r.out;
  EXPECT_EQ(ListNames(folder.path()),
            (std::vector<std::string>{".song.mp3.tessarn-journal", ".tessarn-12-0.tmp",
                                      ".tessarn-rewrite-Ab12Cd", "Track00.mp3", "Track01.mp3"}));
  // Named one by one, they are left out all the same.
  const CliResult named =
      RunCli({"preview", "--json", ".tessarn-12-0.tmp", "Track00.mp3"}, folder.path());
  EXPECT_EQ(ParseJson(named.out).value_or(JsonValue{})["entries"].array.size(), 1u) << named.out;
}

}  // namespace
