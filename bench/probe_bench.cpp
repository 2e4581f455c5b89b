// Cost of opening a clip: the quick analysis plus the head/tail analysis of
// a system stream, for a 10 MB and a 300 MB file of real VideoCD data, set
// against reading the same windows with plain read(). Both analyses read
// only the head and the tail, so the 300 MB file should cost about what the
// 10 MB one does, and the analyses little more than the reads.
//
// Usage: probe_bench [SOURCE.mpg]. Without a source a 12-second VideoCD
// stream is made with ffmpeg. The two test files are the source repeated
// and remultiplexed into one continuous stream (ffmpeg -stream_loop), in a
// temporary folder that is removed afterwards.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/analysis/head_tail.h"
#include "platform/file.h"
#include "probe/quick_analysis.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 51;
constexpr std::int64_t kMinWindow = 262144;
constexpr std::int64_t kBlock = 32768;

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// `source` repeated until the result holds at least `bytes` bytes.
bool makeFile(const std::string& source, const std::string& out, std::int64_t bytes) {
  auto sourceBytes = static_cast<std::int64_t>(fs::file_size(source));
  std::int64_t loops = (bytes + sourceBytes - 1) / sourceBytes - 1;
  return run("ffmpeg -nostdin -v error -y -stream_loop " + std::to_string(loops) + " -i " +
             quote(source) + " -c copy -f vcd " + quote(out));
}

double medianMs(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// The quick analysis and the system stream head/tail analysis, as a clip is
// opened and its length asked for. Returns milliseconds, -1 on failure.
double analyseOnce(const std::string& path, std::int32_t& muxRate) {
  auto start = Clock::now();
  cw::StreamInfo info;
  info.fileName = path;
  if (cw::quickAnalyse(info) != 0 || !cw::isSystemType(info.fileType)) return -1.0;
  cw::platform::File file;
  if (!file.open(path, cw::platform::OpenMode::Read)) return -1.0;
  info.video.handle = info.audio.handle = file.fd();
  std::int32_t measured = -1;
  if (cw::analyseSystemStream(file, info, measured) != 0) return -1.0;
  muxRate = info.muxRateDeclared;
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Reads `size` bytes at `offset` into a fresh buffer that is not cleared, in
// blocks of at most 32 KiB as the engine's file layer does.
bool readWindow(int fd, std::int64_t offset, std::int64_t size) {
  auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
  for (std::int64_t done = 0; done < size;) {
    const auto block = static_cast<std::size_t>(std::min<std::int64_t>(size - done, kBlock));
    const ssize_t n = ::pread(fd, buffer.get() + done, block, static_cast<off_t>(offset + done));
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

// The same windows read with nothing done to the bytes: the quick analysis
// reads the head window (its pack search is the first 100 KB of it), the
// head/tail analysis the head window and the tail window, each analysis
// through its own open file.
double readOnce(const std::string& path, std::int64_t window) {
  auto start = Clock::now();
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return -1.0;
  auto length = static_cast<std::int64_t>(::lseek(fd, 0, SEEK_END));
  window = std::min(window, length);
  bool ok = readWindow(fd, 0, window);
  ::close(fd);
  fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return -1.0;
  ok = ok && readWindow(fd, 0, window) && readWindow(fd, length - window, window);
  ::close(fd);
  return ok ? std::chrono::duration<double, std::milli>(Clock::now() - start).count() : -1.0;
}

struct Cost {
  double ours = 0.0;
  double plain = 0.0;
  std::int64_t window = 0;
};

// Runs the two alternately, so that both see the same load on the machine.
bool measure(const std::string& path, Cost& cost) {
  std::int32_t muxRate = -1;
  if (analyseOnce(path, muxRate) < 0) return false;  // warms the page cache too
  cost.window = std::max<std::int64_t>(std::int64_t{muxRate} * 125, kMinWindow);
  if (readOnce(path, cost.window) < 0) return false;
  std::vector<double> ours, plain;
  for (int i = 0; i < kRuns; ++i) {
    ours.push_back(analyseOnce(path, muxRate));
    plain.push_back(readOnce(path, cost.window));
  }
  cost.ours = medianMs(ours);
  cost.plain = medianMs(plain);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/cw-probe-bench.XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  fs::path dir = pattern;
  int status = 1;
  do {
    std::string source = argc > 1 ? argv[1] : (dir / "source.mpg").string();
    if (argc <= 1 &&
        !run("ffmpeg -nostdin -v error -y -f lavfi -i "
             "testsrc2=size=352x240:rate=30000/1001:duration=12"
             " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=12 -target ntsc-vcd " +
             quote(source))) {
      std::fprintf(stderr, "probe_bench: ffmpeg could not make a source\n");
      break;
    }
    std::string small = (dir / "10mb.mpg").string();
    std::string large = (dir / "300mb.mpg").string();
    if (!makeFile(source, small, 10LL << 20) || !makeFile(source, large, 300LL << 20)) {
      std::fprintf(stderr, "probe_bench: ffmpeg could not make the test files\n");
      break;
    }
    Cost a, b;
    if (!measure(small, a) || !measure(large, b)) {
      std::fprintf(stderr, "probe_bench: the analysis failed on the test files\n");
      break;
    }
    std::printf("probe_bench: median of %d runs, warm page cache, windows of %lld bytes\n", kRuns,
                static_cast<long long>(a.window));
    std::printf("                                %10.1f MB %10.1f MB\n",
                fs::file_size(small) / 1048576.0, fs::file_size(large) / 1048576.0);
    std::printf("  quick + head/tail analysis    %10.3f ms %10.3f ms\n", a.ours, b.ours);
    std::printf("  read() of the same windows    %10.3f ms %10.3f ms\n", a.plain, b.plain);
    std::printf("  analysis / read()             %10.2f    %10.2f      (acceptance: under 3)\n",
                a.ours / a.plain, b.ours / b.plain);
    std::printf("  analysis 300 MB / 10 MB       %10.2f                 (acceptance: within 1.5)\n",
                b.ours / a.ours);
    status = 0;
  } while (false);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return status;
}
