// The one-level edit history: four flags that say whether Undo and Redo may
// run now and whether the two journal files on disk belong to the current
// record state, and the table of how each event of an edit moves them.
#pragma once

namespace cw {

struct HistoryFlags {
  bool undoEnabled = false;    // Undo may run now
  bool redoEnabled = false;    // Redo may run now
  bool undoFileValid = false;  // the undo file belongs to the current history
  bool redoFileValid = false;  // the redo file belongs to the current history

  bool operator==(const HistoryFlags&) const = default;
};

enum class HistoryEvent {
  NewRecord,           // a crop (whatever its outcome): a new record has no history
  ChangeStarts,        // a change is about to write its journals
  ChangeSucceeded,     // the change is complete; both journals describe it
  ChangeAbandoned,     // the change failed; record restored or untouched, journals deleted
  ChangeUnrestorable,  // the change failed and could not be rolled back; redo deleted
  UndoSucceeded,
  UndoJournalBroken,  // Undo failed with the undo file deleted (2004-2007)
  UndoNotStarted,     // Undo failed before touching anything (2001-2003)
  RedoSucceeded,
  RedoJournalBroken,  // 2104-2107
  RedoNotStarted,     // 2101-2103
};

// The flags after `event` when they were `before`.
HistoryFlags nextHistory(HistoryFlags before, HistoryEvent event);

}  // namespace cw
