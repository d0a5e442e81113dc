// tessarn-cli's metadata page: names from photo dates and from the tags of every
// audio format, rows that lack metadata, a run undone, and bad templates.
#include <gtest/gtest.h>

#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "json_value.h"
#include "support/tiny_media.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

using Names = std::vector<std::string>;

class CliMetadataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files = root / "files";
    MakeFolder(files);
  }
  CliResult Run(const std::vector<std::string>& args) {
    return RunCli(args, files, {{"XDG_STATE_HOME", root / "state"}, {"TZ", "UTC"}});
  }
  JsonValue RunJson(std::vector<std::string> args, int expectedExit) {
    args.insert(args.begin() + 1, "--json");
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, expectedExit) << r.err;
    auto json = ParseJson(r.out);
    EXPECT_TRUE(json.has_value()) << "not JSON:\n" << r.out;
    return json.value_or(JsonValue{});
  }
  static Names Column(const JsonValue& doc, const std::string& key) {
    Names values;
    for (const JsonValue& e : doc["entries"].array) values.push_back(e[key].string);
    return values;
  }
  void Photo(const std::string& name, const char* taken) {
    const std::string path = files + "/" + name;
    std::filesystem::copy_file(tessarn::testing::TestDataPath("plain.jpg"), path);
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    image->exifData()["Exif.Photo.DateTimeOriginal"] = std::string(taken);
    image->writeMetadata();
  }
  void Song(const std::string& name, const std::string& content, const char* artist,
            const char* title) {
    const std::string path = files + "/" + name;
    WriteFile(path, content);
    TagLib::FileRef file(path.c_str(), false);
    ASSERT_FALSE(file.isNull()) << name;
    TagLib::PropertyMap map;
    map.insert("ARTIST", TagLib::StringList(TagLib::String(artist, TagLib::String::UTF8)));
    map.insert("TITLE", TagLib::StringList(TagLib::String(title, TagLib::String::UTF8)));
    file.file()->setProperties(map);
    ASSERT_TRUE(file.save()) << name;
  }

  TempFolder root;
  std::string files;
};

TEST_F(CliMetadataTest, PhotosNamedByTheTimeTheyWereTaken) {
  Photo("IMG_0001.jpg", "2023:07:15 10:20:30");
  Photo("IMG_0002.JPG", "2023:07:15 10:21:00");
  const CliResult text =
      Run({"preview", "--page", "meta", "--template", "{taken:%Y-%m-%d_%H%M%S}", "."});
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("2023-07-15_102030.jpg"), std::string::npos) << text.out;

  const JsonValue doc = RunJson({"preview", "--page", "meta", "--template",
                                 "{taken:%Y%m%d}_{n}", "--start", "1", "--digits", "3",
                                 "--lower-ext", "."},
                                0);
  EXPECT_EQ(Column(doc, "new"), (Names{"20230715_001.jpg", "20230715_002.jpg"}));
}

TEST_F(CliMetadataTest, SongsOfEveryFormatNamedByTheirTags) {
  Song("1.flac", tessarn::testing::TinyFlac(), "邓丽君", "月亮代表我的心");
  Song("2.ogg", tessarn::testing::TinyOggVorbis(), "王菲", "红豆");
  Song("3.opus", tessarn::testing::TinyOpus(), "李宗盛", "山丘");
  Song("4.m4a", tessarn::testing::TinyM4a(), "陈奕迅", "十年");
  const JsonValue doc =
      RunJson({"preview", "--page", "meta", "--template", "{artist}-{title}", "."}, 0);
  EXPECT_EQ(Column(doc, "new"), (Names{"邓丽君-月亮代表我的心.flac", "王菲-红豆.ogg",
                                       "李宗盛-山丘.opus", "陈奕迅-十年.m4a"}));
}

TEST_F(CliMetadataTest, FilesWithoutTheDataAreMarkedAndAFallbackNamesThem) {
  Photo("a.jpg", "2023:07:15 10:20:30");
  std::filesystem::copy_file(tessarn::testing::TestDataPath("plain.jpg"), files + "/b.jpg");
  WriteFile(files + "/c.flac", "a song's name, but no photo");
  WriteFile(files + "/d.jpg", "damaged");
  JsonValue doc = RunJson({"preview", "--page", "meta", "--template", "{taken:%Y}", "."}, 0);
  EXPECT_EQ(Column(doc, "new"), (Names{"2023.jpg", "", "", ""}));
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(doc["entries"][i]["reason"].string, "no-metadata") << i;
    EXPECT_EQ(doc["entries"][i]["message"].string, "缺少元数据") << i;
  }
  EXPECT_EQ(Column(doc, "tagStatus"),
            (Names{"JPEG 2023-07-15 10:20:30", "缺少元数据（拍摄时间）", "缺少元数据（拍摄时间）",
                   "缺少元数据（无法读取）"}));

  // A run with such rows renames nothing unless they are skipped.
  CliResult r = Run({"rename", "--page", "meta", "--template", "{taken:%Y}", "."});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("缺少元数据"), std::string::npos) << r.err;
  EXPECT_EQ(ListNames(files), (Names{"a.jpg", "b.jpg", "c.flac", "d.jpg"}));

  // A fallback stands in for a missing value, not for a file the reader rejects.
  r = Run({"rename", "--page", "meta", "--template", "{taken:%Y|未知}_{name}",
           "--skip-conflicts", "."});
  EXPECT_EQ(ListNames(files), (Names{"2023_a.jpg", "d.jpg", "未知_b.jpg", "未知_c.flac"}));
  r = Run({"undo"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ListNames(files), (Names{"a.jpg", "b.jpg", "c.flac", "d.jpg"}));
}

TEST_F(CliMetadataTest, BadTemplatesAndOptionsAreUsageErrors) {
  WriteFile(files + "/a.jpg", "x");
  struct Bad {
    std::vector<std::string> args;
    const char* says;
  };
  for (const Bad& b : {
           Bad{{"--page", "meta", "--template", "{taken"}, "没有对应的 }"},
           Bad{{"--page", "meta", "--template", "{shot}"}, "{shot}"},
           Bad{{"--page", "meta"}, "需要 --template"},
           Bad{{"--lower-ext"}, "需要 --template"},
           Bad{{"--page", "meta", "--template", "{n}", "--find", "x"}, "replace"},
       }) {
    std::vector<std::string> args = {"preview"};
    args.insert(args.end(), b.args.begin(), b.args.end());
    args.push_back(".");
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << b.says;
    EXPECT_NE(r.err.find(b.says), std::string::npos) << r.err;
  }
  // Without --page, --template stays the MP3 page's and --start the numbering page's.
  EXPECT_EQ(Run({"preview", "--template", "#1", "--start", "1", "."}).exitCode, 2);
  EXPECT_EQ(Run({"preview", "--start", "5", "."}).exitCode, 0);
}

}  // namespace

namespace {

TEST_F(CliMetadataTest, TagsShowGivesEveryFormatsFieldsUnderTheSameKeys) {
  Song("a.flac", tessarn::testing::TinyFlac(), "邓丽君", "月亮代表我的心");
  Song("b.m4a", tessarn::testing::TinyM4a(), "陈奕迅", "十年");
  WriteFile(files + "/bad.opus", "damaged");
  const CliResult r = Run({"tags", "show", "--json", "a.flac", "b.m4a", "bad.opus"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const auto doc = ParseJson(r.out);
  ASSERT_TRUE(doc.has_value()) << r.out;
  EXPECT_EQ((*doc)[0]["format"].string, "FLAC");
  EXPECT_EQ((*doc)[0]["tags"]["artist"].string, "邓丽君");
  EXPECT_EQ((*doc)[0]["tags"]["title"].string, "月亮代表我的心");
  EXPECT_EQ((*doc)[1]["format"].string, "MP4");
  EXPECT_EQ((*doc)[1]["tags"]["title"].string, "十年");
  EXPECT_TRUE((*doc)[1]["tags"].Has("albumArtist"));
  EXPECT_TRUE((*doc)[2].Has("error"));
}

}  // namespace
