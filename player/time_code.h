// Time code text, slider arithmetic and natural playback rates of the player.
// Positions are seconds held as doubles; -1 marks a value that is not set.
#pragma once

#include <cstdint>
#include <string>

namespace cw::player {

inline constexpr double kNotSet = -1.0;
// The position slider counts per mille of the clip length, whatever its range.
inline constexpr double kSliderScale = 1000.0;

// "HH:MM:SS:FF", frames counted at 1 / stepSize per second; "(value not set)"
// for -1. Computed in 64 bits, so long clips keep their hours. A step size
// that is not positive leaves the frame field at 00.
std::string formatTimeCode(double seconds, double stepSize);

// Slider value for a position: position * 1000 / length, rounded down; 0 for a
// clip of no length.
std::int32_t sliderValueFor(double position, double length);

// Position for a slider value: value * length / 1000.
double positionForSliderValue(std::int32_t value, double length);

// Length of the marked stretch on the slider: (markOut - markIn) * 1000 /
// length rounded to the nearest, halves to even; 0 for a clip of no length.
std::int32_t selectionLengthFor(double markIn, double markOut, double length);

// Natural rate of a file from the extension its host reports: "m15" plays at
// half speed, "m75" at a quarter, anything else (compared exactly) at normal.
struct NaturalRate {
  int percent;    // value of the frame-rate slider
  double factor;  // playback rate factor
};
NaturalRate naturalRateFor(const std::string& extension);

}  // namespace cw::player
