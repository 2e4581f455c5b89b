// Cost of appending to a project: a 10-second clip appended to a 1-minute
// and to a 30-minute VideoCD project. An append rewrites only the end of the
// project from its join point, so both should take about the same time
// (ratio at most 1.3). Undo and Redo put one journal back; each should cost
// at most twice a plain copy of that journal with dd.
//
// Usage: append_bench [SOURCE.mpg [LONG.mpg]]. Without a source a 12-second
// VideoCD stream is made with ffmpeg. The projects are crops of LONG, a
// VideoCD stream of at least 30 minutes; without one ffmpeg encodes one of
// 31 minutes first (about a minute). Everything made lives in a temporary
// folder that is removed afterwards.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/splicer/splicer.h"
#include "platform/file.h"
#include "probe/probe.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;
constexpr double kMinute = 60.0;

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

double timeMs(const std::function<bool()>& step) {
  const Clock::time_point start = Clock::now();
  return step() ? msSince(start) : -1.0;
}

// A project built from the clip, and the Splicer that edits it.
struct Project {
  Project(const fs::path& dir, const std::string& name) {
    splicer.setRecInfoHand(record.ninfoHand());
    splicer.setRecordFileName((dir / name).string());
    splicer.setUndoFileName((dir / (name + ".undo")).string());
    splicer.setRedoFileName((dir / (name + ".redo")).string());
    splicer.setRecordMode(1);
  }

  bool useSource(cw::Probe& source) {
    splicer.setSrcInfoHand(source.ninfoHand());
    splicer.setSourceFileName(source.shopFileName());
    return true;
  }

  bool crop(cw::Probe& source, double seconds) {
    useSource(source);
    splicer.setSourceMarkIn(0.0);
    splicer.setSourceMarkOut(seconds);
    return splicer.Crop() == 0;
  }

  cw::Splicer splicer;
  cw::Probe record;
};

struct AppendCost {
  double append = -1.0;
  double undo = -1.0;
  double redo = -1.0;
  double ddUndo = -1.0;
  double ddRedo = -1.0;
};

// dd copy of a journal to a scratch file in 32 KiB blocks.
double ddCopyMs(const std::string& journal, const fs::path& dir) {
  const std::string scratch = (dir / "dd.out").string();
  const double ms = timeMs([&] {
    return run("dd if=" + quote(journal) + " of=" + quote(scratch) + " bs=32k 2>/dev/null");
  });
  fs::remove(scratch);
  return ms;
}

bool measure(Project& p, cw::Probe& clip, const fs::path& dir, AppendCost& cost) {
  std::vector<double> appends, undos, redos, ddUndos, ddRedos;
  p.useSource(clip);
  p.splicer.setSourceMarkIn(1.0);
  p.splicer.setSourceMarkOut(11.0);
  for (int i = 0; i < kRuns; ++i) {
    appends.push_back(timeMs([&] { return p.splicer.AppendCrop() == 0; }));
    ddUndos.push_back(ddCopyMs(p.splicer.undoFileName(), dir));
    ddRedos.push_back(ddCopyMs(p.splicer.redoFileName(), dir));
    undos.push_back(timeMs([&] { return p.splicer.Undo() == 0; }));
    redos.push_back(timeMs([&] { return p.splicer.Redo() == 0; }));
    // Back to the project as cropped for the next round.
    if (p.splicer.Undo() != 0) return false;
  }
  for (const auto* list : {&appends, &undos, &redos, &ddUndos, &ddRedos}) {
    if (std::any_of(list->begin(), list->end(), [](double ms) { return ms < 0.0; })) return false;
  }
  cost = {median(appends), median(undos), median(redos), median(ddUndos), median(ddRedos)};
  return true;
}

// What the syncs of an append and of its undo cost: median times with them
// and with them switched off for the measurement only. False on a failure.
bool measureSyncCost(Project& p, cw::Probe& clip, double& appendRatio, double& undoRatio) {
  std::vector<double> appends[2], undos[2];
  p.useSource(clip);
  p.splicer.setSourceMarkIn(1.0);
  p.splicer.setSourceMarkOut(11.0);
  for (int i = 0; i < kRuns; ++i) {
    for (const int synced : {1, 0}) {
      cw::platform::setSyncEnabled(synced == 1);
      appends[synced].push_back(timeMs([&] { return p.splicer.AppendCrop() == 0; }));
      undos[synced].push_back(timeMs([&] { return p.splicer.Undo() == 0; }));
    }
  }
  cw::platform::setSyncEnabled(true);
  for (const auto& list : {appends[0], appends[1], undos[0], undos[1]}) {
    if (std::any_of(list.begin(), list.end(), [](double ms) { return ms < 0.0; })) return false;
  }
  appendRatio = median(appends[1]) / median(appends[0]);
  undoRatio = median(undos[1]) / median(undos[0]);
  return true;
}

// A VideoCD stream of `seconds` encoded in one piece.
bool makeSource(const std::string& out, double seconds) {
  return run(
      "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=352x240:rate=30000/1001 "
      "-f lavfi -i sine=frequency=440:sample_rate=44100 -t " +
      std::to_string(seconds) + " -target ntsc-vcd " + quote(out));
}

int fail(const char* what) {
  std::fprintf(stderr, "append_bench: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir =
      fs::temp_directory_path() / ("cw-append-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  struct Cleanup {
    fs::path dir;
    ~Cleanup() { fs::remove_all(dir); }
  } cleanup{dir};

  std::string shortSource = argc > 1 ? argv[1] : (dir / "short.mpg").string();
  if (argc <= 1 && !makeSource(shortSource, 12.0)) return fail("cannot make a source with ffmpeg");
  cw::Probe clip;
  clip.setShopFileName(shortSource);
  if (clip.doQuickAnalys() != 0) return fail("the source is not an editable MPEG-1 file");
  const double clipSeconds = clip.shopFileTimelenD();
  if (clipSeconds < 11.0) {
    std::fprintf(stderr, "append_bench: the source lasts %.2f s, 11 s are needed\n", clipSeconds);
    return 1;
  }

  const std::string longSource = argc > 2 ? argv[2] : (dir / "long.mpg").string();
  if (argc <= 2) {
    std::printf("encoding a 31-minute source ...\n");
    std::fflush(stdout);
    if (!makeSource(longSource, 31 * kMinute)) return fail("cannot make the long source");
  }
  cw::Probe source;
  source.setShopFileName(longSource);
  if (source.doQuickAnalys() != 0) return fail("the long source is not editable");

  const double lengths[] = {kMinute, 30 * kMinute};
  AppendCost costs[2];
  for (int k = 0; k < 2; ++k) {
    Project p(dir, "project" + std::to_string(k) + ".mpg");
    if (!p.crop(source, lengths[k])) return fail(p.splicer.errorMes().c_str());
    std::printf("project of %4.0f s: %lld bytes\n", lengths[k],
                static_cast<long long>(fs::file_size(p.splicer.recordFileName())));
    if (!measure(p, clip, dir, costs[k])) return fail(p.splicer.errorMes().c_str());
    std::printf("  append %.1f ms, undo %.1f ms (dd %.1f ms), redo %.1f ms (dd %.1f ms)\n",
                costs[k].append, costs[k].undo, costs[k].ddUndo, costs[k].redo, costs[k].ddRedo);
  }

  {
    Project p(dir, "synced.mpg");
    double appendSync = 0.0;
    double undoSync = 0.0;
    if (!p.crop(source, 30 * kMinute) || !measureSyncCost(p, clip, appendSync, undoSync)) {
      return fail(p.splicer.errorMes().c_str());
    }
    std::printf("30-minute project: append with syncs / without %.2f, undo with / without %.2f\n",
                appendSync, undoSync);
  }

  const double appendRatio = costs[1].append / costs[0].append;
  std::printf("append to 30 min / append to 1 min: %.2f (target <= 1.3)\n", appendRatio);
  for (int k = 0; k < 2; ++k) {
    std::printf(
        "%s project: undo / dd of its journal: %.2f, redo / dd of its journal: %.2f "
        "(target <= 2)\n",
        k == 0 ? "1-minute" : "30-minute", costs[k].undo / costs[k].ddUndo,
        costs[k].redo / costs[k].ddRedo);
  }
  return 0;
}
