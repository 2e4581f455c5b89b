// clipwright-cli crop SOURCE RECORD --in SECONDS --out SECONDS [--mode M] [--keep-dead-b]
//                    [--exact]
//
// Records the marked stretch of SOURCE as a new project file RECORD, the
// way the editor's first record of a project does. Progress goes to standard
// error: a bar on a terminal, percentage lines elsewhere only with --progress.
// Ctrl+C (or SIGTERM, SIGHUP) cancels after the current chunk; the file
// being made is then removed. The new record is written beside RECORD and
// renamed over it once complete, so an existing RECORD stays whole until
// then; an interrupted change of the project it holds is recovered first.
// A recorded file starts a project: RECORD.clipwright beside it keeps the
// record mode, the journal names and the edit history for the commands that
// change the project later (append, entry, undo, redo).
#include <sys/stat.h>

#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/project_state.h"
#include "cli/project_state_options.h"
#include "cli/project_state_session.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

constexpr const char* kUsage =
    "usage: clipwright-cli crop SOURCE RECORD --in SECONDS --out SECONDS\n"
    "                           [--mode mpeg|vcd|vcd-zeroes|video|audio] [--keep-dead-b]\n"
    "                           [--progress] [--exact]\n"
    "\n"
    "Copies the stretch from --in to --out (seconds from the start of SOURCE)\n"
    "into a new RECORD without re-encoding. The cut points move to the nearest\n"
    "group of pictures and the audio frame in step with it. An existing RECORD\n"
    "is replaced. RECORD starts a project: RECORD.clipwright beside it keeps\n"
    "its record mode and edit history for append, entry, undo and redo.\n"
    "\n"
    "  --mode          record mode (default mpeg): MPEG system stream, VideoCD,\n"
    "                  VideoCD with zero-padded audio packs, video only, audio\n"
    "                  only; an elementary-stream SOURCE gives its own kind\n"
    "  --keep-dead-b   keep the B-pictures of an open first GOP and mark it\n"
    "                  broken instead of removing them\n"
    "  --progress      percentage lines on standard error when it is no terminal\n"
    "  --exact         start and end on the very pictures at the marks: the\n"
    "                  pictures between a mark and the nearest group of\n"
    "                  pictures are coded anew, all others copied\n"
    "\n"
    "Ctrl+C cancels and removes RECORD (exit status 130).\n"
    "Exit status: 0 recorded, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

const OptionSpec kSpec{
    "crop", kUsage, {"--in", "--out", "--mode"}, {"--in", "--out"}, 2, "SOURCE and RECORD"};

// Which file a name stands for: a new record replaces the old one by a
// rename, so the identity tells whether the crop put a file in place.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool exists = false;
  bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {st.st_dev, st.st_ino, true};
}

}  // namespace

int runCrop(const Arguments& args, std::ostream& out, std::ostream& err) {
  ProjectOptions o;
  if (const int rc = parseProjectOptions(args, kSpec, o, out, err)) return rc < 0 ? kExitOk : rc;
  Marks m;
  if (const int rc = parseMarks(kSpec, o, m, err)) return rc;
  std::int16_t mode = 0;
  if (const int rc = parseModeOption(kSpec, o, mode, err)) return rc;
  const std::string& source = o.files[0];
  const std::string& record = o.files[1];

  InterruptGuard interrupts;
  // A project being replaced is first brought to a consistent state, so that
  // a failed crop leaves it usable.
  if (platform::fileExists(stateFilePath(record)) && recoverFirst(err, "crop", record) != 0) {
    err << kProgram << " crop: the new record replaces it\n";
  }
  ProjectSession s(out, err);
  s.showProgressLines(o.progress);
  if (const int rc = s.analyseSource(source)) return rc;
  Splicer& splicer = s.splicer;
  splicer.setSourceFileName(source);
  splicer.setRecordFileName(record);
  splicer.setSourceMarkIn(m.in);
  splicer.setSourceMarkOut(m.out);
  splicer.setRecordMode(mode);
  splicer.setRemoveDeadBpic(!o.keepDeadB);
  if (!s.cutExactly(o.exact)) return kExitFailed;
  splicer.setUndoFileName(undoJournalPath(record));
  splicer.setRedoFileName(redoJournalPath(record));

  // The new state is written while the new record still has its staged
  // name; a crash after the record took the project's name finds it there.
  splicer.setPersistHandler([&s, &record](const HistoryFlags& history) {
    std::string failure;
    if (!saveStagedCropState(record, s.splicer, history, failure)) {
      s.err << kProgram << ": warning: " << failure << '\n';
    }
  });
  out << "cropping " << source << " from " << m.in << " s to " << m.out << " s\n" << std::flush;
  const FileIdentity before = identityOf(record);
  const bool ok = s.run([](Splicer& sp) { return sp.Crop(); });
  const bool replaced = ok && !(identityOf(record) == before);
  if (!replaced) removeStagedCropState(record);
  if (!ok) return s.reportFailure();
  if (!replaced && (s.cancelSent() || InterruptGuard::interrupted())) {
    err << "cancelled; " << record << (before.exists ? " left as it was\n" : " not made\n");
    return InterruptGuard::exitStatus();
  }
  // The state written while the record was staged describes it as it is
  // now: it takes the state's name, and only without it is one written.
  std::string problem;
  if (!adoptCropState(record) && !saveProjectState(record, splicer, problem)) {
    err << kProgram << " crop: " << problem << '\n';
    return kExitFailed;
  }
  removeStagedCropState(record);
  reportSilence(splicer, err);
  out << "File is recorded as: " << record << " (" << platform::fileSize(record) << " bytes)\n";
  return kExitOk;
}

}  // namespace cw::cli
