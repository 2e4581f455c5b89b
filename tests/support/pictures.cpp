#include "support/pictures.h"

#include <unordered_map>

#include "support/process.h"

namespace cw::test {

PictureHashes pictureHashes(const std::string& path) {
  const CommandResult run =
      runProgram({"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", path, "-map", "0:v:0",
                  "-fps_mode", "passthrough", "-f", "framemd5", "-"});
  PictureHashes hashes;
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

PictureLayout layOnSource(const PictureHashes& source, const PictureHashes& output) {
  std::unordered_multimap<std::string, std::size_t> where;
  for (std::size_t i = 0; i < source.size(); ++i) where.emplace(source[i], i);
  PictureLayout layout;
  layout.pictures = output.size();
  std::size_t at = 0;
  while (at < output.size()) {
    PictureRun best;
    const auto [first, last] = where.equal_range(output[at]);
    for (auto it = first; it != last; ++it) {
      std::size_t n = 0;
      while (at + n < output.size() && it->second + n < source.size() &&
             output[at + n] == source[it->second + n]) {
        ++n;
      }
      if (n > best.count) best = PictureRun{it->second, n};
    }
    if (best.count == 0) {
      ++layout.foreign;
      ++at;
      continue;
    }
    layout.runs.push_back(best);
    at += best.count;
  }
  return layout;
}

std::string describeLayout(const PictureLayout& layout) {
  std::string text = std::to_string(layout.pictures) + " pictures: runs";
  for (const PictureRun& r : layout.runs) {
    text += " " + std::to_string(r.from) + "+" + std::to_string(r.count);
  }
  return text + "; " + std::to_string(layout.foreign) + " foreign";
}

}  // namespace cw::test
