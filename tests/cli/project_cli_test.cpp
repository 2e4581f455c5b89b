// clipwright-cli project commands across invocations: crop starts a project,
// append, entry, undo and redo change it with the mode and history kept in
// PROJECT.clipwright; a state that does not fit the project is refused;
// Ctrl+C leaves the project as it was; split cuts a source into pieces.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"

extern char** environ;

namespace cw::test {
namespace {

std::string cli() { return binaryPath("clipwright-cli"); }

CommandResult run(std::vector<std::string> args) {
  args.insert(args.begin(), cli());
  return runProgram(args, true);
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ProjectCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!isExecutable(cli())) GTEST_SKIP() << "clipwright-cli not built";
  }
  TempDir dir{"cw-project-cli"};
  const std::string project = dir.file("project.mpg");
};

TEST_F(ProjectCli, AppendUndoAndRedoAcrossInvocations) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  const std::string source = corpusPath("vcd_ntsc.mpg");
  CommandResult r = run({"crop", source, project, "--in", "1", "--out", "5", "--mode", "vcd"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  ASSERT_TRUE(platform::fileExists(project + ".clipwright"));
  const std::string cropped = readFile(project);

  r = run({"append", source, project, "--in", "2", "--out", "6"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(contains(r.out, "File is recorded as: " + project)) << r.out;
  const std::string appended = readFile(project);
  EXPECT_GT(appended.size(), cropped.size());
  EXPECT_EQ(ffmpegDecodeErrors(project), "");
  // Two stretches of about 4 s, each widened to whole GOPs.
  EXPECT_NEAR(ffprobeFile(project).duration, 9.0, 1.5);

  r = run({"undo", project});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(project) == cropped);
  r = run({"redo", project});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(project) == appended);
  r = run({"redo", project});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(contains(r.out, "error 2100: Redo operation is disabled")) << r.out;
  r = run({"undo", project});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  r = run({"undo", project});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(contains(r.out, "error 2000: Undo is disabled")) << r.out;
  EXPECT_TRUE(readFile(project) == cropped);
}

TEST_F(ProjectCli, LaterCommandsKeepTheModeTheProjectStartedWith) {
  CW_REQUIRE_CORPUS("sys_closed.mpg");
  const std::string source = corpusPath("sys_closed.mpg");
  ASSERT_EQ(run({"crop", source, project, "--in", "0", "--out", "4", "--mode", "video"}).exitCode,
            0);
  const std::int64_t cropped = platform::fileSize(project);
  CommandResult r = run({"entry", source, project, "--in", "5", "--out", "8", "--at", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const ProbeInfo probe = ffprobeFile(project);
  EXPECT_EQ(probe.count("audio"), 0);
  EXPECT_EQ(probe.count("video"), 1);
  EXPECT_EQ(ffmpegDecodeErrors(project), "");
  r = run({"undo", project});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(platform::fileSize(project), cropped);
}

TEST_F(ProjectCli, AStateThatDoesNotFitTheProjectIsRefused) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  const std::string source = corpusPath("vcd_ntsc.mpg");
  CommandResult r = run({"append", source, project, "--in", "0", "--out", "1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(contains(r.out, "no project state")) << r.out;

  ASSERT_EQ(run({"crop", source, project, "--in", "1", "--out", "4"}).exitCode, 0);
  // Someone else changed the project behind the state's back.
  const std::string changed = readFile(project) + std::string(2048, '\0');
  ASSERT_TRUE(writeFile(project, changed));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"append", source, project, "--in", "0", "--out", "1"},
        std::vector<std::string>{"entry", source, project, "--in", "0", "--out", "1", "--at", "1"},
        std::vector<std::string>{"undo", project}, std::vector<std::string>{"redo", project}}) {
    r = run(args);
    EXPECT_EQ(r.exitCode, 1) << args[0];
    EXPECT_TRUE(contains(r.out, "does not match")) << r.out;
  }
  EXPECT_TRUE(readFile(project) == changed);

  // A new crop starts the project afresh, state included.
  ASSERT_EQ(run({"crop", source, project, "--in", "1", "--out", "4"}).exitCode, 0);
  EXPECT_EQ(run({"append", source, project, "--in", "5", "--out", "6"}).exitCode, 0);
}

TEST_F(ProjectCli, UsageErrorsExitWithTwo) {
  EXPECT_EQ(run({"append", "a.mpg", "b.mpg", "--in", "1"}).exitCode, 2);
  EXPECT_EQ(run({"entry", "a.mpg", "b.mpg", "--in", "1", "--out", "2"}).exitCode, 2);
  EXPECT_EQ(run({"entry", "a", "b", "--in", "1", "--out", "2", "--at", "x"}).exitCode, 2);
  EXPECT_EQ(run({"undo"}).exitCode, 2);
  EXPECT_EQ(run({"redo", "a", "b"}).exitCode, 2);
  EXPECT_EQ(run({"split", "a.mpg", "-o", "p%d.mpg"}).exitCode, 2);  // no --at
  EXPECT_EQ(run({"split", "a.mpg", "--at", "5", "--at", "3", "-o", "p%d"}).exitCode, 2);
  EXPECT_EQ(run({"undo", "--help"}).exitCode, 0);
}

TEST_F(ProjectCli, SplitAcceptsOnlyOneNumberConversion) {
  const std::string source = dir.file("missing.mpg");
  for (const char* pattern : {"part.mpg", "%d%d.mpg", "%s.mpg", "%n", "%x.mpg", "%100d.mpg",
                              "%.3d.mpg", "%ld.mpg", "%", "%*d"}) {
    const CommandResult r = run({"split", source, "--at", "5", "-o", dir.file(pattern)});
    EXPECT_EQ(r.exitCode, 2) << pattern << "\n" << r.out;
  }
  // Accepted patterns reach the source, which is missing here.
  for (const char* pattern : {"p%d.mpg", "p%03d.mpg", "100%%-%-2i.mpg", "%u"}) {
    const CommandResult r = run({"split", source, "--at", "5", "-o", dir.file(pattern)});
    EXPECT_EQ(r.exitCode, 1) << pattern << "\n" << r.out;
  }
}

TEST_F(ProjectCli, SplitWritesConsecutivePieces) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const CommandResult r = run({"split", corpusPath("syncflash.mpg"), "--at", "10", "--at", "25",
                               "-o", dir.file("100%% part%02d.mpg"), "--mode", "vcd"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const double expected[] = {10.0, 15.0, 15.0};
  for (int k = 1; k <= 3; ++k) {
    char name[64];
    std::snprintf(name, sizeof name, "100%% part%02d.mpg", k);
    const std::string piece = dir.file(name);
    ASSERT_TRUE(platform::fileExists(piece)) << piece << "\n" << r.out;
    EXPECT_EQ(ffmpegDecodeErrors(piece), "");
    EXPECT_NEAR(ffprobeFile(piece).duration, expected[k - 1], 0.8) << piece;
  }
}

// Starts the CLI with its standard output on a pipe.
struct Child {
  pid_t pid = -1;
  FILE* out = nullptr;
};

Child spawnCli(const std::vector<std::string>& args) {
  Child child;
  int fds[2];
  if (::pipe(fds) != 0) return child;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    child.pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  child.out = ::fdopen(fds[0], "r");
  return child;
}

TEST_F(ProjectCli, CtrlCDuringAnAppendRestoresTheProject) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const std::string source = corpusPath("syncflash.mpg");
  ASSERT_EQ(run({"crop", source, project, "--in", "0", "--out", "3", "--mode", "vcd"}).exitCode, 0);
  const std::string before = readFile(project);

  Child child = spawnCli({cli(), "append", source, project, "--in", "1", "--out", "39"});
  ASSERT_GT(child.pid, 0);
  ASSERT_NE(child.out, nullptr);
  char line[256];
  ASSERT_NE(std::fgets(line, sizeof line, child.out), nullptr);
  EXPECT_EQ(std::string(line).rfind("appending ", 0), 0u) << line;
  ::kill(child.pid, SIGINT);
  std::string rest;
  while (std::fgets(line, sizeof line, child.out) != nullptr) rest += line;
  std::fclose(child.out);
  int status = 0;
  ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130) << rest;
  EXPECT_TRUE(readFile(project) == before);

  // The state still fits: nothing to undo, and the project can grow again.
  CommandResult r = run({"undo", project});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(contains(r.out, "error 2000")) << r.out;
  EXPECT_EQ(run({"append", source, project, "--in", "4", "--out", "6"}).exitCode, 0);
}

}  // namespace
}  // namespace cw::test
