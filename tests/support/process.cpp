#include "support/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

namespace cw::test {

std::string shellQuote(const std::string& argument) {
  std::string quoted = "'";
  for (char c : argument) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

CommandResult runCommand(const std::string& commandLine) {
  CommandResult result;
  FILE* pipe = ::popen(commandLine.c_str(), "r");
  if (!pipe) return result;
  // Straight into the result, growing it by halves: decoded pictures come
  // to a hundred megabytes.
  std::size_t used = 0;
  result.out.resize(1 << 20);
  for (;;) {
    if (used == result.out.size()) result.out.resize(used + used / 2);
    const std::size_t n = std::fread(result.out.data() + used, 1, result.out.size() - used, pipe);
    if (n == 0) break;
    used += n;
  }
  result.out.resize(used);
  int status = ::pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

CommandResult runProgram(const std::vector<std::string>& argv, bool mergeStderr) {
  std::string line;
  for (const auto& argument : argv) {
    if (!line.empty()) line += ' ';
    line += shellQuote(argument);
  }
  if (mergeStderr) line += " 2>&1";
  return runCommand(line);
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

InterruptedRun interruptAfterFirstLine(const std::vector<std::string>& argv, int signal) {
  InterruptedRun run;
  int fds[2];
  if (::pipe(fds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const bool spawned =
      posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0 && pid > 0;
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  FILE* out = ::fdopen(fds[0], "r");
  if (out == nullptr) {
    ::close(fds[0]);
    if (spawned) ::waitpid(pid, nullptr, 0);
    return run;
  }
  char line[512];
  if (spawned && std::fgets(line, sizeof line, out) != nullptr) {
    run.started = true;
    run.firstLine = line;
    if (!run.firstLine.empty() && run.firstLine.back() == '\n') run.firstLine.pop_back();
    ::kill(pid, signal);
  }
  while (std::fgets(line, sizeof line, out) != nullptr) run.rest += line;
  std::fclose(out);
  int status = 0;
  if (spawned && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    run.exitCode = WEXITSTATUS(status);
  }
  return run;
}

}  // namespace cw::test
