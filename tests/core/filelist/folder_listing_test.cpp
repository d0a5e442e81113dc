#include "core/filelist/folder_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tessarn {
namespace {

FolderListing IndexedListing(const std::vector<std::string>& names) {
  FolderListing listing;
  unsigned long long inode = 100;
  for (const std::string& name : names) listing.Add(name, inode++);
  IndexFolderListing(listing);
  return listing;
}

// A kept listing finds a name by its bytes alone: a name that only begins or
// ends another is not that other, whichever comes first in the folder.
TEST(FolderListingTest, KeptListingFindsExactlyItsNames) {
  const std::string gbName = "\xD6\xD0\xCE\xC4.mp3";  // GB18030 bytes
  const FolderListing listing = IndexedListing({"ab", "a", "abc", "x.txt", gbName, "b"});
  struct Case {
    const char* what;
    std::string name;
    std::uint32_t index;
  };
  const Case cases[] = {
      {"first", "ab", 0},
      {"shorter after longer", "a", 1},
      {"longer after shorter", "abc", 2},
      {"non-ASCII bytes", gbName, 4},
      {"last", "b", 5},
      {"a prefix of a name", "x.tx", ListingNameIndex::kNone},
      {"a name and more", "x.txt2", ListingNameIndex::kNone},
      {"past the last name", "bc", ListingNameIndex::kNone},
      {"another case", "AB", ListingNameIndex::kNone},
      {"empty", "", ListingNameIndex::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(listing.IndexOf(c.name), c.index) << c.what;
    EXPECT_EQ(listing.Has(c.name), c.index != ListingNameIndex::kNone) << c.what;
  }
  EXPECT_EQ(listing.inodes[listing.IndexOf("x.txt")], 103u);
}

TEST(FolderListingTest, EmptyAndUnindexedListingsHaveNoNames) {
  EXPECT_FALSE(IndexedListing({}).Has("a"));
  FolderListing unindexed;
  unindexed.Add("a", 1);
  EXPECT_FALSE(unindexed.Has("a"));
}

// Enough names that the table grows past its first size and names share cells.
TEST(FolderListingTest, ManyNamesAreEachFoundAtTheirIndex) {
  std::vector<std::string> names;
  for (int i = 0; i < 20000; ++i) names.push_back("f" + std::to_string(i) + ".jpg");
  const FolderListing listing = IndexedListing(names);
  for (std::size_t i = 0; i < names.size(); ++i)
    ASSERT_EQ(listing.IndexOf(names[i]), i) << names[i];
  EXPECT_FALSE(listing.Has("f20000.jpg"));
}

// Each name is announced ahead before it is handed over, in the listing's order,
// with its index; short listings and ones of a few ring's lengths alike.
TEST(FolderListingTest, NamesAheadComeBeforeEachNameInOrder) {
  for (const int count : {0, 1, 7, 8, 9, 17, 100}) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("n" + std::to_string(i));
    FolderListing listing;
    for (const std::string& name : names) listing.Add(name, 1);
    std::vector<std::string> events, handed;
    ForEachNameAhead(
        listing, [&](std::string_view name) { events.push_back("ahead " + std::string(name)); },
        [&](std::string_view name, std::uint32_t k) {
          ASSERT_LT(k, names.size());
          EXPECT_EQ(name, names[k]);
          events.push_back("name " + std::string(name));
          handed.emplace_back(name);
        });
    EXPECT_EQ(handed, names) << count;
    for (const std::string& name : names) {
      const auto ahead = std::find(events.begin(), events.end(), "ahead " + name);
      const auto given = std::find(events.begin(), events.end(), "name " + name);
      EXPECT_LT(ahead, given) << count << " " << name;
    }
  }
}

}  // namespace
}  // namespace tessarn
