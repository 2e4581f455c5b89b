// clipwright-cli crop SOURCE RECORD --in SECONDS --out SECONDS [--mode M] [--keep-dead-b]
//
// Records the marked stretch of SOURCE as a new project file RECORD, the
// way the editor's first record of a project does. Progress goes to standard
// output: a bar on a terminal, one percentage line per step otherwise.
// Ctrl+C cancels after the current chunk; the record file is then removed.
// A recorded file starts a project: RECORD.clipwright beside it keeps the
// record mode, the journal names and the edit history for the commands that
// change the project later (append, entry, undo, redo).
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/project_state.h"
#include "cli/project_state_session.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

constexpr const char* kUsage =
    "usage: clipwright-cli crop SOURCE RECORD --in SECONDS --out SECONDS\n"
    "                           [--mode mpeg|vcd|vcd-zeroes|video|audio] [--keep-dead-b]\n"
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
    "\n"
    "Ctrl+C cancels and removes RECORD (exit status 130).\n"
    "Exit status: 0 recorded, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

struct ModeName {
  const char* name;
  std::int16_t mode;
};
constexpr ModeName kModes[] = {
    {"mpeg", 0}, {"vcd", 1}, {"vcd-zeroes", 2}, {"video", 3}, {"audio", 4},
};

struct Options {
  std::string source;
  std::string record;
  double in = 0.0;
  double out = 0.0;
  bool haveIn = false;
  bool haveOut = false;
  std::int16_t mode = 0;
  bool keepDeadB = false;
};

bool parseSeconds(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseMode(const std::string& text, std::int16_t& mode) {
  for (const ModeName& m : kModes) {
    if (text == m.name) {
      mode = m.mode;
      return true;
    }
  }
  return false;
}

int usageError(std::ostream& err, const std::string& problem) {
  err << kProgram << " crop: " << problem << "\n" << kUsage;
  return kExitUsage;
}

// 0 with the options, -1 after printing the help, or kExitUsage.
int parseOptions(const Arguments& args, Options& o, std::ostream& out, std::ostream& err) {
  Arguments files;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--in" || arg == "--out" || arg == "--mode";
    if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
      files.push_back(arg);
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "--help" || arg == "-h") {
      out << kUsage;
      return -1;
    } else if (arg == "--keep-dead-b") {
      o.keepDeadB = true;
    } else if (takesValue && i + 1 >= args.size()) {
      return usageError(err, arg + " needs a value");
    } else if (arg == "--in") {
      if (!parseSeconds(args[++i], o.in)) return usageError(err, "bad --in '" + args[i] + "'");
      o.haveIn = true;
    } else if (arg == "--out") {
      if (!parseSeconds(args[++i], o.out)) return usageError(err, "bad --out '" + args[i] + "'");
      o.haveOut = true;
    } else if (arg == "--mode") {
      if (!parseMode(args[++i], o.mode)) return usageError(err, "bad --mode '" + args[i] + "'");
    } else {
      return usageError(err, "unknown option '" + arg + "'");
    }
  }
  if (files.size() != 2) return usageError(err, "SOURCE and RECORD are needed");
  if (!o.haveIn || !o.haveOut) return usageError(err, "--in and --out are needed");
  o.source = files[0];
  o.record = files[1];
  return 0;
}

}  // namespace

int runCrop(const Arguments& args, std::ostream& out, std::ostream& err) {
  Options o;
  if (const int rc = parseOptions(args, o, out, err)) return rc < 0 ? kExitOk : rc;

  ProjectSession s(out, err);
  if (const int rc = s.analyseSource(o.source)) return rc;
  Splicer& splicer = s.splicer;
  splicer.setSourceFileName(o.source);
  splicer.setRecordFileName(o.record);
  splicer.setSourceMarkIn(o.in);
  splicer.setSourceMarkOut(o.out);
  splicer.setRecordMode(o.mode);
  splicer.setRemoveDeadBpic(!o.keepDeadB);
  splicer.setUndoFileName(undoJournalPath(o.record));
  splicer.setRedoFileName(redoJournalPath(o.record));

  InterruptGuard interrupts;
  out << "cropping " << o.source << " from " << o.in << " s to " << o.out << " s\n" << std::flush;
  const bool ok = s.run([](Splicer& sp) { return sp.Crop(); });
  // A crop replaces the project: the state of an earlier one goes with it.
  if (!platform::fileExists(o.record)) removeProjectState(o.record);
  if (!ok) return s.reportFailure();
  if (s.cancelSent() && !platform::fileExists(o.record)) {
    err << "cancelled; " << o.record << " removed\n";
    return kExitInterrupted;
  }
  std::string problem;
  if (!saveProjectState(o.record, splicer, problem)) {
    err << kProgram << " crop: " << problem << '\n';
    return kExitFailed;
  }
  out << "File is recorded as: " << o.record << " (" << platform::fileSize(o.record) << " bytes)\n";
  return kExitOk;
}

}  // namespace cw::cli
