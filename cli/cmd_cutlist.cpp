// clipwright-cli cutlist SOURCE PROJECT --keep A-B ... | --list FILE | --cut-edl FILE
//                        [--exact]
//
// Records several stretches of one source into a new project in one go: the
// first as a crop, each further one appended, so that the project and its
// history are what the crop and append commands would leave one after the
// other (undo takes the last stretch back). The stretches come from --keep
// options, from a list file, or from an edit decision list whose cuts are
// left out.
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/audio_length.h"
#include "cli/command.h"
#include "cli/file_problem.h"
#include "cli/project_state.h"
#include "cli/project_state_options.h"
#include "cli/project_state_session.h"
#include "engine/common/errors.h"
#include "engine/edit/cut_list.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

constexpr const char* kUsage =
    "usage: clipwright-cli cutlist SOURCE PROJECT --keep START-END [--keep START-END ...]\n"
    "       clipwright-cli cutlist SOURCE PROJECT --list FILE\n"
    "       clipwright-cli cutlist SOURCE PROJECT --cut-edl FILE\n"
    "                              [--mode mpeg|vcd|vcd-zeroes|video|audio] [--keep-dead-b]\n"
    "                              [--progress] [--exact]\n"
    "\n"
    "Records the listed stretches of SOURCE, in order, into a new PROJECT: the\n"
    "first as crop does, the others appended as append does. PROJECT's history\n"
    "is that of those commands run one by one: undo takes the last stretch back.\n"
    "Times are seconds (75.5) or HH:MM:SS.mmm (00:01:15.500).\n"
    "\n"
    "  --keep START-END  one stretch to keep; repeat for more\n"
    "  --list FILE       one stretch a line, \"START END\"; '#' starts a comment\n"
    "  --cut-edl FILE    an edit decision list (MPlayer, comskip): lines\n"
    "                    \"START END ACTION\"; action 0 or 3 marks a stretch to\n"
    "                    leave out, and what lies between is kept\n"
    "  --mode            record mode (default mpeg), as in crop\n"
    "  --keep-dead-b     as in crop\n"
    "  --progress        percentage lines on standard error when it is no terminal\n"
    "  --exact           each stretch starts and ends on the very pictures at its\n"
    "                    times: the pictures between a time and the nearest group\n"
    "                    of pictures are coded anew, all others copied\n"
    "\n"
    "A line of a list that cannot be read is a usage error that names it.\n"
    "Ctrl+C stops after the stretches recorded so far (exit status 130).\n"
    "Exit status: 0 recorded, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

const OptionSpec kSpec{"cutlist", kUsage, {"--keep", "--list", "--cut-edl", "--mode"},
                       {},        2,      "SOURCE and PROJECT"};

// A list is a few lines per stretch; a larger file is no cut list.
constexpr std::streamsize kLargestList = 1 << 20;

// The whole of a list file (a pipe too); false with `problem` set. Only
// so much is read: a movie named by mistake is refused, not loaded.
bool readList(const std::string& path, std::string& text, std::string& problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const std::string why = fileProblem(path, FileUse::Read);
    problem = path + ": cannot be read" + (why.empty() ? "" : " (" + why + ")");
    return false;
  }
  std::string all(static_cast<std::size_t>(kLargestList) + 1, '\0');
  in.read(all.data(), kLargestList + 1);
  if (in.gcount() > kLargestList) {
    problem = path + ": too large for a cut list";
    return false;
  }
  all.resize(static_cast<std::size_t>(in.gcount()));
  text = std::move(all);
  return true;
}

// Where the stretches come from: exactly one of the three kinds.
int chooseKind(const ProjectOptions& o, std::string& kind, std::ostream& err) {
  int kinds = 0;
  for (const char* option : {"--keep", "--list", "--cut-edl"}) {
    if (!o.has(option)) continue;
    ++kinds;
    kind = option;
  }
  if (kinds == 1 && (kind == "--keep" || o.values.at(kind).size() == 1)) return 0;
  return usageError(kSpec, err,
                    "give the stretches once: --keep ..., --list FILE or --cut-edl FILE");
}

// The --keep stretches, or the lines of a --list or --cut-edl file (for
// an edit decision list: its cuts). 0, or kExitUsage/kExitFailed reported.
int readStretches(const ProjectOptions& o, const std::string& kind, std::vector<Stretch>& out,
                  std::ostream& err) {
  if (kind == "--keep") {
    for (const std::string& text : o.values.at(kind)) {
      Stretch s;
      if (!parseStretch(text, s))
        return usageError(kSpec, err, "bad --keep '" + text + "'; a stretch is START-END");
      out.push_back(s);
    }
    return 0;
  }
  const std::string& path = o.last(kind);
  std::string text;
  std::string problem;
  if (!readList(path, text, problem)) {
    err << kProgram << " cutlist: " << problem << '\n';
    return kExitFailed;
  }
  CutListProblem bad;
  const bool ok =
      kind == "--list" ? parseKeepList(text, out, bad) : parseEditDecisionList(text, out, bad);
  if (!ok) return usageError(kSpec, err, path + ":" + std::to_string(bad.line) + ": " + bad.reason);
  return 0;
}

// The source's length in seconds, for what an edit decision list keeps.
int sourceLength(ProjectSession& s, double& seconds) {
  if (s.source.shopFileType() == kTypeAudioOnly) {
    const int rc = measureAudioOnlyLength(s.source.info(), seconds);
    return rc == 0 ? 0 : reportEngineError(s.err, rc, errorMessage(rc));
  }
  seconds = s.source.shopFileTimelenD();
  const int rc = s.source.lastDurationStatus();
  return rc == 0 ? 0 : reportEngineError(s.err, rc, errorMessage(rc));
}

void announce(ProjectSession& s, std::size_t k, std::size_t count, const Stretch& stretch) {
  s.out << "stretch " << k + 1 << " of " << count << ": " << stretch.start << " s to "
        << stretch.end << " s\n"
        << std::flush;
}

// Records stretch k (from 0) of the list: a crop for the first, an append
// for the others. 0, kExitInterrupted, or kExitFailed reported.
int recordStretch(ProjectSession& s, const std::string& sourcePath, const std::string& project,
                  std::size_t k, const Stretch& stretch) {
  Splicer& splicer = s.splicer;
  if (const int rc = s.analyseSource(sourcePath)) return rc;
  if (k > 0) {
    if (const int rc = s.analyseProject(project)) return rc;
    splicer.setRecordMarkEntry(0.0);
  }
  splicer.setSourceMarkIn(stretch.start);
  splicer.setSourceMarkOut(stretch.end);
  const bool ok = s.run([k](Splicer& sp) { return k == 0 ? sp.Crop() : sp.AppendCrop(); });
  if (k == 0 && !platform::fileExists(project)) removeProjectState(project);
  if (!ok) return s.reportFailure();
  // A crop stopped by Ctrl+C removed the project; a stopped append put the
  // old end back and left nothing to undo.
  if (s.cancelSent() && (k == 0 ? !platform::fileExists(project) : !splicer.undoEnabled()))
    return kExitInterrupted;
  return 0;
}

int recordAll(ProjectSession& s, const std::string& sourcePath, const std::string& project,
              const std::vector<Stretch>& stretches) {
  const std::size_t count = stretches.size();
  for (std::size_t k = 0; k < count; ++k) {
    announce(s, k, count, stretches[k]);
    const int rc = recordStretch(s, sourcePath, project, k, stretches[k]);
    std::string problem;
    if (platform::fileExists(project) && !saveProjectState(project, s.splicer, problem)) {
      s.err << kProgram << " cutlist: " << problem << '\n';
      return kExitFailed;
    }
    const std::size_t done = rc == 0 ? k + 1 : k;
    if (rc == 0 && (done == count || !InterruptGuard::interrupted())) continue;
    if (done > 0)
      s.err << project << " holds the first " << done << " of " << count << " stretches\n";
    else if (rc == kExitInterrupted)
      s.err << "cancelled; " << project << " removed\n";
    return rc == 0 ? kExitInterrupted : rc;
  }
  return 0;
}

}  // namespace

int runCutlist(const Arguments& args, std::ostream& out, std::ostream& err) {
  ProjectOptions o;
  if (const int rc = parseProjectOptions(args, kSpec, o, out, err)) return rc < 0 ? kExitOk : rc;
  std::string kind;
  if (const int rc = chooseKind(o, kind, err)) return rc;
  std::int16_t mode = 0;
  if (const int rc = parseModeOption(kSpec, o, mode, err)) return rc;
  std::vector<Stretch> stretches;
  if (const int rc = readStretches(o, kind, stretches, err)) return rc;
  const std::string& sourcePath = o.files[0];
  const std::string& project = o.files[1];

  ProjectSession s(out, err);
  s.showProgressLines(o.progress);
  if (const int rc = s.analyseSource(sourcePath)) return rc;
  if (kind == "--cut-edl") {
    double length = 0.0;
    if (const int rc = sourceLength(s, length)) return rc;
    stretches = keptBetween(std::move(stretches), length);
  }
  if (stretches.empty()) {
    err << kProgram << " cutlist: no stretch is left to record\n";
    return kExitFailed;
  }
  Splicer& splicer = s.splicer;
  splicer.setSourceFileName(sourcePath);
  splicer.setRecordFileName(project);
  splicer.setRecordMode(mode);
  splicer.setRemoveDeadBpic(!o.keepDeadB);
  if (!s.cutExactly(o.exact)) return kExitFailed;
  splicer.setUndoFileName(undoJournalPath(project));
  splicer.setRedoFileName(redoJournalPath(project));

  InterruptGuard interrupts;
  if (const int rc = recordAll(s, sourcePath, project, stretches)) return rc;
  out << "File is recorded as: " << project << " (" << platform::fileSize(project) << " bytes)\n";
  return kExitOk;
}

}  // namespace cw::cli
