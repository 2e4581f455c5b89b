// clipwright-cli append, entry, undo and redo: the edits of a project that
// crop started. Each run reads the project's state file, drives the Splicer
// control as the editor does, and writes the state back, so that one command
// can undo what another did. Progress (--progress too) and Ctrl+C behave as
// in crop; a cancelled edit leaves the project as it was (exit status 130;
// 143 for SIGTERM, 129 for SIGHUP). A change that a crash cut short is
// recovered first, and the command says so.
#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/project_recovery.h"
#include "cli/project_state.h"
#include "cli/project_state_options.h"
#include "cli/project_state_session.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

constexpr const char* kAppendUsage =
    "usage: clipwright-cli append SOURCE PROJECT --in SECONDS --out SECONDS [--keep-dead-b]\n"
    "                             [--exact]\n"
    "\n"
    "Adds the stretch from --in to --out of SOURCE to the end of PROJECT, in\n"
    "the record mode the project was started with. The end of the project is\n"
    "multiplexed again together with the new stretch so that time stamps and\n"
    "buffers run on; undo takes the change back.\n"
    "\n"
    "  --exact   the stretch starts and ends on the very pictures at --in and\n"
    "            --out: the pictures between them and the nearest group of\n"
    "            pictures are coded anew, all others copied\n"
    "\n"
    "Ctrl+C cancels and leaves PROJECT as it was (exit status 130).\n"
    "Exit status: 0 recorded, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

constexpr const char* kEntryUsage =
    "usage: clipwright-cli entry SOURCE PROJECT --in SECONDS --out SECONDS --at SECONDS\n"
    "                            [--keep-dead-b] [--exact]\n"
    "\n"
    "Puts the stretch from --in to --out of SOURCE into PROJECT at --at seconds\n"
    "and drops what the project held after that point. Undo takes it back.\n"
    "\n"
    "  --exact   the stretch starts and ends on the very pictures at --in and\n"
    "            --out (the project itself is still entered at the group of\n"
    "            pictures at --at)\n"
    "\n"
    "Ctrl+C cancels and leaves PROJECT as it was (exit status 130).\n"
    "Exit status: 0 recorded, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

constexpr const char* kUndoUsage =
    "usage: clipwright-cli undo PROJECT\n"
    "\n"
    "Takes the last append or entry of PROJECT back. History is one step deep:\n"
    "redo brings the change back again.\n"
    "Exit status: 0 done, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

constexpr const char* kRedoUsage =
    "usage: clipwright-cli redo PROJECT\n"
    "\n"
    "Brings back the change that undo took away.\n"
    "Exit status: 0 done, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

const OptionSpec kAppendSpec{"append", kAppendUsage,        {"--in", "--out"}, {"--in", "--out"},
                             2,        "SOURCE and PROJECT"};
const OptionSpec kEntrySpec{
    "entry", kEntryUsage,         {"--in", "--out", "--at"}, {"--in", "--out", "--at"},
    2,       "SOURCE and PROJECT"};
const OptionSpec kUndoSpec{"undo", kUndoUsage, {}, {}, 1, "PROJECT"};
const OptionSpec kRedoSpec{"redo", kRedoUsage, {}, {}, 1, "PROJECT"};

// Recovers an interrupted change first, then reads the project's state into
// the session's Splicer and has every change write the state back as soon
// as the project is durable (`persisted` tells whether that write
// succeeded); on a problem prints it and returns kExitFailed.
int loadState(ProjectSession& s, const OptionSpec& syntax, const std::string& project,
              bool& persisted) {
  std::string problem;
  if (recoverFirst(s.err, syntax.command, project) == 0 &&
      loadProjectState(project, s.splicer, problem)) {
    s.splicer.setPersistHandler([&s, &persisted, project](const HistoryFlags& history) {
      std::string failure;
      persisted = saveProjectState(project, s.splicer, history, failure);
      if (!persisted) s.err << kProgram << ": warning: " << failure << '\n';
    });
    return 0;
  }
  if (!problem.empty()) s.err << kProgram << ' ' << syntax.command << ": " << problem << '\n';
  return kExitFailed;
}

// After a run: the state as it left the project, unless the persist handler
// already wrote exactly that.
void saveState(ProjectSession& s, const std::string& project, bool persisted) {
  if (persisted) return;
  std::string problem;
  if (platform::fileExists(project) && !saveProjectState(project, s.splicer, problem)) {
    s.err << kProgram << ": warning: " << problem << '\n';
  }
}

// After a change that a stop signal reached too late to cancel.
void reportSignalTooLate(std::ostream& err, const char* change) {
  err << kProgram << ": the stop signal came after the " << change
      << " was complete; the project keeps it\n";
}

int reportRecorded(ProjectSession& s, const std::string& project) {
  reportSilence(s.splicer, s.err);
  s.out << "File is recorded as: " << project << " (" << platform::fileSize(project) << " bytes)\n";
  return kExitOk;
}

// append and entry: the source stretch goes into the project.
int runChange(const Arguments& args, const OptionSpec& syntax, bool entry, std::ostream& out,
              std::ostream& err) {
  ProjectOptions o;
  if (const int rc = parseProjectOptions(args, syntax, o, out, err)) return rc < 0 ? kExitOk : rc;
  Marks m;
  if (const int rc = parseMarks(syntax, o, m, err)) return rc;
  const std::string& sourcePath = o.files[0];
  const std::string& project = o.files[1];

  InterruptGuard interrupts;
  ProjectSession s(out, err);
  s.showProgressLines(o.progress);
  bool persisted = false;
  if (const int rc = loadState(s, syntax, project, persisted)) return rc;
  if (const int rc = s.analyseSource(sourcePath)) return rc;
  if (const int rc = s.analyseProject(project)) return rc;
  Splicer& splicer = s.splicer;
  splicer.setSourceFileName(sourcePath);
  splicer.setRecordFileName(project);
  splicer.setSourceMarkIn(m.in);
  splicer.setSourceMarkOut(m.out);
  splicer.setRecordMarkEntry(m.at);
  splicer.setRemoveDeadBpic(!o.keepDeadB);
  if (!s.cutExactly(o.exact)) return kExitFailed;

  out << (entry ? "entering " : "appending ") << sourcePath << " from " << m.in << " s to " << m.out
      << " s";
  if (entry) out << " at " << m.at << " s";
  out << (entry ? " of " : " to ") << project << '\n' << std::flush;
  const bool ok = s.run([entry](Splicer& sp) { return entry ? sp.EntryCrop() : sp.AppendCrop(); });
  saveState(s, project, persisted);
  if (!ok) return s.reportFailure();
  // A change that stopped at the Ctrl+C has put the old end back: nothing
  // to undo then.
  if (s.cancelSent() && !splicer.undoEnabled()) {
    err << "cancelled; " << project << " restored\n";
    return InterruptGuard::exitStatus();
  }
  // A stop signal that no progress step passed on (it came after the last
  // one): the change is complete and kept. Said, so that nobody takes the
  // signal's exit status for a project left as it was.
  if (InterruptGuard::interrupted()) {
    reportRecorded(s, project);
    reportSignalTooLate(err, entry ? "entry" : "append");
    return InterruptGuard::exitStatus();
  }
  return reportRecorded(s, project);
}

// undo and redo: one journal goes back into the project.
int runReplay(const Arguments& args, const OptionSpec& syntax, bool undo, std::ostream& out,
              std::ostream& err) {
  ProjectOptions o;
  if (const int rc = parseProjectOptions(args, syntax, o, out, err)) return rc < 0 ? kExitOk : rc;
  const std::string& project = o.files[0];

  InterruptGuard interrupts;
  ProjectSession s(out, err);
  s.showProgressLines(o.progress);
  bool persisted = false;
  if (const int rc = loadState(s, syntax, project, persisted)) return rc;
  // The project is not analysed: a project that a failed change left
  // damaged must still be repairable by undo.
  s.splicer.setRecordFileName(project);
  // A replay is short and has no cancel: a stop signal ends the command
  // once it is done.
  const bool ok = s.run([undo](Splicer& sp) { return undo ? sp.Undo() : sp.Redo(); });
  saveState(s, project, persisted);
  if (!ok) return s.reportFailure();
  out << (undo ? "undone: " : "redone: ") << project << " (" << platform::fileSize(project)
      << " bytes)\n";
  if (InterruptGuard::interrupted()) {
    reportSignalTooLate(err, undo ? "undo" : "redo");
    return InterruptGuard::exitStatus();
  }
  return kExitOk;
}

}  // namespace

int recoverFirst(std::ostream& err, const std::string& command, const std::string& project) {
  RecoveryResult result;
  std::string problem;
  const bool ok = recoverProject(project, result, problem);
  if (result.action != RecoveryAction::Nothing && ok) {
    err << kProgram << ' ' << command << ": " << project << ": " << describeRecovery(result) << " ("
        << result.length << " bytes)\n";
  }
  if (ok) return kExitOk;
  err << kProgram << ' ' << command << ": " << project << ": " << problem << '\n';
  return kExitFailed;
}

int runAppend(const Arguments& args, std::ostream& out, std::ostream& err) {
  return runChange(args, kAppendSpec, false, out, err);
}

int runEntry(const Arguments& args, std::ostream& out, std::ostream& err) {
  return runChange(args, kEntrySpec, true, out, err);
}

int runUndo(const Arguments& args, std::ostream& out, std::ostream& err) {
  return runReplay(args, kUndoSpec, true, out, err);
}

int runRedo(const Arguments& args, std::ostream& out, std::ostream& err) {
  return runReplay(args, kRedoSpec, false, out, err);
}

}  // namespace cw::cli
