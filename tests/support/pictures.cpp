#include "support/pictures.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "support/ffprobe.h"
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

std::vector<Luma> pictureLumas(const std::string& path) {
  const ProbeInfo probe = ffprobeFile(path);
  const ProbeStream* video = probe.first("video");
  if (video == nullptr || video->width <= 0 || video->height <= 0) return {};
  const CommandResult run =
      runProgram({"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", path, "-map", "0:v:0",
                  "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
  if (run.exitCode != 0) return {};
  const std::size_t size = static_cast<std::size_t>(video->width) * video->height;
  const auto* bytes = reinterpret_cast<const unsigned char*>(run.out.data());
  std::vector<Luma> pictures;
  pictures.reserve(run.out.size() / size);
  for (std::size_t at = 0; at + size <= run.out.size(); at += size) {
    pictures.emplace_back(bytes + at, bytes + at + size);
  }
  return pictures;
}

double lumaPsnr(const Luma& a, const Luma& b) {
  if (a.size() != b.size() || a.empty()) return 0.0;
  // Whole numbers: exact, and several times faster than a sum of doubles in
  // the sanitizer build, where the sweeps compare thousands of pictures.
  std::uint64_t sum = 0;
  const unsigned char* pa = a.data();
  const unsigned char* pb = b.data();
  for (std::size_t i = 0, n = a.size(); i < n; ++i) {
    const int d = static_cast<int>(pa[i]) - static_cast<int>(pb[i]);
    sum += static_cast<std::uint64_t>(d * d);
  }
  if (sum == 0) return 99.0;
  return 10.0 *
         std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / static_cast<double>(sum));
}

}  // namespace cw::test
