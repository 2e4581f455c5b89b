// cw-sync-measure FILE: measures audio/video sync on a copy (or a cut) of the
// sync-flash pattern: a black picture with one white frame every second and
// a short beep that starts with each white frame. ffmpeg decodes the file
// into raw grey pictures and raw 16-bit mono samples on two pipes. Both keep
// the file's time stamps (-copyts), the pictures resampled to 1000 per second
// and the sound padded from time 0, so frame i starts at i ms and sample k at
// k / 44100 s on the file's own time line; each flash is paired with the beep
// onset nearest to it. A white first frame is not counted as a flash: the
// padding in front of it makes its start unknowable.
//
// Output, one line per flash: "<flash time s> <offset ms>", with the flash
// time on the file's time stamp line and the offset
// is beep onset minus flash start (positive: the sound is late), or
// "<flash time s> none" when no beep lies within half a second.
// Exit status: 0 when at least one flash was paired, 1 when none was, 2 when
// the file could not be decoded.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr int kThumb = 16;  // pictures are scaled to 16 x 16 grey
// Pictures are resampled to this rate (repeating each picture) so that a
// picture's start is known to the millisecond rather than snapped to a grid
// of the picture period anchored at time 0.
constexpr int kPictureClock = 1000;
constexpr double kPairWindow = 0.5;

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool readAll(const std::string& command, std::string& out) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  return ::pclose(pipe) == 0;
}

// The picture rate of the first video stream, from ffprobe (0: no video).
double frameRate(const std::string& path) {
  std::string out;
  if (!readAll(
          "ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 " +
              quote(path),
          out))
    return 0.0;
  double num = 0.0, den = 1.0;
  if (std::sscanf(out.c_str(), "%lf/%lf", &num, &den) < 1 || den == 0.0) return 0.0;
  return num / den;
}

// Start times (s) of white frames that follow a non-white one.
std::vector<double> flashes(const std::string& path) {
  std::string raw;
  char filter[96];
  std::snprintf(filter, sizeof filter, "scale=%d:%d,format=gray,fps=%d", kThumb, kThumb,
                kPictureClock);
  if (!readAll("ffmpeg -nostdin -v error -copyts -i " + quote(path) + " -map 0:v:0 -vf " + filter +
                   " -fps_mode cfr -f rawvideo -",
               raw))
    return {};
  std::vector<double> starts;
  const std::size_t frameBytes = kThumb * kThumb;
  bool wasWhite = true;
  for (std::size_t i = 0; (i + 1) * frameBytes <= raw.size(); ++i) {
    double sum = 0.0;
    for (std::size_t k = 0; k < frameBytes; ++k)
      sum += static_cast<unsigned char>(raw[i * frameBytes + k]);
    bool white = sum / frameBytes > 128.0;
    if (white && !wasWhite) starts.push_back(static_cast<double>(i) / kPictureClock);
    wasWhite = white;
  }
  return starts;
}

// Onset times (s) of beeps: the first loud sample after at least 200 ms of quiet.
std::vector<double> beeps(const std::string& path) {
  std::string raw;
  char format[128];
  std::snprintf(format, sizeof format,
                " -map 0:a:0 -af aresample=async=1:first_pts=0 -ac 1 -ar %d -f s16le -",
                kSampleRate);
  if (!readAll("ffmpeg -nostdin -v error -copyts -i " + quote(path) + format, raw)) return {};
  const int loud = 32767 / 10;
  const std::size_t quietNeeded = kSampleRate / 5;
  std::vector<double> onsets;
  std::size_t quiet = quietNeeded;  // the file may begin with a beep
  for (std::size_t i = 0; 2 * i + 1 < raw.size(); ++i) {
    auto lo = static_cast<unsigned char>(raw[2 * i]);
    auto hi = static_cast<unsigned char>(raw[2 * i + 1]);
    int sample = static_cast<std::int16_t>(lo | (hi << 8));
    if (std::abs(sample) >= loud) {
      if (quiet >= quietNeeded) onsets.push_back(static_cast<double>(i) / kSampleRate);
      quiet = 0;
    } else {
      ++quiet;
    }
  }
  return onsets;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(
        stderr,
        "usage: cw-sync-measure FILE\n"
        "  Prints \"<flash time s> <beep minus flash ms>\" for each flash of a sync-flash file.\n");
    return 2;
  }
  std::string path = argv[1];
  if (frameRate(path) <= 0.0) {
    std::fprintf(stderr, "cw-sync-measure: %s: no video stream\n", path.c_str());
    return 2;
  }
  std::vector<double> pictures = flashes(path);
  std::vector<double> sounds = beeps(path);
  if (pictures.empty() && sounds.empty()) {
    std::fprintf(stderr, "cw-sync-measure: %s: no flash and no beep found\n", path.c_str());
    return 2;
  }
  int paired = 0;
  for (double flash : pictures) {
    const double* nearest = nullptr;
    for (const double& beep : sounds)
      if (!nearest || std::fabs(beep - flash) < std::fabs(*nearest - flash)) nearest = &beep;
    if (nearest && std::fabs(*nearest - flash) <= kPairWindow) {
      std::printf("%.4f %.1f\n", flash, (*nearest - flash) * 1000.0);
      ++paired;
    } else {
      std::printf("%.4f none\n", flash);
    }
  }
  std::fprintf(stderr, "cw-sync-measure: %zu flashes, %zu beeps, %d paired\n", pictures.size(),
               sounds.size(), paired);
  return paired > 0 ? 0 : 1;
}
