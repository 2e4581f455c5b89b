// Where a source's streams end: files whose picture and sound end seconds
// apart (a shorter sound track; ffmpeg's VideoCD multiplex of two sound
// tracks, which writes the last 2.6 s of the file with the second track
// only), and whole clips appended, which must keep every picture of the
// clip up to its last GOP.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "append_checks.h"
#include "append_fixture.h"
#include "crop_accept_checks.h"
#include "support/corpus.h"
#include "support/ffprobe.h"

namespace cw::test {
namespace {

int decodedPictures(const std::string& path) {
  return static_cast<int>(ffprobeFrames(path).size());
}

class StreamEnds : public JoinFixture {
 protected:
  // Crops [in, out] in `mode` and checks the output as the acceptance sweep
  // does; returns the pictures ffmpeg decoded from it.
  int cropChecked(const std::string& name, double in, double out, int mode) {
    SCOPED_TRACE(name + " " + std::to_string(in) + "-" + std::to_string(out) + " mode " +
                 std::to_string(mode));
    const accept::SourceView view = accept::viewSource(name, corpusPath(name));
    if (!useCorpusSource(name)) return -1;
    const int rc = crop(in, out, mode);
    EXPECT_EQ(rc, 0) << ctx.error.number << " " << ctx.error.message;
    if (rc != 0) return -1;
    int pictures = 0;
    const accept::CropRun run{mode, true, ctx.recordFileName};
    EXPECT_EQ(accept::outputDefects(view, source, run, dir.path().string(), pictures), "");
    return pictures;
  }
};

TEST_F(StreamEnds, ShortSoundCutsWhereBothStreamsRunAndRefusesBeyond) {
  CW_REQUIRE_CORPUS("vcd_short_sound.mpg");
  const std::string name = "vcd_short_sound.mpg";
  const int sourcePictures = decodedPictures(corpusPath(name));
  EXPECT_GT(cropChecked(name, 2.0, 14.2, 2), 0);

  // The analysed ends agree with the file: sound for 15 s, picture for 20 s.
  const StreamSpans spans = streamSpans(source);
  ASSERT_TRUE(spans.known);
  EXPECT_NEAR(spans.audioEnd, 15.0, 0.1);
  const ProbeInfo probed = ffprobeFile(corpusPath(name));
  const ProbeStream* video = probed.first("video");
  ASSERT_NE(video, nullptr);
  EXPECT_NEAR(spans.videoEnd, video->duration, 1.0 / video->frameRate);
  EXPECT_NEAR(source.duration, video->duration, 1.0 / video->frameRate);

  // Marks beyond the sound's end: the table's cut-out and cut-in errors, and
  // no record is left behind.
  for (int mode : {0, 1, 4}) {
    EXPECT_NE(crop(0.0, 1e6, mode), 0) << mode;
    EXPECT_EQ(ctx.error.number, 1309) << mode;
    EXPECT_FALSE(recordExists());
  }
  EXPECT_NE(crop(16.0, 18.0, 0), 0);
  EXPECT_EQ(ctx.error.number / 100, 14) << ctx.error.message;
  EXPECT_FALSE(recordExists());

  // Without sound the whole picture is there to cut.
  EXPECT_EQ(cropChecked(name, 0.0, 1e6, 3), sourcePictures);
}

TEST_F(StreamEnds, TwoSoundTracksEndingBeforeTheFileCropWhole) {
  CW_REQUIRE_CORPUS("vcd_two_audio.mpg");
  const std::string name = "vcd_two_audio.mpg";
  const int sourcePictures = decodedPictures(corpusPath(name));
  EXPECT_EQ(cropChecked(name, 0.0, 1e6, 1), sourcePictures);
  const ProbeInfo probed = ffprobeFile(corpusPath(name));
  const ProbeStream* video = probed.first("video");
  ASSERT_NE(video, nullptr);
  EXPECT_NEAR(source.duration, video->duration, 1.0 / video->frameRate);
  // Marks near the end, whose windows lie where only the second track runs.
  EXPECT_GT(cropChecked(name, 12.0, 19.0, 0), 0);
  EXPECT_GT(cropChecked(name, 19.5, 19.8, 2), 0);
}

struct WholeClip {
  const char* name;
  int mode;
};

class WholeClipAppend : public JoinFixture, public ::testing::WithParamInterface<WholeClip> {};

// Appending a whole clip to a project made from a piece of it keeps the
// clip up to its last picture, in the modes with sound too: the project
// ends with the very pictures the clip ends with. (The join may start the
// clip a picture or two late to give it room in the video buffer.)
TEST_P(WholeClipAppend, KeepsTheClipToItsLastPicture) {
  const WholeClip c = GetParam();
  CW_REQUIRE_CORPUS(c.name);
  const std::vector<FrameHash> clip = framemd5(corpusPath(c.name), "0:v:0");
  ASSERT_TRUE(makeRecord(c.name, 1.0, 3.0, c.mode));
  const std::size_t before = framemd5(ctx.recordFileName, "0:v:0").size();
  ASSERT_EQ(append(c.name, 0.0, 1e6), 0) << ctx.error.number << " " << ctx.error.message;
  const std::vector<FrameHash> joined = framemd5(ctx.recordFileName, "0:v:0");
  ASSERT_GE(joined.size(), before + clip.size() - 3);
  EXPECT_LE(joined.size(), before + clip.size());
  constexpr std::size_t kLast = 30;  // more than the last GOP
  ASSERT_GT(clip.size(), kLast);
  for (std::size_t i = 1; i <= kLast; ++i) {
    EXPECT_EQ(joined[joined.size() - i].md5, clip[clip.size() - i].md5) << i << " from the end";
  }
  EXPECT_EQ(c.mode == 3 ? videoStreamDefects(ctx.recordFileName)
                        : systemStreamDefects(ctx.recordFileName),
            "");
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, WholeClipAppend,
    ::testing::Values(WholeClip{"vcd_ntsc.mpg", 1}, WholeClip{"vcd_pal.mpg", 2},
                      WholeClip{"vcd_film.mpg", 0}, WholeClip{"sys_open.mpg", 0},
                      WholeClip{"sys_closed.mpg", 3}, WholeClip{"sys_32k.mpg", 0},
                      WholeClip{"sys_layer3.mpg", 0}, WholeClip{"sys_two_audio.mpg", 0},
                      WholeClip{"mjpeg_vcd.mpg", 1}, WholeClip{"mjpeg_generic.mpg", 0},
                      WholeClip{"syncflash.mpg", 2}, WholeClip{"vcd_two_audio.mpg", 1}),
    [](const ::testing::TestParamInfo<WholeClip>& info) {
      std::string name = std::string(info.param.name) + "_mode" + std::to_string(info.param.mode);
      std::replace_if(
          name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
      return name;
    });

}  // namespace
}  // namespace cw::test
