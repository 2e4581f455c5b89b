// Command-line options of the editing commands of clipwright-cli (crop,
// append, entry, undo, redo, split, cutlist): file operands, options with a
// value (some of them repeatable), the --keep-dead-b and --progress
// switches, and the checks of their values.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "cli/command.h"

namespace cw::cli {

struct ProjectOptions {
  std::vector<std::string> files;
  std::map<std::string, std::vector<std::string>> values;  // option -> its values in order
  bool keepDeadB = false;
  bool progress = false;  // --progress
  bool exact = false;  // --exact: cut on the very pictures at the marks

  bool has(const std::string& option) const { return values.count(option) != 0; }
  // The last value given for `option` (empty when absent).
  const std::string& last(const std::string& option) const;
};

// What one command accepts.
struct OptionSpec {
  const char* command;                // for messages: "clipwright-cli <command>: ..."
  const char* usage;                  // printed with --help and after a usage error
  std::vector<std::string> valued;    // options that take a value
  std::vector<std::string> required;  // options that must be present
  std::size_t fileCount;              // number of file operands
  const char* operands;               // their names, for messages: "SOURCE and PROJECT"
};

// 0 with the options, -1 after printing the help, or kExitUsage after
// printing the problem and the usage.
int parseProjectOptions(const Arguments& args, const OptionSpec& syntax, ProjectOptions& o,
                        std::ostream& out, std::ostream& err);

// Prints "clipwright-cli <command>: problem" and the usage; kExitUsage.
int usageError(const OptionSpec& syntax, std::ostream& err, const std::string& problem);

// A finite decimal number of seconds; `seconds` is written only on success.
bool parseSeconds(const std::string& text, double& seconds);
// mpeg, vcd, vcd-zeroes, video or audio; `mode` is written only on success.
bool parseRecordMode(const std::string& text, std::int16_t& mode);

// The times of a stretch: --in and --out, and --at where the command has it.
struct Marks {
  double in = 0.0;
  double out = 0.0;
  double at = 0.0;
};

// Reads the --in, --out and --at that are given. A mark that is no number,
// or an --out before the --in (which the engine would quietly widen to the
// smallest cut), is a usage error: kExitUsage after printing it, else 0.
int parseMarks(const OptionSpec& syntax, const ProjectOptions& o, Marks& m, std::ostream& err);

// --mode when given (the mode stays as it is otherwise): 0 or kExitUsage.
int parseModeOption(const OptionSpec& syntax, const ProjectOptions& o, std::int16_t& mode,
                    std::ostream& err);

}  // namespace cw::cli
