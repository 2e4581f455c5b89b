// Exact appends, entries, split pieces and cut lists on the command line:
// every stretch holds exactly its marked pictures, the joins play and pass
// the buffer checks, and undo and redo give back the very bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/cli.h"
#include "support/corpus.h"
#include "support/exact_checks.h"
#include "support/ffprobe.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

struct JoinCase {
  const char* file;
  const char* mode;
  double in1, out1;  // the crop
  double in2, out2;  // the appended stretch
};

// One case per corpus family, marks inside GOPs; the second stretch lies
// before the first in some, so that the join runs back in the source.
const JoinCase kJoins[] = {
    {"vcd_ntsc.mpg", "vcd", 1.23, 4.61, 6.07, 8.8},
    {"vcd_pal.mpg", "mpeg", 1.3, 4.5, 6.22, 8.71},
    {"vcd_film.mpg", "vcd-zeroes", 0.9, 3.95, 5.3, 7.1},
    {"sys_open.mpg", "mpeg", 2.13, 5.05, 0.7, 2.9},
    {"mjpeg_generic.mpg", "mpeg", 1.1, 3.3, 3.95, 5.2},
    {"mjpeg_vcd.mpg", "vcd", 1.5, 3.1, 3.9, 5.35},
    {"sys_layer3.mpg", "video", 1.7, 4.9, 5.55, 8.2},
    {"video_only.mpv", "video", 1.4, 4.45, 6.1, 8.3},
    // The appended stretch within one GOP: all of it coded anew.
    {"vcd_pal.mpg", "mpeg", 1.3, 4.5, 7.1, 7.5},
};

std::string describe(const JoinCase& c) { return std::string(c.file) + " " + c.mode; }

class ExactJoinCli : public CliTest {
 protected:
  TempDir dir{"cw-exact-join"};

  std::string recordName(const JoinCase& c, const std::string& tag) const {
    return dir.file(tag + "-" + c.file + (std::string(c.mode) == "video" ? ".m1v" : ".mpg"));
  }
};

std::string sec(double s) { return std::to_string(s); }

double rateOf(const std::string& source) {
  const ProbeInfo probe = ffprobeFile(source);
  return probe.first("video") == nullptr ? 0.0 : probe.first("video")->frameRate;
}

TEST_F(ExactJoinCli, AppendsExactlyAndUndoesByteForByte) {
  for (const JoinCase& c : kJoins) {
    SCOPED_TRACE(describe(c));
    if (!hasCorpusFile(c.file)) continue;
    const std::string source = corpusPath(c.file);
    const std::string record = recordName(c, "append");
    ASSERT_EQ(runCli({"crop", source, record, "--in", sec(c.in1), "--out", sec(c.out1), "--mode",
                      c.mode, "--exact"})
                  .exitCode,
              0);
    const std::string cropped = readFile(record);
    const CommandResult r = runCli(
        {"append", source, record, "--in", sec(c.in2), "--out", sec(c.out2), "--exact"}, true);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string appended = readFile(record);

    const double rate = rateOf(source);
    EXPECT_EQ(exactRecordProblems(exactSource(source), record, c.mode,
                                  {stretchOf(c.in1, c.out1, rate), stretchOf(c.in2, c.out2, rate)},
                                  dir.path().string()),
              "");

    ASSERT_EQ(runCli({"undo", record}).exitCode, 0);
    EXPECT_TRUE(readFile(record) == cropped);
    ASSERT_EQ(runCli({"redo", record}).exitCode, 0);
    EXPECT_TRUE(readFile(record) == appended);
  }
}

// An exact entry keeps the project up to the GOP at --at and then holds
// exactly the marked stretch of the source.
TEST_F(ExactJoinCli, EntersTheMarkedPicturesExactly) {
  for (const JoinCase& c : kJoins) {
    if (std::string(c.file) != "vcd_pal.mpg" && std::string(c.file) != "sys_open.mpg" &&
        std::string(c.file) != "video_only.mpv") {
      continue;
    }
    SCOPED_TRACE(describe(c));
    if (!hasCorpusFile(c.file)) continue;
    const std::string source = corpusPath(c.file);
    const std::string record = recordName(c, "entry");
    ASSERT_EQ(
        runCli({"crop", source, record, "--in", "0", "--out", "9", "--mode", c.mode}).exitCode, 0);
    const PictureHashes before = pictureHashes(record);
    const std::string cropped = readFile(record);
    const CommandResult r = runCli({"entry", source, record, "--in", sec(c.in2), "--out",
                                    sec(c.out2), "--at", "3.3", "--exact"},
                                   true);
    ASSERT_EQ(r.exitCode, 0) << r.out;

    const SourceStretch entered = stretchOf(c.in2, c.out2, rateOf(source));
    const PictureHashes after = pictureHashes(record);
    ASSERT_GT(after.size(), entered.count);
    const std::size_t kept = after.size() - entered.count;
    ASSERT_LE(kept, before.size());
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(kept),
                           before.begin()));
    const std::vector<Luma> pictures = pictureLumas(record);
    const Identity id = identify(pictureLumas(source), pictures, entered.first, kept);
    EXPECT_EQ(id.wrongPlace, 0);
    EXPECT_GE(id.lowest, 30.0);
    EXPECT_EQ(ffmpegDecodeErrors(record), "");
    EXPECT_TRUE(stampsRise(record));

    ASSERT_EQ(runCli({"undo", record}).exitCode, 0);
    EXPECT_TRUE(readFile(record) == cropped);
  }
}

// Exact pieces meet on the picture at each cut and together hold every
// picture of the source once.
TEST_F(ExactJoinCli, SplitPiecesMeetOnTheMarkedPictures) {
  for (const char* file : {"vcd_ntsc.mpg", "mjpeg_generic.mpg", "video_only.mpv"}) {
    SCOPED_TRACE(file);
    if (!hasCorpusFile(file)) continue;
    const std::string source = corpusPath(file);
    const bool video = std::string(file) == "video_only.mpv";
    const std::string pattern = dir.file(std::string("piece%d-") + file);
    const CommandResult r =
        runCli({"split", source, "--at", "1.37", "--at", "3.61", "-o", pattern, "--exact"}, true);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const double rate = rateOf(source);
    const ExactSource original = exactSource(source);
    const std::size_t pictures = original.pictures.size();
    const double cuts[] = {0.0, 1.37, 3.61};
    std::size_t total = 0;
    for (int k = 1; k <= 3; ++k) {
      SCOPED_TRACE(k);
      const std::string piece = dir.file("piece" + std::to_string(k) + "-" + file);
      const double end = k < 3 ? cuts[k] : static_cast<double>(pictures) / rate;
      const SourceStretch s = stretchOf(cuts[k - 1], end, rate);
      total += s.count;
      EXPECT_EQ(
          exactRecordProblems(original, piece, video ? "video" : "mpeg", {s}, dir.path().string()),
          "");
    }
    EXPECT_EQ(total, pictures);
  }
}

TEST_F(ExactJoinCli, CutListRecordsEachStretchExactly) {
  CW_REQUIRE_CORPUS("sys_open.mpg");
  const std::string source = corpusPath("sys_open.mpg");
  const std::string project = dir.file("list.mpg");
  const CommandResult r = runCli({"cutlist", source, project, "--keep", "0.53-2.71", "--keep",
                                  "4.17-6.3", "--keep", "8.02-9.9", "--exact"},
                                 true);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const double rate = rateOf(source);
  EXPECT_EQ(exactRecordProblems(exactSource(source), project, "mpeg",
                                {stretchOf(0.53, 2.71, rate), stretchOf(4.17, 6.3, rate),
                                 stretchOf(8.02, 9.9, rate)},
                                dir.path().string()),
            "");
  // Undo takes the last stretch back: the first two as one exact crop and
  // append would leave them.
  const std::string stepwise = dir.file("stepwise.mpg");
  ASSERT_EQ(runCli({"crop", source, stepwise, "--in", "0.53", "--out", "2.71", "--exact"}).exitCode,
            0);
  ASSERT_EQ(
      runCli({"append", source, stepwise, "--in", "4.17", "--out", "6.3", "--exact"}).exitCode, 0);
  ASSERT_EQ(runCli({"undo", project}).exitCode, 0);
  EXPECT_TRUE(readFile(project) == readFile(stepwise));
}

}  // namespace
}  // namespace cw::test
