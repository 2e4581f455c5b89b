// A project change stopped at any instant: clipwright-cli killed just before
// its N-th change to the disk (SIGKILL, or a power cut that also loses every
// change not yet synced), then `recover`. The project must be byte for byte
// as before the change or as after it, and the history must lead from there
// to the other state. SIGTERM and SIGHUP cancel like Ctrl+C.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/cli.h"
#include "support/corpus.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

namespace fs = std::filesystem;

using CliArgs = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;  // file name -> bytes

bool says(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every file of a folder, by name.
Snapshot snapshotOf(const fs::path& folder) {
  Snapshot files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    files[entry.path().filename().string()] = readFile(entry.path().string());
  }
  return files;
}

void restore(const fs::path& folder, const Snapshot& files) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (const auto& [name, bytes] : files) writeFile((folder / name).string(), bytes);
}

// A run of clipwright-cli with the crash model's switches: killed before
// change `stopAt`, or sent `signal` there and left to go on.
CommandResult runStopped(const CliArgs& args, long stopAt, bool powerCut, int signal = 0) {
  std::string line = "CLIPWRIGHT_TEST_STOP_AT=" + std::to_string(stopAt);
  if (powerCut) line += " CLIPWRIGHT_TEST_POWER_CUT=1";
  if (signal != 0) line += " CLIPWRIGHT_TEST_SIGNAL=" + std::to_string(signal);
  line += " " + shellQuote(cliPath());
  for (const std::string& a : args) line += " " + shellQuote(a);
  return runCommand(line + " 2>&1");
}

// The changes a whole run makes, as it reports them when not stopped.
long changesOf(const CommandResult& r) {
  const std::string key = "changes to the disk: ";
  const auto at = r.out.rfind(key);
  return at == std::string::npos ? -1 : std::stol(r.out.substr(at + key.size()));
}

// One kind of change on a prepared project folder.
struct Change {
  const char* name;
  CliArgs operation;  // the change, on <folder>/p.mpg
  CliArgs inverse;    // what leads back from after to before
};

class CrashRecovery : public CliTest {
 protected:
  TempDir base{"cw-crash-base"};
  TempDir work{"cw-crash-work"};
  std::string source;

  std::string project(const TempDir& d) const { return d.file("p.mpg"); }

  CommandResult cli(const CliArgs& args) { return runCli(args, true); }

  // A VideoCD project of two seconds; with `appended` a second stretch, and
  // with `undone` that stretch taken back again.
  bool prepare(bool appended, bool undone) {
    source = corpusPath("syncflash.mpg");
    const std::string p = project(base);
    if (cli({"crop", source, p, "--in", "0", "--out", "2", "--mode", "vcd"}).exitCode != 0) {
      return false;
    }
    if (appended && cli({"append", source, p, "--in", "4", "--out", "5.5"}).exitCode != 0) {
      return false;
    }
    return !undone || cli({"undo", p}).exitCode == 0;
  }

  // The change's arguments for the work folder.
  CliArgs inWork(CliArgs args) const {
    for (std::string& a : args)
      if (a == "PROJECT") a = project(work);
    return args;
  }

  // Stops `change` at `points` (every change when empty: 20 seeded ones),
  // recovers, and checks the state and the way to the other one.
  void stopEverywhere(const Change& change, bool powerCut, int seed) {
    const Snapshot start = snapshotOf(base.path());
    restore(work.path(), start);
    const std::string before = readFile(project(work));
    const CommandResult whole = runStopped(inWork(change.operation), 1L << 40, powerCut);
    ASSERT_EQ(whole.exitCode, 0) << whole.out;
    const long total = changesOf(whole);
    ASSERT_GT(total, 3) << whole.out;
    const std::string after = readFile(project(work));
    ASSERT_NE(before, after);

    std::set<long> points;
    if (powerCut) {
      for (long k = 1; k <= total; ++k) points.insert(k);
    } else {
      std::mt19937 random(seed);
      std::uniform_int_distribution<long> pick(1, total);
      while (points.size() < std::min<std::size_t>(20, static_cast<std::size_t>(total))) {
        points.insert(pick(random));
      }
    }
    int rolledBack = 0;
    for (const long k : points) {
      SCOPED_TRACE(std::string(change.name) + " stopped before change " + std::to_string(k) +
                   " of " + std::to_string(total));
      restore(work.path(), start);
      const CommandResult stopped = runStopped(inWork(change.operation), k, powerCut);
      ASSERT_NE(stopped.exitCode, 0) << stopped.out;
      const CommandResult recovered = cli({"recover", project(work)});
      ASSERT_EQ(recovered.exitCode, 0) << recovered.out;
      const std::string now = readFile(project(work));
      ASSERT_TRUE(now == before || now == after) << recovered.out;
      if (now == before) {
        ++rolledBack;
        ASSERT_EQ(cli(inWork(change.operation)).exitCode, 0);
        EXPECT_TRUE(readFile(project(work)) == after);
      } else {
        const CommandResult back = cli(inWork(change.inverse));
        ASSERT_EQ(back.exitCode, 0) << back.out;
        EXPECT_TRUE(readFile(project(work)) == before);
      }
    }
    // Points early in a change must find the project as it was.
    EXPECT_GT(rolledBack, 0);
  }
};

const Change kAppend{
    "append", {"append", "SOURCE", "PROJECT", "--in", "6", "--out", "7"}, {"undo", "PROJECT"}};
const Change kEntry{"entry",
                    {"entry", "SOURCE", "PROJECT", "--in", "8", "--out", "9", "--at", "1"},
                    {"undo", "PROJECT"}};
const Change kUndo{"undo", {"undo", "PROJECT"}, {"redo", "PROJECT"}};
const Change kRedo{"redo", {"redo", "PROJECT"}, {"undo", "PROJECT"}};

Change withSource(Change c, const std::string& source) {
  for (std::string& a : c.operation)
    if (a == "SOURCE") a = source;
  return c;
}

TEST_F(CrashRecovery, AppendKilledAnywhere) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(true, false));
  stopEverywhere(withSource(kAppend, source), false, 1601);
}

TEST_F(CrashRecovery, EntryKilledAnywhere) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(true, false));
  stopEverywhere(withSource(kEntry, source), false, 1602);
}

TEST_F(CrashRecovery, UndoKilledAnywhere) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(true, false));
  stopEverywhere(kUndo, false, 1603);
}

TEST_F(CrashRecovery, RedoKilledAnywhere) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(true, true));
  stopEverywhere(kRedo, false, 1604);
}

// Writes that were not synced are lost at every drop point.
TEST_F(CrashRecovery, PowerCutAtEveryPointOfAnAppendAndAnUndo) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(true, false));
  stopEverywhere(withSource(kAppend, source), true, 0);
  stopEverywhere(kUndo, true, 0);
}

TEST_F(CrashRecovery, RecoverSaysWhatItDidAndRefusesABrokenProject) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(false, false));
  const std::string p = project(base);
  CommandResult r = cli({"recover", p});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(says(r.out, "nothing to recover")) << r.out;

  // Stopped in the middle of its write phase, an append leaves an intent
  // record; the next append says that it rolled it back, and goes on.
  const CommandResult whole =
      runStopped({"append", source, p, "--in", "3", "--out", "4"}, 1L << 40, false);
  ASSERT_EQ(cli({"undo", p}).exitCode, 0);
  const std::string before = readFile(p);
  ASSERT_NE(
      runStopped({"append", source, p, "--in", "3", "--out", "4"}, changesOf(whole) / 2, false)
          .exitCode,
      0);
  EXPECT_TRUE(platform::fileExists(p + ".clipwright-intent"));
  r = cli({"append", source, p, "--in", "3", "--out", "4"});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(says(
      r.out, "an interrupted append was rolled back (" + std::to_string(before.size()) + " bytes)"))
      << r.out;
  EXPECT_FALSE(platform::fileExists(p + ".clipwright-intent"));

  // An intent record that cannot be read is reported, not guessed at.
  ASSERT_TRUE(writeFile(p + ".clipwright-intent", "operation append\nlength 12\n"));
  r = cli({"recover", p});
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_TRUE(says(r.out, "cannot be read")) << r.out;
}

// A new crop never harms the file it replaces before it has succeeded; once
// its record has replaced the old one, the project is the new one, with the
// new record's state.
TEST_F(CrashRecovery, CropStoppedAnywhereLeavesOneWholeProject) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(true, false));
  const std::string p = project(base);
  const std::string before = readFile(p);
  const CliArgs crop{"crop", source, p, "--in", "10", "--out", "12", "--mode", "vcd"};
  const CommandResult whole = runStopped(crop, 1L << 40, false);
  const std::string cropped = readFile(p);
  const long total = changesOf(whole);
  ASSERT_GT(total, 3);
  for (long k = 1; k <= total; ++k) {
    SCOPED_TRACE("stopped before change " + std::to_string(k));
    ASSERT_TRUE(prepare(true, false));
    ASSERT_NE(runStopped(crop, k, true).exitCode, 0);
    ASSERT_EQ(cli({"recover", p}).exitCode, 0);
    const std::string now = readFile(p);
    ASSERT_TRUE(now == before || now == cropped);
    // The old project keeps its history; the new one has none.
    EXPECT_EQ(cli({"undo", p}).exitCode, now == before ? 0 : 1);
  }
}

TEST_F(CrashRecovery, TerminateAndHangUpCancelAnAppend) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(false, false));
  const std::string p = project(base);
  const std::string before = readFile(p);
  for (const int signal : {SIGTERM, SIGHUP}) {
    const InterruptedRun run = interruptAfterFirstLine(
        {cliPath(), "append", source, p, "--in", "1", "--out", "39"}, signal);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 128 + signal) << run.rest;
    EXPECT_TRUE(readFile(p) == before);
  }
  EXPECT_EQ(cli({"append", source, p, "--in", "4", "--out", "5"}).exitCode, 0);
}

// A stop signal at the first change of an append or an undo cancels it; at
// its last change it comes too late to cancel anything: the change is kept,
// and the command says so instead of leaving the signal's exit status alone
// to suggest a project left as it was.
TEST_F(CrashRecovery, StopSignalTooLateToCancelKeepsTheChangeAndSaysSo) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  ASSERT_TRUE(prepare(true, false));
  for (const Change& change : {withSource(kAppend, source), kUndo}) {
    SCOPED_TRACE(change.name);
    const Snapshot start = snapshotOf(base.path());
    restore(work.path(), start);
    const std::string before = readFile(project(work));
    const CommandResult whole = runStopped(inWork(change.operation), 1L << 40, false);
    ASSERT_EQ(whole.exitCode, 0) << whole.out;
    const std::string after = readFile(project(work));

    restore(work.path(), start);
    CommandResult r = runStopped(inWork(change.operation), 1, false, SIGHUP);
    EXPECT_EQ(r.exitCode, 128 + SIGHUP) << r.out;
    if (std::string(change.name) == "append") EXPECT_TRUE(readFile(project(work)) == before);

    restore(work.path(), start);
    r = runStopped(inWork(change.operation), changesOf(whole), false, SIGTERM);
    EXPECT_EQ(r.exitCode, 128 + SIGTERM) << r.out;
    EXPECT_TRUE(says(r.out, "the stop signal came after the " + std::string(change.name) +
                                " was complete; the project keeps it"))
        << r.out;
    EXPECT_TRUE(readFile(project(work)) == after);
    r = cli({"recover", project(work)});
    EXPECT_TRUE(says(r.out, "nothing to recover")) << r.out;
    ASSERT_EQ(cli(inWork(change.inverse)).exitCode, 0);
    EXPECT_TRUE(readFile(project(work)) == before);
  }
}

}  // namespace
}  // namespace cw::test
