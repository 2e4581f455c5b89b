// A failure injected at every file call of append crop, entry crop, Undo and
// Redo. Whatever call fails, the record ends up either exactly as it was
// before the call, or exactly as a complete call leaves it, or in the
// documented damaged state from which the other journal brings it back
// byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "append_fixture.h"
#include "engine/edit/append_crop.h"
#include "engine/edit/entry_crop.h"
#include "engine/edit/journal_replay.h"
#include "platform/file.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

class JoinFaults : public JoinFixture {
 protected:
  struct State {
    Snapshot snap;
    std::string undo;
    std::string redo;
  };
  State save() const { return State{snapshot(), undoBytes(), redoBytes()}; }
  void load(const State& s) {
    restore(s.snap);
    platform::removeFile(ctx.undoFileName);
    platform::removeFile(ctx.redoFileName);
    if (s.snap.history.undoFileValid) writeFile(ctx.undoFileName, s.undo);
    if (s.snap.history.redoFileValid) writeFile(ctx.redoFileName, s.redo);
  }

  // Runs `call` with a failure at file call 1, 2, ... until a run passes
  // without reaching the armed call. `judge` checks each failed run.
  int everyCall(const State& start, const std::function<void()>& prepare,
                const std::function<int()>& call,
                const std::function<void(int, std::int64_t)>& judge) {
    int failures = 0;
    for (std::int64_t n = 1; n < 5000; ++n) {
      load(start);
      prepare();
      platform::fault::failAt(n);
      const int rc = call();
      const bool fired = platform::fault::callsSoFar() >= n;
      platform::fault::disarm();
      if (!fired) {
        EXPECT_EQ(rc, 0) << ctx.error.message;
        return failures;
      }
      ++failures;
      judge(rc, n);
      if (::testing::Test::HasFatalFailure()) return failures;
    }
    ADD_FAILURE() << "the call never ran to its end";
    return failures;
  }
};

TEST_F(JoinFaults, AppendAndEntryAtEveryFileCall) {
  struct Case {
    const char* file;
    int mode;
    bool isEntry;
  };
  for (const Case c : {Case{"vcd_pal.mpg", 1, false}, Case{"vcd_pal.mpg", 1, true},
                       Case{"sys_closed.mpg", 3, false}, Case{"audio_only.mpa", 0, true}}) {
    if (!requireCorpusFile(c.file)) continue;
    SCOPED_TRACE(std::string(c.file) + (c.isEntry ? " entry" : " append"));
    ASSERT_TRUE(makeRecord(c.file, 1.0, 3.0, c.mode));
    ASSERT_EQ(append(c.file, 4.0, 4.5), 0);  // history and journals to lose
    const State start = save();
    const auto call = [&] {
      ctx.sourceMarkIn = 5.0;
      ctx.sourceMarkOut = 6.0;
      ctx.recordMarkEntry = 1.2;
      return c.isEntry ? EntryCrop(ctx) : AppendCrop(ctx);
    };
    const auto prepare = [&] { ASSERT_TRUE(useCorpusSource(c.file)); };
    prepare();
    ASSERT_EQ(call(), 0) << ctx.error.message;
    const std::string complete = recordBytes();
    const int restoreFailed = c.isEntry ? 3014 : 4014;

    const int failures = everyCall(start, prepare, call, [&](int rc, std::int64_t n) {
      SCOPED_TRACE("failing call " + std::to_string(n) + ", result " + std::to_string(rc));
      const std::string now = recordBytes();
      if (rc == 0) {  // the failure was retried or did not matter
        EXPECT_TRUE(now == complete);
        EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, true}));
        return;
      }
      EXPECT_EQ(ctx.error.number, rc);
      if (rc == restoreFailed) {
        EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, false}));
        ASSERT_EQ(Undo(ctx), 0) << ctx.error.message;
        EXPECT_TRUE(recordBytes() == start.snap.bytes);
        return;
      }
      EXPECT_TRUE(now == start.snap.bytes);
      EXPECT_EQ(ctx.history, HistoryFlags{});
    });
    EXPECT_GT(failures, 20);
    std::printf("%s %s: %d injected failures\n", c.file, c.isEntry ? "entry" : "append", failures);
  }
}

TEST_F(JoinFaults, UndoAndRedoAtEveryFileCall) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  ASSERT_TRUE(makeRecord("vcd_ntsc.mpg", 1.0, 4.0, 2));
  const std::string before = recordBytes();
  ASSERT_EQ(entry("vcd_ntsc.mpg", 5.0, 7.0, 2.0), 0) << ctx.error.message;
  const std::string changed = recordBytes();
  const State afterChange = save();
  ASSERT_EQ(Undo(ctx), 0);
  const State afterUndo = save();

  const auto nothing = [] {};
  // Undo: untouched when it failed before writing; otherwise the record is
  // damaged, the undo journal gone, and Redo brings back the changed record.
  int failures = everyCall(
      afterChange, nothing, [&] { return Undo(ctx); },
      [&](int rc, std::int64_t n) {
        SCOPED_TRACE("undo, failing call " + std::to_string(n) + ", result " + std::to_string(rc));
        if (rc == 0) {
          EXPECT_TRUE(recordBytes() == before);
        } else if (rc >= 2001 && rc <= 2003) {
          EXPECT_TRUE(recordBytes() == changed);
          EXPECT_TRUE(ctx.history.undoEnabled);
        } else {
          ASSERT_GE(rc, 2004);
          ASSERT_LE(rc, 2007);
          EXPECT_FALSE(platform::fileExists(ctx.undoFileName));
          ASSERT_TRUE(ctx.history.redoEnabled);
          ASSERT_EQ(Redo(ctx), 0);
          EXPECT_TRUE(recordBytes() == changed);
        }
      });
  EXPECT_GT(failures, 5);

  // Redo: the same the other way round; Undo repairs a broken Redo.
  failures = everyCall(
      afterUndo, nothing, [&] { return Redo(ctx); },
      [&](int rc, std::int64_t n) {
        SCOPED_TRACE("redo, failing call " + std::to_string(n) + ", result " + std::to_string(rc));
        if (rc == 0) {
          EXPECT_TRUE(recordBytes() == changed);
        } else if (rc >= 2101 && rc <= 2103) {
          EXPECT_TRUE(recordBytes() == before);
          EXPECT_TRUE(ctx.history.redoEnabled);
        } else {
          ASSERT_GE(rc, 2104);
          ASSERT_LE(rc, 2107);
          EXPECT_FALSE(platform::fileExists(ctx.redoFileName));
          ASSERT_TRUE(ctx.history.undoEnabled);
          ASSERT_EQ(Undo(ctx), 0);
          EXPECT_TRUE(recordBytes() == before);
        }
      });
  EXPECT_GT(failures, 5);
}

}  // namespace
}  // namespace cw::test
