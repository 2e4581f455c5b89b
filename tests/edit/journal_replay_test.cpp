// Undo and Redo on journals written by the change side of the journal code:
// byte-exact round trips, the journal checks, every error number with the
// flags it leaves, and a failure injected at every file call.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/edit/journal_file.h"
#include "engine/edit/journal_replay.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace cw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::readBytes;

Bytes pattern(std::size_t size, std::uint8_t seed) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
  return b;
}

void writeAll(const fs::path& p, const Bytes& b) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

class JournalReplay : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("cw_journal_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ctx.recordFileName = (dir_ / "record.mpg").string();
    ctx.undoFileName = (dir_ / "undoedit.boo").string();
    ctx.redoFileName = (dir_ / "redoedit.boo").string();
    handle_ = registerStreamInfo(&info);
    ctx.recInfoHand = handle_;
  }
  void TearDown() override {
    platform::fault::disarm();
    unregisterStreamInfo(handle_);
    fs::remove_all(dir_);
  }

  // Simulates a change: the record `before` gets `tail` written from `join`
  // on, with both journals, as append and entry do it.
  void change(const Bytes& before, std::int64_t join, const Bytes& tail) {
    writeAll(ctx.recordFileName, before);
    ctx.setHistory(HistoryEvent::ChangeStarts);
    ChangeJournals journals(ctx.undoFileName, ctx.redoFileName, kAppendJournalErrors);
    Bytes buffer(kJournalBlock);
    platform::File record;
    ASSERT_TRUE(record.open(ctx.recordFileName, platform::OpenMode::ReadWrite));
    ASSERT_EQ(journals.create(), 0);
    ASSERT_EQ(journals.writeHeaders(join), 0);
    ASSERT_EQ(journals.saveOldTail(record, join, record.length(), buffer), 0);
    ASSERT_TRUE(record.seek(join));
    for (std::size_t at = 0; at < tail.size(); at += kJournalBlock) {
      const auto n = std::min<std::size_t>(kJournalBlock, tail.size() - at);
      ASSERT_EQ(record.write(tail.data() + at, static_cast<std::int64_t>(n)),
                static_cast<std::int64_t>(n));
      ASSERT_EQ(journals.teeChunk(tail.data() + at, static_cast<std::int64_t>(n)), 0);
    }
    ASSERT_TRUE(record.truncate(join + static_cast<std::int64_t>(tail.size())));
    ASSERT_TRUE(journals.publish());
    journals.close();
    ctx.setHistory(HistoryEvent::ChangeSucceeded);
  }

  static Bytes joined(const Bytes& before, std::int64_t join, const Bytes& tail) {
    Bytes after(before.begin(), before.begin() + join);
    after.insert(after.end(), tail.begin(), tail.end());
    return after;
  }

  fs::path dir_;
  StreamInfo info;
  std::int32_t handle_ = 0;
  OperationContext ctx;
};

TEST_F(JournalReplay, UndoAndRedoRestoreBothStatesByteForByte) {
  const Bytes before = pattern(150000, 1);  // several blocks, not a multiple of one
  const std::int64_t join = 70001;
  const Bytes tail = pattern(123457, 99);
  change(before, join, tail);
  const Bytes after = joined(before, join, tail);
  ASSERT_EQ(readBytes(ctx.recordFileName), after);

  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(Undo(ctx), 0);
    EXPECT_EQ(readBytes(ctx.recordFileName), before);
    EXPECT_EQ(ctx.history, (HistoryFlags{false, true, true, true}));
    EXPECT_EQ(info.fileLength, static_cast<double>(before.size()));
    EXPECT_EQ(info.video.length, static_cast<std::int64_t>(before.size()));
    EXPECT_EQ(info.audio.length, static_cast<std::int64_t>(before.size()));
    EXPECT_EQ(info.stage, 1);

    ASSERT_EQ(Redo(ctx), 0);
    EXPECT_EQ(readBytes(ctx.recordFileName), after);
    EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, true}));
    EXPECT_EQ(info.video.length, static_cast<std::int64_t>(after.size()));
  }
}

TEST_F(JournalReplay, UndoOfAShorteningChangeLengthensTheRecordAgain) {
  const Bytes before = pattern(90000, 3);
  change(before, 20000, pattern(500, 4));
  ASSERT_EQ(fs::file_size(ctx.recordFileName), 20500u);
  ASSERT_EQ(Undo(ctx), 0);
  EXPECT_EQ(readBytes(ctx.recordFileName), before);
}

TEST_F(JournalReplay, HeaderOnlyUndoJournalCutsTheRecordBackToJ) {
  // An audio-only append adds behind the old end: J = L, nothing saved.
  const Bytes before = pattern(4000, 5);
  change(before, 4000, pattern(3000, 6));
  EXPECT_EQ(fs::file_size(ctx.undoFileName), 8u);
  ASSERT_EQ(Undo(ctx), 0);
  EXPECT_EQ(readBytes(ctx.recordFileName), before);
}

TEST_F(JournalReplay, HeaderIsLittleEndianSigned64) {
  change(pattern(0x10000 + 10, 7), 0x10000 + 3, pattern(10, 8));
  const Bytes undo = readBytes(ctx.undoFileName);
  ASSERT_GE(undo.size(), 8u);
  EXPECT_EQ(Bytes(undo.begin(), undo.begin() + 8), (Bytes{0x03, 0x00, 0x01, 0, 0, 0, 0, 0}));
  EXPECT_EQ(decodeJournalHeader(undo.data()), 0x10003);
  std::uint8_t big[8];
  encodeJournalHeader(big, 5'000'000'000LL);
  EXPECT_EQ(decodeJournalHeader(big), 5'000'000'000LL);
}

TEST_F(JournalReplay, DisabledAndMissingHistory) {
  writeAll(ctx.recordFileName, pattern(100, 1));
  EXPECT_EQ(Undo(ctx), 2000);
  EXPECT_EQ(ctx.error.number, 2000);
  EXPECT_EQ(Redo(ctx), 2100);
  ctx.history = HistoryFlags{true, true, false, false};
  EXPECT_EQ(Undo(ctx), 2008);
  EXPECT_EQ(Redo(ctx), 2108);
  EXPECT_EQ(readBytes(ctx.recordFileName), pattern(100, 1));
}

TEST_F(JournalReplay, MissingUndoFileKeepsUndoEnabled) {
  const Bytes before = pattern(5000, 1);
  change(before, 1000, pattern(2000, 2));
  fs::remove(ctx.undoFileName);
  EXPECT_EQ(Undo(ctx), 2003);
  EXPECT_EQ(ctx.history, (HistoryFlags{true, false, true, true}));
  EXPECT_EQ(readBytes(ctx.recordFileName), joined(before, 1000, pattern(2000, 2)));
}

TEST_F(JournalReplay, MissingRecordGives2002AndKeepsTheJournal) {
  change(pattern(5000, 1), 1000, pattern(2000, 2));
  fs::remove(ctx.recordFileName);
  EXPECT_EQ(Undo(ctx), 2002);
  EXPECT_TRUE(fs::exists(ctx.undoFileName));
  EXPECT_TRUE(ctx.history.undoEnabled);
}

TEST_F(JournalReplay, ShortJournalIsRefusedAndDeleted) {
  const Bytes before = pattern(5000, 1);
  change(before, 1000, pattern(2000, 2));
  const Bytes current = readBytes(ctx.recordFileName);
  writeAll(ctx.undoFileName, Bytes{1, 2, 3, 4, 5});
  EXPECT_EQ(Undo(ctx), 2004);
  EXPECT_EQ(ctx.error.number, 2004);
  EXPECT_FALSE(fs::exists(ctx.undoFileName));
  EXPECT_EQ(ctx.history, (HistoryFlags{false, true, false, true}));
  EXPECT_EQ(readBytes(ctx.recordFileName), current);

  writeAll(ctx.redoFileName, Bytes{1, 2, 3});
  ctx.history = HistoryFlags{false, true, false, true};
  EXPECT_EQ(Redo(ctx), 2104);
  EXPECT_FALSE(fs::exists(ctx.redoFileName));
  EXPECT_EQ(ctx.history, (HistoryFlags{false, false, false, false}));
}

TEST_F(JournalReplay, JoinOffsetBeyondTheRecordOrNegativeIsRefused) {
  for (const std::int64_t join : {std::int64_t{6000}, std::int64_t{-8}}) {
    const Bytes record = pattern(5000, 1);
    writeAll(ctx.recordFileName, record);
    Bytes journal(8);
    encodeJournalHeader(journal.data(), join);
    journal.insert(journal.end(), 100, 0xAA);
    writeAll(ctx.undoFileName, journal);
    ctx.history = HistoryFlags{true, false, true, true};
    EXPECT_EQ(Undo(ctx), 2004) << join;
    EXPECT_EQ(readBytes(ctx.recordFileName), record);
    EXPECT_FALSE(fs::exists(ctx.undoFileName));
  }
}

TEST_F(JournalReplay, ReadOnlyRecordIsMadeWritable) {
  const Bytes before = pattern(5000, 1);
  change(before, 1000, pattern(2000, 2));
  ASSERT_TRUE(platform::setReadOnly(ctx.recordFileName, true));
  ASSERT_EQ(Undo(ctx), 0);
  EXPECT_EQ(readBytes(ctx.recordFileName), before);
}

// Runs `op` with a failure injected at call 1, 2, ... until it runs through
// without reaching the injected call. After each failure the outcome must be
// one of the documented ones.
TEST_F(JournalReplay, FailureAtEveryFileCallOfUndoAndRedo) {
  const Bytes before = pattern(100000, 11);
  const std::int64_t join = 30000;
  const Bytes tail = pattern(80000, 12);
  const Bytes after = joined(before, join, tail);

  struct Case {
    const char* name;
    int (*op)(OperationContext&);
    int base;  // 2000 or 2100
    const Bytes* start;
    const Bytes* goal;
    HistoryFlags flagsBefore;
  };
  const Case cases[] = {
      {"undo", &Undo, 2000, &after, &before, {true, false, true, true}},
      {"redo", &Redo, 2100, &before, &after, {false, true, true, true}},
  };
  for (const Case& c : cases) {
    bool finished = false;
    for (std::int64_t n = 1; !finished && n < 200; ++n) {
      change(before, join, tail);
      if (c.base == 2100) {
        ASSERT_EQ(Undo(ctx), 0);
      }
      ASSERT_EQ(ctx.history, c.flagsBefore);
      const std::string journal = c.base == 2000 ? ctx.undoFileName : ctx.redoFileName;

      platform::fault::failAt(n);
      const int rc = c.op(ctx);
      const bool fired = platform::fault::callsSoFar() >= n;
      platform::fault::disarm();
      SCOPED_TRACE(std::string(c.name) + " call " + std::to_string(n));

      if (!fired) {
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(readBytes(ctx.recordFileName), *c.goal);
        finished = true;
        continue;
      }
      ASSERT_NE(rc, 0);
      EXPECT_EQ(ctx.error.number, rc);
      const int local = rc - c.base;
      ASSERT_TRUE(local >= 2 && local <= 7) << rc;
      if (local <= 4) {  // nothing written to the record
        EXPECT_EQ(readBytes(ctx.recordFileName), *c.start);
      }
      if (local <= 3) {
        EXPECT_TRUE(fs::exists(journal));
        HistoryFlags expected = c.flagsBefore;
        EXPECT_EQ(ctx.history, expected);
      } else {
        EXPECT_FALSE(fs::exists(journal));
        HistoryFlags expected = c.flagsBefore;
        if (c.base == 2000) {
          expected.undoEnabled = false;
          expected.undoFileValid = false;
          expected.redoEnabled = expected.redoFileValid;
        } else {
          expected.redoEnabled = false;
          expected.redoFileValid = false;
          expected.undoEnabled = expected.undoFileValid;
        }
        EXPECT_EQ(ctx.history, expected);
      }
      if (local == 7) {  // right bytes, possibly wrong length
        const Bytes got = readBytes(ctx.recordFileName);
        ASSERT_GE(got.size(), c.goal->size());
        EXPECT_TRUE(std::equal(c.goal->begin(), c.goal->end(), got.begin()));
      }
    }
    EXPECT_TRUE(finished) << c.name;
  }
}

TEST_F(JournalReplay, ChangeRollbackRestoresTheRecordExactly) {
  const Bytes before = pattern(120000, 21);
  const std::int64_t join = 40000;
  writeAll(ctx.recordFileName, before);
  ChangeJournals journals(ctx.undoFileName, ctx.redoFileName, kEntryJournalErrors);
  Bytes buffer(kJournalBlock);
  platform::File record;
  ASSERT_TRUE(record.open(ctx.recordFileName, platform::OpenMode::ReadWrite));
  ASSERT_EQ(journals.create(), 0);
  ASSERT_EQ(journals.writeHeaders(join), 0);
  ASSERT_EQ(journals.saveOldTail(record, join, record.length(), buffer), 0);
  // A write phase that overwrote part of the tail and grew the file, then failed.
  const Bytes junk = pattern(150000, 22);
  ASSERT_TRUE(record.seek(join));
  ASSERT_EQ(record.write(junk.data(), 150000), 150000);
  ASSERT_TRUE(journals.restoreRecord(record, buffer));
  record.close();
  EXPECT_EQ(readBytes(ctx.recordFileName), before);
  journals.deleteCreated();
  EXPECT_FALSE(fs::exists(ctx.undoFileName));
  EXPECT_FALSE(fs::exists(ctx.redoFileName));
}

TEST_F(JournalReplay, ChangeSideFailuresGiveTheOperationsNumbers) {
  const Bytes before = pattern(70000, 31);
  bool finished = false;
  for (std::int64_t n = 1; !finished && n < 50; ++n) {
    writeAll(ctx.recordFileName, before);
    ChangeJournals journals(ctx.undoFileName, ctx.redoFileName, kAppendJournalErrors);
    Bytes buffer(kJournalBlock);
    platform::File record;
    ASSERT_TRUE(record.open(ctx.recordFileName, platform::OpenMode::ReadWrite));
    platform::fault::failAt(n);
    int rc = journals.create();
    if (rc == 0) rc = journals.writeHeaders(1000);
    if (rc == 0) rc = journals.saveOldTail(record, 1000, record.length(), buffer);
    if (rc == 0) rc = journals.teeChunk(before.data(), 10);
    const bool fired = platform::fault::callsSoFar() >= n;
    platform::fault::disarm();
    record.close();
    if (!fired) {
      EXPECT_EQ(rc, 0);
      finished = true;
    } else {
      EXPECT_TRUE(rc == 4002 || rc == 4003 || rc == 4008 || rc == 4009 || rc == 4010)
          << "call " << n << " gave " << rc;
    }
    EXPECT_EQ(readBytes(ctx.recordFileName), before);
    journals.deleteCreated();
  }
  EXPECT_TRUE(finished);
}

TEST_F(JournalReplay, JournalsReplaceReadOnlyLeftovers) {
  writeAll(ctx.undoFileName, pattern(10, 1));
  writeAll(ctx.redoFileName, pattern(10, 1));
  ASSERT_TRUE(platform::setReadOnly(ctx.undoFileName, true));
  ASSERT_TRUE(platform::setReadOnly(ctx.redoFileName, true));
  change(pattern(3000, 2), 100, pattern(50, 3));
  EXPECT_EQ(fs::file_size(ctx.undoFileName), 8u + 2900u);
  EXPECT_EQ(fs::file_size(ctx.redoFileName), 8u + 50u);
}

}  // namespace
}  // namespace cw
