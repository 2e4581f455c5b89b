// The moving and growing window of the cut-area analyses, and the decoding
// times of the pictures in a window.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail_window.h"
#include "engine/analysis/stream_params.h"

namespace cw::window_detail {

inline constexpr int kMaxAttempts = 8;
inline constexpr std::int64_t kMinCutWindow = 65536;

// What one attempt asks of the next.
enum class Next { Stop, Grow, Move };

struct Attempt {
  int status = 0;
  Next next = Next::Stop;
  std::int64_t position = 0;  // for Move: the new window centre
};

// Where the windows lie: centred on `position`, `size` bytes, growing by
// `growth`, always inside [0, length].
struct WindowPlan {
  std::int64_t length = 0;
  std::int64_t position = 0;
  std::int64_t size = 0;
  std::int64_t growth = 0;
};

// Runs up to kMaxAttempts attempts over the planned windows (offset, size).
int runWindows(WindowPlan plan, const std::function<Attempt(std::int64_t, std::int64_t)>& attempt,
               CutAreaTrace* trace);

// Error numbers of the cut-in or the cut-out for the window steps.
struct CutErrors {
  VideoScanErrors scan;
  int badTimestamp;  // 1404 / 1304
  int outside;       // 1405 / 1305
};
extern const CutErrors kCutInErrors;
extern const CutErrors kCutOutErrors;

// A window read and scanned, each picture's decodingTime() set.
struct TimedWindow {
  ScanBuffer buf;
  VideoScan video;
};

int readTimedWindow(platform::File& file, std::int64_t offset, std::int64_t size,
                    const StreamDescriptor& video, const StreamParams& params,
                    const CutErrors& errors, TimedWindow& w);

// The picture displayed at `target` (ticks). On a target outside the window
// the attempt asks to move.
struct Timeline {
  std::int64_t target = 0;
  std::int64_t length = 0;  // file length
  double duration = 0.0;    // video last time - first time, ticks
  std::int64_t period = 0;  // rounded picture period
  bool cutOut = false;
};
Attempt choosePicture(const TimedWindow& w, const Timeline& t, const CutErrors& errors,
                      std::size_t& chosen);

// Index of the last GOP start code before buffer offset `at`, or codes.size().
std::size_t lastGopBefore(const ScanList& codes, std::uint32_t at);

// Analysed video span of a source: its parameters and duration.
int sourceVideo(const StreamInfo& info, StreamParams& params, double& duration);

}  // namespace cw::window_detail
