#include "cli/project_state_options.h"
#include "engine/common/record_mode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <utility>

namespace cw::cli {

namespace {

struct ModeName {
  const char* name;
  std::int16_t mode;
};
constexpr ModeName kModes[] = {
    {"mpeg", kModeMpegSystem}, {"vcd", kModeVideoCd},     {"vcd-zeroes", kModeVideoCdZeroes},
    {"video", kModeVideoOnly}, {"audio", kModeAudioOnly},
};

bool contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// The commands that cut a source, and so may cut it exactly; undo and redo
// refuse the switch.
bool cutsSource(const OptionSpec& syntax) {
  const std::string command = syntax.command;
  for (const char* name : {"crop", "append", "entry", "split", "cutlist"}) {
    if (command == name) return true;
  }
  return false;
}

}  // namespace

const std::string& ProjectOptions::last(const std::string& option) const {
  static const std::string kNone;
  const auto it = values.find(option);
  return it == values.end() || it->second.empty() ? kNone : it->second.back();
}

int usageError(const OptionSpec& syntax, std::ostream& err, const std::string& problem) {
  err << kProgram << ' ' << syntax.command << ": " << problem << '\n' << syntax.usage;
  return kExitUsage;
}

int parseProjectOptions(const Arguments& args, const OptionSpec& syntax, ProjectOptions& o,
                        std::ostream& out, std::ostream& err) {
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
      o.files.push_back(arg);
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "--help" || arg == "-h") {
      out << syntax.usage;
      return -1;
    } else if (arg == "--keep-dead-b") {
      o.keepDeadB = true;
    } else if (arg == "--progress") {
      o.progress = true;
    } else if (arg == "--exact" && cutsSource(syntax)) {
      o.exact = true;
    } else if (contains(syntax.valued, arg)) {
      if (i + 1 >= args.size()) return usageError(syntax, err, arg + " needs a value");
      o.values[arg].push_back(args[++i]);
    } else {
      return usageError(syntax, err, "unknown option '" + arg + "'");
    }
  }
  if (o.files.size() != syntax.fileCount) {
    return usageError(
        syntax, err,
        std::string(syntax.operands) + (syntax.fileCount == 1 ? " is" : " are") + " needed");
  }
  for (const std::string& option : syntax.required) {
    if (!o.has(option)) return usageError(syntax, err, option + " is needed");
  }
  return 0;
}

bool parseSeconds(const std::string& text, double& seconds) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return false;
  seconds = value;
  return true;
}

bool parseRecordMode(const std::string& text, std::int16_t& mode) {
  for (const ModeName& m : kModes) {
    if (text == m.name) {
      mode = m.mode;
      return true;
    }
  }
  return false;
}

int parseMarks(const OptionSpec& syntax, const ProjectOptions& o, Marks& m, std::ostream& err) {
  const std::pair<const char*, double*> fields[] = {
      {"--in", &m.in}, {"--out", &m.out}, {"--at", &m.at}};
  for (const auto& [option, value] : fields) {
    if (o.has(option) && !parseSeconds(o.last(option), *value)) {
      return usageError(syntax, err, std::string("bad ") + option + " '" + o.last(option) + "'");
    }
  }
  if (o.has("--in") && o.has("--out") && m.out < m.in) {
    return usageError(syntax, err,
                      "--out " + o.last("--out") + " is before --in " + o.last("--in") +
                          "; the stretch runs from --in to a later --out");
  }
  return 0;
}

int parseModeOption(const OptionSpec& syntax, const ProjectOptions& o, std::int16_t& mode,
                    std::ostream& err) {
  if (o.has("--mode") && !parseRecordMode(o.last("--mode"), mode)) {
    return usageError(syntax, err, "bad --mode '" + o.last("--mode") + "'");
  }
  return 0;
}

}  // namespace cw::cli
