// Why a file could not be used, in the file system's words, for the error
// lines of clipwright-cli: "clipwright-cli: PATH: error NNNN: message (reason)".
#pragma once

#include <iosfwd>
#include <string>

#include "engine/common/errors.h"

namespace cw::cli {

// How the file was to be used.
using FileUse = FileAccess;

// What stands in the way of that use of `path`: "no such file", "a
// directory", "no such folder DIR", "permission denied", ...; empty when
// nothing can be seen from outside.
std::string fileProblem(const std::string& path, FileUse use);

// Prints "clipwright-cli: PATH: error NNNN: message" with the reason in
// brackets when there is one; returns kExitFailed.
int reportFileError(std::ostream& err, const std::string& path, int number,
                    const std::string& message, const std::string& problem);

}  // namespace cw::cli
