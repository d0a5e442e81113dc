#include "core/id3/genre_table.h"

namespace tessarn {
namespace {

// clang-format off
constexpr std::array<const char*, kGenreCount> kNames = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical",
    "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock",
    "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
    "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance",
    "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap",
    "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave",
    "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro",
    "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock", "National Folk", "Swing",
    "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde",
    "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock",
    "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
    "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire",
    "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul",
    "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella", "Euro-House", "Dance Hall"};

// The combo boxes' order: near-alphabetical, with a name continued by a space
// before the shorter name and a name continued by a letter or sign after it.
constexpr std::array<GenreComboItem, kGenreCount> kComboItems = {{
    {"A capella", 123},       {"Acid Jazz", 74},        {"Acid Punk", 73},
    {"Acid", 34},             {"Acoustic", 99},         {"Alternative", 20},
    {"AlternRock", 40},       {"Ambient", 26},          {"Avantgarde", 90},
    {"Ballad", 116},          {"Bass", 41},             {"Bebob", 85},
    {"Big Band", 96},         {"Bluegrass", 89},        {"Blues", 0},
    {"Booty Bass", 107},      {"Cabaret", 65},          {"Celtic", 88},
    {"Chamber Music", 104},   {"Chanson", 102},         {"Chorus", 97},
    {"Christian Rap", 61},    {"Classic Rock", 1},      {"Classical", 32},
    {"Club", 112},            {"Comedy", 57},           {"Country", 2},
    {"Cult", 58},             {"Dance Hall", 125},      {"Dance", 3},
    {"Darkwave", 50},         {"Death Metal", 22},      {"Disco", 4},
    {"Dream", 55},            {"Drum Solo", 122},       {"Duet", 120},
    {"Easy Listening", 98},   {"Electronic", 52},       {"Ethnic", 48},
    {"Eurodance", 54},        {"Euro-House", 124},      {"Euro-Techno", 25},
    {"Fast Fusion", 84},      {"Folk", 80},             {"Folklore", 115},
    {"Folk-Rock", 81},        {"Freestyle", 119},       {"Funk", 5},
    {"Fusion", 30},           {"Game", 36},             {"Gangsta", 59},
    {"Gospel", 38},           {"Gothic Rock", 91},      {"Gothic", 49},
    {"Grunge", 6},            {"Hard Rock", 79},        {"Hip-Hop", 7},
    {"House", 35},            {"Humour", 100},          {"Industrial", 19},
    {"Instrumental Pop", 46}, {"Instrumental Rock", 47}, {"Instrumental", 33},
    {"Jazz", 8},              {"Jazz+Funk", 29},        {"Jungle", 63},
    {"Latin", 86},            {"Lo-Fi", 71},            {"Meditative", 45},
    {"Metal", 9},             {"Musical", 77},          {"National Folk", 82},
    {"Native American", 64},  {"New Age", 10},          {"New Wave", 66},
    {"Noise", 39},            {"Oldies", 11},           {"Opera", 103},
    {"Other", 12},            {"Polka", 75},            {"Pop", 13},
    {"Pop/Funk", 62},         {"Pop-Folk", 53},         {"Porn Groove", 109},
    {"Power Ballad", 117},    {"Pranks", 23},           {"Primus", 108},
    {"Progressive Rock", 92}, {"Psychadelic", 67},      {"Psychedelic Rock", 93},
    {"Punk Rock", 121},       {"Punk", 43},             {"R&B", 14},
    {"Rap", 15},              {"Rave", 68},             {"Reggae", 16},
    {"Retro", 76},            {"Revival", 87},          {"Rhythmic Soul", 118},
    {"Rock & Roll", 78},      {"Rock", 17},             {"Samba", 114},
    {"Satire", 110},          {"Showtunes", 69},        {"Ska", 21},
    {"Slow Jam", 111},        {"Slow Rock", 95},        {"Sonata", 105},
    {"Soul", 42},             {"Sound Clip", 37},       {"Soundtrack", 24},
    {"Southern Rock", 56},    {"Space", 44},            {"Speech", 101},
    {"Swing", 83},            {"Symphonic Rock", 94},   {"Symphony", 106},
    {"Tango", 113},           {"Techno", 18},           {"Techno-Industrial", 51},
    {"Top 40", 60},           {"Trailer", 70},          {"Trance", 31},
    {"Tribal", 72},           {"Trip-Hop", 27},         {"Vocal", 28},
}};
// clang-format on

constexpr std::array<std::int16_t, kGenreCount> MakePositions() {
  std::array<std::int16_t, kGenreCount> positions{};
  for (int i = 0; i < kGenreCount; ++i)
    positions[kComboItems[i].value] = static_cast<std::int16_t>(i);
  return positions;
}
constexpr std::array<std::int16_t, kGenreCount> kPositions = MakePositions();

}  // namespace

void FillGenreTable(GenreTable& table) {
  table.genrePositions = kPositions;
  for (int n = 0; n < kGenreCount; ++n) table.genreNames[n] = kNames[n];
}

const std::array<GenreComboItem, kGenreCount>& GenreComboItems() { return kComboItems; }

const char* GenreName(int number) {
  return number >= 0 && number < kGenreCount ? kNames[number] : nullptr;
}

int GenrePosition(int number) {
  return number >= 0 && number < kGenreCount ? kPositions[number] : -1;
}

}  // namespace tessarn
