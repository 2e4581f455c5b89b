// Sound and picture stay together across joins: on copies of the
// flash-and-beep pattern the beep follows its flash by the source's offset,
// within half an audio frame (the sound can only move by whole frames),
// before and after every join, however many joins there are; and both
// clocks run on across every join.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "append_fixture.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/validation.h"

namespace cw::test {
namespace {

// Half an audio frame of 1152 samples at 44.1 kHz.
constexpr double kHalfFrameMs = 1152.0 / 44.1 / 2.0;

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

// A pattern file's own offset, measured once per file (it takes a while).
double sourceOffsetMs(const std::string& name = "syncflash.mpg") {
  static std::map<std::string, double> measured;
  const auto known = measured.find(name);
  if (known != measured.end()) return known->second;
  const std::vector<Flash> flashes = pairedFlashes(corpusPath(name));
  const double offset = flashes.empty() ? NAN : flashes.front().offsetMs;
  measured[name] = offset;
  return offset;
}

// The largest distance of a flash's offset from `reference`, and how many
// flashes were paired.
struct Deviation {
  double worstMs = 0.0;
  int flashes = 0;
};
Deviation deviationFrom(const std::string& path, double reference) {
  Deviation d;
  for (const Flash& f : pairedFlashes(path)) {
    d.worstMs = std::max(d.worstMs, std::fabs(f.offsetMs - reference));
    ++d.flashes;
  }
  return d;
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
      EXPECT_NEAR(f.offsetMs, reference, kHalfFrameMs) << "flash at " << f.seconds;
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
  EXPECT_EQ(clockDefects(ctx.recordFileName, "v:0") + clockDefects(ctx.recordFileName, "a:0"), "");
}

struct PatternCase {
  const char* name;
  int mode;
};

class PatternJoins : public JoinSync, public ::testing::WithParamInterface<PatternCase> {
 protected:
  // Appends [in, out] of the case's file and checks both clocks.
  void appendChecked(double in, double out) {
    SCOPED_TRACE("append " + std::to_string(in) + "-" + std::to_string(out));
    ASSERT_EQ(append(GetParam().name, in, out), 0) << ctx.error.number << " " << ctx.error.message;
    EXPECT_EQ(clockDefects(ctx.recordFileName, "v:0"), "");
    EXPECT_EQ(clockDefects(ctx.recordFileName, "a:0"), "");
  }
};

// A crop and three appends, each join's error of its own: every second
// keeps the source's offset to within half a frame.
TEST_P(PatternJoins, ThreeAppendsKeepEverySecondInSync) {
  const PatternCase c = GetParam();
  CW_REQUIRE_CORPUS(c.name);
  const double reference = sourceOffsetMs(c.name);
  ASSERT_FALSE(std::isnan(reference));
  ASSERT_TRUE(makeRecord(c.name, 10.2, 30.5, c.mode));
  appendChecked(3.7, 12.9);
  appendChecked(20.3, 26.0);
  appendChecked(5.5, 9.1);
  const Deviation d = deviationFrom(ctx.recordFileName, reference);
  EXPECT_GE(d.flashes, 35);
  EXPECT_LE(d.worstMs, kHalfFrameMs);
  std::printf("[ sync     ] %s mode %d, three appends: worst %.1f ms from the source's offset\n",
              c.name, c.mode, d.worstMs);
}

INSTANTIATE_TEST_SUITE_P(
    Pattern, PatternJoins,
    ::testing::Values(PatternCase{"syncflash.mpg", 0}, PatternCase{"syncflash.mpg", 1},
                      PatternCase{"syncflash.mpg", 2}, PatternCase{"syncflash_pal.mpg", 0},
                      PatternCase{"syncflash_pal.mpg", 1}, PatternCase{"syncflash_pal.mpg", 2},
                      PatternCase{"syncflash_mjpeg.mpg", 0}, PatternCase{"syncflash_mjpeg.mpg", 1},
                      PatternCase{"syncflash_mjpeg.mpg", 2}),
    [](const ::testing::TestParamInfo<PatternCase>& info) {
      std::string name = info.param.name;
      name = name.substr(0, name.find('.')) + "_mode" + std::to_string(info.param.mode);
      return name;
    });

// mplex packs many small pictures into one packet: where a join's cut-in
// drops the leading B-pictures of an open GOP, the packet's time stamps
// belong to a dropped picture and must not time the next one.
TEST_F(JoinSync, ClocksRunOnWhereTheCutInDropsPicturesOfAPacket) {
  CW_REQUIRE_CORPUS("syncflash_mjpeg.mpg");
  ASSERT_TRUE(makeRecord("syncflash_mjpeg.mpg", 10.2, 30.5, 0));
  for (const double in : {0.5, 10.1}) {
    ASSERT_EQ(append("syncflash_mjpeg.mpg", in, in + 3.0), 0) << ctx.error.message;
    EXPECT_EQ(clockDefects(ctx.recordFileName, "v:0"), "") << in;
  }
}

// The largest distance of a flash's offset from `reference`, leaving out
// flashes that lie right behind one of `joins`: a beep that starts at a join
// loses its first milliseconds there (its frame before the join is not
// copied, and the decoder's synthesis filter needs the frame before the one
// it decodes), so its onset shows late although the sound is in step.
Deviation deviationAwayFrom(const std::string& path, double reference,
                            const std::vector<double>& joins) {
  constexpr double kBeepSeconds = 0.05;
  Deviation d;
  for (const Flash& f : pairedFlashes(path)) {
    const bool atJoin = std::any_of(joins.begin(), joins.end(), [&](double join) {
      return f.seconds >= join - 0.005 && f.seconds < join + kBeepSeconds;
    });
    if (atJoin) continue;
    d.worstMs = std::max(d.worstMs, std::fabs(f.offsetMs - reference));
    ++d.flashes;
  }
  return d;
}

// The error of one join does not carry into the next: twenty short appends
// in a row, and every second is still within half a frame; both clocks run
// on without a step back or a hole.
TEST_F(JoinSync, TwentyAppendsDoNotAddUpTheirErrors) {
  for (const PatternCase c :
       {PatternCase{"syncflash_pal.mpg", 1}, PatternCase{"syncflash_mjpeg.mpg", 0}}) {
    SCOPED_TRACE(c.name);
    if (!hasCorpusFile(c.name)) continue;
    const double reference = sourceOffsetMs(c.name);
    ASSERT_FALSE(std::isnan(reference));
    ASSERT_TRUE(makeRecord(c.name, 10.2, 13.5, c.mode));
    std::vector<double> joins;
    for (int i = 0; i < 20; ++i) {
      const double in = 1.3 + std::fmod(i * 1.77, 33.0);
      joins.push_back(videoEndSeconds());
      ASSERT_EQ(append(c.name, in, in + 2.2 + (i % 3) * 0.4), 0)
          << i << ": " << ctx.error.number << " " << ctx.error.message;
    }
    EXPECT_EQ(clockDefects(ctx.recordFileName, "v:0"), "");
    EXPECT_EQ(clockDefects(ctx.recordFileName, "a:0"), "");
    const Deviation d = deviationAwayFrom(ctx.recordFileName, reference, joins);
    EXPECT_GE(d.flashes, 45);
    EXPECT_LE(d.worstMs, kHalfFrameMs);
    std::printf("[ sync     ] %s mode %d, twenty appends: worst %.1f ms\n", c.name, c.mode,
                d.worstMs);
  }
}

}  // namespace
}  // namespace cw::test
