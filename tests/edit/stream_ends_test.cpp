// Where a source's streams end: files whose picture and sound end seconds
// apart (a shorter sound track; ffmpeg's VideoCD multiplex of two sound
// tracks, which writes the last 2.6 s of the file with the second track
// only), and whole clips appended, which must keep every picture of the
// clip up to its last GOP.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "append_checks.h"
#include "append_fixture.h"
#include "crop_accept_checks.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/validation.h"

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

TEST_F(StreamEnds, ShortSoundCutsWhereBothStreamsRun) {
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

  // A stretch that starts where only the picture runs has nothing to record
  // in the audio-only mode: refused, and the record made before under that
  // name stays as it was.
  const auto earlierRecord = std::filesystem::file_size(ctx.recordFileName);
  EXPECT_NE(crop(16.0, 18.0, 4), 0);
  EXPECT_EQ(ctx.error.number / 100, 14) << ctx.error.message;
  ASSERT_TRUE(recordExists());
  EXPECT_EQ(std::filesystem::file_size(ctx.recordFileName), earlierRecord);
  // Without sound the whole picture is there to cut.
  EXPECT_EQ(cropChecked(name, 0.0, 1e6, 3), sourcePictures);
}

// The loudest sample of the first sound track from `from` seconds of its
// decoded samples on (mono, 16 bits); -1 when nothing decodes there.
int loudestFrom(const std::string& path, double from) {
  const CommandResult r = runProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map",
                                      "0:a:0", "-ac", "1", "-ar", "44100", "-f", "s16le", "-"});
  const auto first = static_cast<std::size_t>(from * 44100) * 2;
  if (r.exitCode != 0 || r.out.size() <= first + 2) return -1;
  int loudest = 0;
  for (std::size_t i = first; i + 1 < r.out.size(); i += 2) {
    const auto sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(r.out[i]) |
                                                  (static_cast<std::uint8_t>(r.out[i + 1]) << 8));
    loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
  }
  return loudest;
}

// Stretches that run on past the source's sound, or lie wholly behind it,
// are recorded whole in every mode with sound: the pictures are the
// source's, the sound is silent after the source's and lasts as long as the
// pictures; appends of such stretches and onto such a record work, and the
// clocks run on across every join.
TEST_F(StreamEnds, ShortSoundRecordsPastItsSoundWithSilence) {
  CW_REQUIRE_CORPUS("vcd_short_sound.mpg");
  const std::string name = "vcd_short_sound.mpg";
  const std::vector<FrameHash> sourcePictures = framemd5(corpusPath(name), "0:v:0");
  ASSERT_GT(sourcePictures.size(), 500u);
  for (const int mode : {0, 1, 2}) {
    for (const double in : {0.0, 12.4, 16.0}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + " from " + std::to_string(in));
      ASSERT_TRUE(useCorpusSource(name));
      ASSERT_EQ(crop(in, 1e6, mode), 0) << ctx.error.number << " " << ctx.error.message;
      EXPECT_EQ(systemStreamDefects(ctx.recordFileName), "");
      const std::vector<FrameHash> pictures = framemd5(ctx.recordFileName, "0:v:0");
      ASSERT_GT(pictures.size(), 60u);
      for (std::size_t k = 1; k <= pictures.size(); ++k) {
        ASSERT_EQ(pictures[pictures.size() - k].md5, sourcePictures[sourcePictures.size() - k].md5)
            << k << " from the end";
      }
      const ProbeInfo probed = ffprobeFile(ctx.recordFileName);
      const ProbeStream* video = probed.first("video");
      const ProbeStream* audio = probed.first("audio");
      ASSERT_TRUE(video != nullptr && audio != nullptr);
      EXPECT_NEAR(audio->startTime + audio->duration, video->startTime + video->duration, 0.053);
      // The source's tone up to its end, silence from a frame after it.
      const double soundLeft =
          static_cast<double>(source.audio.lastTime - source.audio.workFirstTime) / 90000.0;
      if (soundLeft > 0.0) {
        EXPECT_GT(loudestFrom(ctx.recordFileName, soundLeft - 1.0), 1000);
      }
      EXPECT_EQ(loudestFrom(ctx.recordFileName, std::max(soundLeft, 0.0) + 0.05), 0);
    }
    for (const auto& [in, out] : {std::pair{3.0, 17.5}, std::pair{16.5, 19.0}}) {
      ASSERT_EQ(append(name, in, out), 0) << ctx.error.number << " " << ctx.error.message;
      EXPECT_EQ(systemStreamDefects(ctx.recordFileName), "");
      EXPECT_EQ(clockDefects(ctx.recordFileName, "v:0") + clockDefects(ctx.recordFileName, "a:0"),
                "");
    }
    ASSERT_EQ(append("vcd_ntsc.mpg", 2.0, 4.0), 0) << ctx.error.number << " " << ctx.error.message;
    EXPECT_EQ(systemStreamDefects(ctx.recordFileName), "");
  }
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
