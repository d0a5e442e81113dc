#include "core/filelist/listed_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/filelist/natural_order.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

// Names as a folder lists them: ASCII, UTF-8 and GBK (a Windows archive's), in no
// order. Enough of them that most are decoded on the second thread, and a few
// left over for the last, partly filled batch.
std::vector<std::string> FolderNames(std::size_t count) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string n = std::to_string((i * 7919) % count);
    switch (i % 3) {
      case 0:
        names.push_back("Track " + n + ".mp3");
        break;
      case 1:
        names.push_back("\xE6\xAD\x8C " + n + ".mp3");
        break;  // UTF-8
      default:
        names.push_back("\xB8\xE8 " + n + ".wma");
        break;  // GBK
    }
  }
  return names;
}

TEST(ListedNamesTest, DecodesAndOrdersEveryNameHoweverManyCome) {
  for (const std::size_t count : {std::size_t{0}, std::size_t{5}, std::size_t{20000}}) {
    const std::vector<std::string> disk = FolderNames(count);
    ListedNames listed;
    for (const std::string& name : disk) listed.Add(name);
    const ListedFiles files = listed.Finish();
    ASSERT_EQ(files.names.size(), count);
    ASSERT_EQ(files.order.size(), count);
    std::vector<std::string> got, expected;
    for (std::size_t i = 0; i < count; ++i) {
      // Listed order is kept; a name that decodes to itself keeps no disk copy.
      EXPECT_EQ(files.DiskName(i), disk[i]);
      if (files.DiskName(i) == files.names[i]) {
        EXPECT_TRUE(i >= files.diskNameOf.size() || files.diskNameOf[i] == ListedFiles::kOwnBytes);
      }
      EXPECT_EQ(files.names[i], DecodeDiskName(disk[i]));
      got.push_back(files.names[files.order[i]]);
      expected.push_back(files.names[i]);
    }
    std::sort(expected.begin(), expected.end(), NaturalLess);
    EXPECT_EQ(got, expected) << count;
  }
}

TEST(ListedNamesTest, LeftUnfinishedStopsItsThreadQuietly) {
  // A listing that fails half way (the caller returns early): nothing hangs.
  ListedNames listed;
  for (const std::string& name : FolderNames(10000)) listed.Add(name);
}

}  // namespace
}  // namespace tessarn
