// The tag editor's form for several files: the shared values it shows, and its
// edits made to each file by itself.
#include "core/tagedit/many_files_edit.h"
#include "core/tagedit/tag_edit.h"

#include <gtest/gtest.h>

#include "core/id3/id3_test_util.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::Frame23;
using testing::Latin;
using testing::ReadAll;
using testing::Tag;
using testing::TempDir;

const std::string kAudio(200, '\x55');

std::string V1(const std::string& title, const std::string& artist) {
  Id3v1Input in;
  in.title = title;
  in.artist = artist;
  return BuildId3v1Block(in);
}

// Three songs of one artist, each with its own title in both tags.
struct Album {
  TempDir dir;
  std::vector<std::string> paths;
  Album() {
    for (const char* title : {"One", "Two", "Three"})
      paths.push_back(
          dir.File(std::string(title) + ".mp3",
                   Tag(3, Frame23("TIT2", Latin(title)) + Frame23("TPE1", Latin("Band"))) + kAudio +
                       V1(title, "Band")));
  }
  TagFields Read(std::size_t i, bool v2) const {
    TagFields f;
    v2 ? ReadId3v2(paths[i], f) : ReadId3v1(paths[i], f);
    return f;
  }
};

TEST(ManyFilesEdit, BoxesShowWhatTheFilesShare) {
  Album album;
  const CommonTags common = CommonTagsOf(album.paths, LegacyEncoding::kAuto);
  EXPECT_EQ(common.id3v2.present, 3u);
  EXPECT_FALSE(common.id3v2.fields[kFieldTitle]);
  EXPECT_EQ(common.id3v2.fields[kFieldArtist], "Band");
  EXPECT_EQ(common.id3v2.fields[kFieldAlbum], "");
  EXPECT_FALSE(common.id3v1.fields[kFieldTitle]);
  EXPECT_EQ(common.id3v1.fields[kFieldArtist], "Band");
  // A file without a tag has empty fields: the shared artist is gone.
  const std::string bare = album.dir.File("bare.mp3", kAudio);
  std::vector<std::string> withBare = album.paths;
  withBare.push_back(bare);
  const CommonTags mixed = CommonTagsOf(withBare, LegacyEncoding::kAuto);
  EXPECT_EQ(mixed.id3v2.present, 3u);
  EXPECT_FALSE(mixed.id3v2.fields[kFieldArtist]);
  EXPECT_EQ(mixed.id3v2.fields[kFieldAlbum], "");
}

TEST(ManyFilesEdit, OnlyTheChangedBoxIsWritten) {
  Album album;
  TagEdit edit;
  edit.id3v2[kFieldAlbum] = Gb("精选");
  edit.id3v1[kFieldAlbum] = "Best";
  const auto results = EditTags(album.paths, edit, {});
  const char* titles[] = {"One", "Two", "Three"};
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(results[i].ok) << GbToUtf8Lossy(results[i].reason);
    ASSERT_TRUE(results[i].undo);
    EXPECT_EQ(album.Read(i, true).title, titles[i]);
    EXPECT_EQ(album.Read(i, true).artist, "Band");
    EXPECT_EQ(album.Read(i, true).album, Gb("精选"));
    EXPECT_EQ(album.Read(i, false).title, titles[i]);
    EXPECT_EQ(album.Read(i, false).album, "Best");
  }
}

TEST(ManyFilesEdit, CopyAndRemoveActOnEachFile) {
  Album album;
  TagEdit edit;
  edit.id3v2[kFieldTitle] = "New";  // into ID3v2 of every file...
  edit.copyId3v1ToId3v2 = true;     // ...after each file's ID3v1 went in
  const auto copied = EditTags(album.paths, edit, {});
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(copied[i].ok);
    EXPECT_EQ(album.Read(i, true).title, "New");
  }
  TagEdit back;
  back.copyId3v2ToId3v1 = true;
  back.removeId3v2 = false;
  EditTags(album.paths, back, {});
  EXPECT_EQ(album.Read(1, false).title, "New");
  TagEdit remove;
  remove.removeId3v1 = true;
  for (const TagRunFile& r : EditTags(album.paths, remove, {})) EXPECT_TRUE(r.ok);
  for (const std::string& path : album.paths) {
    EXPECT_FALSE(HasId3v1(path));
    EXPECT_TRUE(HasId3v2(path));
  }
}

// A value one file's ID3v1 cannot take fails that file alone, which stays as it was.
TEST(ManyFilesEdit, TooLongForId3v1FailsUntouched) {
  Album album;
  const std::string before = ReadAll(album.paths[0]);
  TagEdit edit;
  edit.id3v1[kFieldAlbum] = std::string(31, 'x');
  for (const TagRunFile& r : EditTags({album.paths[0]}, edit, {})) {
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.empty());
  }
  EXPECT_EQ(ReadAll(album.paths[0]), before);
  EXPECT_TRUE(IsEmpty(TagEdit{}));
  EXPECT_FALSE(IsEmpty(edit));
}

}  // namespace
}  // namespace tessarn
