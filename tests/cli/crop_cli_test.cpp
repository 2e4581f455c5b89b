// clipwright-cli crop: a recorded stretch that plays, the exit statuses and
// messages of failures, and Ctrl+C in the middle of a crop.
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

CommandResult crop(std::vector<std::string> args, bool mergeStderr = false) {
  args.insert(args.begin(), {cli(), "crop"});
  return runProgram(args, mergeStderr);
}

class CropCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!isExecutable(cli())) GTEST_SKIP() << "clipwright-cli not built";
  }
  TempDir dir{"cw-crop-cli"};
};

TEST_F(CropCli, RecordsAPlayableStretchWithProgressLines) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  const std::string record = dir.file("project.mpg");
  const CommandResult r =
      crop({corpusPath("vcd_ntsc.mpg"), record, "--in", "2", "--out", "7.5", "--mode", "vcd"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const std::vector<std::string> lines = splitLines(r.out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 2], "100%");
  EXPECT_EQ(lines.back().rfind("File is recorded as: " + record, 0), 0u) << lines.back();
  EXPECT_EQ(ffmpegDecodeErrors(record), "");
  const ProbeInfo probe = ffprobeFile(record);
  EXPECT_EQ(probe.count("video"), 1);
  EXPECT_EQ(probe.count("audio"), 1);
  EXPECT_NEAR(probe.duration, 5.5, 1.2);
}

TEST_F(CropCli, ModesAndKeptDeadBPictures) {
  CW_REQUIRE_CORPUS("sys_open.mpg");
  const std::string record = dir.file("video.m1v");
  CommandResult r = crop({corpusPath("sys_open.mpg"), record, "--in", "3.1", "--out", "5", "--mode",
                          "video", "--keep-dead-b"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(ffmpegDecodeErrors(record), "");
  EXPECT_EQ(ffprobeFile(record).count("audio"), 0);

  const std::string audio = dir.file("audio.mp2");
  r = crop({corpusPath("sys_open.mpg"), audio, "--in", "1", "--out", "3", "--mode", "audio"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(ffprobeFile(audio).count("video"), 0);
  EXPECT_EQ(ffprobeFile(audio).count("audio"), 1);
}

TEST_F(CropCli, UsageErrorsExitWithTwo) {
  EXPECT_EQ(crop({}, true).exitCode, 2);
  EXPECT_EQ(crop({"a.mpg", "b.mpg"}, true).exitCode, 2);                       // no marks
  EXPECT_EQ(crop({"a.mpg", "--in", "1", "--out", "2"}, true).exitCode, 2);     // no record
  EXPECT_EQ(crop({"a", "b", "--in", "x", "--out", "2"}, true).exitCode, 2);    // bad number
  EXPECT_EQ(crop({"a", "b", "--in", "1", "--out", "nan"}, true).exitCode, 2);  // not finite
  EXPECT_EQ(crop({"a", "b", "--in", "1", "--out", "2", "--mode", "dvd"}, true).exitCode, 2);
  EXPECT_EQ(crop({"a", "b", "--in", "1", "--out"}, true).exitCode, 2);
  EXPECT_EQ(crop({"--help"}, true).exitCode, 0);
}

TEST_F(CropCli, FailuresPrintTheEngineErrorAndLeaveNoRecord) {
  const std::string record = dir.file("project.mpg");
  CommandResult r = crop({dir.file("missing.mpg"), record, "--in", "0", "--out", "1"}, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("error 1016: file reading error"), std::string::npos) << r.out;

  const std::string text = dir.file("notes.txt");
  ASSERT_TRUE(writeFile(text, std::string(5000, 'n')));
  r = crop({text, record, "--in", "0", "--out", "1"}, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("error 1002: wrong file type"), std::string::npos) << r.out;
  EXPECT_FALSE(platform::fileExists(record));
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

TEST_F(CropCli, CtrlCCancelsAndRemovesTheRecord) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const std::string record = dir.file("project.mpg");
  Child child = spawnCli({cli(), "crop", corpusPath("syncflash.mpg"), record, "--in", "0", "--out",
                          "39", "--mode", "vcd-zeroes"});
  ASSERT_GT(child.pid, 0);
  ASSERT_NE(child.out, nullptr);
  // The first line comes once the handler is in place, before the first chunk.
  char line[256];
  ASSERT_NE(std::fgets(line, sizeof line, child.out), nullptr);
  EXPECT_EQ(std::string(line).rfind("cropping ", 0), 0u) << line;
  ::kill(child.pid, SIGINT);
  std::string rest;
  while (std::fgets(line, sizeof line, child.out) != nullptr) rest += line;
  std::fclose(child.out);
  int status = 0;
  ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130) << rest;
  EXPECT_FALSE(platform::fileExists(record));
  EXPECT_EQ(rest.find("100%"), std::string::npos) << rest;
}

}  // namespace
}  // namespace cw::test
