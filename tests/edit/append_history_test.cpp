// The history of a change: Undo and Redo after an append and an entry crop
// give back the exact bytes, the flags move by the transition table at every
// step, a cancel restores the record and reports success, and a record that
// could not be restored stays repairable by Undo.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "append_fixture.h"
#include "engine/common/errors.h"
#include "engine/edit/journal_replay.h"
#include "platform/file.h"
#include "support/corpus.h"

namespace cw::test {
namespace {

using JoinHistory = JoinFixture;

constexpr HistoryFlags kAfterChange{true, false, true, true};
constexpr HistoryFlags kAfterUndo{false, true, true, true};

// Undo, Redo, Undo again, Redo again: each time the exact bytes.
void cycleUndoRedo(OperationContext& ctx, const std::string& before, const std::string& after,
                   StreamInfo& record) {
  ASSERT_EQ(ctx.history, kAfterChange);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(Undo(ctx), 0) << ctx.error.message;
    EXPECT_TRUE(readFile(ctx.recordFileName) == before);
    EXPECT_EQ(record.fileLength, static_cast<double>(before.size()));
    EXPECT_EQ(ctx.history, kAfterUndo);
    ASSERT_EQ(Redo(ctx), 0) << ctx.error.message;
    EXPECT_TRUE(readFile(ctx.recordFileName) == after);
    EXPECT_EQ(record.fileLength, static_cast<double>(after.size()));
    EXPECT_EQ(ctx.history, kAfterChange);
  }
}

TEST_F(JoinHistory, UndoAndRedoAfterAppendAndEntryAreExact) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  CW_REQUIRE_CORPUS("audio_only.mpa");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 6.0, 1));
  std::string before = recordBytes();
  ASSERT_EQ(append("vcd_pal.mpg", 2.0, 4.0), 0) << ctx.error.message;
  cycleUndoRedo(ctx, before, recordBytes(), record);

  // An entry that makes the record shorter: Undo lengthens it again.
  before = recordBytes();
  ASSERT_EQ(entry("vcd_pal.mpg", 5.0, 5.5, 1.5), 0) << ctx.error.message;
  ASSERT_LT(recordBytes().size(), before.size());
  cycleUndoRedo(ctx, before, recordBytes(), record);

  // An audio record: J is the old length, the undo journal only its header.
  ASSERT_TRUE(makeRecord("audio_only.mpa", 1.0, 3.0, 0));
  before = recordBytes();
  ASSERT_EQ(append("audio_only.mpa", 5.0, 6.0), 0) << ctx.error.message;
  EXPECT_EQ(undoBytes().size(), 8u);
  EXPECT_EQ(journalOffset(undoBytes()), static_cast<std::int64_t>(before.size()));
  cycleUndoRedo(ctx, before, recordBytes(), record);
}

TEST_F(JoinHistory, SecondAppendReplacesTheHistory) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  ASSERT_TRUE(makeRecord("vcd_ntsc.mpg", 1.0, 3.0, 2));
  ASSERT_EQ(append("vcd_ntsc.mpg", 4.0, 5.0), 0) << ctx.error.message;
  const std::string afterFirst = recordBytes();
  ASSERT_EQ(append("vcd_ntsc.mpg", 6.0, 7.0), 0) << ctx.error.message;
  const std::int64_t j = journalOffset(undoBytes());
  EXPECT_GT(j, static_cast<std::int64_t>(afterFirst.size()) / 2);
  EXPECT_EQ(undoBytes().size() - 8, afterFirst.size() - static_cast<std::size_t>(j));
  ASSERT_EQ(Undo(ctx), 0);
  EXPECT_TRUE(recordBytes() == afterFirst);
  EXPECT_EQ(Undo(ctx), 2000);  // one level only

  // A crop starts a new project without history.
  ASSERT_TRUE(makeRecord("vcd_ntsc.mpg", 1.0, 2.0, 2));
  EXPECT_EQ(ctx.history, HistoryFlags{});
}

TEST_F(JoinHistory, FlagsAreClearWhileTheChangeWrites) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 3.0, 1));
  ASSERT_EQ(append("vcd_pal.mpg", 4.0, 5.0), 0);
  ASSERT_EQ(ctx.history, kAfterChange);
  int reports = 0;
  ctx.onProgress = [&](int, int) {
    ++reports;
    EXPECT_EQ(ctx.history, HistoryFlags{});
  };
  ASSERT_EQ(entry("vcd_pal.mpg", 6.0, 7.0, 1.0), 0) << ctx.error.message;
  EXPECT_GT(reports, 0);
  EXPECT_EQ(ctx.history, kAfterChange);
}

TEST_F(JoinHistory, CancelRestoresTheRecordAndReportsSuccess) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 5.0, 1));
  for (const bool isEntry : {false, true}) {
    SCOPED_TRACE(isEntry ? "entry" : "append");
    const std::string before = recordBytes();
    const StreamInfo described = record;
    ctx.error.SetError(4013);  // an earlier failure's message stays
    int reports = 0;
    ctx.onProgress = [&](int, int) {
      if (++reports == 3) ctx.Cancel();
    };
    const int rc = isEntry ? entry("vcd_pal.mpg", 2.0, 8.0, 2.0) : append("vcd_pal.mpg", 2.0, 8.0);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(ctx.error.number, 0);
    EXPECT_EQ(ctx.error.message, errorMessage(4013));
    EXPECT_TRUE(recordBytes() == before);
    EXPECT_EQ(record.fileLength, described.fileLength);
    EXPECT_EQ(ctx.history, HistoryFlags{});
    EXPECT_FALSE(platform::fileExists(ctx.undoFileName));
    EXPECT_FALSE(platform::fileExists(ctx.redoFileName));
  }
}

// The restore itself fails after a cancel: the record is left damaged, the
// undo journal is kept and Undo puts the record back.
TEST_F(JoinHistory, FailedRestoreLeavesUndoToRepairTheRecord) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  struct Case {
    bool isEntry;
    int expected;
    std::int64_t failingCall;  // counted from the cancel: the restore's calls
  };
  for (const Case c : {Case{false, 4014, 1}, Case{true, 3014, 3}, Case{false, 4014, 6}}) {
    SCOPED_TRACE(c.expected);
    ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 5.0, 1));
    const std::string before = recordBytes();
    ctx.onProgress = [&](int, int percentage) {
      if (percentage < 20) return;
      ctx.Cancel();
      platform::fault::failAt(c.failingCall);
    };
    const int rc =
        c.isEntry ? entry("vcd_pal.mpg", 2.0, 8.0, 2.0) : append("vcd_pal.mpg", 2.0, 8.0);
    platform::fault::disarm();
    ctx.onProgress = nullptr;
    ASSERT_EQ(rc, c.expected);
    EXPECT_EQ(ctx.error.number, c.expected);
    EXPECT_EQ(ctx.error.message, errorMessage(c.expected));
    EXPECT_FALSE(recordBytes() == before);
    EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, false}));
    EXPECT_TRUE(platform::fileExists(ctx.undoFileName));
    EXPECT_FALSE(platform::fileExists(ctx.redoFileName));
    EXPECT_EQ(record.stage, 1);

    ASSERT_EQ(Undo(ctx), 0) << ctx.error.message;
    EXPECT_TRUE(recordBytes() == before);
    EXPECT_EQ(record.fileLength, static_cast<double>(before.size()));
    EXPECT_EQ(ctx.history, (HistoryFlags{false, false, true, false}));
    EXPECT_EQ(Redo(ctx), 2100);
  }
}

// Whatever ends the write phase, an exception included, the record is put
// back (or left repairable by Undo); never changed bytes with no history.
// The exception comes from the progress report, in the middle of writing.
TEST_F(JoinHistory, AnExceptionWhileWritingRestoresTheRecord) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  struct Case {
    bool isEntry;
    bool memory;
    int expected;
    std::int64_t failingCall;  // 0: the restore succeeds
  };
  for (const Case c : {Case{false, false, 4022, 0}, Case{true, true, 3019, 0},
                       Case{false, true, 4014, 2}, Case{true, false, 3014, 1}}) {
    SCOPED_TRACE(c.expected);
    ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 5.0, 1));
    ASSERT_EQ(append("vcd_pal.mpg", 5.5, 6.0), 0);
    const std::string before = recordBytes();
    ctx.onProgress = [&](int, int percentage) {
      if (percentage < 20) return;
      if (c.failingCall > 0) platform::fault::failAt(c.failingCall);
      if (c.memory) throw std::bad_alloc();
      throw std::length_error("vector::_M_fill_insert");
    };
    const int rc =
        c.isEntry ? entry("vcd_pal.mpg", 2.0, 8.0, 2.0) : append("vcd_pal.mpg", 2.0, 8.0);
    platform::fault::disarm();
    ctx.onProgress = nullptr;
    ASSERT_EQ(rc, c.expected);
    EXPECT_EQ(ctx.error.number, c.expected);
    EXPECT_EQ(record.video.handle, -1);
    if (c.failingCall == 0) {
      EXPECT_TRUE(recordBytes() == before);
      EXPECT_EQ(ctx.history, HistoryFlags{});
      // Entry leaves the previous change's journals alone, append deletes them.
      EXPECT_EQ(platform::fileExists(ctx.undoFileName), c.isEntry);
      continue;
    }
    EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, false}));
    ASSERT_EQ(Undo(ctx), 0) << ctx.error.message;
    EXPECT_TRUE(recordBytes() == before);
  }
}

// A crop or a sequence piece that ends in an exception leaves no half-made
// record, the file it was to replace as it was, and no history.
TEST_F(JoinHistory, AnExceptionWhileCroppingKeepsTheOldRecord) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  ASSERT_TRUE(makeRecord("vcd_pal.mpg", 1.0, 3.0, 1));
  ASSERT_EQ(append("vcd_pal.mpg", 4.0, 5.0), 0);
  const std::string before = recordBytes();
  ASSERT_TRUE(useCorpusSource("vcd_pal.mpg"));
  ctx.onProgress = [](int, int percentage) {
    if (percentage > 10) throw std::runtime_error("listener failed");
  };
  EXPECT_EQ(crop(1.0, 8.0, 1), 6007);
  ctx.onProgress = nullptr;
  EXPECT_EQ(ctx.error.number, 6007);
  EXPECT_TRUE(recordBytes() == before);
  EXPECT_FALSE(platform::fileExists(ctx.recordFileName + ".clipwright-new"));
  EXPECT_EQ(ctx.history, HistoryFlags{});
}

}  // namespace
}  // namespace cw::test
