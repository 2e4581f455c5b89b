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
#include "support/validation.h"

namespace cw::test {
namespace {

// Only the flashes that found their beep.
std::vector<SyncPoint> measure(const std::string& path) {
  std::vector<SyncPoint> paired;
  for (const SyncPoint& p : measureSync(path))
    if (p.paired) paired.push_back(p);
  return paired;
}

TEST(SyncMeasure, PatternIsSteadyAndAShiftedCopyShowsTheShift) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(isExecutable(binaryPath("cw-sync-measure")));
  std::vector<SyncPoint> pattern = measure(corpusPath("syncflash.mpg"));
  ASSERT_GE(pattern.size(), 39u);
  // Flashes one second apart, each beep with its flash.
  for (std::size_t i = 1; i < pattern.size(); ++i) {
    EXPECT_NEAR(pattern[i].flashSeconds - pattern[i - 1].flashSeconds, 1.0, 0.04);
    EXPECT_NEAR(pattern[i].offsetMs, pattern[0].offsetMs, 1.0);
  }
  EXPECT_LT(std::fabs(pattern[0].offsetMs), 5.0);

  TempDir dir;
  std::string shifted = dir.file("late.mpg");
  std::string source = corpusPath("syncflash.mpg");
  // The picture of the first input with the sound of the second, 0.2 s later.
  std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-i", source};
  argv.insert(argv.end(), {"-itsoffset", "0.2", "-i", source, "-map", "0:v", "-map", "1:a"});
  argv.insert(argv.end(), {"-c", "copy", "-t", "8", "-f", "vcd", shifted});
  CommandResult remux = runProgram(argv);
  ASSERT_EQ(remux.exitCode, 0);
  std::vector<SyncPoint> late = measure(shifted);
  ASSERT_GE(late.size(), 6u);
  // The remultiplexer moves the sound by about 200 ms; how far exactly, its
  // time stamps say.
  auto lead = [](const std::string& path) {
    ProbeInfo info = ffprobeFile(path);
    return (info.first("audio")->startTime - info.first("video")->startTime) * 1000.0;
  };
  double shift = lead(shifted) - lead(source);
  ASSERT_NEAR(shift, 200.0, 20.0);
  for (const SyncPoint& p : late)
    EXPECT_NEAR(p.offsetMs - pattern[0].offsetMs, shift, 1.5) << p.flashSeconds;
}

}  // namespace
}  // namespace cw::test
