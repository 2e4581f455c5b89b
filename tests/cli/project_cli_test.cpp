// clipwright-cli project commands across invocations: crop starts a project,
// append, entry, undo and redo change it with the mode and history kept in
// PROJECT.clipwright; a state that does not fit the project is refused;
// Ctrl+C leaves the project as it was; split cuts a source into pieces.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "platform/file.h"
#include "support/cli.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

CommandResult run(const std::vector<std::string>& args) { return runCli(args, true); }

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ProjectCli : public CliTest {
 protected:
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

// Writes a packet-like run (00 00 01 D0, a length, stuffing) into the data
// of every audio frame of an audio-only project, where sound data can hold
// it by chance; the frame headers stay as they are.
void scatterPacketLikeRuns(const std::string& path) {
  std::string bytes = readFile(path);
  const std::string run("\x00\x00\x01\xD0\x00\x10\x0F", 7);
  std::size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const auto* header = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
    ASSERT_TRUE(mpeg1::isAudioSync(header)) << at;
    const StreamParams frame = makeStreamParams(mpeg1::kAudioStream0, header);
    ASSERT_GT(frame.frameLength, 100);
    const std::size_t length = frame.frameLength + ((header[2] & 0x02) ? 1 : 0);
    if (at + length > bytes.size()) break;
    bytes.replace(at + 60, run.size(), run);
    at += length;
  }
  ASSERT_TRUE(writeFile(path, bytes));
}

// Sound data that happens to hold 00 00 01 xx runs is still an audio-only
// project that takes further stretches.
TEST_F(ProjectCli, AnAudioProjectWithPacketLikeDataStaysEditable) {
  CW_REQUIRE_CORPUS("sys_open.mpg");
  const std::string source = corpusPath("sys_open.mpg");
  ASSERT_EQ(
      run({"crop", source, project, "--in", "5.22", "--out", "8.03", "--mode", "audio"}).exitCode,
      0);
  scatterPacketLikeRuns(project);  // in place: the project still fits its state
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"append", source, project, "--in", "1.61", "--out", "3.81"},
        std::vector<std::string>{"append", source, project, "--in", "1.15", "--out", "7.13"},
        std::vector<std::string>{"undo", project},
        std::vector<std::string>{"append", source, project, "--in", "2.52", "--out", "9.47"}}) {
    const CommandResult r = run(args);
    ASSERT_EQ(r.exitCode, 0) << args[0] << "\n" << r.out;
  }
  const CommandResult r = run({"probe", project});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(contains(r.out, "Audio-only stream")) << r.out;
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
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"append", "a", "b", "--in", "9", "--out", "4"},
        std::vector<std::string>{"entry", "a", "b", "--out", "4", "--in", "9", "--at", "1"}}) {
    const CommandResult r = run(args);
    EXPECT_EQ(r.exitCode, 2) << args[0];
    EXPECT_TRUE(contains(r.out, "--out 4 is before --in 9")) << r.out;
  }
}

// The state names the journals beside the project, so a copied folder has
// a history of its own and a moved one takes its history along.
TEST_F(ProjectCli, AMovedOrCopiedProjectFolderKeepsItsHistory) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  const std::string source = corpusPath("vcd_ntsc.mpg");
  const std::filesystem::path first = dir.path() / "first";
  std::filesystem::create_directory(first);
  const std::string inFirst = (first / "movie.mpg").string();
  ASSERT_EQ(run({"crop", source, inFirst, "--in", "1", "--out", "4", "--mode", "vcd"}).exitCode, 0);
  const std::string cropped = readFile(inFirst);
  ASSERT_EQ(run({"append", source, inFirst, "--in", "5", "--out", "7"}).exitCode, 0);
  const std::string appended = readFile(inFirst);

  const std::filesystem::path copy = dir.path() / "copy";
  std::filesystem::copy(first, copy);
  const std::string inCopy = (copy / "movie.mpg").string();
  CommandResult r = run({"undo", inCopy});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(inCopy) == cropped);
  EXPECT_TRUE(readFile(inFirst) == appended);

  const std::filesystem::path moved = dir.path() / "moved";
  std::filesystem::rename(first, moved);
  const std::string inMoved = (moved / "movie.mpg").string();
  r = run({"undo", inMoved});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(inMoved) == cropped);
  r = run({"redo", inMoved});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(inMoved) == appended);
  r = run({"redo", inCopy});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(inCopy) == appended);

  // A journal that is gone is named, with the reason.
  std::filesystem::remove(inCopy + ".undo");
  r = run({"undo", inCopy});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(contains(r.out, inCopy + ".undo: error 2003: can not open Undo-file (no such file)"))
      << r.out;
}

// A state written with absolute journal names still loads, and the
// project's own journals are found beside it.
TEST_F(ProjectCli, AnOlderStateWithAbsoluteJournalNamesStillLoads) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  const std::string source = corpusPath("vcd_ntsc.mpg");
  ASSERT_EQ(run({"crop", source, project, "--in", "1", "--out", "4", "--mode", "vcd"}).exitCode, 0);
  const std::string cropped = readFile(project);
  ASSERT_EQ(run({"append", source, project, "--in", "5", "--out", "7"}).exitCode, 0);
  const std::string state = project + ".clipwright";
  std::string text = readFile(state);
  for (const char* suffix : {".undo", ".redo"}) {
    const std::string relative = "project.mpg" + std::string(suffix);
    const std::size_t at = text.find(relative);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, relative.size(), "/old/place/" + relative);
  }
  ASSERT_TRUE(writeFile(state, text));
  const CommandResult r = run({"undo", project});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(readFile(project) == cropped);
  EXPECT_TRUE(contains(readFile(state), "project.mpg.redo")) << readFile(state);
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

TEST_F(ProjectCli, CtrlCDuringAnAppendRestoresTheProject) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const std::string source = corpusPath("syncflash.mpg");
  ASSERT_EQ(run({"crop", source, project, "--in", "0", "--out", "3", "--mode", "vcd"}).exitCode, 0);
  const std::string before = readFile(project);

  const InterruptedRun stopped =
      interruptAfterFirstLine({cliPath(), "append", source, project, "--in", "1", "--out", "39"});
  ASSERT_TRUE(stopped.started);
  EXPECT_EQ(stopped.firstLine.rfind("appending ", 0), 0u) << stopped.firstLine;
  EXPECT_EQ(stopped.exitCode, 130) << stopped.rest;
  EXPECT_TRUE(readFile(project) == before);

  // The state still fits: nothing to undo, and the project can grow again.
  CommandResult r = run({"undo", project});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(contains(r.out, "error 2000")) << r.out;
  EXPECT_EQ(run({"append", source, project, "--in", "4", "--out", "6"}).exitCode, 0);
}

}  // namespace
}  // namespace cw::test
