// Audio/video sync survives a crop: on syncflash.mpg, a white picture and a
// beep at every whole second, the beep-to-flash offset of every flash in a
// cut equals the source's within one audio frame, in all three system-stream
// modes and for cuts that start in the middle of the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "crop_fixture.h"
#include "support/corpus.h"
#include "support/validation.h"

namespace cw::test {
namespace {

constexpr double kAudioFrameMs = 1152.0 * 1000.0 / 44100.0;  // 26.1 ms

double medianOffset(const std::vector<SyncPoint>& points) {
  std::vector<double> offsets;
  for (const SyncPoint& p : points) {
    if (p.paired) offsets.push_back(p.offsetMs);
  }
  if (offsets.empty()) return NAN;
  std::sort(offsets.begin(), offsets.end());
  return offsets[offsets.size() / 2];
}

class CropAcceptSync : public CropFixture {};

TEST_F(CropAcceptSync, FlashOffsetsSurviveEverySystemMode) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const std::vector<SyncPoint> original = measureSync(corpusPath("syncflash.mpg"));
  ASSERT_GE(original.size(), 30u) << "cw-sync-measure found too few flashes in the source";
  const double reference = medianOffset(original);
  for (const SyncPoint& p : original) {
    ASSERT_TRUE(p.paired) << "source flash at " << p.flashSeconds;
    ASSERT_NEAR(p.offsetMs, reference, 2.0) << "source flash at " << p.flashSeconds;
  }

  struct Marks {
    double in, out;
  };
  for (const Marks marks : {Marks{0.0, 1e6}, Marks{10.45, 30.6}, Marks{23.3, 39.8}}) {
    for (int mode = 0; mode <= 2; ++mode) {
      SCOPED_TRACE("marks " + std::to_string(marks.in) + "-" + std::to_string(marks.out) +
                   " mode " + std::to_string(mode));
      ASSERT_TRUE(useCorpusSource("syncflash.mpg"));
      ASSERT_EQ(crop(marks.in, marks.out, mode), 0) << ctx.error.message;
      const std::vector<SyncPoint> cut = measureSync(ctx.recordFileName);
      const double seconds = std::min(marks.out, 40.0) - marks.in;
      EXPECT_GE(static_cast<double>(cut.size()), seconds - 2.0);
      for (const SyncPoint& p : cut) {
        EXPECT_TRUE(p.paired) << "flash at " << p.flashSeconds << " has no beep";
        if (p.paired) {
          EXPECT_LE(std::fabs(p.offsetMs - reference), kAudioFrameMs)
              << "flash at " << p.flashSeconds << ": offset " << p.offsetMs << " ms, source "
              << reference << " ms";
        }
      }
    }
  }
}

}  // namespace
}  // namespace cw::test
