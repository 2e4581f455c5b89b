// The validation programs of the build (tests/tools) as functions, for tests
// that check what the engine wrote.
#pragma once

#include <string>
#include <vector>

namespace cw::test {

// cw-std-check on a system stream: exit code 0 clean, 1 findings, 2 not
// readable (or the program is missing); one "<kind>: <text>" line per finding.
struct StdCheckResult {
  int exitCode = 2;
  std::vector<std::string> findings;
};
StdCheckResult runStdCheck(const std::string& path);

// cw-sync-measure on a copy or cut of syncflash.mpg: per flash, its time on
// the file's time-stamp line and the beep onset minus the flash start in ms.
struct SyncPoint {
  double flashSeconds = 0.0;
  bool paired = false;  // false: no beep within half a second
  double offsetMs = 0.0;
};
std::vector<SyncPoint> measureSync(const std::string& path);

// Where the decoding times of a stream (ffprobe stream specifier, "v:0" or
// "a:0") step back or leave a hole of more than one unit (a picture period,
// an audio frame; the unit is the stream's usual step): one line per fault
// with the two times, empty when the clock runs on.
std::string clockDefects(const std::string& path, const std::string& stream);

}  // namespace cw::test
