// Cut lists and edit decision lists as users and detectors write them.
#include <gtest/gtest.h>

#include "engine/edit/cut_list.h"

namespace cw {
namespace {

TEST(CutTime, SecondsAndClockTimes) {
  double t = -1;
  ASSERT_TRUE(parseCutTime("75.5", t));
  EXPECT_DOUBLE_EQ(t, 75.5);
  ASSERT_TRUE(parseCutTime("01:02:03.250", t));
  EXPECT_DOUBLE_EQ(t, 3723.25);
  ASSERT_TRUE(parseCutTime("2:05", t));
  EXPECT_DOUBLE_EQ(t, 125.0);
  ASSERT_TRUE(parseCutTime("100:00:00", t));  // hours may exceed a day
  EXPECT_DOUBLE_EQ(t, 360000.0);
  // Nothing that only strtod would take, and no field past its range.
  for (const char* bad : {"", "-1", "1e3", "inf", "nan", "0x10", "1..2", ".", "1:60", "1:00:60",
                          "1:2:3:4", ":5", "1:", "abc", "12s"}) {
    EXPECT_FALSE(parseCutTime(bad, t)) << bad;
  }
}

TEST(KeepList, ReadsStretchesSkipsCommentsAndNamesTheBadLine) {
  std::vector<Stretch> list;
  CutListProblem problem;
  ASSERT_TRUE(parseKeepList("# intro\n\n2 7.5\r\n00:00:10.000\t00:00:12.5  # the goal\n30 31\n",
                            list, problem));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_DOUBLE_EQ(list[0].start, 2.0);
  EXPECT_DOUBLE_EQ(list[1].end, 12.5);
  EXPECT_DOUBLE_EQ(list[2].start, 30.0);

  // Each fault names its line (counted with comments and blank lines),
  // and the list read before stays as it was.
  const std::pair<const char*, int> faults[] = {
      {"1 2\n\n# x\n5\n", 4}, {"1 2\n3 4 5\n", 2}, {"4 3\n", 1}, {"1 1\n", 1}, {"1 x\n", 1}};
  for (const auto& [text, line] : faults) {
    problem = {};
    EXPECT_FALSE(parseKeepList(text, list, problem)) << text;
    EXPECT_EQ(problem.line, line) << text;
    EXPECT_FALSE(problem.reason.empty());
    EXPECT_EQ(list.size(), 3u);
  }
}

TEST(EditDecisionList, CutsAreActionsZeroAndThreeOnly) {
  std::vector<Stretch> cuts;
  CutListProblem problem;
  ASSERT_TRUE(parseEditDecisionList("0.00\t12.40\t0\n100 160 3\n200 201 1\n", cuts, problem));
  ASSERT_EQ(cuts.size(), 2u);  // muting (1) is no cut
  EXPECT_DOUBLE_EQ(cuts[1].start, 100.0);
  EXPECT_FALSE(parseEditDecisionList("1 2 0\n3 4\n", cuts, problem));
  EXPECT_EQ(problem.line, 2);
  EXPECT_FALSE(parseEditDecisionList("1 2 cut\n", cuts, problem));
  EXPECT_EQ(problem.line, 1);
}

TEST(EditDecisionList, KeepsWhatLiesBetweenTheCuts) {
  // Out of order, overlapping, one from the start and one past the end.
  const std::vector<Stretch> kept = keptBetween({{50, 60}, {0, 5}, {55, 70}, {90, 200}}, 100.0);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_DOUBLE_EQ(kept[0].start, 5.0);
  EXPECT_DOUBLE_EQ(kept[0].end, 50.0);
  EXPECT_DOUBLE_EQ(kept[1].start, 70.0);
  EXPECT_DOUBLE_EQ(kept[1].end, 90.0);
  EXPECT_EQ(keptBetween({}, 10.0).size(), 1u);
  EXPECT_TRUE(keptBetween({{0, 10}}, 10.0).empty());
}

TEST(Stretch, FromAnOption) {
  Stretch s;
  ASSERT_TRUE(parseStretch("00:01:00.5-00:01:30", s));
  EXPECT_DOUBLE_EQ(s.start, 60.5);
  EXPECT_DOUBLE_EQ(s.end, 90.0);
  EXPECT_FALSE(parseStretch("5", s));
  EXPECT_FALSE(parseStretch("5-3", s));
  EXPECT_FALSE(parseStretch("-3", s));
}

}  // namespace
}  // namespace cw
