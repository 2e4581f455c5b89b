// Sound and picture stay together across a join: on copies of the
// flash-and-beep pattern the beep follows its flash by the source's offset,
// within one audio frame, before and after the join point.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "append_fixture.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"

namespace cw::test {
namespace {

constexpr double kLayer2FrameMs = 1152.0 / 44.1;

struct Flash {
  double seconds = 0.0;
  double offsetMs = 0.0;
};

// The flashes cw-sync-measure paired with their beep.
std::vector<Flash> pairedFlashes(const std::string& path) {
  std::vector<Flash> out;
  const CommandResult r = runProgram({binaryPath("cw-sync-measure"), path});
  for (const std::string& line : splitLines(r.out)) {
    Flash f;
    if (std::sscanf(line.c_str(), "%lf %lf", &f.seconds, &f.offsetMs) == 2) out.push_back(f);
  }
  return out;
}

// The pattern's own offset, measured once (it takes a while).
double sourceOffsetMs() {
  static const double offset = [] {
    const std::vector<Flash> flashes = pairedFlashes(corpusPath("syncflash.mpg"));
    return flashes.empty() ? NAN : flashes.front().offsetMs;
  }();
  return offset;
}

class JoinSync : public JoinFixture {
 protected:
  // Every flash keeps the source's offset; at least `each` flashes on both
  // sides of `joinSeconds` (on the record's time-stamp line).
  void expectInSync(double joinSeconds, int each) {
    const double reference = sourceOffsetMs();
    ASSERT_FALSE(std::isnan(reference));
    int before = 0;
    int after = 0;
    for (const Flash& f : pairedFlashes(ctx.recordFileName)) {
      EXPECT_NEAR(f.offsetMs, reference, kLayer2FrameMs) << "flash at " << f.seconds;
      (f.seconds < joinSeconds ? before : after)++;
    }
    EXPECT_GE(before, each);
    EXPECT_GE(after, each);
  }

  // Where the record's video ends now: the join lies there for an append.
  double videoEndSeconds() const {
    const ProbeInfo info = ffprobeFile(ctx.recordFileName);
    const ProbeStream* v = info.first("video");
    return v == nullptr ? 0.0 : v->startTime + v->duration;
  }
};

TEST_F(JoinSync, AppendKeepsTheBeepWithItsFlash) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(makeRecord("syncflash.mpg", 2.0, 8.0, mode));
    const double join = videoEndSeconds();
    ASSERT_EQ(append("syncflash.mpg", 20.3, 26.0), 0) << ctx.error.message;
    expectInSync(join, 4);
  }
}

// A VideoCD record keeps the distance between sound and picture that the
// source has at the cut, as an MPEG System record does, so that the joins
// onto it start from a record in sync.
TEST_F(JoinSync, VideoCdCropKeepsTheSourcesDistance) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const double reference = sourceOffsetMs();
  ASSERT_FALSE(std::isnan(reference));
  for (const int mode : {1, 2}) {
    for (const double in : {2.3, 20.2}) {
      SCOPED_TRACE(std::to_string(mode) + " at " + std::to_string(in));
      ASSERT_TRUE(makeRecord("syncflash.mpg", in, in + 3.0, mode));
      const std::vector<Flash> flashes = pairedFlashes(ctx.recordFileName);
      EXPECT_GE(flashes.size(), 2u);
      for (const Flash& f : flashes) {
        EXPECT_NEAR(f.offsetMs, reference, 2.0) << "flash at " << f.seconds;
      }
    }
  }
}

TEST_F(JoinSync, EntryKeepsTheBeepWithItsFlash) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(makeRecord("syncflash.mpg", 2.0, 14.0, 2));
  const ProbeInfo info = ffprobeFile(ctx.recordFileName);
  ASSERT_NE(info.first("video"), nullptr);
  const double start = info.first("video")->startTime;
  ASSERT_EQ(entry("syncflash.mpg", 21.6, 28.0, 6.5), 0) << ctx.error.message;
  expectInSync(start + 6.0, 4);
}

}  // namespace
}  // namespace cw::test
