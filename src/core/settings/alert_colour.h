// The colour that marks rows in trouble (a new name that cannot be had), chosen
// against the user's own list colours: a fixed red vanishes in a dark-red text or
// on a red background.
#pragma once

#include <cstdint>

namespace tessarn {

// A colour 0x00BBGGRR, as config.ini keeps the list's colours. Red when it stands
// well apart from both the text and the background colour; otherwise the one of a
// few strong colours that stands furthest from both, always legible on the
// background.
std::int32_t AlertColour(std::int32_t textColour, std::int32_t backColour);

// How far apart two colours look: 0 for the same colour, about 765 for black and
// white (the "redmean" weighting of the RGB distance).
double ColourDistance(std::int32_t a, std::int32_t b);

}  // namespace tessarn
