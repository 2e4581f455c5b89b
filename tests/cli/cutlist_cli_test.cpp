// clipwright-cli cutlist: a list of stretches recorded in one go is the
// project that crop and append would make one by one, whichever way the
// list is written; a list that cannot be read names its line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "support/cli.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/pictures.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

class CutlistCli : public CliTest {
 protected:
  CommandResult cutlist(const std::string& project, std::vector<std::string> how) {
    std::vector<std::string> args{"cutlist", source(), project, "--mode", "vcd"};
    args.insert(args.end(), how.begin(), how.end());
    return runCli(args, true);
  }
  static std::string source() { return corpusPath("vcd_ntsc.mpg"); }

  TempDir dir{"cw-cutlist-cli"};
};

TEST_F(CutlistCli, ListIsTheProjectOfACropAndAppendsInEveryForm) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  // The same three stretches one by one ...
  const std::string byHand = dir.file("by_hand.mpg");
  ASSERT_EQ(
      runCli({"crop", source(), byHand, "--in", "1", "--out", "3", "--mode", "vcd"}, true).exitCode,
      0);
  ASSERT_EQ(runCli({"append", source(), byHand, "--in", "5", "--out", "7.5"}, true).exitCode, 0);
  ASSERT_EQ(runCli({"append", source(), byHand, "--in", "9", "--out", "11"}, true).exitCode, 0);
  const std::string expected = readFile(byHand);

  // ... as --keep options, as a list and as the cuts of an edit decision list.
  const std::string kept = dir.file("kept.mpg");
  CommandResult r =
      cutlist(kept, {"--keep", "1-3", "--keep", "00:00:05-00:00:07.500", "--keep", "9-11"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(kept) == expected);

  const std::string list = dir.file("cuts.txt");
  ASSERT_TRUE(writeFile(list, "# the good bits\n1 3\n\n00:00:05.000 00:00:07.5  # goal\n9 11\n"));
  const std::string listed = dir.file("listed.mpg");
  r = cutlist(listed, {"--list", list});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(listed) == expected);

  const std::string edl = dir.file("breaks.edl");
  ASSERT_TRUE(writeFile(edl, "0.00\t1.00\t0\n3.0\t5.0\t3\n6\t6.5\t1\n7.5\t9\t0\n11\t9999\t0\n"));
  const std::string rest = dir.file("rest.mpg");
  r = cutlist(rest, {"--cut-edl", edl});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(rest) == expected);

  // Its pictures are the source's, in three runs in order.
  const PictureLayout layout = layOnSource(pictureHashes(source()), pictureHashes(kept));
  EXPECT_EQ(layout.foreign, 0u) << describeLayout(layout);
  ASSERT_EQ(layout.runs.size(), 3u) << describeLayout(layout);
  EXPECT_LT(layout.runs[0].from + layout.runs[0].count, layout.runs[1].from);
  EXPECT_LT(layout.runs[1].from + layout.runs[1].count, layout.runs[2].from);

  // The history is that of the appends: undo takes the last stretch back.
  ASSERT_EQ(runCli({"undo", kept}, true).exitCode, 0);
  ASSERT_EQ(runCli({"undo", byHand}, true).exitCode, 0);
  EXPECT_TRUE(readFile(kept) == readFile(byHand));
}

TEST_F(CutlistCli, UnreadableListsAreUsageErrorsNamingTheLine) {
  const std::string project = dir.file("p.mpg");
  const std::string list = dir.file("cuts.txt");
  ASSERT_TRUE(writeFile(list, "1 4\n# fine so far\n8 x\n"));
  CommandResult r = cutlist(project, {"--list", list});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.out.find(list + ":3: 'x' is no time"), std::string::npos) << r.out;

  const std::string edl = dir.file("breaks.edl");
  ASSERT_TRUE(writeFile(edl, "10 20 0\n30 40\n"));
  r = cutlist(project, {"--cut-edl", edl});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.out.find(edl + ":2: "), std::string::npos) << r.out;

  EXPECT_EQ(cutlist(project, {"--keep", "5-3"}).exitCode, 2);
  EXPECT_EQ(cutlist(project, {"--keep", "1-2", "--list", list}).exitCode, 2);
  EXPECT_EQ(cutlist(project, {}).exitCode, 2);
  EXPECT_EQ(cutlist(project, {"--list", dir.file("missing.txt")}).exitCode, 1);
  EXPECT_FALSE(platform::fileExists(project));
}

TEST_F(CutlistCli, FailedStretchKeepsTheOnesBefore) {
  CW_REQUIRE_CORPUS("vcd_short_sound.mpg");
  const std::string project = dir.file("p.mpg");
  // The second stretch lies where the source has picture but no sound: in
  // the audio-only mode there is nothing to record.
  const CommandResult r = runCli({"cutlist", corpusPath("vcd_short_sound.mpg"), project, "--mode",
                                  "audio", "--keep", "2-10", "--keep", "16-18"},
                                 true);
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find("error 14"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(project + " holds the first 1 of 2 stretches"), std::string::npos) << r.out;
  ASSERT_TRUE(platform::fileExists(project));
  EXPECT_EQ(ffmpegDecodeErrors(project), "");
}

}  // namespace
}  // namespace cw::test
