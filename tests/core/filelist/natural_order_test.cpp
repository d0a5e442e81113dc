#include "core/filelist/natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

TEST(NaturalOrderTest, PairsInOrder) {
  struct Case {
    std::string smaller, larger;
  } const cases[] = {
      {"IMG_2", "IMG_10"},
      {"a", "B"},           // case does not count...
      {"A", "a"},           // ...except to break a tie, by the bytes
      {"file01", "file1"},  // equal value: the bytes decide
      {"file1", "file002"},
      {"x9y", "x10a"},
      {"track 9.mp3", "track 10.mp3"},
      {"abc", "abcd"},
      {"a.txt", "a1.txt"},                                // "." sorts before digits
      {"99999999999999999999", "100000000000000000000"},  // longer than 64 bits
      {"z", Gb("中")},       // a multi-byte character after every ASCII one
      {Gb("啊"), Gb("中")},  // GB order of Chinese characters
      {"", "a"},
  };
  for (const Case& c : cases) {
    EXPECT_LT(NaturalCompare(c.smaller, c.larger), 0) << c.smaller << " < " << c.larger;
    EXPECT_GT(NaturalCompare(c.larger, c.smaller), 0) << c.larger << " > " << c.smaller;
  }
  EXPECT_EQ(NaturalCompare("same", "same"), 0);
}

TEST(NaturalOrderTest, BytesInsideACharacterAreNotTakenForDigitsOrLetters) {
  // Two-byte characters whose trail bytes are "A" and "a": never folded together.
  EXPECT_LT(NaturalCompare("x\xB1\x41", "x\xB1\x61"), 0);
  EXPECT_GT(NaturalCompare("x\xB1\x61", "x\xB1\x41"), 0);
  // Four-byte characters hold digit bytes ("\x81\x30\x81\x39"); they are no
  // number: "...\x39" is after "...\x30" however the digits would read.
  const std::string four0 = "\x81\x30\x81\x30", four9 = "\x81\x30\x81\x39";
  EXPECT_LT(NaturalCompare(four0 + "99", four9 + "1"), 0);
  // The number after such a character still counts by value.
  EXPECT_LT(NaturalCompare(four0 + "5", four0 + "10"), 0);
}

TEST(NaturalOrderTest, SortsAFolderAsAFileManagerShowsIt) {
  std::vector<std::string> names = {"IMG_10.jpg",  "img_2.jpg", "IMG_1.jpg", "Readme",
                                    "IMG_100.jpg", "a",         ".hidden"};
  std::sort(names.begin(), names.end(), NaturalLess);
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "a", "IMG_1.jpg", "img_2.jpg", "IMG_10.jpg",
                                             "IMG_100.jpg", "Readme"}));
}

}  // namespace
}  // namespace tessarn

namespace tessarn {
namespace {

TEST(NaturalOrderTest, SortOrderOfManyNamesAgreesWithNaturalLess) {
  // Long shared prefixes (past the 16 key bytes kept beside each item, and past
  // twice that), zeros, case variants and multi-byte characters.
  std::vector<std::string> names;
  const char* stems[] = {"A rather long shared prefix ",
                         "a rather LONG shared prefix ",
                         "x",
                         "x0",
                         "\xB8\xE8 ",
                         "\xE6\xAD\x8C",
                         "",
                         "Summer holiday 2019, the lake house, day 0",
                         "summer holiday 2019, the lake house, day 00"};
  constexpr unsigned kStems = sizeof stems / sizeof stems[0];
  unsigned seed = 7;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    std::string name = stems[seed % kStems];
    name += std::to_string((seed >> 8) % 120);
    if (seed & 0x10000) name += (seed & 0x20000) ? ".TXT" : "0.txt";
    names.push_back(name);
  }
  // Many names are sorted by radix passes (the most on two threads), a few by
  // comparing: all agree.
  for (const std::size_t count :
       {names.size(), std::size_t{3000}, std::size_t{400}, std::size_t{100}}) {
    const std::vector<std::string> some(names.begin(), names.begin() + count);
    std::vector<std::string> expected = some;
    std::sort(expected.begin(), expected.end(), NaturalLess);
    std::vector<std::string> got;
    for (std::uint32_t i : NaturalSortOrder(some)) got.push_back(some[i]);
    EXPECT_EQ(got, expected) << count;
  }
}

}  // namespace
}  // namespace tessarn
