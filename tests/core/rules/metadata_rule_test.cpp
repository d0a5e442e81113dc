// The metadata page's rule over a list of real files: names, statuses, the
// counter, the extension, and rows that lack metadata failing for that reason.
#include "core/rules/metadata_rule.h"

#include <gtest/gtest.h>

#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include <filesystem>

#include "core/filelist/add_files.h"
#include "core/filelist/rename_plan.h"
#include "core/metadata/metadata_cache.h"
#include "core/rules/preview_pass.h"
#include "core/text/encoding.h"
#include "support/temp_folder.h"
#include "support/tiny_media.h"

namespace tessarn {
namespace {

using testing::TempFolder;

void TagFlac(const std::string& path, const char* artist, const char* title) {
  TagLib::FileRef file(path.c_str(), false);
  ASSERT_FALSE(file.isNull());
  TagLib::PropertyMap map;
  map.insert("ARTIST", TagLib::StringList(TagLib::String(artist, TagLib::String::UTF8)));
  map.insert("TITLE", TagLib::StringList(TagLib::String(title, TagLib::String::UTF8)));
  file.file()->setProperties(map);
  ASSERT_TRUE(file.save());
}

struct Listed {
  TempFolder dir;
  FileList list;
  void Add(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const auto& n : names) paths.push_back(dir.path() + n);
    AddFiles(list, paths);
  }
  std::vector<std::string> Named(const std::string& templateUtf8, bool lowerExt = false,
                                 MetadataCache* cache = nullptr) {
    NamingOptions options;
    options.page = OptionPage::kMeta;
    options.metaTemplate = Gb(templateUtf8);
    options.metaLowerExtension = lowerExt;
    options.startValue = "1";
    options.nameDigits = "2";
    ComputeNewNames(list, options, list.count(), nullptr, cache);
    std::vector<std::string> names;
    for (const auto& e : list.entries) names.push_back(GbToUtf8Lossy(e.newName));
    return names;
  }
  std::string Status(std::size_t i) const {
    return GbToUtf8Lossy(list.entries[i].texts().tagStatus.str());
  }
};

TEST(MetadataRule, NamesSongsFromTheirTagsAndKeepsTheExtension) {
  Listed l;
  l.dir.Write("01.flac", testing::TinyFlac());
  TagFlac(l.dir.path() + "01.flac", "邓丽君", "月亮代表我的心");
  l.dir.Write("02.FLAC", testing::TinyFlac());
  TagFlac(l.dir.path() + "02.FLAC", "邓丽君", "甜蜜蜜");
  l.Add({"01.flac", "02.FLAC"});
  EXPECT_EQ(l.Named("{artist}-{title}"),
            (std::vector<std::string>{"邓丽君-月亮代表我的心.flac", "邓丽君-甜蜜蜜.FLAC"}));
  EXPECT_EQ(l.Status(0), "FLAC 邓丽君 - 月亮代表我的心");
  EXPECT_EQ(l.Named("{n}_{title}", true),
            (std::vector<std::string>{"01_月亮代表我的心.flac", "02_甜蜜蜜.flac"}));
}

TEST(MetadataRule, RowsWithoutTheValueFailAsLackingMetadataInThePreview) {
  Listed l;
  std::filesystem::copy_file(testing::TestDataPath("plain.jpg"), l.dir.path() + "IMG_0001.JPG");
  l.dir.Write("damaged.jpg", "not a picture");
  l.dir.Write("notes.txt", "x");
  l.Add({"IMG_0001.JPG", "damaged.jpg", "notes.txt"});
  const auto names = l.Named("{taken:%Y%m%d}");
  EXPECT_EQ(names, (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(l.Status(0), "缺少元数据（拍摄时间）");
  EXPECT_EQ(l.Status(1), "缺少元数据（无法读取）");

  FolderListings listings(false);
  const RenamePlan plan = PlanPreview(l.list, l.list.count(), listings);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(plan.rows[i].verdict, PlanVerdict::kConflict) << i;
    EXPECT_EQ(plan.rows[i].reason, RenameReason::kNoMetadata) << i;
  }
  EXPECT_STREQ(ReasonCode(RenameReason::kNoMetadata), "no-metadata");

  // With a fallback every row gets a name; the photo's own size is there.
  EXPECT_EQ(l.Named("{taken:%Y|未知}_{width}x{height|0}"),
            (std::vector<std::string>{"未知_16x8.JPG", "", ""}));  // text files have no width
  EXPECT_EQ(l.Named("{taken:%Y|未知}_{name}"),
            (std::vector<std::string>{"未知_IMG_0001.JPG", "", "未知_notes.txt"}));
}

TEST(MetadataRule, ABrokenTemplateNamesNothingAndTheCacheFollowsChanges) {
  Listed l;
  l.dir.Write("a.flac", testing::TinyFlac());
  TagFlac(l.dir.path() + "a.flac", "A", "One");
  l.Add({"a.flac"});
  EXPECT_EQ(l.Named("{title"), (std::vector<std::string>{""}));
  NamingOptions options;
  options.metaTemplate = "{title";
  EXPECT_FALSE(MetadataTemplateError(options).empty());

  MetadataCache cache;
  EXPECT_EQ(l.Named("{title}", false, &cache), (std::vector<std::string>{"One.flac"}));
  EXPECT_EQ(l.Named("{title}{size}", false, &cache).size(), 1u);  // a part added: read again
  TagFlac(l.dir.path() + "a.flac", "A", "Two longer");  // the file changes size
  EXPECT_EQ(l.Named("{title}", false, &cache), (std::vector<std::string>{"Two longer.flac"}));
  EXPECT_EQ(cache.size(), 1u);
}

}  // namespace
}  // namespace tessarn
