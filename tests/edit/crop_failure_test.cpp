// Crop when things go wrong: a failure injected at every file call, a cancel
// after the first chunk, leftovers of earlier records, a record named like
// its source, sources the crop cannot take, and the rules for marks, space
// and progress.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "crop_fixture.h"
#include "engine/common/errors.h"
#include "engine/edit/crop_steps.h"
#include "platform/file.h"
#include "support/corpus.h"
#include "support/ffprobe.h"

namespace cw::test {
namespace {

using CropFailure = CropFixture;

bool isCropTableError(int rc) {
  return rc == 7001 || rc == 7002 || rc == 7000 || (rc >= 1000 && rc < 2000) ||
         (rc >= 6001 && rc <= 6008 && rc != 6006);
}

TEST_F(CropFailure, FailureAtEveryFileCallLeavesNoRecord) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  for (const int mode : {1, 4}) {
    bool finished = false;
    int failures = 0;
    for (std::int64_t n = 1; !finished && n < 2000; ++n) {
      ASSERT_TRUE(useCorpusSource("vcd_pal.mpg"));  // analysed afresh every time
      platform::removeFile(ctx.recordFileName);
      platform::fault::failAt(n);
      const int rc = crop(3.0, 4.5, mode);
      const bool fired = platform::fault::callsSoFar() >= n;
      platform::fault::disarm();
      if (!fired) {
        ASSERT_EQ(rc, 0) << ctx.error.message;
        EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
        finished = true;
        break;
      }
      ++failures;
      ASSERT_TRUE(isCropTableError(rc)) << "mode " << mode << " call " << n << ": " << rc;
      EXPECT_EQ(ctx.error.number, rc);
      EXPECT_EQ(ctx.error.message, errorMessage(rc));
      EXPECT_FALSE(recordExists()) << "mode " << mode << " call " << n;
      EXPECT_EQ(ctx.history, HistoryFlags{});
      EXPECT_EQ(source.video.handle, -1);
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(failures, 10);
    std::printf("mode %d: %d injected failures\n", mode, failures);
  }
}

TEST_F(CropFailure, CancelAfterTheFirstChunkRemovesTheRecord) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  ASSERT_TRUE(useCorpusSource("vcd_ntsc.mpg"));
  ctx.onProgress = [this](int, int percentage) {
    progress.push_back(percentage);
    ctx.Cancel();
  };
  ctx.history = HistoryFlags{true, false, true, true};
  EXPECT_EQ(crop(1.0, 9.0, 2), 0);
  EXPECT_EQ(progress.size(), 1u);
  EXPECT_EQ(ctx.error.number, 6006);
  EXPECT_EQ(ctx.error.message, "operation cancelled; record file restored in its former state");
  EXPECT_FALSE(recordExists());
  EXPECT_EQ(ctx.history, HistoryFlags{});

  // The flag is cleared by the next crop.
  ctx.onProgress = nullptr;
  EXPECT_EQ(crop(1.0, 3.0, 2), 0);
  EXPECT_EQ(ctx.error.number, 0);
  EXPECT_TRUE(recordExists());
}

TEST_F(CropFailure, ReadOnlyRecordOfAnEarlierProjectIsReplaced) {
  CW_REQUIRE_CORPUS("sys_closed.mpg");
  ASSERT_TRUE(writeFile(ctx.recordFileName, std::string(100, 'x')));
  ASSERT_TRUE(platform::setReadOnly(ctx.recordFileName, true));
  ASSERT_TRUE(useCorpusSource("sys_closed.mpg"));
  ASSERT_EQ(crop(1.0, 3.0, 0), 0) << ctx.error.message;
  EXPECT_GT(recordSize(), 100);
  EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
}

TEST_F(CropFailure, RecordNamedLikeTheSourceIsRefused) {
  CW_REQUIRE_CORPUS("sys_closed.mpg");
  const std::string copy = dir.file("movie.mpg");
  const std::string bytes = readFile(corpusPath("sys_closed.mpg"));
  ASSERT_TRUE(writeFile(copy, bytes));
  ASSERT_TRUE(useSource(copy));
  ctx.recordFileName = dir.path().string() + "/./movie.mpg";
  EXPECT_EQ(crop(1.0, 3.0, 0), 7004);
  EXPECT_EQ(ctx.error.message, "project file with this name already exists");
  EXPECT_EQ(readFile(copy), bytes);
}

// A crop that fails leaves an earlier file of the record's name whole and
// nothing of its own beside it.
TEST_F(CropFailure, MissingSourceKeepsTheOldRecord) {
  CW_REQUIRE_CORPUS("sys_closed.mpg");
  ASSERT_TRUE(useCorpusSource("sys_closed.mpg"));
  ASSERT_TRUE(writeFile(ctx.recordFileName, "old project"));
  ctx.sourceFileName = dir.file("gone.mpg");
  EXPECT_EQ(crop(1.0, 3.0, 0), 7002);
  EXPECT_EQ(readFile(ctx.recordFileName), "old project");
  EXPECT_FALSE(platform::fileExists(ctx.recordFileName + ".clipwright-new"));
}

TEST_F(CropFailure, SourceOfAnotherTypeTouchesNoFile) {
  ASSERT_TRUE(writeFile(ctx.recordFileName, "old project"));
  source.fileType = -6;  // not editable
  ctx.history = HistoryFlags{true, false, true, true};
  EXPECT_EQ(crop(1.0, 3.0, 0), 1002);
  EXPECT_EQ(readFile(ctx.recordFileName), "old project");
  EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, true}));

  ctx.srcInfoHand = 0;  // no source record at all
  EXPECT_EQ(crop(1.0, 3.0, 0), 1002);
  EXPECT_EQ(readFile(ctx.recordFileName), "old project");
}

TEST_F(CropFailure, UnknownRecordModeIsRefused) {
  CW_REQUIRE_CORPUS("sys_closed.mpg");
  ASSERT_TRUE(useCorpusSource("sys_closed.mpg"));
  EXPECT_EQ(crop(1.0, 3.0, 5), 1002);
  EXPECT_FALSE(recordExists());
}

TEST_F(CropFailure, SpaceRuleAsksForTheEstimatePlus64KiB) {
  const std::int64_t huge = std::int64_t{1} << 60;  // more than any disk
  EXPECT_EQ(checkCropSpace(ctx, huge), 7003);
  EXPECT_EQ(ctx.spaceRequired, static_cast<double>(huge + 65536));
  EXPECT_GT(ctx.spaceAvailable, 0.0);
  ctx.spaceRequired = 0.0;
  EXPECT_EQ(checkCropSpace(ctx, 1000), 0);
  EXPECT_EQ(ctx.spaceRequired, 0.0);
}

TEST(CropRules, MarksAreClampedOnCopies) {
  const CropMarks a = clampSystemMarks(-1.0, 50.0, 10.0);
  EXPECT_EQ(a.in, 0.0);
  EXPECT_EQ(a.out, 10.0);
  const CropMarks b = clampSystemMarks(12.0, 3.0, 10.0);
  EXPECT_EQ(b.in, 10.0);
  EXPECT_EQ(b.out, 10.0);
  const CropMarks c = clampSystemMarks(4.0, 2.0, 10.0);
  EXPECT_EQ(c.out, 4.0);

  // Elementary streams leave a late mark in alone and raise the mark out to it.
  const CropMarks d = clampElementaryMarks(12.0, 30.0, 10.0);
  EXPECT_EQ(d.in, 12.0);
  EXPECT_EQ(d.out, 12.0);
  const CropMarks e = clampElementaryMarks(-2.0, 5.0, 10.0);
  EXPECT_EQ(e.in, 0.0);
  EXPECT_EQ(e.out, 5.0);
}

TEST(CropRules, EstimateShareAndProgress) {
  // 1 150 000 bit/s video with 224 kbit/s audio: video is 0.837 of the bytes.
  EXPECT_NEAR(streamShare(143750, 28000), 143750.0 / (143750 + 28000), 1e-9);
  EXPECT_NEAR(streamShare(28000, 143750), 28000.0 / (143750 + 28000), 1e-9);
  EXPECT_EQ(streamShare(0, 28000), 1.0);  // variable-rate video: no division by zero
  EXPECT_EQ(streamShare(28000, 0), 1.0);

  EXPECT_EQ(progressPercentage(0, 1000), 0);
  EXPECT_EQ(progressPercentage(505, 1000), 51);
  EXPECT_EQ(progressPercentage(5000, 1000), 100);
  EXPECT_EQ(progressPercentage(10, 0), 100);
  // Outputs past 2 GiB: 64-bit counts.
  EXPECT_EQ(progressPercentage(std::int64_t{3} << 30, std::int64_t{6} << 30), 50);
}

}  // namespace
}  // namespace cw::test
