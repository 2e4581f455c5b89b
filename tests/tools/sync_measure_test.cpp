// cw-sync-measure must see the sync of the pattern file and a known shift
// of its sound.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

struct Pair {
  double flash = 0.0;
  double offsetMs = 0.0;
};

std::vector<Pair> measure(const std::string& path) {
  CommandResult run = runProgram({binaryPath("cw-sync-measure"), path});
  std::vector<Pair> pairs;
  for (const auto& line : splitLines(run.out)) {
    Pair p;
    if (std::sscanf(line.c_str(), "%lf %lf", &p.flash, &p.offsetMs) == 2) pairs.push_back(p);
  }
  return pairs;
}

TEST(SyncMeasure, PatternIsSteadyAndAShiftedCopyShowsTheShift) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(isExecutable(binaryPath("cw-sync-measure")));
  std::vector<Pair> source = measure(corpusPath("syncflash.mpg"));
  ASSERT_GE(source.size(), 39u);
  // Flashes one second apart, beeps at a constant offset (the encoder's delay).
  for (std::size_t i = 1; i < source.size(); ++i) {
    EXPECT_NEAR(source[i].flash - source[i - 1].flash, 1.0, 0.04);
    EXPECT_NEAR(source[i].offsetMs, source[0].offsetMs, 1.0);
  }
  EXPECT_LT(std::fabs(source[0].offsetMs), 5.0);

  TempDir dir;
  std::string shifted = dir.file("late.mpg");
  CommandResult remux = runProgram({"ffmpeg",     "-nostdin",
                                    "-v",         "error",
                                    "-i",         corpusPath("syncflash.mpg"),
                                    "-itsoffset", "0.2",
                                    "-i",         corpusPath("syncflash.mpg"),
                                    "-map",       "0:v",
                                    "-map",       "1:a",
                                    "-c",         "copy",
                                    "-t",         "8",
                                    "-f",         "vcd",
                                    shifted});
  ASSERT_EQ(remux.exitCode, 0);
  std::vector<Pair> late = measure(shifted);
  ASSERT_GE(late.size(), 6u);
  // The remultiplexer moves the sound by about 200 ms; how far exactly, its
  // time stamps say.
  auto lead = [](const std::string& path) {
    ProbeInfo info = ffprobeFile(path);
    return (info.first("audio")->startTime - info.first("video")->startTime) * 1000.0;
  };
  double shift = lead(shifted) - lead(corpusPath("syncflash.mpg"));
  ASSERT_NEAR(shift, 200.0, 20.0);
  for (const Pair& p : late) EXPECT_NEAR(p.offsetMs - source[0].offsetMs, shift, 1.5) << p.flash;
}

}  // namespace
}  // namespace cw::test
