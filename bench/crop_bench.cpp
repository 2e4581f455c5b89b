// Cost of a crop on a long VideoCD file, set against plain tools on the same
// stretch, all with a warm page cache:
//   - speed: a 20-minute stretch of a 30-minute ntsc-vcd file cropped in
//     VideoCD mode by a clipwright-cli process, against a dd process copying
//     the same byte range in 64 KiB blocks and against `ffmpeg -ss A -to B
//     -i SRC -c copy -f vcd` remultiplexing the stretch; whole processes
//     each, so that the crop's figure holds its analyses, start-up and exit
//     as dd's holds its. Like is set against like: the crop without its
//     syncs (CLIPWRIGHT_NO_SYNC=1) against plain dd, the crop with them
//     against dd conv=fsync, which also waits for its output to reach the
//     disk. Each figure is the median of elapsed time and of CPU time (user
//     and system, which a loaded machine disturbs less);
//   - memory: the peak resident size of a clipwright-cli process cropping
//     the whole file (over 300 MB), against a limit of 16 MiB.
//
// Usage: crop_bench [DATA_DIR [CLIPWRIGHT_CLI]]. The 30-minute source is made
// once with ffmpeg into DATA_DIR (default build/bench-data) and kept there;
// outputs go to a temporary folder that is removed afterwards.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/analysis/stream_info.h"
#include "engine/edit/crop.h"
#include "engine/edit/operation_context.h"
#include "probe/quick_analysis.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 7;
constexpr double kSourceSeconds = 30 * 60;
constexpr double kMarkIn = 5 * 60;
constexpr double kMarkOut = 25 * 60;
constexpr double kMemoryLimitMiB = 16.0;

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// CPU time (user and system) of every child process waited for so far.
double childCpuSeconds() {
  struct rusage usage {};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One whole-process run: elapsed and CPU seconds, -1 on failure.
struct Timing {
  double elapsed = -1.0;
  double cpu = -1.0;
};

Timing timingOf(const std::string& command) {
  const double cpuBefore = childCpuSeconds();
  const auto start = Clock::now();
  if (!run(command)) return {};
  return {std::chrono::duration<double>(Clock::now() - start).count(),
          childCpuSeconds() - cpuBefore};
}

double secondsOf(const std::string& command) { return timingOf(command).elapsed; }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The runs of one command: medians of elapsed and CPU time.
struct Runs {
  std::vector<double> elapsed, cpu;
  bool add(const Timing& t) {
    elapsed.push_back(t.elapsed);
    cpu.push_back(t.cpu);
    return t.elapsed >= 0;
  }
  double medianElapsed() const { return median(elapsed); }
  double medianCpu() const { return median(cpu); }
};

void printRuns(const char* name, const Runs& runs, double mib) {
  std::printf("  %-30s %8.3f s elapsed (%4.0f MiB/s), %8.3f s CPU\n", name, runs.medianElapsed(),
              mib / runs.medianElapsed(), runs.medianCpu());
}

void printRatio(const char* name, const Runs& a, const Runs& b, const char* goal) {
  std::printf("  %-30s %8.2f elapsed, %5.2f CPU   %s\n", name,
              a.medianElapsed() / b.medianElapsed(), a.medianCpu() / b.medianCpu(), goal);
}

// The 30-minute VideoCD source, encoded once: a moving test picture and a
// tone, as ffmpeg's ntsc-vcd target writes them.
bool makeSource(const std::string& path) {
  if (fs::exists(path)) return true;
  const std::string seconds = std::to_string(static_cast<int>(kSourceSeconds));
  const std::string tmp = path + ".part";
  std::printf("crop_bench: encoding a %s-second VideoCD source (once) ...\n", seconds.c_str());
  std::fflush(stdout);
  if (!run("ffmpeg -nostdin -v error -y -f lavfi -i "
           "testsrc2=size=352x240:rate=30000/1001:duration=" +
           seconds + " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + seconds +
           " -target ntsc-vcd -f vcd " + quote(tmp))) {
    return false;
  }
  fs::rename(tmp, path);
  return true;
}

// One crop in VideoCD mode through the engine, as the editor runs it: the
// byte range it reads, for dd. Returns seconds (-1 on failure).
struct CropResult {
  double seconds = -1.0;
  std::int64_t from = 0;
  std::int64_t to = 0;
};

CropResult cropOnce(const std::string& source, const std::string& record) {
  cw::StreamInfo src, rec;
  src.fileName = source;
  CropResult r;
  if (cw::quickAnalyse(src) != 0) return r;
  cw::OperationContext ctx;
  ctx.sourceFileName = source;
  ctx.recordFileName = record;
  ctx.sourceMarkIn = kMarkIn;
  ctx.sourceMarkOut = kMarkOut;
  ctx.recordMode = 1;
  ctx.srcInfoHand = cw::registerStreamInfo(&src);
  ctx.recInfoHand = cw::registerStreamInfo(&rec);
  const auto start = Clock::now();
  const int rc = cw::Crop(ctx);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  cw::unregisterStreamInfo(ctx.srcInfoHand);
  cw::unregisterStreamInfo(ctx.recInfoHand);
  if (rc != 0) {
    std::fprintf(stderr, "crop_bench: crop failed: %d %s\n", rc, ctx.error.message.c_str());
    return r;
  }
  r.seconds = seconds;
  r.from = std::min(src.video.workHead.packetStart, src.audio.workHead.packetStart);
  r.to = std::max(src.video.workTail.packetEnd, src.audio.workTail.packetEnd);
  return r;
}

// Peak resident size (MiB) of a clipwright-cli process cropping the whole
// file; -1 when it fails.
double peakResidentMiB(const std::string& cli, const std::string& source,
                       const std::string& record) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1.0;
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    ::execl(cli.c_str(), cli.c_str(), "crop", source.c_str(), record.c_str(), "--in", "0", "--out",
            "1000000", "--mode", "vcd", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1.0;
  }
  return usage.ru_maxrss / 1024.0;  // KiB on Linux
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path data = argc > 1 ? fs::path(argv[1]) : fs::path("build/bench-data");
  const fs::path self = fs::absolute(argv[0]).parent_path();
  const std::string cli = argc > 2 ? argv[2] : (self.parent_path() / "clipwright-cli").string();
  fs::create_directories(data);
  const std::string source = (data / "vcd_30min.mpg").string();
  if (!makeSource(source)) {
    std::fprintf(stderr, "crop_bench: ffmpeg could not make %s\n", source.c_str());
    return 1;
  }
  char pattern[] = "/tmp/cw-crop-bench.XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  const fs::path dir = pattern;
  const std::string record = (dir / "record.mpg").string();
  const std::string copy = (dir / "copy.mpg").string();
  const std::string remux = (dir / "remux.mpg").string();
  int status = 1;
  do {
    // Warm-up: every reader once, so that all runs meet a warm page cache.
    const CropResult warm = cropOnce(source, record);
    if (warm.seconds < 0) break;
    const std::string dd =
        "dd if=" + quote(source) + " of=" + quote(copy) +
        " bs=64K iflag=skip_bytes,count_bytes status=none skip=" + std::to_string(warm.from) +
        " count=" + std::to_string(warm.to - warm.from);
    const std::string ddSynced = dd + " conv=fsync";
    const std::string ffmpeg = "ffmpeg -nostdin -v error -y -ss " + std::to_string(kMarkIn) +
                               " -to " + std::to_string(kMarkOut) + " -i " + quote(source) +
                               " -c copy -f vcd " + quote(remux);
    if (secondsOf(dd) < 0 || secondsOf(ddSynced) < 0 || secondsOf(ffmpeg) < 0) {
      std::fprintf(stderr, "crop_bench: dd or ffmpeg failed\n");
      break;
    }
    const std::string crop = quote(cli) + " crop " + quote(source) + " " + quote(record) +
                             " --in " + std::to_string(kMarkIn) + " --out " +
                             std::to_string(kMarkOut) + " --mode vcd >/dev/null";
    if (secondsOf(crop) < 0) {
      std::fprintf(stderr, "crop_bench: %s failed\n", crop.c_str());
      break;
    }
    const std::string unsyncedCrop = "CLIPWRIGHT_NO_SYNC=1 " + crop;
    // Interleaved, so that a change of load touches every command alike.
    Runs ours, oursUnsynced, dds, ddsSynced, ffmpegs;
    bool ok = true;
    for (int i = 0; i < kRuns && ok; ++i) {
      ok = ours.add(timingOf(crop)) && oursUnsynced.add(timingOf(unsyncedCrop)) &&
           dds.add(timingOf(dd)) && ddsSynced.add(timingOf(ddSynced)) &&
           ffmpegs.add(timingOf(ffmpeg));
    }
    if (!ok) break;
    const double peak = peakResidentMiB(cli, source, record);
    const double mb = (warm.to - warm.from) / 1048576.0;
    std::printf(
        "crop_bench: 20 minutes of a 30-minute VideoCD file (%.1f MiB of %.1f MiB), VideoCD "
        "mode,\n",
        mb, fs::file_size(source) / 1048576.0);
    std::printf("  median of %d runs, warm page cache, each a whole process\n", kRuns);
    printRuns("clipwright-cli crop", ours, mb);
    printRuns("crop, CLIPWRIGHT_NO_SYNC=1", oursUnsynced, mb);
    printRuns("dd bs=64K of the byte range", dds, mb);
    printRuns("dd bs=64K conv=fsync", ddsSynced, mb);
    printRuns("ffmpeg -c copy -f vcd", ffmpegs, mb);
    printRatio("crop without syncs / dd", oursUnsynced, dds, "(target at most 1.5)");
    printRatio("crop / dd conv=fsync", ours, ddsSynced, "(target at most 1.5)");
    printRatio("crop / ffmpeg", ours, ffmpegs, "(target below 1)");
    printRatio("crop with syncs / without", ours, oursUnsynced, "(what durability costs)");
    if (peak < 0) {
      std::printf("  peak resident size: clipwright-cli %s failed\n", cli.c_str());
    } else {
      std::printf(
          "  whole-file crop (%.0f MB) by clipwright-cli: peak resident %.1f MiB,"
          " / %.0f MiB limit %.2f\n",
          fs::file_size(source) / 1e6, peak, kMemoryLimitMiB, peak / kMemoryLimitMiB);
    }
    status = 0;
  } while (false);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return status;
}
