// clipwright-cli recover PROJECT: mends a project whose last change (append,
// entry, undo, redo) a crash, a kill or a power cut stopped part-way, from
// the intent record and journals beside it, and brings its state file in
// line. Says what it did and the project's length afterwards.
#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/project_recovery.h"
#include "cli/project_state.h"
#include "cli/project_state_options.h"
#include "engine/splicer/splicer.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

constexpr const char* kUsage =
    "usage: clipwright-cli recover PROJECT\n"
    "\n"
    "Finds a change of PROJECT that was interrupted (a crash, a kill, a power\n"
    "cut) and rolls it back, or completes it where its journals hold the\n"
    "finished state exactly; the history then works as before. Prints what\n"
    "was done and the project's length, or \"nothing to recover\".\n"
    "Every command that changes a project does the same first.\n"
    "\n"
    "Exit status: 0 the project is consistent, 1 it is not (the reason is\n"
    "printed), 2 usage error.\n";

const OptionSpec kSpec{"recover", kUsage, {}, {}, 1, "PROJECT"};

}  // namespace

int runRecover(const Arguments& args, std::ostream& out, std::ostream& err) {
  ProjectOptions o;
  if (const int rc = parseProjectOptions(args, kSpec, o, out, err)) return rc < 0 ? kExitOk : rc;
  const std::string& project = o.files[0];
  RecoveryResult result;
  std::string problem;
  if (!recoverProject(project, result, problem)) {
    err << kProgram << " recover: " << project << ": " << problem << '\n';
    return kExitFailed;
  }
  Splicer splicer;
  if (!loadProjectState(project, splicer, problem)) {
    err << kProgram << " recover: " << problem << '\n';
    return kExitFailed;
  }
  out << project << ": " << describeRecovery(result) << " (" << platform::fileSize(project)
      << " bytes)\n";
  return kExitOk;
}

}  // namespace cw::cli
