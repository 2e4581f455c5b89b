#include "support/validation.h"

#include <cstdio>

#include "support/corpus.h"
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

}  // namespace cw::test
