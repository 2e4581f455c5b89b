// A project grows by one append after another, each join landing on a record
// that earlier joins wrote. A VideoCD channel carries hardly more than the
// streams' own rates, so whatever lead a join takes from the video decoder
// buffer is never made up: the record must stay within its buffers after
// every append, and so keep accepting the next one.
#include <gtest/gtest.h>

#include <string>

#include "append_fixture.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/validation.h"

namespace cw::test {
namespace {

std::string lines(const std::vector<std::string>& findings) {
  std::string out;
  for (const std::string& f : findings) out += f + "\n";
  return out;
}

class JoinRepeat : public JoinFixture {};

// The same stretch again and again: its first picture needs a fuller buffer
// than the stretch leaves behind at its end, a shortfall at every join.
TEST_F(JoinRepeat, VideoCdProjectTakesAppendAfterAppend) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  for (const int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(makeRecord("vcd_ntsc.mpg", 0.0, 5.0, mode));
    for (int i = 1; i <= 8; ++i) {
      ASSERT_EQ(append("vcd_ntsc.mpg", 0.0, 5.0), 0)
          << "append " << i << ": " << ctx.error.number << " " << ctx.error.message;
    }
    const StdCheckResult check = runStdCheck(ctx.recordFileName);
    if (check.exitCode == 2) GTEST_SKIP() << "cw-std-check is missing";
    EXPECT_EQ(check.exitCode, 0) << lines(check.findings);
  }
}

// A history found by random projects: the second join leaves an audio rest
// within a few bytes of a full VideoCD payload for the last audio pack, whose
// end code has no room left then. The join completes, keeps its history and
// the record stays clean.
TEST_F(JoinRepeat, AnAudioRestThatNearlyFillsItsLastPack) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  for (const int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(makeRecord("vcd_ntsc.mpg", 0.84, 10.51, mode));
    ASSERT_EQ(append("vcd_ntsc.mpg", 0.79, 10.59), 0) << ctx.error.message;
    ASSERT_EQ(append("vcd_ntsc.mpg", 3.08, 11.27), 0) << ctx.error.message;
    EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, true}));
    EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
    const StdCheckResult check = runStdCheck(ctx.recordFileName);
    if (check.exitCode == 2) GTEST_SKIP() << "cw-std-check is missing";
    EXPECT_EQ(check.exitCode, 0) << lines(check.findings);
  }
}

// Stretches that end and begin in different places, with an entry crop in
// between: the record stays clean and the joins keep working.
TEST_F(JoinRepeat, MixedStretchesAndAnEntryStayWithinTheBuffers) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 5.0, 10.0, 1));
  const double marks[][2] = {{0.0, 5.0}, {5.0, 10.0}, {0.0, 4.0}, {1.3, 6.1}, {0.0, 5.0}};
  for (const auto& m : marks) {
    ASSERT_EQ(append("vcd_pal.mpg", m[0], m[1]), 0)
        << m[0] << "-" << m[1] << ": " << ctx.error.message;
  }
  ASSERT_EQ(entry("vcd_pal.mpg", 0.0, 5.0, 12.0), 0) << ctx.error.message;
  ASSERT_EQ(append("vcd_pal.mpg", 0.0, 5.0), 0) << ctx.error.message;
  const StdCheckResult check = runStdCheck(ctx.recordFileName);
  if (check.exitCode == 2) GTEST_SKIP() << "cw-std-check is missing";
  EXPECT_EQ(check.exitCode, 0) << lines(check.findings);
}

// ffmpeg's -stream_loop remux of a VideoCD file starts the encoder's buffer
// afresh at every loop point: the video carries about a third of a second
// per minute more than its declared rate, which the remux hides behind a
// higher mux rate. At the fixed VideoCD rate its pictures fall behind their
// decoding times more and more; the crop says so instead of writing a record
// that underflows (and that no later join would accept). MPEG System takes
// the source's own rate and manages.
TEST_F(JoinRepeat, SourceOutrunningTheVideoCdRateIsRefusedAtTheCrop) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  const std::string looped = dir.file("looped.mpg");
  const CommandResult made =
      runProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-stream_loop", "4", "-i",
                  corpusPath("vcd_ntsc.mpg"), "-c", "copy", "-f", "vcd", looped},
                 true);
  if (made.exitCode != 0) GTEST_SKIP() << "ffmpeg cannot remux: " << made.out;
  ASSERT_TRUE(useSource(looped));
  EXPECT_EQ(crop(0.0, 58.0, 1), 6008);
  EXPECT_FALSE(recordExists());

  ASSERT_TRUE(useSource(looped));
  ASSERT_EQ(crop(0.0, 58.0, 0), 0) << ctx.error.message;
  EXPECT_EQ(append("vcd_ntsc.mpg", 1.0, 6.0), 0) << ctx.error.message;
}

}  // namespace
}  // namespace cw::test
