#include "sequence_fixture.h"

#include "support/process.h"

namespace cw::test {

std::vector<std::string> pictureHashes(const std::string& path) {
  // Every decoded picture once, whatever its time stamp says.
  const CommandResult run =
      runProgram({"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", path, "-map", "0:v:0",
                  "-fps_mode", "passthrough", "-f", "framemd5", "-"});
  std::vector<std::string> hashes;
  if (run.exitCode != 0) return hashes;
  for (const std::string& line : splitLines(run.out)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t comma = line.rfind(',');
    if (comma == std::string::npos) continue;
    const std::size_t start = line.find_first_not_of(' ', comma + 1);
    if (start != std::string::npos) hashes.push_back(line.substr(start));
  }
  return hashes;
}

}  // namespace cw::test
