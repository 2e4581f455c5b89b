// clipwright-cli check: the engine's own outputs are clean, ffmpeg's stream
// copies get their buffer overflows counted as the independent replay counts
// them, and the command's statuses and output forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/cli.h"
#include "support/corpus.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

class CheckCli : public CliTest {
 protected:
  TempDir dir{"cw-check-cli"};
};

// The problem lines of a text report ("  KIND at ...").
std::vector<std::string> problemLines(const std::string& out) {
  std::vector<std::string> lines;
  for (const std::string& line : splitLines(out))
    if (line.size() > 2 && line[0] == ' ' && line.find(" at ") != std::string::npos &&
        line.find("stream 0x") != 2)
      lines.push_back(line);
  return lines;
}

// The sum of the numbers that follow each `key` in `text`.
long long sumAfter(const std::string& text, const std::string& key) {
  long long sum = 0;
  for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1))
    sum += std::atoll(text.c_str() + at + key.size());
  return sum;
}

// The same, for numbers in front of `key` ("446 overflowing packets").
long long sumBefore(const std::string& text, const std::string& key) {
  long long sum = 0;
  for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    std::size_t from = text.rfind(' ', at - 2);
    sum += std::atoll(text.c_str() + (from == std::string::npos ? 0 : from + 1));
  }
  return sum;
}

TEST_F(CheckCli, RecordsOfEveryModeAreClean) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  CW_REQUIRE_CORPUS("sys_open.mpg");
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  const char* modes[] = {"mpeg", "vcd", "vcd-zeroes", "video", "audio"};
  for (const char* source : {"vcd_pal.mpg", "sys_open.mpg", "mjpeg_vcd.mpg"}) {
    const bool vcdSource = std::string(source) != "sys_open.mpg";
    for (const char* mode : modes) {
      SCOPED_TRACE(std::string(source) + " " + mode);
      const std::string project = dir.file(std::string(mode) + "_" + source);
      ASSERT_EQ(
          runCli({"crop", corpusPath(source), project, "--in", "1.5", "--out", "5", "--mode", mode})
              .exitCode,
          0);
      ASSERT_EQ(runCli({"append", corpusPath(source), project, "--in", "6", "--out", "8"}).exitCode,
                0);
      const CommandResult r = runCli({"check", project});
      if (vcdSource || std::string(mode).rfind("vcd", 0) != 0) {
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_NE(r.out.find(": no problems"), std::string::npos) << r.out;
        continue;
      }
      // Pictures of another size in the VideoCD layout: the layout is
      // right, the streams are not VideoCD streams.
      for (const std::string& line : problemLines(r.out))
        EXPECT_EQ(line.rfind("  videocd at", 0), 0u) << line;
    }
  }
}

// ffmpeg's program-stream muxer writes stream copies that overflow the video
// buffer (its VideoCD layout declares a buffer larger than a constrained
// stream may have); the packets that overflow it agree with cw-std-check's
// count within a few.
TEST_F(CheckCli, FfmpegStreamCopiesGetTheirOverflowsCounted) {
  const std::vector<std::string> sources = {"vcd_pal.mpg",   "vcd_ntsc.mpg",  "vcd_film.mpg",
                                            "mjpeg_vcd.mpg", "sys_open.mpg",  "sys_closed.mpg",
                                            "sys_32k.mpg",   "sys_layer3.mpg"};
  const double cuts[][2] = {{0.7, 4.1}, {2.3, 9.9}, {5.1, 11.0}};
  int runs = 0, flagged = 0, independent = 0;
  long long largest = 0;
  for (const std::string& source : sources) {
    if (!hasCorpusFile(source)) continue;
    for (const auto& cut : cuts) {
      for (const char* format : {"mpeg", "vcd"}) {
        const std::string out =
            dir.file(source + "_" + std::to_string(runs) + "_" + format + ".mpg");
        char from[16], to[16];
        std::snprintf(from, sizeof from, "%.2f", cut[0]);
        std::snprintf(to, sizeof to, "%.2f", cut[1]);
        const CommandResult copy =
            runProgram({"ffmpeg", "-v", "quiet", "-y", "-ss", from, "-to", to, "-i",
                        corpusPath(source), "-c", "copy", "-f", format, out});
        if (copy.exitCode != 0) continue;
        ++runs;
        const CommandResult ours = runCli({"check", "--json", out});
        ASSERT_NE(ours.out.find("\"counts\":"), std::string::npos) << ours.out;
        const long long overflows = sumAfter(ours.out, "\"overflowingPackets\":");
        const long long theirs =
            sumBefore(runProgram({binaryPath("cw-std-check"), "--csps", out}, true).out,
                      " overflowing packets");
        SCOPED_TRACE(out);
        if (overflows > 0) {
          ++flagged;
          EXPECT_EQ(ours.exitCode, 1);
          EXPECT_GT(sumAfter(ours.out, "\"overflow\":"), 0);
        }
        if (theirs > 0) ++independent;
        largest = std::max(largest, std::llabs(overflows - theirs));
        EXPECT_LE(std::llabs(overflows - theirs), 3) << ours.out;
        EXPECT_EQ(overflows > 0, theirs > 0);
      }
    }
  }
  std::printf(
      "ffmpeg stream copies: %d, flagged %d, by cw-std-check %d, largest difference %lld packets\n",
      runs, flagged, independent, largest);
  if (runs == 0) GTEST_SKIP() << "no corpus or no ffmpeg";
  EXPECT_GT(flagged, 0);
}

TEST_F(CheckCli, StatusesAndForms) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  const std::string project = dir.file("p.mpg");
  ASSERT_EQ(
      runCli({"crop", corpusPath("vcd_pal.mpg"), project, "--in", "1", "--out", "3"}).exitCode, 0);
  CommandResult r = runCli({"check", "--json", project});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("\"clean\":true"), std::string::npos) << r.out;

  // A truncated copy: a problem with its time and byte position.
  const std::string cut = dir.file("cut.mpg");
  ASSERT_EQ(runCommand("head -c 100000 " + shellQuote(project) + " > " + shellQuote(cut)).exitCode,
            0);
  r = runCli({"check", project, cut});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("packet cut short by the end of the file"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" s, byte "), std::string::npos) << r.out;

  EXPECT_EQ(runCli({"check"}).exitCode, 2);
  EXPECT_EQ(runCli({"check", "--bogus", project}).exitCode, 2);
  r = runCli({"check", "--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("usage: clipwright-cli check"), std::string::npos);
  EXPECT_EQ(runCli({"check", dir.file("missing.mpg")}).exitCode, 1);
}

}  // namespace
}  // namespace cw::test
