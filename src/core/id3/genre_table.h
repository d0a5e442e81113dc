// The 126 genres an ID3 tag can name by number (0 to 125), and the fixed order in
// which the tag editor's two genre combo boxes list them. The order of the combo
// list is data, not a sort: "Acid Jazz" comes before "Acid", "Folk" before
// "Folklore".
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tessarn {

inline constexpr int kGenreCount = 126;

struct GenreTable {
  // Index = genre number.
  std::array<std::string, kGenreCount> genreNames;
  // Index = genre number; value = index of that genre's item in the combo list.
  std::array<std::int16_t, kGenreCount> genrePositions{};
};

// Fills both arrays.
void FillGenreTable(GenreTable& table);

// One item of the genre combo boxes: the text shown and the genre number it carries.
struct GenreComboItem {
  const char* text;
  int value;
};
// The 126 combo items, index 0 first ("A capella", ..., "Vocal").
const std::array<GenreComboItem, kGenreCount>& GenreComboItems();

// Genre number to name (ASCII, thus valid GB18030); nullptr outside 0..125.
const char* GenreName(int number);
// Genre number to combo position; -1 outside 0..125.
int GenrePosition(int number);

}  // namespace tessarn
