#include "core/settings/app_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tessarn-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/config.ini";
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  AppSettings Load() {
    AppSettings s;
    LoadSettings(path_, s);
    return s;
  }
  // The file holding just one key.
  AppSettings LoadWith(const char* section, const char* key, const std::string& value) {
    Write(Gb(std::string("[") + section + "]\r\n" + key + "=") + value + "\r\n");
    return Load();
  }

  std::string dir_;
  std::string path_;
};

AppSettings Defaults() {
  AppSettings s;
  SetDefaultSettings(s);
  return s;
}

void ExpectSame(const AppSettings& a, const AppSettings& b) {
  EXPECT_EQ(a.autoPreview, b.autoPreview);
  EXPECT_EQ(a.previewAll, b.previewAll);
  EXPECT_EQ(a.previewCount, b.previewCount);
  EXPECT_EQ(a.textColour, b.textColour);
  EXPECT_EQ(a.backColour, b.backColour);
  EXPECT_EQ(a.fontName, b.fontName);
  EXPECT_EQ(a.fontSize, b.fontSize);
  EXPECT_EQ(a.bold, b.bold);
  EXPECT_EQ(a.italic, b.italic);
  EXPECT_EQ(a.tagWriteEncoding, b.tagWriteEncoding);
  EXPECT_EQ(a.legacyEncoding, b.legacyEncoding);
  EXPECT_EQ(a.historyLimitMiB, b.historyLimitMiB);
}

TEST(Settings, Defaults) {
  AppSettings s;
  s.fontName = "Old";
  s.autoPreview = s.bold = true;
  SetDefaultSettings(s);
  EXPECT_FALSE(s.autoPreview);
  EXPECT_FALSE(s.previewAll);
  EXPECT_EQ(s.previewCount, 10);
  EXPECT_EQ(s.backColour, 8429696);
  EXPECT_EQ(s.textColour, 8388608);
  EXPECT_EQ(s.fontName, Gb("宋体"));
  EXPECT_EQ(s.fontSize, 10);
  EXPECT_FALSE(s.bold);
  EXPECT_FALSE(s.italic);
}

TEST(Settings, ProfileNumber) {
  struct Case {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"10", 10},
      {"12.9", 12},
      {"-12.9", -12},
      {"+7", 7},
      {"", 0},
      {"abc", 0},
      {"12abc", 12},
      {".5", 0},
      {"-", 0},
      {"0012", 12},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"-2147483648", INT_MIN},
      {"99999999999999999999999", INT_MAX},
      {"-99999999999999999999999", INT_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(ProfileNumber(c.text), c.value) << c.text;
}

TEST_F(SettingsFile, NoFileGivesDefaultsAndCreatesNothing) {
  AppSettings s;
  s.previewCount = 99;
  LoadSettings(path_, s);
  ExpectSame(s, Defaults());
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(SettingsFile, SavingDefaultsWritesEveryKeyInOrder) {
  SaveSettings(path_, Defaults());
  EXPECT_EQ(Read(), Gb("[预览选项]\n自动预览=关\n全部预览=关\n预览数量=10\n"
                       "[颜色]\n背景颜色=8429696\n字体颜色=8388608\n"
                       "[字体]\n字体名称=宋体\n字体大小=10\n字体样式=常规\n"
                       "[标签]\nID3v2写入编码=Unicode\n旧标签编码=自动\n"
                       "[撤消历史]\n大小上限MB=1024\n"));
}

TEST_F(SettingsFile, TagEncodingWordsLoadAndSaveBack) {
  struct Case {
    const char* key;
    const char* word;
    TagWriteEncoding write;
    LegacyEncoding legacy;
    const char* written;  // what saving writes back for the key
  } cases[] = {
      {"ID3v2写入编码", "GBK", TagWriteEncoding::kGbk, LegacyEncoding::kAuto, "GBK"},
      {"ID3v2写入编码", "Unicode", TagWriteEncoding::kUnicode, LegacyEncoding::kAuto, "Unicode"},
      {"ID3v2写入编码", "gbk", TagWriteEncoding::kUnicode, LegacyEncoding::kAuto, "Unicode"},
      {"旧标签编码", "GBK", TagWriteEncoding::kUnicode, LegacyEncoding::kGbk, "GBK"},
      {"旧标签编码", "Latin-1", TagWriteEncoding::kUnicode, LegacyEncoding::kLatin1, "Latin-1"},
      {"旧标签编码", "自动", TagWriteEncoding::kUnicode, LegacyEncoding::kAuto, "自动"},
      {"旧标签编码", "big5", TagWriteEncoding::kUnicode, LegacyEncoding::kAuto, "自动"},
  };
  for (const auto& c : cases) {
    const AppSettings s = LoadWith("标签", c.key, Gb(c.word));
    EXPECT_EQ(s.tagWriteEncoding, c.write) << c.word;
    EXPECT_EQ(s.legacyEncoding, c.legacy) << c.word;
    SaveSettings(path_, s);
    EXPECT_NE(Read().find(Gb(std::string(c.key) + "=" + c.written + "\r\n")), std::string::npos)
        << c.word;
    ExpectSame(Load(), s);
  }
}

TEST_F(SettingsFile, OneKeyGivenOthersDefault) {
  AppSettings expected = Defaults();
  expected.autoPreview = true;
  ExpectSame(LoadWith("预览选项", "自动预览", Gb("开")), expected);
}

TEST_F(SettingsFile, OnlyTheExactWordSwitchesOn) {
  struct Case {
    std::string value;
    bool on;
  } cases[] = {{Gb("开"), true}, {Gb("关"), false},   {Gb("是"), false}, {"1", false},
               {"", false},      {Gb("开开"), false}, {Gb(" 开 "), true}};  // spaces trimmed
  for (const auto& c : cases) {
    EXPECT_EQ(LoadWith("预览选项", "自动预览", c.value).autoPreview, c.on) << c.value;
    EXPECT_EQ(LoadWith("预览选项", "全部预览", c.value).previewAll, c.on) << c.value;
  }
}

// The history's bound: a number of MB, at least 1 (0 or garbage would mean no
// history at all).
TEST_F(SettingsFile, TheHistoryBoundIsReadAsMegabytesOfAtLeastOne) {
  EXPECT_EQ(LoadWith("撤消历史", "大小上限MB", "200").historyLimitMiB, 200);
  EXPECT_EQ(HistoryLimitBytes(LoadWith("撤消历史", "大小上限MB", "200")), 200u << 20);
  EXPECT_EQ(LoadWith("撤消历史", "大小上限MB", "0").historyLimitMiB, 1);
  EXPECT_EQ(LoadWith("撤消历史", "大小上限MB", "-5").historyLimitMiB, 1);
}

TEST_F(SettingsFile, NumbersAreReadUnchecked) {
  EXPECT_EQ(LoadWith("预览选项", "预览数量", "12.9").previewCount, 12);
  EXPECT_EQ(LoadWith("预览选项", "预览数量", "many").previewCount, 0);
  EXPECT_EQ(LoadWith("预览选项", "预览数量", "").previewCount, 0);
  EXPECT_EQ(LoadWith("预览选项", "预览数量", "-3").previewCount, -3);
  EXPECT_EQ(LoadWith("颜色", "背景颜色", "255").backColour, 255);
  EXPECT_EQ(LoadWith("颜色", "字体颜色", "16777216").textColour, 16777216);
  EXPECT_EQ(LoadWith("字体", "字体大小", "0").fontSize, 0);
}

TEST_F(SettingsFile, FontNameTakenAsItStandsEvenEmpty) {
  EXPECT_EQ(LoadWith("字体", "字体名称", Gb("微软雅黑")).fontName, Gb("微软雅黑"));
  EXPECT_EQ(LoadWith("字体", "字体名称", "").fontName, "");
}

TEST_F(SettingsFile, StyleWordsLoadAndSaveBack) {
  struct Case {
    const char* word;
    bool bold;
    bool italic;
    const char* written;
  } cases[] = {
      {"常规", false, false, "常规"}, {"粗体", true, false, "粗体"},
      {"斜体", false, true, "斜体"},  {"粗斜体", true, true, "粗斜体"},
      {"Bold", false, false, "常规"}, {"", false, false, "常规"},
  };
  for (const auto& c : cases) {
    const AppSettings s = LoadWith("字体", "字体样式", Gb(c.word));
    EXPECT_EQ(s.bold, c.bold) << c.word;
    EXPECT_EQ(s.italic, c.italic) << c.word;
    SaveSettings(path_, s);
    EXPECT_NE(Read().find(Gb(std::string("字体样式=") + c.written + "\r\n")), std::string::npos)
        << c.word;
  }
}

TEST_F(SettingsFile, SaveThenLoadGivesTheSameRecord) {
  AppSettings s;
  s.autoPreview = true;
  s.previewAll = false;
  s.previewCount = -5;
  s.textColour = 0xFFFFFF;
  s.backColour = 0;
  s.fontName = Gb("文泉驿微米黑");
  s.fontSize = 12;
  s.bold = true;
  s.italic = false;
  SaveSettings(path_, s);
  ExpectSame(Load(), s);
}

TEST_F(SettingsFile, SaveKeepsTheRestOfTheFile) {
  Write(
      Gb("; my notes\r\n[其他]\r\nx=1\r\n\r\n[预览选项]\r\n预览数量 = 30\r\nextra=yes\r\n\r\n"
         "[字体]\r\n字体名称=黑体\r\n"));
  SaveSettings(path_, Defaults());
  EXPECT_EQ(Read(),
            Gb("; my notes\r\n[其他]\r\nx=1\r\n\r\n"
               "[预览选项]\r\n预览数量=10\r\nextra=yes\r\n自动预览=关\r\n全部预览=关\r\n\r\n"
               "[字体]\r\n字体名称=宋体\r\n字体大小=10\r\n字体样式=常规\r\n"
               "[颜色]\r\n背景颜色=8429696\r\n字体颜色=8388608\r\n"
               "[标签]\r\nID3v2写入编码=Unicode\r\n旧标签编码=自动\r\n"
               "[撤消历史]\r\n大小上限MB=1024\r\n"));
}

TEST_F(SettingsFile, FailedWriteIsSilentAndHarmless) {
  // A folder that does not exist: nothing is written, nothing is thrown.
  SaveSettings(dir_ + "/missing/config.ini", Defaults());
  EXPECT_FALSE(fs::exists(dir_ + "/missing"));
  // A directory in the file's place is left alone.
  fs::create_directory(path_);
  SaveSettings(path_, Defaults());
  EXPECT_TRUE(fs::is_directory(path_));
  AppSettings s;
  LoadSettings(path_, s);
  ExpectSame(s, Defaults());
}

TEST_F(SettingsFile, WriteReplacesTheFileWholeAndKeepsItsMode) {
  Write("[x]\ny=1\n");
  ::chmod(path_.c_str(), 0600);
  SaveSettings(path_, Defaults());
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SettingsFile, WriteThroughASymlinkReplacesItsTarget) {
  const std::string real = dir_ + "/real.ini";
  { std::ofstream(real) << "[x]\ny=1\n"; }
  fs::create_symlink(real, path_);
  SaveSettings(path_, Defaults());
  EXPECT_TRUE(fs::is_symlink(path_));
  AppSettings s;
  LoadSettings(real, s);
  ExpectSame(s, Defaults());
}

TEST(ConfigDirectoryTest, ProgramFolderWhenWritableElseXdg) {
  char tmpl[] = "/tmp/tessarn-cfg-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string root = tmpl;
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = oldXdg ? oldXdg : "";

  EXPECT_EQ(ConfigDirectory(root), root);
  EXPECT_EQ(ConfigDirectory(root + "/"), root);

  ::setenv("XDG_CONFIG_HOME", (root + "/xdg").c_str(), 1);
  const std::string fallback = ConfigDirectory(root + "/no-such-program-dir");
  EXPECT_EQ(fallback, root + "/xdg/Tessarn");
  EXPECT_TRUE(fs::is_directory(fallback));

  if (oldXdg)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  fs::remove_all(root);
}

TEST(ConfigDirectoryTest, FilePathHasOneSlash) {
  EXPECT_EQ(ConfigFilePath("/", "config.ini"), "/config.ini");
  EXPECT_EQ(ConfigFilePath("/opt/tessarn", "config.ini"), "/opt/tessarn/config.ini");
  EXPECT_EQ(ConfigFilePath("/opt/tessarn/", "dir.txt"), "/opt/tessarn/dir.txt");
}

}  // namespace
}  // namespace tessarn
