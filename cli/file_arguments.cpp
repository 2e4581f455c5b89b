#include "cli/file_arguments.h"

#include <ostream>

namespace cw::cli {

int parseFileArguments(const Arguments& args, const char* command, const char* usage,
                       const std::function<bool(const std::string&)>& option, Arguments& files,
                       std::ostream& out, std::ostream& err) {
  bool optionsEnd = false;
  for (const std::string& arg : args) {
    if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
      files.push_back(arg);
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "--help" || arg == "-h") {
      out << usage;
      return -1;
    } else if (!option(arg)) {
      err << kProgram << ' ' << command << ": unknown option '" << arg << "'\n" << usage;
      return kExitUsage;
    }
  }
  if (files.empty()) {
    err << kProgram << ' ' << command << ": no file given\n" << usage;
    return kExitUsage;
  }
  return 0;
}

}  // namespace cw::cli
