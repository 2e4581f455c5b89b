#include "player/time_code.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace cw::player {
namespace {

constexpr std::int64_t kUnitsPerSecond = 100000;  // 10 microseconds
constexpr std::int64_t kUnitsPerHour = 3600 * kUnitsPerSecond;
constexpr std::int64_t kUnitsPerMinute = 60 * kUnitsPerSecond;

std::string twoDigits(std::int64_t field) {
  std::string text = std::to_string(field);
  return text.size() < 2 ? "0" + text : text;
}

// Units of 10 microseconds, rounded down; the sign is dropped as the fields are
// written without one, and values beyond 64 bits are held at the largest.
std::int64_t unitsOf(double seconds) {
  const double units = std::floor(std::fabs(seconds) * kUnitsPerSecond);
  if (!std::isfinite(units)) return 0;
  if (units >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(units);
}

// A slider quantity held in 32 bits; 0 when it is not a number.
std::int32_t toInt32(double value) {
  if (!std::isfinite(value)) return 0;
  if (value > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::string formatTimeCode(double seconds, double stepSize) {
  if (seconds == kNotSet) return "(value not set)";
  std::int64_t t = unitsOf(seconds);
  const std::int64_t hours = t / kUnitsPerHour;
  t %= kUnitsPerHour;
  const std::int64_t minutes = t / kUnitsPerMinute;
  t %= kUnitsPerMinute;
  const std::int64_t secs = t / kUnitsPerSecond;
  t %= kUnitsPerSecond;
  std::int64_t frames = 0;
  if (stepSize > 0 && std::isfinite(stepSize)) {
    const double fps = 1.0 / stepSize;
    const double field = std::floor(static_cast<double>(t) * fps / kUnitsPerSecond);
    frames = field < 9.2e18 ? static_cast<std::int64_t>(field) : 0;
  }
  return twoDigits(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(secs) + ":" +
         twoDigits(frames);
}

std::int32_t sliderValueFor(double position, double length) {
  if (!(length != 0) || !std::isfinite(length)) return 0;
  const double value = std::floor(position * kSliderScale / length);
  return toInt32(value);
}

double positionForSliderValue(std::int32_t value, double length) {
  return static_cast<double>(value) * length / kSliderScale;
}

std::int32_t selectionLengthFor(double markIn, double markOut, double length) {
  if (!(length != 0) || !std::isfinite(length)) return 0;
  const double value = std::nearbyint((markOut - markIn) * kSliderScale / length);
  return toInt32(value);
}

NaturalRate naturalRateFor(const std::string& extension) {
  if (extension == "m15") return {50, 0.5};
  if (extension == "m75") return {25, 0.25};
  return {100, 1.0};
}

}  // namespace cw::player
