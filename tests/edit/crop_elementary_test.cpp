// Crop of elementary-stream sources: the output is an elementary stream of
// the same kind whatever the record mode, and the record says so.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "crop_fixture.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

using CropElementary = CropFixture;

TEST_F(CropElementary, VideoOnlySourceGivesVideoEvenInSystemMode) {
  CW_REQUIRE_CORPUS("video_only.mpv");
  for (const int mode : {0, 4}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(useCorpusSource("video_only.mpv"));
    ASSERT_EQ(crop(2.0, 6.0, mode), 0) << ctx.error.message;
    EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
    const ProbeInfo probe = ffprobeFile(ctx.recordFileName);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.count("video"), 1);
    EXPECT_EQ(probe.count("audio"), 0);
    EXPECT_GT(probe.duration, 3.0);
    EXPECT_LT(probe.duration, 6.0);
    EXPECT_EQ(record.fileType, 1);
    EXPECT_EQ(record.video.type, 1);
    EXPECT_EQ(record.audio.type, -1);
    EXPECT_EQ(record.video.length, recordSize());
    EXPECT_EQ(record.muxRateDeclared, -1);
    EXPECT_EQ(record.stage, 1);
    EXPECT_EQ(source.stage, 1);  // an elementary source keeps its stage
  }
}

TEST_F(CropElementary, WholeVideoOnlyFileAndOpenGopCuts) {
  CW_REQUIRE_CORPUS("video_only.mpv");
  for (const bool remove : {true, false}) {
    ASSERT_TRUE(useCorpusSource("video_only.mpv"));
    ctx.removeDeadBpic = remove;
    ASSERT_EQ(crop(-3.0, 1e6, 3), 0) << ctx.error.message;
    EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
    ASSERT_EQ(crop(3.3, 5.1, 3), 0) << ctx.error.message;
    EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
    const auto frames = ffprobeFrames(ctx.recordFileName);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().pictType, 'I');
  }
}

// ffmpeg writes no sequence end code; the end of the file ends the last GOP
// all the same, so a whole-file crop keeps every picture, and the KVCD
// stream with its end code taken off comes back byte for byte with it.
TEST_F(CropElementary, WholeFileWithoutEndCodeKeepsTheLastGop) {
  CW_REQUIRE_CORPUS("video_only.mpv");
  ASSERT_TRUE(useCorpusSource("video_only.mpv"));
  ASSERT_EQ(crop(0.0, 1e6, 3), 0) << ctx.error.message;
  EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
  EXPECT_EQ(ffprobeFrames(ctx.recordFileName).size(),
            ffprobeFrames(corpusPath("video_only.mpv")).size());

  CW_REQUIRE_CORPUS("mjpeg_kvcd.mpv");
  const std::string whole = readFile(corpusPath("mjpeg_kvcd.mpv"));
  ASSERT_EQ(whole.compare(whole.size() - 4, 4, std::string("\0\0\1\xB7", 4)), 0);
  const std::string noEnd = dir.file("noend.mpv");
  ASSERT_TRUE(writeFile(noEnd, whole.substr(0, whole.size() - 4)));
  ASSERT_TRUE(useSource(noEnd));
  ASSERT_EQ(crop(0.0, 1e6, 3), 0) << ctx.error.message;
  EXPECT_TRUE(readFile(ctx.recordFileName) == whole);
}

TEST_F(CropElementary, AudioOnlySourcesGiveAudio) {
  for (const char* name : {"audio_only.mpa", "audio_l1.mpa"}) {
    if (!requireCorpusFile(name)) continue;
    SCOPED_TRACE(name);
    ASSERT_TRUE(useCorpusSource(name));
    ASSERT_EQ(crop(1.0, 4.0, 1), 0) << ctx.error.message;
    EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
    const ProbeInfo probe = ffprobeFile(ctx.recordFileName);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.count("audio"), 1);
    EXPECT_EQ(probe.count("video"), 0);
    EXPECT_NEAR(probe.duration, 3.0, 0.2);
    EXPECT_EQ(record.fileType, 2);
    EXPECT_EQ(record.audio.type, 2);
    EXPECT_EQ(record.video.type, -1);
    EXPECT_EQ(record.audio.length, recordSize());
    EXPECT_EQ(0, std::memcmp(record.audio.header, source.audio.header, 4));
  }
}

TEST_F(CropElementary, AudioMarksBeyondTheEnd) {
  CW_REQUIRE_CORPUS("audio_only.mpa");
  ASSERT_TRUE(useCorpusSource("audio_only.mpa"));
  const int rc = crop(1e6, 2e6, 4);  // both marks past the end
  EXPECT_TRUE(rc == 0 || rc == 7005) << rc;
  if (rc == 7005) {
    EXPECT_FALSE(recordExists());
  }
  ASSERT_EQ(crop(0.0, 1e6, 4), 0);
  EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
}

// Marks on one audio frame (equal, one frame apart, or a mark out before the
// mark in, which is raised to it) would cut a single frame: a file that no
// analysis, nor ffmpeg, takes for an audio stream, so the project could be
// neither opened nor joined. The crop refuses it; two frames make a record
// that the quick analysis reads again.
TEST_F(CropElementary, AudioCutOfOneFrameIsRefused) {
  CW_REQUIRE_CORPUS("audio_only.mpa");
  const double frame = 1152.0 / 44100.0;
  const std::pair<double, double> marks[] = {{5.0, 5.0}, {5.0, 5.0 + frame / 2}, {7.66, 6.06}};
  for (const auto& [in, out] : marks) {
    SCOPED_TRACE(std::to_string(in) + " to " + std::to_string(out));
    ASSERT_TRUE(useCorpusSource("audio_only.mpa"));
    EXPECT_EQ(crop(in, out, 4), 7005);
    EXPECT_FALSE(recordExists());
  }
  ASSERT_TRUE(useCorpusSource("audio_only.mpa"));
  ASSERT_EQ(crop(5.0, 5.0 + 1.5 * frame, 4), 0) << ctx.error.message;
  EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "");
  StreamInfo again;
  ASSERT_TRUE(describeSource(ctx.recordFileName, again));
  EXPECT_EQ(again.fileType, 2);
}

}  // namespace
}  // namespace cw::test
