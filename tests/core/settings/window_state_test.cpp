#include "core/settings/window_state.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/settings/app_settings.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

class WindowStateFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tessarn-window-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/config.ini";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string dir_, path_;
};

TEST_F(WindowStateFile, RoundTripBesideThePreferences) {
  AppSettings prefs;
  SetDefaultSettings(prefs);
  prefs.autoPreview = true;
  SaveSettings(path_, prefs);
  WindowState saved;
  saved.x = -8;  // a window pushed half off the left edge
  saved.y = 40;
  saved.width = 900;
  saved.height = 700;
  saved.maximised = true;
  saved.columnWidths = {120, 130, 300, 80, 90, 110};
  SaveWindowState(path_, saved);
  // Saving the preferences again leaves the section alone, and the other way round.
  SaveSettings(path_, prefs);

  WindowState loaded;
  ASSERT_TRUE(LoadWindowState(path_, loaded));
  EXPECT_EQ(loaded.x, -8);
  EXPECT_EQ(loaded.y, 40);
  EXPECT_EQ(loaded.width, 900);
  EXPECT_EQ(loaded.height, 700);
  EXPECT_TRUE(loaded.maximised);
  EXPECT_EQ(loaded.columnWidths, (std::array<int, kListColumns>{120, 130, 300, 80, 90, 110}));
  AppSettings reread;
  LoadSettings(path_, reread);
  EXPECT_TRUE(reread.autoPreview);
  EXPECT_NE(
      Read().find(Gb("[窗口]\n左=-8\n上=40\n宽=900\n高=700\n最大化=开\n列宽=120,130,300,80,90,110\n")),
      std::string::npos);
}

TEST_F(WindowStateFile, MissingOrUnusableSizeMeansTheDesignSize) {
  WindowState state;
  state.width = 1;
  EXPECT_FALSE(LoadWindowState(path_, state));  // no file
  const struct {
    const char* label;
    const char* section;
  } cases[] = {
      {"no section", "[颜色]\n背景颜色=1\n"},
      {"no height", "[窗口]\n宽=800\n"},
      {"zero width", "[窗口]\n宽=0\n高=600\n"},
      {"words", "[窗口]\n宽=wide\n高=tall\n"},
  };
  for (const auto& c : cases) {
    Write(Gb(c.section));
    EXPECT_FALSE(LoadWindowState(path_, state)) << c.label;
    EXPECT_EQ(state.width, 1) << c.label;
  }
  // Widths that are missing or not numbers stay 0: the column keeps its default.
  Write(Gb("[窗口]\n宽=800\n高=600\n列宽=100,x,-5\n"));
  ASSERT_TRUE(LoadWindowState(path_, state));
  EXPECT_EQ(state.columnWidths, (std::array<int, kListColumns>{100, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(state.maximised);
}

}  // namespace
}  // namespace tessarn
