#include "core/filelist/folder_listing.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tessarn
