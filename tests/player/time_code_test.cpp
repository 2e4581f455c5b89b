// Time code text, slider arithmetic and natural rates.
#include "player/time_code.h"

#include <gtest/gtest.h>

namespace cw::player {
namespace {

constexpr double kDefaultStep = 0.03333;

TEST(FormatTimeCode, FieldsAtTheDefaultStep) {
  EXPECT_EQ(formatTimeCode(0, kDefaultStep), "00:00:00:00");
  EXPECT_EQ(formatTimeCode(62.5, kDefaultStep), "00:01:02:15");
  EXPECT_EQ(formatTimeCode(3600, kDefaultStep), "01:00:00:00");
  EXPECT_EQ(formatTimeCode(0.5, kDefaultStep), "00:00:00:15");
  EXPECT_EQ(formatTimeCode(0.5, 0.04), "00:00:00:12");
  EXPECT_EQ(formatTimeCode(-1, kDefaultStep), "(value not set)");
  // Rounded down to 10 microseconds before the fields are taken apart.
  EXPECT_EQ(formatTimeCode(59.999999, 0.04), "00:00:59:24");
  EXPECT_EQ(formatTimeCode(1001.0 / 30000 * 30, 1001.0 / 30000), "00:00:01:00");
  EXPECT_EQ(formatTimeCode(1001.0 / 30000 * 31, 1001.0 / 30000), "00:00:01:01");
}

TEST(FormatTimeCode, LongPositionsKeepTheirHours) {
  // Past 21474.83648 s a 32-bit count of 10-microsecond units overflows.
  EXPECT_EQ(formatTimeCode(21474.83648, 0.04), "05:57:54:20");
  EXPECT_EQ(formatTimeCode(8 * 3600 + 1.5, 0.04), "08:00:01:12");
  EXPECT_EQ(formatTimeCode(100 * 3600 + 61, kDefaultStep), "100:01:01:00");
}

TEST(FormatTimeCode, StepSizeOfZeroLeavesTheFrameFieldAtZero) {
  EXPECT_EQ(formatTimeCode(2.5, 0), "00:00:02:00");
  EXPECT_EQ(formatTimeCode(2.5, -0.04), "00:00:02:00");
  EXPECT_EQ(formatTimeCode(2.5, 1e-300), "00:00:02:00");
}

TEST(SliderArithmetic, PerMilleOfTheLength) {
  EXPECT_EQ(sliderValueFor(5, 10), 500);
  EXPECT_EQ(sliderValueFor(9.9999, 10), 999);  // rounded down
  EXPECT_EQ(sliderValueFor(10, 10), 1000);
  EXPECT_DOUBLE_EQ(positionForSliderValue(250, 12), 3.0);
  // Nearest, halves to even: 2.5 -> 2, 3.5 -> 4.
  EXPECT_EQ(selectionLengthFor(0, 0.25, 100), 2);
  EXPECT_EQ(selectionLengthFor(0, 0.35, 100), 4);
  EXPECT_EQ(selectionLengthFor(1, 4, 12), 250);
  EXPECT_EQ(selectionLengthFor(-1, 6, 12), 583);  // an unset mark in counts as -1
}

TEST(SliderArithmetic, ClipOfNoLengthGivesZeroInsteadOfDividing) {
  EXPECT_EQ(sliderValueFor(3, 0), 0);
  EXPECT_EQ(selectionLengthFor(0, 3, 0), 0);
  EXPECT_EQ(positionForSliderValue(500, 0), 0);
}

TEST(NaturalRate, OnlyExactLowerCaseExtensionsSlowDown) {
  EXPECT_EQ(naturalRateFor("m15").percent, 50);
  EXPECT_DOUBLE_EQ(naturalRateFor("m15").factor, 0.5);
  EXPECT_EQ(naturalRateFor("m75").percent, 25);
  EXPECT_DOUBLE_EQ(naturalRateFor("m75").factor, 0.25);
  for (const char* other : {"M15", ".m15", "mpg", "", "m1v"}) {
    EXPECT_EQ(naturalRateFor(other).percent, 100) << other;
    EXPECT_DOUBLE_EQ(naturalRateFor(other).factor, 1.0) << other;
  }
}

}  // namespace
}  // namespace cw::player
