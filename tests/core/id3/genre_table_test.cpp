#include "core/id3/genre_table.h"

#include <gtest/gtest.h>

#include <set>

namespace tessarn {
namespace {

TEST(GenreTable, PositionsArePermutationAndItemsMatchNames) {
  GenreTable table;
  FillGenreTable(table);
  std::set<int> seen;
  for (int n = 0; n < kGenreCount; ++n) {
    const int pos = table.genrePositions[n];
    ASSERT_GE(pos, 0);
    ASSERT_LT(pos, kGenreCount);
    seen.insert(pos);
    EXPECT_EQ(GenreComboItems()[pos].value, n);
    EXPECT_EQ(table.genreNames[n], GenreComboItems()[pos].text) << n;
    EXPECT_EQ(GenrePosition(n), pos);
    EXPECT_EQ(table.genreNames[n], GenreName(n));
  }
  EXPECT_EQ(seen.size(), 126u);
}

TEST(GenreTable, KnownEntries) {
  struct Case {
    int number;
    const char* name;
    int position;
  };
  const Case cases[] = {{0, "Blues", 14},        {17, "Rock", 100},
                        {125, "Dance Hall", 28}, {123, "A capella", 0},
                        {28, "Vocal", 125},      {34, "Acid", 3},
                        {74, "Acid Jazz", 1},    {73, "Acid Punk", 2},
                        {67, "Psychadelic", 88}, {93, "Psychedelic Rock", 89},
                        {80, "Folk", 43},        {115, "Folklore", 44}};
  for (const auto& c : cases) {
    EXPECT_STREQ(GenreName(c.number), c.name);
    EXPECT_EQ(GenrePosition(c.number), c.position) << c.name;
  }
}

TEST(GenreTable, NumbersOutsideTheTableHaveNoEntry) {
  for (int n : {-1, 126, 255}) {
    EXPECT_EQ(GenreName(n), nullptr);
    EXPECT_EQ(GenrePosition(n), -1);
  }
}

}  // namespace
}  // namespace tessarn
