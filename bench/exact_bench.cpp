// Cost of an exact crop: `clipwright-cli crop --exact` against the same crop
// without --exact, both as processes on a warm page cache. The exact crop
// decodes and codes anew at most the two GOPs its marks fall in, so on a
// stretch of 20 seconds it should cost little more (ratio well under 2).
//
// Usage: exact_bench [SOURCE.mpg]. Without a source a 40-second VideoCD
// stream is made with ffmpeg in a temporary folder, removed afterwards.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

double median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// Median milliseconds of one crop process; -1 when it failed.
double cropMs(const std::string& source, const std::string& record, bool exact) {
  const std::string command = quote(CW_CLI) + " crop " + quote(source) + " " + quote(record) +
                              " --in 5.37 --out 25.61 --mode vcd" + (exact ? " --exact" : "") +
                              " > /dev/null";
  std::vector<double> samples;
  for (int i = 0; i < kRuns; ++i) {
    const Clock::time_point start = Clock::now();
    if (!run(command)) return -1.0;
    samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return median(samples);
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = fs::temp_directory_path() / ("cw-exact-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::string source = argc > 1 ? argv[1] : (dir / "source.mpg").string();
  if (argc <= 1 && !run("ffmpeg -v error -f lavfi -i testsrc=size=352x240:rate=30000/1001 -f lavfi "
                        "-i sine=frequency=440:sample_rate=44100 -t 40 -target ntsc-vcd -y " +
                        quote(source))) {
    std::fprintf(stderr, "exact_bench: ffmpeg could not make the source\n");
    fs::remove_all(dir);
    return 1;
  }
  const std::string record = (dir / "record.mpg").string();
  cropMs(source, record, false);  // warms the page cache
  const double plain = cropMs(source, record, false);
  const double exact = cropMs(source, record, true);
  fs::remove_all(dir);
  if (plain <= 0.0 || exact <= 0.0) {
    std::fprintf(stderr, "exact_bench: a crop failed\n");
    return 1;
  }
  std::printf("exact crop / GOP-accurate crop of 20 s (VideoCD): %.2f\n", exact / plain);
  return 0;
}
