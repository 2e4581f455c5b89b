#include "support/validation.h"

#include <algorithm>
#include <cstdio>

#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"

namespace cw::test {

StdCheckResult runStdCheck(const std::string& path) {
  StdCheckResult result;
  std::string program = binaryPath("cw-std-check");
  if (!isExecutable(program)) return result;
  CommandResult run = runProgram({program, path});
  result.exitCode = run.exitCode;
  result.findings = splitLines(run.out);
  return result;
}

std::vector<SyncPoint> measureSync(const std::string& path) {
  std::vector<SyncPoint> points;
  std::string program = binaryPath("cw-sync-measure");
  if (!isExecutable(program)) return points;
  for (const auto& line : splitLines(runProgram({program, path}).out)) {
    SyncPoint point;
    int fields = std::sscanf(line.c_str(), "%lf %lf", &point.flashSeconds, &point.offsetMs);
    if (fields < 1) continue;
    point.paired = fields == 2;
    points.push_back(point);
  }
  return points;
}

std::string clockDefects(const std::string& path, const std::string& stream) {
  std::vector<std::int64_t> times;
  for (const ProbePacket& p : ffprobePackets(path, stream)) {
    const std::int64_t t = p.dts >= 0 ? p.dts : p.pts;
    if (t >= 0) times.push_back(t);
  }
  if (times.size() < 3) return "";
  std::vector<std::int64_t> steps;
  for (std::size_t i = 1; i < times.size(); ++i) steps.push_back(times[i] - times[i - 1]);
  std::vector<std::int64_t> sorted = steps;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  const std::int64_t unit = sorted[sorted.size() / 2];
  std::string defects;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (steps[i] > 0 && steps[i] <= 2 * unit + 2) continue;
    char line[96];
    std::snprintf(line, sizeof line, "%s %s: %.4f -> %.4f\n", stream.c_str(),
                  steps[i] <= 0 ? "steps back" : "hole", times[i] / 90000.0,
                  times[i + 1] / 90000.0);
    defects += line;
  }
  return defects;
}

}  // namespace cw::test
