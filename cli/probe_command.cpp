// clipwright-cli probe [--json] [--analyse] FILE...
#include <iostream>

#include "cli/audio_length.h"
#include "cli/clip_report.h"
#include "cli/command.h"
#include "cli/file_arguments.h"
#include "cli/file_problem.h"
#include "engine/common/errors.h"
#include "probe/probe.h"
#include "probe/quick_analysis.h"

namespace cw::cli {

namespace {

constexpr const char* kUsage =
    "usage: clipwright-cli probe [--json] [--analyse] FILE...\n"
    "\n"
    "Classifies each FILE as an MPEG-1 system stream, a video-only or an\n"
    "audio-only stream, or a file that cannot be edited, and shows its size,\n"
    "duration, mux rate, picture size and rate, bit rates, audio layer, mode\n"
    "and sampling rate, and VideoCD readiness.\n"
    "\n"
    "  --json     one JSON object per file and line, keyed by property name\n"
    "  --analyse  also show the head and tail areas and times of editable files\n"
    "\n"
    "Exit status: 0 when every file can be edited, 1 otherwise, 2 on usage errors.\n";

struct Options {
  bool json = false;
  bool analyse = false;
  Arguments files;
};

// 0 and the options, or kExitUsage (already reported).
int parseOptions(const Arguments& args, Options& options, std::ostream& out, std::ostream& err) {
  return parseFileArguments(
      args, "probe", kUsage,
      [&](const std::string& arg) {
        if (arg == "--json") {
          options.json = true;
        } else if (arg == "--analyse" || arg == "--analyze") {
          options.analyse = true;
        } else {
          return false;
        }
        return true;
      },
      options.files, out, err);
}

// Probes one file and reports it; true when it can be edited.
bool probeFile(const std::string& path, const Options& options, std::ostream& out,
               std::ostream& err) {
  Probe probe;
  probe.setShopFileName(path);
  ProbedFile file;
  file.path = path;
  file.quickStatus = probe.doQuickAnalys();
  if (file.quickStatus != kErrOk) {
    reportFileError(err, path, file.quickStatus, errorMessage(file.quickStatus),
                    fileProblem(path, FileUse::Read));
    if (options.json) out << failureJson(path, file.quickStatus) << '\n';
    return false;
  }
  file.duration = probe.shopFileTimelenD();
  file.durationStatus = probe.lastDurationStatus();
  file.analysed = options.analyse;
  // The Probe control gives an audio-only stream no duration; its own
  // head/tail analysis measures it in whole frames.
  if (probe.shopFileType() == kTypeAudioOnly)
    file.audioOnlyStatus = measureAudioOnlyLength(probe.info(), file.duration);

  if (options.json)
    out << toJson(file, probe) << '\n';
  else
    writeText(out, file, probe);

  const bool editable = isEditableType(probe.shopFileType());
  if (!editable)
    err << kProgram << ": " << path << ": not editable: " << notEditableReason(probe.shopFileType())
        << '\n';
  return editable;
}

}  // namespace

int runProbe(const Arguments& args, std::ostream& out, std::ostream& err) {
  Options options;
  const int parsed = parseOptions(args, options, out, err);
  if (parsed < 0) return kExitOk;  // --help
  if (parsed != 0) return parsed;
  bool allEditable = true;
  bool first = true;
  for (const std::string& path : options.files) {
    if (!options.json && !first) out << '\n';
    first = false;
    if (!probeFile(path, options, out, err)) allEditable = false;
  }
  out.flush();
  return allEditable ? kExitOk : kExitFailed;
}

}  // namespace cw::cli
