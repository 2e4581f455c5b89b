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

// A run of a program that is interrupted with Ctrl+C (SIGINT), or another
// signal, as soon as it has written its first line to stdout, the way a user
// (or a shutdown, or a closed terminal) stops it once it has started working.
struct InterruptedRun {
  bool started = false;  // the program ran and wrote a first line
  std::string firstLine;
  std::string rest;   // what it wrote after the signal
  int exitCode = -1;  // its exit status; -1 when it did not exit by itself
};
InterruptedRun interruptAfterFirstLine(const std::vector<std::string>& argv, int signal = 2);

}  // namespace cw::test
