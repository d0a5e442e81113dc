#include "core/rules/tag_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/id3/id3_test_util.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"

namespace tessarn {
namespace {

using testing::TempDir;

std::string Tagged(const std::string& title) {
  TagFields f;
  f.title = title;
  f.artist = "Artist";
  return BuildId3v2Tag(f) + "audio";
}

TEST(TagCache, FollowsFilesInAnyOrderAndForgetsVanishedOnes) {
  TempDir dir;
  const auto a = dir.File("a.mp3", Tagged("A"));
  const auto b = dir.File("b.mp3", Tagged("B") + "longer");
  const auto none = dir.File("c.mp3", "no tag at all");
  TagCache cache;
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto* path : pass == 0 ? std::vector{&a, &b} : std::vector{&b, &a}) {
      const NamingTags* tags = cache.Get(*path);
      ASSERT_NE(tags, nullptr);
      EXPECT_EQ(tags->Field(true, 2), *path == a ? "A" : "B");
    }
  }
  const NamingTags* untagged = cache.Get(none);
  ASSERT_NE(untagged, nullptr);
  EXPECT_FALSE(untagged->hasV1 || untagged->hasV2);
  EXPECT_EQ(cache.size(), 3u);

  unlink(a.c_str());
  EXPECT_EQ(cache.Get(a), nullptr);
  EXPECT_EQ(cache.size(), 2u);
  dir.File("a.mp3", Tagged("A again, longer"));
  ASSERT_NE(cache.Get(a), nullptr);
  EXPECT_EQ(cache.Get(a)->Field(true, 2), "A again, longer");
  EXPECT_EQ(cache.Get(b)->Field(true, 2), "B");
  EXPECT_EQ(cache.size(), 3u);
  cache.Clear();
  EXPECT_EQ(cache.size(), 0u);
}

// Two names of one file (a hard link) read the same tags, from either slot, and a
// change made through one name is seen through both; a file that is not the one the
// pass expects next (another inode, or the expected one changed) is looked up by
// its path and read afresh.
TEST(TagCache, ANameOfTheSameUnchangedFileSharesItsTagsAndAChangeIsSeenByEvery) {
  TempDir dir;
  const auto a = dir.File("a.mp3", Tagged("A"));
  const auto link = dir.path() + "/link.mp3";
  ASSERT_EQ(::link(a.c_str(), link.c_str()), 0);
  const auto b = dir.File("b.mp3", Tagged("B"));
  TagCache cache;
  auto titles = [&](const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const std::string& p : paths) {
      const NamingTags* tags = cache.Get(p);
      out.emplace_back(tags != nullptr ? tags->Field(true, 2) : "<none>");
    }
    return out;
  };
  EXPECT_EQ(titles({a, link, b}), (std::vector<std::string>{"A", "A", "B"}));
  EXPECT_EQ(titles({a, link, b}), (std::vector<std::string>{"A", "A", "B"}));
  EXPECT_EQ(titles({link, b, a}), (std::vector<std::string>{"A", "B", "A"}));

  dir.File("a.mp3", Tagged("A2, longer"));  // in place: the link sees it too
  EXPECT_EQ(titles({a, link, b}), (std::vector<std::string>{"A2, longer", "A2, longer", "B"}));
  unlink(b.c_str());
  dir.File("b.mp3", Tagged("new B"));  // another file under the old name
  EXPECT_EQ(titles({a, link, b}), (std::vector<std::string>{"A2, longer", "A2, longer", "new B"}));
}

}  // namespace
}  // namespace tessarn
