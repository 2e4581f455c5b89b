// Screen lengths of the player control are kept in twips (1/1440 inch), as its
// hosts give them. This is the one place that turns them into pixels.
#pragma once

namespace cw::player {

// An ordinary display: 96 pixels per inch.
inline constexpr int kTwipsPerPixel = 15;

// Pixels for a length in twips, rounded down as the video window sizes are.
constexpr int twipsToPixels(double twips) {
  const double px = twips / kTwipsPerPixel;
  const int whole = static_cast<int>(px);
  return (px < 0 && whole != px) ? whole - 1 : whole;
}

constexpr double pixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }

}  // namespace cw::player
