// clipwright-cli: the editing engine from the command line.
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "platform/crash_model.h"
#include "platform/file.h"

namespace cw::cli {
namespace {

constexpr Command kCommands[] = {
    {"probe", "[--json] [--analyse] FILE...",
     "classify MPEG-1 files and show what an information form shows", runProbe},
    {"crop", "SOURCE RECORD --in S --out S [--mode M]", "record a stretch as a new project",
     runCrop},
    {"append", "SOURCE PROJECT --in S --out S", "add a stretch to the end of a project", runAppend},
    {"entry", "SOURCE PROJECT --in S --out S --at S",
     "put a stretch into a project at a time, dropping the rest", runEntry},
    {"undo", "PROJECT", "take the last append or entry back", runUndo},
    {"redo", "PROJECT", "bring back what undo took away", runRedo},
    {"split", "SOURCE --at S [--at S ...] -o PATTERN [--mode M]",
     "cut a source into consecutive pieces", runSplit},
    {"cutlist", "SOURCE PROJECT --keep A-B [--keep C-D ...] | --list FILE | --cut-edl FILE",
     "record a list of stretches as a new project", runCutlist},
    {"check", "[--json] FILE...", "check that files are correct MPEG-1 streams", runCheck},
    {"recover", "PROJECT", "mend a project whose last change was interrupted", runRecover},
};

void printUsage(std::ostream& out) {
  out << "usage: " << kProgram << " COMMAND [ARGUMENTS]\n\ncommands:\n";
  for (const Command& c : kCommands) out << "  " << c.name << ' ' << c.synopsis << '\n';
  out << '\n';
  for (const Command& c : kCommands) out << "  " << c.name << ": " << c.summary << '\n';
  out << "\n" << kProgram << " COMMAND --help shows the help of one command.\n";
  out << kProgram << " --version shows the program's version.\n";
}

const Command* findCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

// Switches from the environment, for measurements and the crash tests only:
// CLIPWRIGHT_NO_SYNC=1 leaves out every sync (a benchmark measures what they
// cost); CLIPWRIGHT_TEST_STOP_AT=N kills the process just before its N-th
// change to the disk, and CLIPWRIGHT_TEST_POWER_CUT=1 first drops every
// change not yet synced, while CLIPWRIGHT_TEST_SIGNAL=S sends the process
// signal S at that change instead and lets it go on.
void reportChanges() {
  std::cerr << kProgram << ": changes to the disk: " << cw::platform::crash::changesSoFar() << '\n';
}

void applyEnvironment() {
  if (const char* noSync = std::getenv("CLIPWRIGHT_NO_SYNC"); noSync && *noSync == '1') {
    cw::platform::setSyncEnabled(false);
  }
  if (const char* stopAt = std::getenv("CLIPWRIGHT_TEST_STOP_AT"); stopAt && *stopAt) {
    const char* powerCut = std::getenv("CLIPWRIGHT_TEST_POWER_CUT");
    cw::platform::crash::stopAt(std::atoll(stopAt), powerCut && *powerCut == '1');
    if (const char* signal = std::getenv("CLIPWRIGHT_TEST_SIGNAL"); signal && *signal) {
      cw::platform::crash::signalInstead(std::atoi(signal));
    }
    // A run that was not stopped says how many changes it made, so that a
    // test can choose its stopping points among them.
    std::atexit(reportChanges);
  }
}

}  // namespace
}  // namespace cw::cli

int main(int argc, char** argv) {
  using namespace cw::cli;
  // Output piped into a program that ends early must not kill an edit.
  std::signal(SIGPIPE, SIG_IGN);
  applyEnvironment();
  if (argc < 2) {
    printUsage(std::cerr);
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    printUsage(std::cout);
    return kExitOk;
  }
  if (name == "--version") {
    std::cout << kProgram << ' ' << CLIPWRIGHT_VERSION << '\n';
    return kExitOk;
  }
  const Command* command = findCommand(name);
  if (command == nullptr) {
    std::cerr << kProgram << ": unknown command '" << name << "'\n";
    printUsage(std::cerr);
    return kExitUsage;
  }
  const Arguments args(argv + 2, argv + argc);
  return command->run(args, std::cout, std::cerr);
}
