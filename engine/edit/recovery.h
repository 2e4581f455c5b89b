// Recovery of a record whose change was cut short (a crash, a kill, a power
// cut): the intent record beside it names the journal that mends it.
//
//   - append, entry: while the staged undo journal is there, the change had
//     not completed: its old tail goes back at J and the record is cut to its
//     old length, which the intent's length and check value confirm; the
//     history before the change still holds (its journals were not touched).
//     When the staged journals were already renamed, the change had
//     completed: it is kept, and the history is the one after it.
//   - undo, redo: the journal is copied in again (the same bytes at the same
//     place), which finishes the replay.
//
// Without an intent record there is nothing to recover; staged journals left
// by a change that never reached its intent record are deleted.
#pragma once

#include <cstdint>
#include <string>

#include "engine/edit/intent_record.h"
#include "engine/edit/journal_flags.h"

namespace cw {

enum class RecoveryAction {
  Nothing,        // no interrupted change
  RolledBack,     // the record is as before the change
  RolledForward,  // the record is as after the change
  Failed,         // the record could not be mended; `problem` says why
};

struct RecoveryResult {
  RecoveryAction action = RecoveryAction::Nothing;
  IntentOperation operation = IntentOperation::Append;
  std::int64_t length = -1;  // the record's length afterwards
  std::string problem;
  // Rolled back: the history before the change is intact (false when the
  // change had already replaced the journals, which are then deleted).
  bool historyKept = true;
  // Rolled forward: what the change did to the history.
  HistoryEvent event = HistoryEvent::ChangeSucceeded;
};

// Mends `recordPath` when an intent record lies beside it. `undoPath` and
// `redoPath` are the journals the host knows (for deleting stale staged
// copies when there is no intent record).
RecoveryResult recoverRecord(const std::string& recordPath, const std::string& undoPath,
                             const std::string& redoPath);

// The history flags after the recovery, from those the host saved before
// (or, when it saved them already, after) the interrupted change.
HistoryFlags recoveredHistory(HistoryFlags saved, const RecoveryResult& result);

// One line for the user: what was recovered.
std::string describeRecovery(const RecoveryResult& result);

}  // namespace cw
