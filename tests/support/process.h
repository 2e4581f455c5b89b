// Running outside programs from tests (ffmpeg, ffprobe, clipwright-cli, the
// validation tools). Arguments are quoted for the shell, so file names with
// spaces or quotes are passed as they are.
#pragma once

#include <string>
#include <vector>

namespace cw::test {

struct CommandResult {
  int exitCode = -1;  // the program's exit status; -1 when it could not run or was killed
  std::string out;    // everything it wrote to stdout
};

// Quotes one argument for /bin/sh.
std::string shellQuote(const std::string& argument);

// Runs the program with its arguments, capturing stdout. stderr is captured
// too, into stdout, when `mergeStderr` is set; otherwise it goes to the test's
// stderr.
CommandResult runProgram(const std::vector<std::string>& argv, bool mergeStderr = false);

// Runs a shell command line as it is (the caller quotes), capturing stdout.
CommandResult runCommand(const std::string& commandLine);

// Splits text into lines without their line ends; no empty last line.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace cw::test
