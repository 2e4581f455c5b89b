// clipwright-cli crop: a recorded stretch that plays, the exit statuses and
// messages of failures, and Ctrl+C in the middle of a crop.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/cli.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

CommandResult crop(std::vector<std::string> args, bool mergeStderr = false) {
  args.insert(args.begin(), "crop");
  return runCli(args, mergeStderr);
}

class CropCli : public CliTest {
 protected:
  TempDir dir{"cw-crop-cli"};
};

// Progress in a log or a pipe: nothing unless --progress asks for lines.
TEST_F(CropCli, RecordsAPlayableStretchWithProgressLinesOnRequest) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  const std::string record = dir.file("project.mpg");
  CommandResult r = crop(
      {corpusPath("vcd_ntsc.mpg"), record, "--in", "2", "--out", "7.5", "--mode", "vcd"}, true);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out.find("%"), std::string::npos) << r.out;
  EXPECT_EQ(splitLines(r.out).size(), 2u) << r.out;

  r = crop({corpusPath("vcd_ntsc.mpg"), record, "--in", "2", "--out", "7.5", "--mode", "vcd",
            "--progress"},
           true);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const std::vector<std::string> lines = splitLines(r.out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 2], "100%");
  EXPECT_EQ(lines.back().rfind("File is recorded as: " + record, 0), 0u) << lines.back();
  EXPECT_EQ(ffmpegDecodeErrors(record), "");
  const ProbeInfo probe = ffprobeFile(record);
  EXPECT_EQ(probe.count("video"), 1);
  EXPECT_EQ(probe.count("audio"), 1);
  EXPECT_NEAR(probe.duration, 5.5, 1.2);
}

TEST_F(CropCli, ModesAndKeptDeadBPictures) {
  CW_REQUIRE_CORPUS("sys_open.mpg");
  const std::string record = dir.file("video.m1v");
  CommandResult r = crop({corpusPath("sys_open.mpg"), record, "--in", "3.1", "--out", "5", "--mode",
                          "video", "--keep-dead-b"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(ffmpegDecodeErrors(record), "");
  EXPECT_EQ(ffprobeFile(record).count("audio"), 0);

  const std::string audio = dir.file("audio.mp2");
  r = crop({corpusPath("sys_open.mpg"), audio, "--in", "1", "--out", "3", "--mode", "audio"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(ffprobeFile(audio).count("video"), 0);
  EXPECT_EQ(ffprobeFile(audio).count("audio"), 1);
}

TEST_F(CropCli, UsageErrorsExitWithTwo) {
  EXPECT_EQ(crop({}, true).exitCode, 2);
  EXPECT_EQ(crop({"a.mpg", "b.mpg"}, true).exitCode, 2);                       // no marks
  EXPECT_EQ(crop({"a.mpg", "--in", "1", "--out", "2"}, true).exitCode, 2);     // no record
  EXPECT_EQ(crop({"a", "b", "--in", "x", "--out", "2"}, true).exitCode, 2);    // bad number
  EXPECT_EQ(crop({"a", "b", "--in", "1", "--out", "nan"}, true).exitCode, 2);  // not finite
  EXPECT_EQ(crop({"a", "b", "--in", "1", "--out", "2", "--mode", "dvd"}, true).exitCode, 2);
  EXPECT_EQ(crop({"a", "b", "--in", "1", "--out"}, true).exitCode, 2);
  EXPECT_EQ(crop({"--help"}, true).exitCode, 0);
  // Marks in the wrong order would give a one-GOP cut: refused before any file is read.
  const CommandResult r = crop({"a", "b", "--out", "3", "--in", "7.5"}, true);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.out.find("--out 3 is before --in 7.5"), std::string::npos) << r.out;
}

TEST_F(CropCli, FailuresPrintTheEngineErrorAndLeaveNoRecord) {
  const std::string record = dir.file("project.mpg");
  const std::string missing = dir.file("missing.mpg");
  CommandResult r = crop({missing, record, "--in", "0", "--out", "1"}, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find(missing + ": error 1016: file reading error (no such file)"),
            std::string::npos)
      << r.out;

  // The folder that is missing is named.
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  const std::string nowhere = dir.file("no-such-folder");
  r = crop({corpusPath("vcd_ntsc.mpg"), nowhere + "/p.mpg", "--in", "0", "--out", "1"}, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("error 7001: project file opening error (no such folder " + nowhere + ")"),
            std::string::npos)
      << r.out;

  const std::string text = dir.file("notes.txt");
  ASSERT_TRUE(writeFile(text, std::string(5000, 'n')));
  r = crop({text, record, "--in", "0", "--out", "1"}, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("error 1002: wrong file type"), std::string::npos) << r.out;
  EXPECT_FALSE(platform::fileExists(record));
}

// A stretch beyond the end of the sound is recorded with silence where the
// source has no sound, and the command says how much; a cut inside both
// streams adds none.
TEST_F(CropCli, CutBeyondTheSoundAddsSilenceAndSaysHowMuch) {
  CW_REQUIRE_CORPUS("vcd_short_sound.mpg");
  const std::string source = corpusPath("vcd_short_sound.mpg");
  const std::string record = dir.file("project.mpg");
  CommandResult r = crop({source, record, "--in", "10", "--out", "100", "--mode", "vcd"}, true);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  const std::size_t at = r.out.find("clipwright-cli: added ");
  ASSERT_NE(at, std::string::npos) << r.out;
  double seconds = 0.0;
  ASSERT_EQ(std::sscanf(r.out.c_str() + at, "clipwright-cli: added %lf s of silence", &seconds), 1);
  EXPECT_NEAR(seconds, 5.0, 0.1);
  EXPECT_EQ(ffmpegDecodeErrors(record), "");

  r = crop({source, record, "--in", "2", "--out", "10", "--mode", "vcd"}, true);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out.find("silence"), std::string::npos) << r.out;
}

TEST_F(CropCli, CtrlCCancelsAndRemovesTheRecord) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const std::string record = dir.file("project.mpg");
  // The first line comes once the handler is in place, before the first chunk.
  const InterruptedRun run =
      interruptAfterFirstLine({cliPath(), "crop", corpusPath("syncflash.mpg"), record, "--in", "0",
                               "--out", "39", "--mode", "vcd-zeroes"});
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.firstLine.rfind("cropping ", 0), 0u) << run.firstLine;
  EXPECT_EQ(run.exitCode, 130) << run.rest;
  EXPECT_FALSE(platform::fileExists(record));
  EXPECT_EQ(run.rest.find("100%"), std::string::npos) << run.rest;
}

}  // namespace
}  // namespace cw::test
