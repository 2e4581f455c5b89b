// Append crop in every record mode on corpus files: the joined record plays
// cleanly and continues the old one without a break, the journals hold the
// old and the new bytes from the join offset on, and the history allows Undo.
#include <gtest/gtest.h>

#include <algorithm>

#include "append_checks.h"
#include "append_fixture.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

struct AppendCase {
  const char* record;  // corpus file the record is cropped from
  const char* source;  // corpus file appended to it
  int mode;
};

class AppendModes : public JoinFixture, public ::testing::WithParamInterface<AppendCase> {
 protected:
  std::string defects() const {
    if (record.fileType == kTypeVideoOnly) return videoStreamDefects(ctx.recordFileName);
    if (record.fileType == kTypeAudioOnly) return audioStreamDefects(ctx.recordFileName);
    return systemStreamDefects(ctx.recordFileName);
  }
};

TEST_P(AppendModes, JoinContinuesTheRecord) {
  const AppendCase c = GetParam();
  CW_REQUIRE_CORPUS(c.record);
  CW_REQUIRE_CORPUS(c.source);
  ASSERT_TRUE(makeRecord(c.record, 1.0, 4.0, c.mode));
  const std::string before = recordBytes();

  ASSERT_EQ(append(c.source, 2.0, 5.0), 0) << ctx.error.number << " " << ctx.error.message;
  EXPECT_EQ(ctx.error.number, 0);
  const std::string after = recordBytes();
  EXPECT_GT(after.size(), before.size());
  EXPECT_EQ(record.fileLength, static_cast<double>(after.size()));
  EXPECT_EQ(record.stage, 1);
  EXPECT_EQ(defects(), "");

  // The journals: J, then the old and the new bytes from J on.
  const std::string undo = undoBytes();
  const std::string redo = redoBytes();
  const std::int64_t j = journalOffset(undo);
  ASSERT_GE(j, 0);
  ASSERT_LE(j, static_cast<std::int64_t>(before.size()));
  EXPECT_EQ(journalOffset(redo), j);
  EXPECT_TRUE(undo.compare(8, std::string::npos, before, j) == 0);
  EXPECT_TRUE(redo.compare(8, std::string::npos, after, j) == 0);
  EXPECT_TRUE(after.compare(0, j, before, 0, j) == 0);
  if (record.fileType == kTypeAudioOnly) {
    EXPECT_EQ(j, static_cast<std::int64_t>(before.size()));
  }

  EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, true}));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end() - 1));
  EXPECT_EQ(std::adjacent_find(progress.begin(), progress.end() - 1), progress.end() - 1);
}

INSTANTIATE_TEST_SUITE_P(Corpus, AppendModes,
                         ::testing::Values(AppendCase{"sys_open.mpg", "sys_open.mpg", 0},
                                           AppendCase{"sys_closed.mpg", "sys_closed.mpg", 0},
                                           AppendCase{"vcd_pal.mpg", "vcd_pal.mpg", 1},
                                           AppendCase{"vcd_ntsc.mpg", "vcd_ntsc.mpg", 2},
                                           AppendCase{"vcd_pal.mpg", "vcd_pal.mpg", 3},
                                           AppendCase{"vcd_ntsc.mpg", "vcd_ntsc.mpg", 4},
                                           AppendCase{"video_only.mpv", "video_only.mpv", 0},
                                           AppendCase{"audio_only.mpa", "audio_only.mpa", 0}),
                         [](const ::testing::TestParamInfo<AppendCase>& info) {
                           std::string name = std::string(info.param.record) + "_mode" +
                                              std::to_string(info.param.mode);
                           std::replace_if(
                               name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); },
                               '_');
                           return name;
                         });

// The checks above must see the breaks of a join that is no join: two crops
// put one behind the other restart their clocks and time codes.
TEST_F(JoinFixture, ChecksSeeTwoCropsPutEndToEnd) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 3.0, 1));
  const std::string first = recordBytes();
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 5.0, 7.0, 1));
  const std::string joined = dir.file("joined.mpg");
  ASSERT_TRUE(writeFile(joined, first + recordBytes()));
  const std::string found = systemStreamDefects(joined);
  EXPECT_NE(found.find("video DTS"), std::string::npos) << found;
  EXPECT_NE(found.find("time code"), std::string::npos) << found;
}

}  // namespace
}  // namespace cw::test
