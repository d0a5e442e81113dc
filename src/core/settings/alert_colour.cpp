#include "core/settings/alert_colour.h"

#include <algorithm>
#include <cmath>

namespace tessarn {
namespace {

struct Rgb {
  double r, g, b;
};

Rgb Split(std::int32_t c) {
  return {static_cast<double>(c & 0xFF), static_cast<double>((c >> 8) & 0xFF),
          static_cast<double>((c >> 16) & 0xFF)};
}

constexpr std::int32_t Ref(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// Relative luminance and the contrast ratio of two colours, as text legibility
// guidelines measure them.
double Luminance(std::int32_t c) {
  auto channel = [](double v) {
    v /= 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  const Rgb x = Split(c);
  return 0.2126 * channel(x.r) + 0.7152 * channel(x.g) + 0.0722 * channel(x.b);
}

double Contrast(std::int32_t a, std::int32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Far enough apart to be told at a glance in a list of names.
constexpr double kApart = 150;
// Legible as text on the background.
constexpr double kLegible = 1.5;

}  // namespace

double ColourDistance(std::int32_t a, std::int32_t b) {
  const Rgb x = Split(a), y = Split(b);
  const double meanRed = (x.r + y.r) / 2;
  const double dr = x.r - y.r, dg = x.g - y.g, db = x.b - y.b;
  return std::sqrt((2 + meanRed / 256) * dr * dr + 4 * dg * dg + (2 + (255 - meanRed) / 256) * db * db);
}

std::int32_t AlertColour(std::int32_t textColour, std::int32_t backColour) {
  // Red first: what a failure looks like everywhere else.
  static constexpr std::int32_t kCandidates[] = {
      Ref(210, 30, 30),  Ref(255, 80, 80),  Ref(230, 110, 0), Ref(200, 0, 200),
      Ref(255, 140, 255), Ref(0, 90, 230),   Ref(0, 200, 255), Ref(255, 220, 0),
      Ref(0, 150, 60),   Ref(0, 0, 0),       Ref(255, 255, 255)};
  auto apart = [&](std::int32_t c) {
    return std::min(ColourDistance(c, textColour), ColourDistance(c, backColour));
  };
  for (std::int32_t c : kCandidates)
    if (apart(c) >= kApart && Contrast(c, backColour) >= kLegible) return c;
  // Nothing is far enough from both: the furthest that is still legible.
  std::int32_t best = kCandidates[0];
  double bestScore = -1;
  for (std::int32_t c : kCandidates) {
    const double score = apart(c) * std::min(1.0, Contrast(c, backColour) / kLegible);
    if (score > bestScore) {
      bestScore = score;
      best = c;
    }
  }
  return best;
}

}  // namespace tessarn
