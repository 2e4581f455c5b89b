// clipwright-cli crop --exact: the record holds exactly the pictures from
// the one shown at the mark in to the last one before the mark out, the
// re-encoded ones close to the source's, the copied ones the source's own,
// and the file still plays and passes the buffer checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/cli.h"
#include "support/corpus.h"
#include "support/exact_checks.h"
#include "support/ffprobe.h"
#include "support/pictures.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/validation.h"

namespace cw::test {
namespace {

struct ExactCase {
  const char* file;
  const char* mode;
  double in;
  double out;
};

// Marks inside GOPs of every corpus family: VideoCD NTSC, PAL and film
// rates, open GOPs, mpeg2enc's own matrices, mjpegtools VideoCD, I/P-only
// with layer III sound, a video elementary stream.
const ExactCase kCases[] = {
    {"vcd_ntsc.mpg", "vcd", 1.23, 4.61},
    {"vcd_pal.mpg", "mpeg", 1.3, 4.7},
    {"vcd_film.mpg", "vcd-zeroes", 0.9, 3.95},
    {"sys_open.mpg", "mpeg", 2.13, 5.05},
    {"mjpeg_generic.mpg", "mpeg", 1.1, 4.3},
    {"mjpeg_vcd.mpg", "vcd", 1.5, 4.1},
    {"sys_layer3.mpg", "video", 1.7, 4.9},
    {"video_only.mpv", "video", 1.4, 4.45},
    // Stretches behind the end of the sound: silence for the missing sound.
    {"vcd_short_sound.mpg", "vcd", 16.1, 19.3},
    {"vcd_short_sound.mpg", "mpeg", 15.4, 19.9},
    // Both marks inside one GOP: nothing is copied.
    {"vcd_pal.mpg", "mpeg", 2.1, 2.5},
    {"video_only.mpv", "video", 2.1, 2.5},
};

std::string describe(const ExactCase& c) {
  return std::string(c.file) + " " + c.mode + " " + std::to_string(c.in) + ".." +
         std::to_string(c.out);
}

class ExactCropCli : public CliTest {
 protected:
  TempDir dir{"cw-exact-cli"};
};

TEST_F(ExactCropCli, RecordsExactlyTheMarkedPictures) {
  for (const ExactCase& c : kCases) {
    SCOPED_TRACE(describe(c));
    if (!hasCorpusFile(c.file)) continue;
    const std::string source = corpusPath(c.file);
    const bool system = std::string(c.mode) != "video";
    const std::string record = dir.file(std::string(c.file) + (system ? ".mpg" : ".m1v"));
    const CommandResult r = runCli({"crop", source, record, "--in", std::to_string(c.in), "--out",
                                    std::to_string(c.out), "--mode", c.mode, "--exact"},
                                   true);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(ffmpegDecodeErrors(record), "");

    const ProbeInfo probe = ffprobeFile(source);
    ASSERT_NE(probe.first("video"), nullptr);
    const double rate = probe.first("video")->frameRate;
    const auto first = static_cast<std::size_t>(std::floor(c.in * rate));
    const auto last = static_cast<std::size_t>(std::floor(c.out * rate));
    const std::vector<Luma> sourcePictures = pictureLumas(source);
    const std::vector<Luma> pictures = pictureLumas(record);
    ASSERT_EQ(pictures.size(), last - first);
    const Identity id = identify(sourcePictures, pictures, first);
    EXPECT_EQ(id.wrongPlace, 0);
    EXPECT_GE(id.lowest, 30.0);
    EXPECT_GE(id.average, 35.0);
    // Everything between the two cut GOPs is copied.
    EXPECT_GE(id.copied, static_cast<int>(pictures.size()) - 2 * 18);

    if (system) {
      const StdCheckResult check = runStdCheck(record);
      EXPECT_EQ(check.exitCode, 0) << (check.findings.empty() ? "" : check.findings.front());
    }
    if (std::string(c.mode).rfind("vcd", 0) == 0) {
      EXPECT_EQ(vcdimagerComplaints(record, dir.path().string()), "");
    }
    EXPECT_TRUE(stampsRise(record));
  }
}

TEST_F(ExactCropCli, CopiedPicturesKeepTheirCoding) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  const std::string source = corpusPath("vcd_pal.mpg");
  const std::string exact = dir.file("exact.mpg");
  const std::string plain = dir.file("plain.mpg");
  // Marks a few pictures into their GOPs: the GOP-accurate crop holds the
  // same copied GOPs between them.
  ASSERT_EQ(runCli({"crop", source, exact, "--in", "2.2", "--out", "6.3", "--exact"}).exitCode, 0);
  ASSERT_EQ(runCli({"crop", source, plain, "--in", "2.2", "--out", "6.3"}).exitCode, 0);
  const PictureHashes copied = pictureHashes(plain);
  const PictureLayout layout = layOnSource(copied, pictureHashes(exact));
  std::size_t longest = 0;
  for (const PictureRun& run : layout.runs) longest = std::max(longest, run.count);
  EXPECT_GE(longest, copied.size() - 2 * 15) << describeLayout(layout);
}

TEST_F(ExactCropCli, SoundStaysInStepWithThePictures) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const std::string source = corpusPath("syncflash.mpg");
  const std::vector<SyncPoint> before = measureSync(source);
  ASSERT_FALSE(before.empty());
  for (const char* mode : {"mpeg", "vcd"}) {
    SCOPED_TRACE(mode);
    const std::string record = dir.file(std::string("sync-") + mode + ".mpg");
    ASSERT_EQ(
        runCli({"crop", source, record, "--in", "1.37", "--out", "7.81", "--mode", mode, "--exact"})
            .exitCode,
        0);
    const std::vector<SyncPoint> after = measureSync(record);
    ASSERT_GE(after.size(), 5u);
    for (const SyncPoint& p : after) {
      EXPECT_TRUE(p.paired);
      EXPECT_NEAR(p.offsetMs, before.front().offsetMs, 13.0) << p.flashSeconds;
    }
  }
}

TEST_F(ExactCropCli, StretchBehindTheSoundGetsSilenceAsLongAsItsPictures) {
  CW_REQUIRE_CORPUS("vcd_short_sound.mpg");
  const std::string source = corpusPath("vcd_short_sound.mpg");
  for (const char* mode : {"mpeg", "vcd", "vcd-zeroes"}) {
    SCOPED_TRACE(mode);
    const std::string record = dir.file(std::string("behind-") + mode + ".mpg");
    const CommandResult r = runCli(
        {"crop", source, record, "--in", "16", "--out", "19", "--mode", mode, "--exact"}, true);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("of silence"), std::string::npos) << r.out;
    const ProbeInfo probe = ffprobeFile(record);
    ASSERT_NE(probe.first("video"), nullptr);
    ASSERT_NE(probe.first("audio"), nullptr);
    // Within one layer II frame of the pictures, starting with them.
    EXPECT_NEAR(probe.first("audio")->duration, probe.first("video")->duration, 0.0261);
    EXPECT_NEAR(probe.first("audio")->startTime, probe.first("video")->startTime, 0.0261);
  }
}

TEST_F(ExactCropCli, CommandsThatCutNoSourceRefuseTheSwitch) {
  for (const char* command : {"undo", "redo", "recover"}) {
    SCOPED_TRACE(command);
    const CommandResult r = runCli({command, dir.file("p.mpg"), "--exact"}, true);
    EXPECT_EQ(r.exitCode, 2) << r.out;
  }
}

// The re-encoder is a module opened only for --exact: a plain cut never maps
// a codec library, and a program that finds no module says so for --exact
// instead of failing later or cutting at GOP boundaries unasked.
TEST_F(ExactCropCli, ReencoderLoadsOnlyForExactCuts) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  const std::string source = corpusPath("vcd_pal.mpg");
  const std::string plain = dir.file("plain.mpg");
  const CommandResult loads =
      runCommand("LD_DEBUG=files " + shellQuote(cliPath()) + " crop " + shellQuote(source) + " " +
                 shellQuote(plain) + " --in 1 --out 3 2>&1 | grep -c 'file=libavcodec' || true");
  EXPECT_EQ(loads.out, "0\n");
  EXPECT_TRUE(std::filesystem::exists(plain));

  const std::string alone = dir.file("bin/clipwright-cli");
  std::filesystem::create_directories(dir.file("bin"));
  std::filesystem::copy_file(cliPath(), alone);
  const std::string exact = dir.file("exact.mpg");
  const CommandResult r =
      runProgram({alone, "crop", source, exact, "--in", "1", "--out", "3", "--exact"}, true);
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find("--exact needs the picture re-encoder clipwright-reencoder.so"),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(std::filesystem::exists(exact));
}

}  // namespace
}  // namespace cw::test
