// The history flags: every row of the transition table, starting from states
// that make a wrong column visible.
#include <gtest/gtest.h>

#include "engine/edit/journal_flags.h"

namespace cw {
namespace {

struct Row {
  const char* name;
  HistoryFlags before;
  HistoryEvent event;
  HistoryFlags after;
};

// Flags are {undo enabled, redo enabled, undo valid, redo valid}.
const Row kRows[] = {
    {"crop clears all", {1, 1, 1, 1}, HistoryEvent::NewRecord, {0, 0, 0, 0}},
    {"change start clears all", {1, 0, 1, 1}, HistoryEvent::ChangeStarts, {0, 0, 0, 0}},
    {"change success", {0, 0, 0, 0}, HistoryEvent::ChangeSucceeded, {1, 0, 1, 1}},
    {"change rolled back", {1, 1, 1, 1}, HistoryEvent::ChangeAbandoned, {0, 0, 0, 0}},
    {"change unrestorable", {0, 1, 0, 1}, HistoryEvent::ChangeUnrestorable, {1, 0, 1, 0}},
    {"undo success, redo valid", {1, 0, 1, 1}, HistoryEvent::UndoSucceeded, {0, 1, 1, 1}},
    {"undo success, redo invalid", {1, 0, 1, 0}, HistoryEvent::UndoSucceeded, {0, 0, 1, 0}},
    {"undo journal broken", {1, 0, 1, 1}, HistoryEvent::UndoJournalBroken, {0, 1, 0, 1}},
    {"undo journal broken, no redo", {1, 1, 1, 0}, HistoryEvent::UndoJournalBroken, {0, 0, 0, 0}},
    {"undo not started", {1, 0, 1, 1}, HistoryEvent::UndoNotStarted, {1, 0, 1, 1}},
    {"undo not started keeps redo", {1, 1, 0, 0}, HistoryEvent::UndoNotStarted, {1, 1, 0, 0}},
    {"redo success, undo valid", {0, 1, 1, 1}, HistoryEvent::RedoSucceeded, {1, 0, 1, 1}},
    {"redo success, undo invalid", {0, 1, 0, 1}, HistoryEvent::RedoSucceeded, {0, 0, 0, 1}},
    {"redo journal broken", {0, 1, 1, 1}, HistoryEvent::RedoJournalBroken, {1, 0, 1, 0}},
    {"redo journal broken, no undo", {1, 1, 0, 1}, HistoryEvent::RedoJournalBroken, {0, 0, 0, 0}},
    {"redo not started", {0, 1, 1, 1}, HistoryEvent::RedoNotStarted, {0, 1, 1, 1}},
    {"redo not started keeps undo", {1, 0, 0, 0}, HistoryEvent::RedoNotStarted, {1, 1, 0, 0}},
};

TEST(JournalHistory, EveryTransitionOfTheTable) {
  for (const Row& row : kRows) {
    const HistoryFlags got = nextHistory(row.before, row.event);
    EXPECT_EQ(got, row.after) << row.name << ": got " << got.undoEnabled << got.redoEnabled
                              << got.undoFileValid << got.redoFileValid;
  }
}

TEST(JournalHistory, UndoRedoCycleAfterAChange) {
  HistoryFlags f = nextHistory(HistoryFlags{}, HistoryEvent::ChangeSucceeded);
  for (int i = 0; i < 3; ++i) {
    f = nextHistory(f, HistoryEvent::UndoSucceeded);
    EXPECT_EQ(f, (HistoryFlags{false, true, true, true}));
    f = nextHistory(f, HistoryEvent::RedoSucceeded);
    EXPECT_EQ(f, (HistoryFlags{true, false, true, true}));
  }
}

}  // namespace
}  // namespace cw
