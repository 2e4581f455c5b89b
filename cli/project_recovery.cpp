#include "cli/project_recovery.h"

#include "cli/project_state.h"
#include "engine/splicer/splicer.h"
#include "platform/file.h"

namespace cw::cli {

bool recoverProject(const std::string& project, RecoveryResult& result, std::string& problem) {
  adoptCropState(project);
  Splicer splicer;
  std::string stateProblem;
  const bool haveState = readProjectState(project, splicer, stateProblem);
  const std::string undo = haveState ? splicer.undoFileName() : undoJournalPath(project);
  const std::string redo = haveState ? splicer.redoFileName() : redoJournalPath(project);
  result = recoverRecord(project, undo, redo);
  switch (result.action) {
    case RecoveryAction::Nothing:
      return true;
    case RecoveryAction::Failed:
      problem = describeRecovery(result);
      return false;
    case RecoveryAction::RolledBack:
    case RecoveryAction::RolledForward:
      break;
  }
  if (!haveState) {
    problem = describeRecovery(result) + ", but " + stateProblem;
    return false;
  }
  const HistoryFlags history = recoveredHistory(splicer.history(), result);
  return saveProjectState(project, splicer, history, problem);
}

}  // namespace cw::cli
