// Crop of real system streams from the corpus in every record mode: the
// output decodes without a complaint, has the expected streams, and the
// record's stream information describes it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "crop_fixture.h"
#include "engine/common/errors.h"
#include "support/corpus.h"
#include "support/ffprobe.h"

namespace cw::test {
namespace {

class CropSystem : public CropFixture {
 protected:
  // Decodes the record and checks its streams against the mode.
  void expectPlayable(int mode) {
    ASSERT_TRUE(recordExists());
    EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
    const ProbeInfo probe = ffprobeFile(ctx.recordFileName);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.count("video"), mode == 4 ? 0 : 1);
    EXPECT_EQ(probe.count("audio"), mode == 3 ? 0 : 1);
  }

  void expectDescribed(int mode) {
    const std::int64_t size = recordSize();
    EXPECT_EQ(record.fileLength, static_cast<double>(size));
    EXPECT_EQ(record.stage, 1);
    const std::int16_t type = mode == 3 ? 1 : mode == 4 ? 2 : 0;
    EXPECT_EQ(record.fileType, type);
    if (mode != 4) {
      EXPECT_EQ(record.video.length, size);
      EXPECT_EQ(record.video.type, type);
      EXPECT_EQ(record.video.streamId, 0xE0);
      EXPECT_EQ(0, std::memcmp(record.video.header, source.video.header, kStoredHeaderBytes));
    }
    if (mode != 3) {
      EXPECT_EQ(record.audio.length, size);
      EXPECT_EQ(record.audio.streamId, 0xC0);
      EXPECT_EQ(0, std::memcmp(record.audio.header, source.audio.header, 4));
    }
    if (mode <= 2) {
      EXPECT_GT(record.muxRateDeclared, 0);
      EXPECT_EQ(record.muxRateMeasured, record.muxRateDeclared);
      EXPECT_EQ(record.video.muxRate, record.muxRateDeclared);
      if (mode != 0) {
        EXPECT_EQ(record.muxRateDeclared, 3528);
      }
    } else {
      EXPECT_EQ(record.muxRateDeclared, -1);
    }
    EXPECT_EQ(record.video.handle, -1);
    EXPECT_EQ(source.video.handle, -1);
  }

  void expectProgressEndsAt100() {
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    for (int p : progress) EXPECT_TRUE(p >= 0 && p <= 100) << p;
  }
};

TEST_F(CropSystem, EveryModeOnVideoCdAndSystemFiles) {
  for (const char* name : {"vcd_pal.mpg", "vcd_ntsc.mpg", "sys_open.mpg", "sys_closed.mpg"}) {
    if (!requireCorpusFile(name)) continue;
    for (int mode = 0; mode <= 4; ++mode) {
      SCOPED_TRACE(std::string(name) + " mode " + std::to_string(mode));
      ASSERT_TRUE(useCorpusSource(name));
      ctx.history = HistoryFlags{true, true, true, true};
      ASSERT_EQ(crop(2.0, 6.0, mode), 0) << ctx.error.message;
      EXPECT_EQ(ctx.error.number, 0);
      EXPECT_EQ(ctx.error.message, "OK");
      EXPECT_EQ(ctx.history, HistoryFlags{});
      EXPECT_EQ(source.stage, 2);
      expectPlayable(mode);
      expectDescribed(mode);
      expectProgressEndsAt100();
    }
  }
}

TEST_F(CropSystem, WholeFileWhenMarksLieOutside) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(useCorpusSource("vcd_pal.mpg"));
  ASSERT_EQ(crop(-5.0, 1e9, 1), 0) << ctx.error.message;
  expectPlayable(1);
  const ProbeInfo in = ffprobeFile(ctx.sourceFileName);
  const ProbeInfo out = ffprobeFile(ctx.recordFileName);
  // Whole GOPs only: at most about one GOP shorter than the source.
  EXPECT_GT(out.duration, in.duration - 1.0);
}

TEST_F(CropSystem, OpenGopCutOnBPictureWithAndWithoutDeadBPictures) {
  CW_REQUIRE_CORPUS("sys_open.mpg");
  for (const bool remove : {true, false}) {
    SCOPED_TRACE(remove ? "remove dead B" : "mark broken link");
    ASSERT_TRUE(useCorpusSource("sys_open.mpg"));
    ctx.removeDeadBpic = remove;
    // Marks a few pictures into a GOP, where B-pictures of an open GOP are shown.
    ASSERT_EQ(crop(3.1, 4.9, 0), 0) << ctx.error.message;
    expectPlayable(0);
    const auto frames = ffprobeFrames(ctx.recordFileName);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().pictType, 'I');
  }
}

TEST_F(CropSystem, MarkOutNearTheEndCutsAtTheFileTail) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  ASSERT_TRUE(useCorpusSource("vcd_ntsc.mpg"));
  ASSERT_EQ(crop(0.0, 0.0, 0), 0);  // analyses the head and tail
  const double usable = (source.video.lastTime - source.video.firstTime) / 90000.0;
  ASSERT_EQ(crop(usable - 3.0, usable - 0.2, 0), 0) << ctx.error.message;
  expectPlayable(0);
  const std::int64_t nearEnd = recordSize();
  ASSERT_EQ(crop(usable - 3.0, usable + 10.0, 0), 0) << ctx.error.message;
  EXPECT_EQ(recordSize(), nearEnd);
}

TEST_F(CropSystem, OneGroupOfPictures) {
  CW_REQUIRE_CORPUS("sys_closed.mpg");
  ASSERT_TRUE(useCorpusSource("sys_closed.mpg"));
  const int rc = crop(4.0, 4.0, 0);
  ASSERT_TRUE(rc == 0 || rc == 7005) << rc;
  if (rc == 0) {
    expectPlayable(0);
    const auto frames = ffprobeFrames(ctx.recordFileName);
    int intra = 0;
    for (const auto& f : frames) intra += f.pictType == 'I';
    EXPECT_LE(intra, 2);
  } else {
    EXPECT_FALSE(recordExists());
  }
}

TEST_F(CropSystem, OtherSystemFilesOfTheCorpus) {
  for (const char* name : {"vcd_film.mpg", "sys_32k.mpg", "sys_layer3.mpg", "sys_two_audio.mpg",
                           "mjpeg_vcd.mpg", "mjpeg_generic.mpg", "syncflash.mpg"}) {
    if (!requireCorpusFile(name)) continue;
    SCOPED_TRACE(name);
    ASSERT_TRUE(useCorpusSource(name));
    const int mode = std::string(name).find("vcd") != std::string::npos ? 1 : 0;
    ASSERT_EQ(crop(1.0, 5.0, mode), 0) << ctx.error.message;
    expectPlayable(mode);
  }
}

}  // namespace
}  // namespace cw::test
