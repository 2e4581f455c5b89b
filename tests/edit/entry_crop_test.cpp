// Entry crop at several points of a record: inside it, inside its last GOP
// and beyond its end, in every kind of record. The record keeps its bytes up
// to the join offset, continues without a break into the new stretch and is
// cut to J + W when it became shorter.
#include <gtest/gtest.h>

#include <algorithm>

#include "append_checks.h"
#include "append_fixture.h"
#include "engine/edit/append_crop.h"
#include "platform/file.h"
#include "support/corpus.h"
#include "support/ffprobe.h"

namespace cw::test {
namespace {

class EntryCrop : public JoinFixture {
 protected:
  std::string defects() const {
    if (record.fileType == kTypeVideoOnly) return videoStreamDefects(ctx.recordFileName);
    if (record.fileType == kTypeAudioOnly) return audioStreamDefects(ctx.recordFileName);
    return systemStreamDefects(ctx.recordFileName);
  }

  // The record after an entry crop: its old bytes up to J, then exactly what
  // the redo journal holds, and nothing behind.
  void expectJoinedAtJ(const std::string& before) {
    const std::string after = recordBytes();
    const std::string redo = redoBytes();
    const std::int64_t j = journalOffset(redo);
    ASSERT_GE(j, 0);
    ASSERT_LE(j, static_cast<std::int64_t>(before.size()));
    EXPECT_EQ(journalOffset(undoBytes()), j);
    EXPECT_EQ(static_cast<std::int64_t>(after.size()),
              j + static_cast<std::int64_t>(redo.size()) - 8);
    EXPECT_TRUE(after.compare(0, j, before, 0, j) == 0);
    EXPECT_TRUE(undoBytes().compare(8, std::string::npos, before, j) == 0);
    EXPECT_EQ(record.fileLength, static_cast<double>(after.size()));
    EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, true}));
    EXPECT_EQ(defects(), "");
  }
};

TEST_F(EntryCrop, SystemRecordAtSeveralPoints) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  CW_REQUIRE_CORPUS("sys_open.mpg");
  struct Case {
    const char* file;
    int mode;
    double at;
  };
  // Early, in the middle, inside the last GOP, and far beyond the end.
  for (const Case c :
       {Case{"vcd_pal.mpg", 1, 0.4}, Case{"vcd_pal.mpg", 1, 2.3}, Case{"vcd_pal.mpg", 2, 5.5},
        Case{"sys_open.mpg", 0, 3.3}, Case{"sys_open.mpg", 0, 5.9}, Case{"vcd_pal.mpg", 1, 1e6}}) {
    SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.at));
    ASSERT_TRUE(makeRecord(c.file, 1.0, 7.0, c.mode));
    const std::string before = recordBytes();
    ASSERT_EQ(entry(c.file, 3.0, 5.0, c.at), 0) << ctx.error.number << " " << ctx.error.message;
    expectJoinedAtJ(before);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
  }
}

TEST_F(EntryCrop, InsideTheLastGopKeepsEveryPictureOfTheRecord) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 7.0, 8.0, 1));
  const std::size_t stretchPictures = ffprobeFrames(ctx.recordFileName).size();
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 5.0, 1));
  const std::vector<ProbeFrame> frames = ffprobeFrames(ctx.recordFileName);
  ASSERT_FALSE(frames.empty());
  std::int64_t first = frames.front().pts;
  std::int64_t lastKey = first;
  for (const ProbeFrame& f : frames) {
    first = std::min(first, f.pts);
    if (f.pictType == 'I') lastKey = std::max(lastKey, f.pts);
  }
  const double at = (lastKey - first) / 90000.0 + 0.1;
  ASSERT_EQ(entry("vcd_pal.mpg", 7.0, 8.0, at), 0) << ctx.error.message;
  EXPECT_EQ(ffprobeFrames(ctx.recordFileName).size(), frames.size() + stretchPictures);
  EXPECT_EQ(systemStreamDefects(ctx.recordFileName), "");
}

TEST_F(EntryCrop, AtTheVeryStartNothingCanBeKept) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 5.0, 1));
  const std::string before = recordBytes();
  EXPECT_EQ(entry("vcd_pal.mpg", 7.0, 8.0, 0.0), 1607);
  EXPECT_EQ(ctx.error.number, 1607);
  EXPECT_TRUE(recordBytes() == before);
  EXPECT_EQ(ctx.history, HistoryFlags{});
  EXPECT_FALSE(platform::fileExists(ctx.undoFileName));
  EXPECT_FALSE(platform::fileExists(ctx.redoFileName));
}

TEST_F(EntryCrop, BeyondTheEndMatchesAnAppend) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  ASSERT_TRUE(makeRecord("vcd_ntsc.mpg", 1.0, 4.0, 1));
  ASSERT_EQ(append("vcd_ntsc.mpg", 6.0, 8.0), 0) << ctx.error.message;
  const std::string appended = recordBytes();
  ASSERT_TRUE(makeRecord("vcd_ntsc.mpg", 1.0, 4.0, 1));
  ASSERT_EQ(entry("vcd_ntsc.mpg", 6.0, 8.0, 1e9), 0) << ctx.error.message;
  EXPECT_TRUE(recordBytes() == appended);
}

TEST_F(EntryCrop, ShorterResultIsCutToTheNewLength) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 0.0, 9.0, 1));
  const std::string before = recordBytes();
  ASSERT_EQ(entry("vcd_pal.mpg", 4.0, 4.5, 2.0), 0) << ctx.error.message;
  EXPECT_LT(recordBytes().size(), before.size() / 2);
  expectJoinedAtJ(before);
}

TEST_F(EntryCrop, ElementaryRecords) {
  struct Case {
    const char* file;
    int mode;
  };
  for (const Case c : {Case{"vcd_pal.mpg", 3}, Case{"vcd_ntsc.mpg", 4}, Case{"video_only.mpv", 0},
                       Case{"audio_only.mpa", 0}}) {
    if (!requireCorpusFile(c.file)) continue;
    for (const double at : {1.7, 0.4, 1e6}) {
      SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(at));
      ASSERT_TRUE(makeRecord(c.file, 0.5, 6.0, c.mode));
      const std::string before = recordBytes();
      ASSERT_EQ(entry(c.file, 2.0, 3.0, at), 0) << ctx.error.number << " " << ctx.error.message;
      expectJoinedAtJ(before);
    }
  }
}

}  // namespace
}  // namespace cw::test
