// The readers on real files: audio of every format tagged through TagLib (MP3
// through this program's own codec), photos with and without EXIF, damaged files.
#include <gtest/gtest.h>

#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/xiphcomment.h>
#include <taglib/tpropertymap.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "core/id3/id3v2.h"
#include "core/metadata/audio_tags_reader.h"
#include "core/metadata/image_info_reader.h"
#include "core/metadata/metadata_reader.h"
#include "core/text/encoding.h"
#include "support/temp_folder.h"
#include "support/tiny_media.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace tessarn {
namespace {

using testing::TempFolder;

// Tags a file through TagLib, as another player would have.
bool TagWithTagLib(const std::string& path) {
  TagLib::FileRef file(path.c_str(), false);
  if (file.isNull()) return false;
  TagLib::PropertyMap map;
  auto put = [&](const char* key, const char* utf8) {
    map.insert(key, TagLib::StringList(TagLib::String(utf8, TagLib::String::UTF8)));
  };
  put("TITLE", "月亮代表我的心");
  put("ARTIST", "邓丽君");
  put("ALBUM", "淡淡幽情/精选");
  put("ALBUMARTIST", "邓丽君");
  put("TRACKNUMBER", "7/12");
  put("DISCNUMBER", "2");
  put("DATE", "1977-05-01");
  put("GENRE", "流行");
  file.file()->setProperties(map);
  return file.save();
}

struct AudioCase {
  const char* name;
  const char* file;
  std::function<std::string()> make;
};

class AudioFormats : public ::testing::TestWithParam<AudioCase> {};

TEST_P(AudioFormats, ChineseTagsReadUnderTheSameFields) {
  TempFolder dir;
  const AudioCase& c = GetParam();
  dir.Write(c.file, c.make());
  const std::string path = dir.path() + c.file;
  ASSERT_TRUE(TagWithTagLib(path)) << "the fixture itself is not a valid " << c.name;

  const char* format = AudioFormatOf(c.file);
  ASSERT_NE(format, nullptr);
  AudioTags tags;
  ASSERT_TRUE(ReadAudioTags(path, format, tags));
  EXPECT_EQ(tags.title, Gb("月亮代表我的心"));
  EXPECT_EQ(tags.artist, Gb("邓丽君"));
  EXPECT_EQ(tags.album, Gb("淡淡幽情/精选"));
  EXPECT_EQ(tags.albumArtist, Gb("邓丽君"));
  EXPECT_EQ(tags.genre, Gb("流行"));
  EXPECT_EQ(tags.track, 7);
  EXPECT_EQ(tags.disc, 2);
  EXPECT_EQ(tags.year, 1977);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, AudioFormats,
    ::testing::Values(AudioCase{"Flac", "a.flac", testing::TinyFlac},
                      AudioCase{"OggVorbis", "a.ogg", testing::TinyOggVorbis},
                      AudioCase{"Opus", "a.opus", testing::TinyOpus},
                      AudioCase{"OpusInDotOgg", "b.ogg", testing::TinyOpus},
                      AudioCase{"M4a", "a.m4a", testing::TinyM4a},
                      AudioCase{"Wav", "a.wav", testing::TinyWav}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioReader, Mp3GoesThroughTheOwnCodecWithV1AsFallback) {
  TempFolder dir;
  TagFields fields;
  fields.title = Gb("月亮代表我的心");
  fields.artist = Gb("邓丽君");
  fields.track = "07";
  fields.year = "1977";
  dir.Write("a.mp3", BuildId3v2Tag(fields) + std::string(64, '\xFF'));
  AudioTags tags;
  ASSERT_TRUE(ReadAudioTags(dir.path() + "a.mp3", "MP3", tags));
  EXPECT_EQ(tags.title, Gb("月亮代表我的心"));
  EXPECT_EQ(tags.track, 7);

  // Only an ID3v1 block: its genre number becomes the genre's name.
  std::string v1(128, '\0');
  v1.replace(0, 3, "TAG");
  v1.replace(3, 5, "Title");
  v1[127] = 17;
  dir.Write("b.mp3", std::string(64, '\xFF') + v1);
  ASSERT_TRUE(ReadAudioTags(dir.path() + "b.mp3", "MP3", tags));
  EXPECT_EQ(tags.title, "Title");
  EXPECT_EQ(tags.genre, "Rock");

  // No tag at all is a readable file with nothing in it.
  dir.Write("c.mp3", std::string(256, '\xFF'));
  ASSERT_TRUE(ReadAudioTags(dir.path() + "c.mp3", "MP3", tags));
  EXPECT_TRUE(tags.title.empty());
}

TEST(AudioReader, RejectsDamagedFilesAndWhatIsNotARegularFile) {
  TempFolder dir;
  dir.Write("bad.flac", "not a flac file at all");
  dir.Write("bad.m4a", std::string(100, 'x'));
  dir.Write("cut.ogg", testing::TinyOggVorbis().substr(0, 40));
  AudioTags tags;
  for (const char* name : {"bad.flac", "bad.m4a", "cut.ogg", "missing.flac"})
    EXPECT_FALSE(ReadAudioTags(dir.path() + name, AudioFormatOf(name), tags)) << name;
  // A FIFO named like a song is refused at once rather than waited on.
  ASSERT_EQ(::mkfifo((dir.path() + "pipe.flac").c_str(), 0600), 0);
  EXPECT_FALSE(ReadAudioTags(dir.path() + "pipe.flac", "FLAC", tags));
  EXPECT_FALSE(ReadAudioTags(dir.path() + "pipe.mp3", "MP3", tags));
}

// A copy of a checked-in photo with the given EXIF fields written by Exiv2.
std::string PhotoWithExif(const TempFolder& dir, const std::string& name,
                          const std::vector<std::pair<const char*, const char*>>& fields,
                          long orientation = 0) {
  const std::string path = dir.path() + name;
  std::filesystem::copy_file(testing::TestDataPath("plain.jpg"), path);
  auto image = Exiv2::ImageFactory::open(path);
  image->readMetadata();
  Exiv2::ExifData& exif = image->exifData();
  for (const auto& [key, value] : fields) exif[key] = std::string(value);
  if (orientation != 0) exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
  image->writeMetadata();
  return path;
}

TEST(ImageReader, ReadsTheShootingDataOfAPhoto) {
  TempFolder dir;
  const std::string path = PhotoWithExif(dir, "a.jpg",
                                         {{"Exif.Photo.DateTimeOriginal", "2023:07:15 10:20:30"},
                                          {"Exif.Photo.DateTimeDigitized", "2023:07:16 00:00:00"},
                                          {"Exif.Image.Make", "Canon"},
                                          {"Exif.Image.Model", "Canon EOS R5"},
                                          {"Exif.Photo.LensModel", "RF24-105mm F4 L IS USM"}});
  ImageInfo info;
  ASSERT_TRUE(ReadImageInfo(path, info));
  ASSERT_TRUE(info.taken);
  EXPECT_EQ(info.taken->year, 2023);
  EXPECT_EQ(info.taken->day, 15);
  EXPECT_EQ(info.taken->second, 30);
  EXPECT_EQ(info.camera, "Canon EOS R5");
  EXPECT_EQ(info.lens, "RF24-105mm F4 L IS USM");
  EXPECT_EQ(info.width, 16);
  EXPECT_EQ(info.height, 8);
}

TEST(ImageReader, FallsBackToTheDigitizedDateAndTurnsTheSizeWithTheOrientation) {
  TempFolder dir;
  const std::string path =
      PhotoWithExif(dir, "r.jpg", {{"Exif.Photo.DateTimeDigitized", "2021:01:02 03:04:05"}}, 6);
  ImageInfo info;
  ASSERT_TRUE(ReadImageInfo(path, info));
  ASSERT_TRUE(info.taken);
  EXPECT_EQ(info.taken->year, 2021);
  EXPECT_EQ(info.taken->hour, 3);
  EXPECT_EQ(info.width, 8);  // shown upright: a quarter turn
  EXPECT_EQ(info.height, 16);
}

TEST(ImageReader, PhotosWithoutExifGiveTheirSizeAndDamagedOnesAreRejected) {
  ImageInfo info;
  for (const char* name : {"plain.jpg", "plain.png"}) {
    ASSERT_TRUE(ReadImageInfo(testing::TestDataPath(name), info)) << name;
    EXPECT_FALSE(info.taken) << name;
    EXPECT_TRUE(info.camera.empty()) << name;
    EXPECT_EQ(info.width, 16) << name;
    EXPECT_EQ(info.height, 8) << name;
  }
  TempFolder dir;
  dir.Write("bad.jpg", "\xFF\xD8 and then nothing that a JPEG holds");
  dir.Write("text.png", "hello");
  EXPECT_FALSE(ReadImageInfo(dir.path() + "bad.jpg", info));
  EXPECT_FALSE(ReadImageInfo(dir.path() + "text.png", info));
  ASSERT_EQ(::mkfifo((dir.path() + "pipe.jpg").c_str(), 0600), 0);
  EXPECT_FALSE(ReadImageInfo(dir.path() + "pipe.jpg", info));
}

// Most files are read from their first 64 KB; what lies beyond is still found.
TEST(Readers, FindWhatLiesBeyondTheFirstBytesRead) {
  TempFolder dir;
  // A FLAC file whose 100 KB cover comes before its comments.
  dir.Write("big.flac", testing::TinyFlac());
  {
    TagLib::FLAC::File flac((dir.path() + "big.flac").c_str(), false);
    auto* picture = new TagLib::FLAC::Picture;
    picture->setData(TagLib::ByteVector(100 * 1024, 'p'));
    picture->setMimeType("image/jpeg");
    flac.addPicture(picture);
    flac.save();
    TagLib::FLAC::File again((dir.path() + "big.flac").c_str(), false);
    again.xiphComment(true)->setTitle(TagLib::String("远方", TagLib::String::UTF8));
    again.save();
  }
  AudioTags tags;
  ASSERT_TRUE(ReadAudioTags(dir.path() + "big.flac", "FLAC", tags));
  EXPECT_EQ(tags.title, Gb("远方"));

  // A JPEG whose metadata segments run past 64 KB before its picture begins.
  const std::string text(40 * 1024, 'c');
  const std::string photo = PhotoWithExif(dir, "big.jpg",
                                          {{"Exif.Photo.DateTimeOriginal", "2020:02:02 02:02:02"},
                                           {"Exif.Image.ImageDescription", text.c_str()}});
  {
    auto image = Exiv2::ImageFactory::open(photo);
    image->readMetadata();
    image->setComment(text);
    image->writeMetadata();
  }
  ASSERT_GT(std::filesystem::file_size(photo), 80u * 1024);
  ImageInfo info;
  ASSERT_TRUE(ReadImageInfo(photo, info, true));
  ASSERT_TRUE(info.taken);
  EXPECT_EQ(info.taken->year, 2020);
  EXPECT_EQ(info.width, 16);
}

TEST(ImageReader, ExifDatesAndCameraNames) {
  struct DateCase {
    const char* text;
    bool valid;
  };
  for (const DateCase& c : {DateCase{"2023:07:15 10:20:30", true}, {"2023-07-15T10:20:30+08:00", true},
                            {"2023:07:15", true}, {"0000:00:00 00:00:00", false},
                            {"    :  :     :  :  ", false}, {"2023:13:01 00:00:00", false},
                            {"2023:07:15 25:00:00", false}, {"", false}})
    EXPECT_EQ(ParseExifDate(c.text).has_value(), c.valid) << c.text;

  EXPECT_EQ(CameraName("Canon", "Canon EOS R5"), "Canon EOS R5");
  EXPECT_EQ(CameraName("NIKON CORPORATION", "NIKON D750"), "NIKON D750");
  EXPECT_EQ(CameraName("Apple", "iPhone 13"), "Apple iPhone 13");
  EXPECT_EQ(CameraName("", "X100V"), "X100V");
  EXPECT_EQ(CameraName("FUJIFILM", ""), "FUJIFILM");
}

TEST(MetadataReader, ReadsOnlyThePartsAskedForOfTheFilesKind) {
  TempFolder dir;
  dir.Write("a.flac", "damaged");
  FileMetadata meta;
  // Only the file's own data is asked for: the damaged audio is never opened.
  ASSERT_TRUE(ReadFileMetadata(dir.path() + "a.flac", "a.flac", kStatPart, meta));
  EXPECT_EQ(meta.size, 7);
  EXPECT_TRUE(meta.modified);
  EXPECT_FALSE(ReadFileMetadata(dir.path() + "a.flac", "a.flac", kAudioPart, meta));
  // Audio tags of a photo are not there to read: a success with nothing in it.
  ASSERT_TRUE(ReadFileMetadata(testing::TestDataPath("plain.jpg"), "plain.jpg", kAudioPart, meta));
  EXPECT_EQ(meta.partsRead, kNoParts);
  EXPECT_FALSE(ReadFileMetadata(dir.path() + "gone.jpg", "gone.jpg", kStatPart, meta));
}

}  // namespace
}  // namespace tessarn
