// The commands of clipwright-cli. Each command lives in its own file and is
// listed in the command table of main.cpp. A command receives the arguments
// that follow its name and returns the process exit status: 0 success,
// 1 a file could not be handled, 2 a usage error.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cw::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

inline constexpr const char* kProgram = "clipwright-cli";

using Arguments = std::vector<std::string>;

struct Command {
  const char* name;
  const char* synopsis;  // the arguments, for the usage text
  const char* summary;   // one line
  int (*run)(const Arguments& args, std::ostream& out, std::ostream& err);
};

int runProbe(const Arguments& args, std::ostream& out, std::ostream& err);
int runCrop(const Arguments& args, std::ostream& out, std::ostream& err);
int runAppend(const Arguments& args, std::ostream& out, std::ostream& err);
int runEntry(const Arguments& args, std::ostream& out, std::ostream& err);
int runUndo(const Arguments& args, std::ostream& out, std::ostream& err);
int runRedo(const Arguments& args, std::ostream& out, std::ostream& err);
int runSplit(const Arguments& args, std::ostream& out, std::ostream& err);
int runCutlist(const Arguments& args, std::ostream& out, std::ostream& err);
int runCheck(const Arguments& args, std::ostream& out, std::ostream& err);
int runRecover(const Arguments& args, std::ostream& out, std::ostream& err);

// Recovers a change to `project` that a crash cut short, saying on `err`
// what was done. 0, or kExitFailed after printing why it could not be.
int recoverFirst(std::ostream& err, const std::string& command, const std::string& project);

}  // namespace cw::cli
