#include "engine/edit/journal_flags.h"

namespace cw {

HistoryFlags nextHistory(HistoryFlags f, HistoryEvent event) {
  switch (event) {
    case HistoryEvent::NewRecord:
    case HistoryEvent::ChangeStarts:
    case HistoryEvent::ChangeAbandoned:
      return HistoryFlags{};
    case HistoryEvent::ChangeSucceeded:
      return HistoryFlags{true, false, true, true};
    case HistoryEvent::ChangeUnrestorable:
      return HistoryFlags{true, false, true, false};
    case HistoryEvent::UndoSucceeded:
      f.undoEnabled = false;
      f.redoEnabled = f.redoFileValid;
      return f;
    case HistoryEvent::UndoJournalBroken:
      f.undoEnabled = false;
      f.undoFileValid = false;
      f.redoEnabled = f.redoFileValid;
      return f;
    case HistoryEvent::UndoNotStarted:
      f.undoEnabled = true;
      return f;
    case HistoryEvent::RedoSucceeded:
      f.redoEnabled = false;
      f.undoEnabled = f.undoFileValid;
      return f;
    case HistoryEvent::RedoJournalBroken:
      f.redoEnabled = false;
      f.redoFileValid = false;
      f.undoEnabled = f.undoFileValid;
      return f;
    case HistoryEvent::RedoNotStarted:
      f.redoEnabled = true;
      return f;
  }
  return f;
}

}  // namespace cw
