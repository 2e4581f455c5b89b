#include "append_checks.h"

#include <cmath>
#include <cstdint>
#include <sstream>

#include "crop_accept_checks.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {

namespace {

using u8 = std::uint8_t;

u8 at(const std::string& s, std::size_t i) { return static_cast<u8>(s[i]); }

bool startCodeAt(const std::string& s, std::size_t i) {
  return i + 4 <= s.size() && at(s, i) == 0 && at(s, i + 1) == 0 && at(s, i + 2) == 1;
}

// Offset of the payload in an MPEG-1 packet that starts at `p`.
std::size_t payloadStart(const std::string& s, std::size_t p, std::size_t end) {
  std::size_t i = p + 6;
  while (i < end && at(s, i) == 0xFF) ++i;
  if (i < end && (at(s, i) & 0xC0) == 0x40) i += 2;
  if (i >= end) return end;
  const u8 flags = at(s, i) & 0xF0;
  if (flags == 0x20) return i + 5;
  if (flags == 0x30) return i + 10;
  return i + 1;
}

// Steps of consecutive time stamps that differ from `period` by more than
// `tolerance` ticks (a negative step included).
void checkSteps(const std::vector<ProbePacket>& packets, bool useDts, double period,
                double tolerance, const char* what, std::ostringstream& out) {
  std::int64_t previous = -1;
  int reported = 0;
  for (const ProbePacket& p : packets) {
    const std::int64_t t = useDts ? p.dts : p.pts;
    if (t < 0) {
      previous = -1;
      continue;
    }
    if (previous >= 0 && std::fabs(static_cast<double>(t - previous) - period) > tolerance &&
        reported++ < 5) {
      out << what << " step " << (t - previous) << " at " << t << " (period " << period << ")\n";
    }
    previous = t;
  }
}

double audioFramePeriod(const ProbeStream& a) {
  const double samples = a.codec == "mp1" ? 384.0 : 1152.0;
  return a.sampleRate > 0 ? samples * 90000.0 / a.sampleRate : 0.0;
}

// MPEG-1 audio frame length from a header; 0 when the header is not valid.
std::size_t audioFrameBytes(const std::string& s, std::size_t i) {
  static const int kKbps[3][15] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
  static const int kRates[3] = {44100, 48000, 32000};
  if (i + 4 > s.size() || at(s, i) != 0xFF || (at(s, i + 1) & 0xF8) != 0xF8) return 0;
  const int layerBits = (at(s, i + 1) >> 1) & 3;
  const int rateIndex = at(s, i + 2) >> 4;
  const int srIndex = (at(s, i + 2) >> 2) & 3;
  if (layerBits == 0 || rateIndex == 0 || rateIndex == 15 || srIndex == 3) return 0;
  const int layer = 4 - layerBits;
  const int kbps = kKbps[layer - 1][rateIndex];
  const int rate = kRates[srIndex];
  const int padding = (at(s, i + 2) >> 1) & 1;
  if (layer == 1) return static_cast<std::size_t>((12000 * kbps / rate + padding) * 4);
  return static_cast<std::size_t>(144000 * kbps / rate + padding);
}

}  // namespace

std::string videoPayload(const std::string& s) {
  std::string es;
  std::size_t i = 0;
  while (i + 12 <= s.size()) {
    if (!startCodeAt(s, i)) {  // zero padding of VideoCD packs
      ++i;
      continue;
    }
    const u8 code = at(s, i + 3);
    if (code == 0xBA) {
      i += 12;
    } else if (code == 0xB9) {
      i += 4;
    } else if (code >= 0xBB) {
      const std::size_t end = i + 6 + (at(s, i + 4) << 8 | at(s, i + 5));
      if (end > s.size()) break;
      if (code == 0xE0) {
        const std::size_t p = payloadStart(s, i, end);
        if (p < end) es.append(s, p, end - p);
      }
      i = end;
    } else {
      ++i;
    }
  }
  return es;
}

std::string gopTimeCodeDefects(const std::string& es, double pictureRate) {
  std::ostringstream out;
  const int fps = static_cast<int>(std::lround(pictureRate));
  std::int64_t expected = -1;
  int pictures = 0;
  int gops = 0;
  for (std::size_t i = 0; i + 8 <= es.size(); ++i) {
    if (!startCodeAt(es, i)) continue;
    const u8 code = at(es, i + 3);
    if (code == 0x00) {
      ++pictures;
      continue;
    }
    if (code != 0xB8) continue;
    const std::uint32_t bits = static_cast<std::uint32_t>(at(es, i + 4)) << 24 |
                               static_cast<std::uint32_t>(at(es, i + 5)) << 16 |
                               static_cast<std::uint32_t>(at(es, i + 6)) << 8 | at(es, i + 7);
    const bool drop = (bits >> 31) & 1;
    const int hours = (bits >> 26) & 31;
    const int minutes = (bits >> 20) & 63;
    const int seconds = (bits >> 13) & 63;
    const int frames = (bits >> 7) & 63;
    const std::int64_t totalMinutes = hours * 60 + minutes;
    std::int64_t number = (totalMinutes * 60 + seconds) * fps + frames;
    if (drop) number -= 2 * (totalMinutes - totalMinutes / 10);
    if (expected >= 0 && number != expected + pictures) {
      out << "GOP " << gops << " time code " << hours << ":" << minutes << ":" << seconds << ":"
          << frames << " is picture " << number << ", expected " << expected + pictures << "\n";
    }
    expected = number;
    pictures = 0;
    ++gops;
  }
  if (gops == 0) out << "no GOP headers\n";
  return out.str();
}

std::string systemStreamDefects(const std::string& path) {
  std::ostringstream out;
  out << ffmpegDecodeErrors(path);
  out << accept::engineCheckDefects(path, false);
  const CommandResult std = runProgram({binaryPath("cw-std-check"), path}, true);
  if (std.exitCode != 0) out << "cw-std-check (" << std.exitCode << "): " << std.out;

  const ProbeInfo info = ffprobeFile(path);
  const ProbeStream* video = info.first("video");
  const ProbeStream* audio = info.first("audio");
  if (video == nullptr || audio == nullptr || video->frameRate <= 0.0) {
    out << "ffprobe does not see a video and an audio stream\n";
    return out.str();
  }
  checkSteps(ffprobePackets(path, "v:0"), true, 90000.0 / video->frameRate, 1.0, "video DTS", out);
  checkSteps(ffprobePackets(path, "a:0"), false, audioFramePeriod(*audio), 1.0, "audio PTS", out);
  out << gopTimeCodeDefects(videoPayload(readFile(path)), video->frameRate);
  return out.str();
}

std::string videoStreamDefects(const std::string& path) {
  std::ostringstream out;
  out << ffmpegDecodeErrors(path);
  out << accept::engineCheckDefects(path, false);
  const std::string es = readFile(path);
  const ProbeInfo info = ffprobeFile(path);
  const ProbeStream* video = info.first("video");
  if (video == nullptr || video->frameRate <= 0.0) return out.str() + "no video stream\n";
  out << gopTimeCodeDefects(es, video->frameRate);
  if (es.size() < 4 || es.compare(es.size() - 4, 4, std::string("\0\0\1\xB7", 4)) != 0) {
    out << "does not end with a sequence end code\n";
  }
  return out.str();
}

std::string audioStreamDefects(const std::string& path) {
  std::ostringstream out;
  out << ffmpegDecodeErrors(path);
  out << accept::engineCheckDefects(path, false);
  const std::string es = readFile(path);
  std::size_t i = 0;
  while (i < es.size()) {
    const std::size_t n = audioFrameBytes(es, i);
    if (n == 0) {
      out << "no audio frame header at " << i << " of " << es.size() << "\n";
      break;
    }
    i += n;
  }
  if (i > es.size()) out << "the last frame is cut short\n";
  return out.str();
}

}  // namespace cw::test
