// The arguments of a command that takes options and FILE...: the files in
// their order, the options handed to the command, --help, "--" and the
// usage errors in one place.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "cli/command.h"

namespace cw::cli {

// Each option goes to `option`, which returns false for one it does not
// know. Returns 0, -1 after --help (the usage went to `out`), or kExitUsage
// (reported to `err` with the usage).
int parseFileArguments(const Arguments& args, const char* command, const char* usage,
                       const std::function<bool(const std::string&)>& option, Arguments& files,
                       std::ostream& out, std::ostream& err);

}  // namespace cw::cli
