// Cut-area analyses of elementary streams. Without time stamps, time and
// byte position are mapped linearly between the analysed head and tail.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/cut_area_window.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scanners.h"
#include "engine/common/errors.h"

namespace cw {

using namespace window_detail;

namespace {

constexpr std::int64_t kDefaultBuffer = 32768;

// The linear map between time (ticks from the first time) and position.
struct LinearMap {
  std::int64_t head = 0;
  std::int64_t tail = 0;
  double duration = 0.0;  // ticks

  std::int64_t positionAt(double ticks) const {
    const double at =
        static_cast<double>(head) + static_cast<double>(tail - head) * ticks / duration;
    return std::clamp(static_cast<std::int64_t>(at), head, tail);
  }
  std::int64_t timeAt(std::int64_t position) const {
    return static_cast<std::int64_t>(static_cast<double>(position - head) * duration /
                                     static_cast<double>(tail - head));
  }
};

int prepare(const platform::File& file, const StreamDescriptor& d, std::int16_t type,
            std::int64_t& length, LinearMap& map) {
  if (!file.isOpen()) return kErrSourceRead;
  if (d.type != type) return kErrWrongType;
  length = file.length();
  if (length < 0) return kErrSourceRead;
  map.head = d.head.point;
  map.tail = d.tail.point;
  map.duration = static_cast<double>(d.lastTime - d.firstTime);
  if (map.head < 0 || map.tail <= map.head || !(map.duration > 0.0)) return kErrTooShort;
  return 0;
}

WindowPlan planAt(std::int64_t length, std::int64_t position) {
  return WindowPlan{length, position, kMinCutWindow, kMinCutWindow};
}

double markTicks(double mark) { return std::trunc(mark * mpeg1::kClock); }

// --- Video --------------------------------------------------------------------

struct VideoWindow {
  ScanBuffer buf;
  ScanList pictures;
  ScanList codes;
};

int readVideoWindow(platform::File& file, std::int64_t offset, std::int64_t size, VideoWindow& w) {
  int status = readWindow(file, offset, size, w.buf);
  if (status != 0) return status;
  status = scanPicturesAndCodes(w.buf, wholeBuffer(w.buf), w.pictures, w.codes);
  if (status == kForbiddenPicture) return kErrCutInForbiddenPicture;
  return status == 0 ? 0 : kErrMemory;
}

struct VideoCutIn {
  std::int64_t point = 0;
  bool ownHeader = false;  // the source's sequence header directly before the GOP
  std::uint8_t header[kStoredHeaderBytes] = {};
  CutInResult result;
};

// The GOP at code `gop` as cut-in at code `point`.
Attempt finishVideoCutIn(const VideoWindow& w, std::size_t point, std::size_t gop,
                         bool removeDeadBpic, VideoCutIn& out) {
  if (gop + 1 >= w.codes.size()) return Attempt{kErrCutInIncompleteGop, Next::Grow, 0};
  const std::uint32_t at = w.codes[gop].start;
  if (at + 8 > w.buf.size()) return Attempt{kErrCutInIncompleteGopHeader, Next::Grow, 0};
  const bool closed = mpeg1::gopClosed(w.buf.data.data() + at);
  out.result.treatment = closed           ? kCutInPlain
                         : removeDeadBpic ? kCutInRemoveDeadB
                                          : kCutInMarkBrokenLink;
  out.result.bufferSize = kDefaultBuffer;
  if (out.result.treatment == kCutInRemoveDeadB) {
    const std::int64_t gopLength = std::int64_t{w.codes[gop + 1].start} - at;
    out.result.bufferSize = std::max(gopLength + 4, kDefaultBuffer);
  }
  out.point = w.buf.fileOffset + w.codes[point].start;
  out.ownHeader = false;
  if (point == gop && gop > 0 && w.codes[gop - 1].kind == mpeg1::kSequenceHeader) {
    const std::uint32_t from = w.codes[gop - 1].start;
    const std::size_t size = mpeg1::sequenceHeaderSize(w.buf.data.data() + from, at - from);
    if (from + size == at) {
      std::memset(out.header, 0, sizeof out.header);
      std::memcpy(out.header, w.buf.data.data() + from, size);
      out.ownHeader = true;
    }
  }
  return Attempt{};
}

Attempt videoCutInAttempt(platform::File& file, std::int64_t position, bool removeDeadBpic,
                          std::int64_t offset, std::int64_t size, VideoCutIn& out) {
  VideoWindow w;
  const int status = readVideoWindow(file, offset, size, w);
  if (status != 0) return Attempt{status, Next::Stop, 0};
  if (w.pictures.empty()) return Attempt{kErrCutInNoPictures, Next::Stop, 0};
  const auto rel = static_cast<std::uint32_t>(position - offset);
  std::size_t gop = lastGopBefore(w.codes, rel + 1);  // at or before the position
  if (gop == w.codes.size()) {
    gop = static_cast<std::size_t>(
        std::find_if(w.codes.begin(), w.codes.end(),
                     [](const ScanEntry& c) { return c.kind == mpeg1::kGroupStart; }) -
        w.codes.begin());
  }
  if (gop == w.codes.size()) return Attempt{kErrCutInIncompleteGopHeader, Next::Grow, 0};
  return finishVideoCutIn(w, gop, gop, removeDeadBpic, out);
}

Attempt videoSequenceCutInAttempt(platform::File& file, std::int64_t position, bool removeDeadBpic,
                                  std::int64_t offset, std::int64_t size, VideoCutIn& out) {
  VideoWindow w;
  const int status = readVideoWindow(file, offset, size, w);
  if (status != 0) return Attempt{status, Next::Stop, 0};
  if (w.pictures.empty()) return Attempt{kErrCutInNoPictures, Next::Stop, 0};
  // The previous cut-out point: a GOP, or the sequence header (and end) before one.
  const std::size_t point = firstAtOrAfter(w.codes, static_cast<std::uint32_t>(position - offset));
  std::size_t gop = point;
  while (gop < w.codes.size() && w.codes[gop].kind != mpeg1::kGroupStart) ++gop;
  if (point == w.codes.size() || gop == w.codes.size())
    return Attempt{kErrCutInIncompleteGopHeader, Next::Grow, 0};
  return finishVideoCutIn(w, point, gop, removeDeadBpic, out);
}

void storeVideoCutIn(StreamInfo& info, const LinearMap& map, const VideoCutIn& cut,
                     CutInResult& result) {
  info.video.workHead = StreamArea{cut.point, cut.point, cut.point};
  info.video.workFirstTime = info.video.firstTime + map.timeAt(cut.point);
  info.video.cutInHeaderAt = cut.ownHeader ? cut.point : -1;
  if (cut.ownHeader) std::memcpy(info.video.cutInHeader, cut.header, kStoredHeaderBytes);
  result = cut.result;
}

int videoCutIn(platform::File& file, StreamInfo& info, bool removeDeadBpic, double markIn,
               CutInResult& result) {
  std::int64_t length = 0;
  LinearMap map;
  const int status = prepare(file, info.video, kTypeVideoOnly, length, map);
  if (status != 0) return status;
  const std::int64_t position = map.positionAt(markTicks(markIn));
  VideoCutIn cut;
  const int found = runWindows(
      planAt(length, position),
      [&](std::int64_t offset, std::int64_t size) {
        return videoCutInAttempt(file, position, removeDeadBpic, offset, size, cut);
      },
      nullptr);
  if (found != 0) return found;
  storeVideoCutIn(info, map, cut, result);
  return 0;
}

int videoSequenceCutIn(platform::File& file, StreamInfo& info, bool removeDeadBpic,
                       CutInResult& result) {
  std::int64_t length = 0;
  LinearMap map;
  const int status = prepare(file, info.video, kTypeVideoOnly, length, map);
  if (status != 0) return status;
  const std::int64_t position = info.video.workHead.point;
  if (position < map.head || position >= map.tail) return kErrCutInIncompleteGopHeader;
  VideoCutIn cut;
  const int found = runWindows(
      planAt(length, position),
      [&](std::int64_t offset, std::int64_t size) {
        return videoSequenceCutInAttempt(file, position, removeDeadBpic, offset, size, cut);
      },
      nullptr);
  if (found != 0) return found;
  storeVideoCutIn(info, map, cut, result);
  return 0;
}

// The first code at or after `rel`, moved back onto the sequence header
// directly before it, and onto the sequence end directly before that.
std::size_t cutOutCode(const ScanList& codes, std::uint32_t rel) {
  std::size_t c = firstAtOrAfter(codes, rel);
  if (c == codes.size()) return c;
  if (c > 0 && codes[c].kind == mpeg1::kGroupStart && codes[c - 1].kind == mpeg1::kSequenceHeader) {
    --c;
  }
  if (c > 0 && codes[c].kind == mpeg1::kSequenceHeader &&
      codes[c - 1].kind == mpeg1::kSequenceEnd) {
    --c;
  }
  return c;
}

Attempt videoCutOutAttempt(platform::File& file, std::int64_t position, std::int64_t tail,
                           std::int64_t offset, std::int64_t size, std::int64_t& point) {
  ScanBuffer buf;
  int status = readWindow(file, offset, size, buf);
  if (status != 0) return Attempt{status, Next::Stop, 0};
  ScanList codes;
  if (scanVideoCodes(buf, wholeBuffer(buf), codes) != 0) return Attempt{kErrMemory, Next::Stop, 0};
  const std::size_t c = cutOutCode(codes, static_cast<std::uint32_t>(position - offset));
  if (c == codes.size()) {
    // No code follows in this window: the analysed tail, once the window
    // reaches it; otherwise the GOP goes on beyond the window.
    if (offset + size >= tail) {
      point = tail;
      return Attempt{};
    }
    return Attempt{kErrCutOutNoVideoCut, Next::Grow, 0};
  }
  point = std::min(tail, offset + codes[c].start);
  return Attempt{};
}

int videoCutOut(platform::File& file, StreamInfo& info, double markOut) {
  std::int64_t length = 0;
  LinearMap map;
  const int status = prepare(file, info.video, kTypeVideoOnly, length, map);
  if (status != 0) return status;
  const std::int64_t position = map.positionAt(markTicks(markOut));
  std::int64_t point = map.tail;
  if (position < map.tail) {
    const int found = runWindows(
        planAt(length, position),
        [&](std::int64_t offset, std::int64_t size) {
          return videoCutOutAttempt(file, position, map.tail, offset, size, point);
        },
        nullptr);
    if (found != 0) return found;
  }
  info.video.workTail = StreamArea{point, point, point};
  info.video.workLastTime = info.video.firstTime + map.timeAt(point);
  return 0;
}

// --- Audio --------------------------------------------------------------------

int readAudioFrames(platform::File& file, const StreamInfo& info, std::int64_t length,
                    std::int64_t position, int noFrames, ScanBuffer& buf, ScanList& frames) {
  const StreamParams params = makeStreamParams(mpeg1::kAudioStream0, info.audio.header);
  if (params.status != 0) return noFrames;
  std::int64_t offset = 0;
  std::int64_t size = 0;
  const WindowPlan plan = planAt(length, position);
  size = std::min(plan.size, length);
  offset = std::clamp<std::int64_t>(position - size / 2, 0, length - size);
  const int status = readWindow(file, offset, size, buf);
  if (status != 0) return status;
  buf.audio = params;
  if (scanAudioFramesElementary(buf, frames) != 0) return kErrMemory;
  return frames.empty() ? noFrames : 0;
}

int audioCutIn(platform::File& file, StreamInfo& info, double markIn) {
  std::int64_t length = 0;
  LinearMap map;
  int status = prepare(file, info.audio, kTypeAudioOnly, length, map);
  if (status != 0) return status;
  const std::int64_t position = map.positionAt(markTicks(markIn));
  ScanBuffer buf;
  ScanList frames;
  status = readAudioFrames(file, info, length, position, kErrCutInNoAudioFrames, buf, frames);
  if (status != 0) return status;
  // The last frame header before the position, or the window's first.
  const std::size_t after =
      firstAtOrAfter(frames, static_cast<std::uint32_t>(position - buf.fileOffset));
  const ScanEntry& frame = frames[after == 0 ? 0 : after - 1];
  const std::int64_t point = buf.fileOffset + frame.start;
  info.audio.workHead = StreamArea{point, point, point};
  info.audio.workFirstTime = static_cast<std::int64_t>(markTicks(markIn));
  return 0;
}

int audioCutOut(platform::File& file, StreamInfo& info, double markOut) {
  std::int64_t length = 0;
  LinearMap map;
  int status = prepare(file, info.audio, kTypeAudioOnly, length, map);
  if (status != 0) return status;
  const std::int64_t position = map.positionAt(markTicks(markOut));
  std::int64_t point = map.tail;
  if (position < map.tail) {
    ScanBuffer buf;
    ScanList frames;
    status = readAudioFrames(file, info, length, position, kErrCutOutNoAudioFrames, buf, frames);
    if (status != 0) return status;
    // The first frame header at or after the position, or the window's last.
    const std::size_t at =
        firstAtOrAfter(frames, static_cast<std::uint32_t>(position - buf.fileOffset));
    const ScanEntry& frame = frames[at == frames.size() ? at - 1 : at];
    point = std::min(map.tail, buf.fileOffset + frame.start);
  }
  info.audio.workTail = StreamArea{point, point, point};
  info.audio.workLastTime = static_cast<std::int64_t>(markTicks(markOut));
  return 0;
}

template <class F>
int guarded(F&& run) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

}  // namespace

int analyseVideoOnlyCutIn(platform::File& file, StreamInfo& info, bool removeDeadBpic,
                          double markIn, CutInResult& result) {
  return guarded([&] { return videoCutIn(file, info, removeDeadBpic, markIn, result); });
}

int analyseVideoOnlySequenceCutIn(platform::File& file, StreamInfo& info, bool removeDeadBpic,
                                  CutInResult& result) {
  return guarded([&] { return videoSequenceCutIn(file, info, removeDeadBpic, result); });
}

int analyseVideoOnlyCutOut(platform::File& file, StreamInfo& info, double markOut) {
  return guarded([&] { return videoCutOut(file, info, markOut); });
}

int analyseAudioOnlyCutIn(platform::File& file, StreamInfo& info, double markIn) {
  return guarded([&] { return audioCutIn(file, info, markIn); });
}

int analyseAudioOnlyCutOut(platform::File& file, StreamInfo& info, double markOut) {
  return guarded([&] { return audioCutOut(file, info, markOut); });
}

}  // namespace cw
