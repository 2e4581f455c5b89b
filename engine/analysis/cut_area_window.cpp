#include "engine/analysis/cut_area_window.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scanners.h"
#include "engine/common/errors.h"

namespace cw::window_detail {

const CutErrors kCutInErrors{{kErrCutInNoPackets, kErrCutInBadPackets, kErrCutInNoVideoPackets,
                              kErrCutInForbiddenPicture, kErrCutInNoPictures, kErrCutInNoVideoCut},
                             kErrCutInVideoTimeStamp,
                             kErrCutInNoMarkPicture};
const CutErrors kCutOutErrors{
    {kErrCutOutNoPackets, kErrCutOutBadPacket, kErrCutOutNoVideoPackets, kErrCutOutForbiddenPicture,
     kErrCutOutNoPictures, kErrCutOutNoVideoCut},
    kErrCutOutVideoTimeStamp,
    kErrCutOutNoMarkPicture};

namespace {

void placeWindow(const WindowPlan& plan, std::int64_t& offset, std::int64_t& size) {
  size = std::min({plan.size, plan.length, kMaxWindow});
  offset = plan.position - size / 2;
  offset = std::clamp<std::int64_t>(offset, 0, plan.length - size);
}

bool isReference(const ScanEntry& picture) { return picture.kind == 'I' || picture.kind == 'P'; }

// Whether the time stamp of the packet that holds picture `i` (index
// `holder`) may belong to another picture: a packet begins between the
// sequence or GOP header in front of the picture and its start code.
// Multiplexers disagree on whose stamp such a packet carries: the
// picture's, or the next one's (counting the picture from its headers).
// The window's first I-picture may have such headers in front of the
// window, out of sight; only the file's first one has none.
bool stampInDoubt(const ScanBuffer& buf, const VideoScan& video, const StreamDescriptor& descriptor,
                  std::size_t i, int holder) {
  const ScanEntry& picture = video.pictures[i];
  const std::uint32_t after = i > 0 ? video.pictures[i - 1].start + 1 : 0;
  const std::size_t c = firstAtOrAfter(video.codes, after);
  if (c < video.codes.size() && video.codes[c].start < picture.start &&
      holdingPacket(video.packets, video.codes[c].start) != holder) {
    return true;
  }
  const std::int64_t packetAt = buf.fileOffset + packetStart(buf, video.packets[holder]);
  return i == 0 && picture.kind == 'I' && packetAt != descriptor.head.packetStart;
}

// Index of the first picture that owns the time stamp of its packet: the
// first picture to start there, its stamp not in doubt; pictures.size() if none.
std::size_t firstTimedPicture(const ScanBuffer& buf, const VideoScan& video,
                              const StreamDescriptor& descriptor) {
  const ScanList& pictures = video.pictures;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const int holder = holdingPacket(video.packets, pictures[i].start);
    const bool first = i == 0 || holdingPacket(video.packets, pictures[i - 1].start) != holder;
    if (holder >= 0 && first && video.packets[holder].pts() != kNoTime &&
        !stampInDoubt(buf, video, descriptor, i, holder)) {
      return i;
    }
  }
  return pictures.size();
}

// The anchor picture of a window and its decoding time; every other picture
// is timed from it at the exact picture period.
int timePictures(const ScanBuffer& buf, VideoScan& video, const StreamDescriptor& descriptor,
                 const StreamParams& params, int badTimestamp) {
  ScanList& pictures = video.pictures;
  // A picture whose access unit began in the packet before (a start code
  // split over two packets) has no time stamp of its own; the window then
  // starts at the first picture whose packet carries one.
  const auto timed =
      pictures.begin() + static_cast<std::ptrdiff_t>(firstTimedPicture(buf, video, descriptor));
  if (timed == pictures.end()) return badTimestamp;
  pictures.erase(pictures.begin(), timed);
  const ScanEntry& first = pictures.front();
  const ScanEntry& x = video.packets[holdingPacket(video.packets, first.start)];
  const std::int64_t period = params.roundedPeriod;

  std::size_t anchor = 0;
  std::int64_t time = x.pts();
  const bool headPacket = buf.fileOffset + packetStart(buf, x) == descriptor.head.packetStart;
  if (first.kind == 'I' && x.dts() != kNoTime && headPacket &&
      x.pts() != x.dts() + (first.temporalReference() + 1) * period) {
    time = x.dts();
  } else if (first.kind != 'B') {
    // A reference picture is displayed when the next one is decoded.
    const auto next = std::find_if(pictures.begin() + 1, pictures.end(), isReference);
    if (next != pictures.end()) {
      anchor = static_cast<std::size_t>(next - pictures.begin());
    } else {
      time = x.pts() - static_cast<std::int64_t>(pictures.size()) * period;
    }
  }
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const double steps = std::fabs(static_cast<double>(i) - static_cast<double>(anchor));
    const auto offset = static_cast<std::int64_t>(std::trunc(steps * params.period));
    pictures[i].decodingTime() = i >= anchor ? time + offset : time - offset;
  }
  return 0;
}

}  // namespace

int runWindows(WindowPlan plan, const std::function<Attempt(std::int64_t, std::int64_t)>& attempt,
               CutAreaTrace* trace) {
  int status = 0;
  for (int n = 0; n < kMaxAttempts; ++n) {
    std::int64_t offset = 0;
    std::int64_t size = 0;
    placeWindow(plan, offset, size);
    const Attempt result = attempt(offset, size);
    status = result.status;
    if (trace != nullptr) {
      trace->attempts = n + 1;
      if (n == 0) trace->firstResult = status;
      trace->lastWindowSize = size;
    }
    if (status == 0 || result.next == Next::Stop) return status;
    if (result.next == Next::Grow) {
      if (size >= plan.length || size >= kMaxWindow) return status;  // nothing more to see
      plan.size += plan.growth;
    } else {
      const std::int64_t position = std::clamp<std::int64_t>(result.position, 0, plan.length);
      if (position == plan.position) return status;
      plan.position = position;
    }
  }
  return status;
}

int readTimedWindow(platform::File& file, std::int64_t offset, std::int64_t size,
                    const StreamDescriptor& video, const StreamParams& params,
                    const CutErrors& errors, TimedWindow& w) {
  int status = readWindow(file, offset, size, w.buf);
  if (status != 0) return status;
  status = scanWindowVideo(w.buf, errors.scan, w.video);
  if (status != 0) return status;
  closeStreamAtFileEnd(w.buf, file.length(), w.video);
  return timePictures(w.buf, w.video, video, params, errors.badTimestamp);
}

Attempt choosePicture(const TimedWindow& w, const Timeline& t, const CutErrors& errors,
                      std::size_t& chosen) {
  const ScanList& pictures = w.video.pictures;
  const std::int64_t tolerance = t.period + 50;
  const std::int64_t firstTime = pictures.front().decodingTime();
  const std::int64_t lastTime = pictures.back().decodingTime();
  const double bytesPerTick = static_cast<double>(t.length) / t.duration;
  if (t.target < firstTime - tolerance) {
    const auto back = static_cast<std::int64_t>((t.target - firstTime) * bytesPerTick);
    return Attempt{errors.outside, Next::Move, w.buf.fileOffset + back};
  }
  if (t.target > lastTime + tolerance) {
    const auto ahead = static_cast<std::int64_t>((t.target - lastTime) * bytesPerTick);
    return Attempt{errors.outside, Next::Move, w.buf.fileOffset + w.buf.size() + ahead};
  }

  std::size_t best = pictures.size();
  std::int64_t bestDistance = 10 * t.period;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::int64_t distance = std::llabs(pictures[i].decodingTime() - t.target);
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  if (best == pictures.size()) return Attempt{errors.outside, Next::Stop, 0};

  // A reference picture is displayed when the next one is decoded: the one
  // on screen at the target is the reference picture before it.
  const bool keepLast = t.cutOut && best + 1 == pictures.size();
  if (isReference(pictures[best]) && !keepLast) {
    std::size_t earlier = best;
    while (earlier > 0 && !isReference(pictures[earlier - 1])) --earlier;
    if (earlier > 0) {
      best = earlier - 1;
    } else if (t.cutOut) {
      // No earlier reference picture here: look at the stretch before.
      return Attempt{errors.outside, Next::Move, w.buf.fileOffset};
    }
  }
  chosen = best;
  return Attempt{0, Next::Stop, 0};
}

std::size_t lastGopBefore(const ScanList& codes, std::uint32_t at) {
  for (std::size_t i = firstAtOrAfter(codes, at); i-- > 0;) {
    if (codes[i].kind == mpeg1::kGroupStart) return i;
  }
  return codes.size();
}

int sourceVideo(const StreamInfo& info, StreamParams& params, double& duration) {
  params = makeStreamParams(mpeg1::kVideoStream0, info.video.header);
  if (params.status != 0) return params.status > 0 ? params.status : kErrNoVideoHeader;
  duration = static_cast<double>(info.video.lastTime - info.video.firstTime);
  if (!(duration > 0.0) || info.video.firstTime == -1)
    return kErrTooShort;  // head and tail not analysed
  return 0;
}

}  // namespace cw::window_detail
