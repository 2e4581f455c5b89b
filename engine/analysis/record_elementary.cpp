// Record analyses of elementary-stream records (record modes 3 and 4). They
// carry no time stamps: times and positions are mapped linearly at the
// declared byte rate of the stored header.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/analysis/head_tail_window.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/record_analysis.h"
#include "engine/analysis/record_window.h"
#include "engine/analysis/scanners.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/errors.h"

namespace cw {

using namespace window_detail;

namespace {

constexpr double kTailMargin = 0.3;                  // seconds before the end of a video record
constexpr std::int64_t kUnknownRateWindow = 262144;  // when the video rate is variable

// Two seconds of a video record, or a fixed window when its rate is unknown.
std::int64_t twoSeconds(const StreamParams& video) {
  if (!(video.bitRate > 0.0)) return kUnknownRateWindow;
  return static_cast<std::int64_t>(2.0 * video.bitRate);
}

struct VideoWindow {
  ScanBuffer buf;
  ScanList codes;
  ScanList pictures;
};

int readVideoWindow(platform::File& file, std::int64_t offset, std::int64_t size, VideoWindow& w) {
  int status = readRecordWindow(file, offset, size, w.buf);
  if (status != 0) return status;
  const ScanList whole = wholeBuffer(w.buf);
  if (scanVideoCodes(w.buf, whole, w.codes) != 0) return kErrMemory;
  if (scanPictures(w.buf, whole, w.pictures) != 0) return kErrMemory;
  return 0;
}

bool copyHeader(const ScanBuffer& buf, std::uint32_t at, std::uint8_t* out) {
  if (std::int64_t{at} + 8 > buf.size()) return false;
  std::memcpy(out, buf.data.data() + at, 8);
  return true;
}

// The join state of a video record cut at buffer offset `joinAt`: the last
// GOP before it and the pictures between.
int videoJoinState(const VideoWindow& w, std::uint32_t joinAt, VideoOnlyJoin& out) {
  VideoOnlyJoin j;
  std::size_t gop = w.codes.size();
  for (std::size_t i = 0; i < w.codes.size() && w.codes[i].start < joinAt; ++i) {
    if (w.codes[i].kind == mpeg1::kGroupStart) gop = i;
  }
  if (gop == w.codes.size() || !copyHeader(w.buf, w.codes[gop].start, j.gopHeader))
    return kErrCutOutGopTooLong;
  const std::size_t first = firstAtOrAfter(w.pictures, w.codes[gop].start);
  const std::size_t last = lastBefore(w.pictures, joinAt);
  if (last == w.pictures.size() || last < first) return kErrCutOutNoPictures;
  if (!copyHeader(w.buf, w.pictures[last].start, j.pictureHeader)) return kErrCutOutNoPictures;
  j.joinOffset = w.buf.fileOffset + joinAt;
  j.picturesAfterGop = static_cast<int>(last + 1 - first);
  j.lastPictureBytes = joinAt - w.pictures[last].start;
  j.lastTemporalRef = static_cast<int>(w.pictures[last].temporalReference());
  out = j;
  return 0;
}

bool endsWithSequenceEnd(const ScanBuffer& buf) {
  if (buf.size() < 4) return false;
  const std::uint8_t* end = buf.data.data() + buf.size() - 4;
  return mpeg1::isStartCode(end) && end[3] == mpeg1::kSequenceEnd;
}

int videoTail(platform::File& file, const StreamInfo& info, VideoOnlyJoin& out) {
  if (!file.isOpen()) return kErrRecordRead;
  const std::int64_t length = file.length();
  if (length < 0) return kErrRecordRead;
  const StreamParams params = makeStreamParams(mpeg1::kVideoStream0, info.video.header);
  const std::int64_t size = std::min({twoSeconds(params), length, kMaxWindow});
  VideoWindow w;
  int status = readVideoWindow(file, length - size, size, w);
  if (status != 0) return status;
  // The join replaces the sequence end code that closes the record; a record
  // without one was not finished, and cutting 4 bytes off it would damage
  // its last picture.
  if (!endsWithSequenceEnd(w.buf)) return kErrCutOutGopTooLong;
  return videoJoinState(w, w.buf.size() - 4, out);
}

// The code at `i`, moved back onto a sequence header directly in front of it
// and onto a sequence end directly in front of that.
std::size_t moveBackOntoHeaders(const VideoWindow& w, std::size_t i) {
  const auto directlyBefore = [&w](std::size_t at, std::uint8_t kind) {
    if (at == 0 || w.codes[at - 1].kind != kind) return false;
    const std::size_t picture = firstAtOrAfter(w.pictures, w.codes[at - 1].start);
    return picture == w.pictures.size() || w.pictures[picture].start > w.codes[at].start;
  };
  if (directlyBefore(i, mpeg1::kSequenceHeader)) --i;
  if (directlyBefore(i, mpeg1::kSequenceEnd)) --i;
  return i;
}

int videoEntry(platform::File& file, StreamInfo& info, double entry, VideoOnlyJoin& out) {
  if (!file.isOpen()) return kErrRecordRead;
  const std::int64_t length = file.length();
  if (length <= 0) return kErrRecordRead;
  const StreamParams params = makeStreamParams(mpeg1::kVideoStream0, info.video.header);
  const double byteRate = params.bitRate > 0.0 ? params.bitRate : info.videoByteRate;
  if (!(byteRate > 0.0)) return kErrCutOutGopTooLong;
  const double duration = static_cast<double>(length) / byteRate;
  double t = entry >= duration ? duration - kTailMargin : entry;
  t = std::max(t, 0.0);
  const auto position = static_cast<std::int64_t>(t * static_cast<double>(length) / duration);
  const std::int64_t size = std::min({twoSeconds(params), length, kMaxWindow});
  const std::int64_t offset = std::clamp<std::int64_t>(position - size / 2, 0, length - size);
  VideoWindow w;
  int status = readVideoWindow(file, offset, size, w);
  if (status != 0) return status;

  const std::size_t at = firstAtOrAfter(w.codes, static_cast<std::uint32_t>(position - offset));
  if (at == w.codes.size()) return kErrCutOutGopTooLong;
  const std::size_t entryCode = moveBackOntoHeaders(w, at);
  VideoOnlyJoin j;
  status = videoJoinState(w, w.codes[entryCode].start, j);
  if (status != 0) return status;
  info.video.workTail = StreamArea{j.joinOffset, j.joinOffset, j.joinOffset};
  info.video.workLastTime = static_cast<std::int64_t>(t * mpeg1::kClock);
  out = j;
  return 0;
}

int audioEntry(platform::File& file, StreamInfo& info, double entry, std::int64_t& joinOffset) {
  if (!file.isOpen()) return kErrRecordRead;
  const std::int64_t length = file.length();
  if (length <= 0) return kErrRecordRead;
  const StreamParams params = makeStreamParams(mpeg1::kAudioStream0, info.audio.header);
  if (params.status != 0 || !(params.bitRate > 0.0)) return kErrEntryAreaNoAudioFrames;
  const double duration = static_cast<double>(length) / params.bitRate;
  const double framePeriod = params.period / mpeg1::kClock;

  std::int64_t j = 0;
  double t = std::max(entry, 0.0);
  if (entry >= duration - framePeriod) {
    j = info.audio.tail.point >= 0 ? info.audio.tail.point : length;
    t = duration;
  } else {
    const auto p = static_cast<std::int64_t>(static_cast<double>(length) * t / duration);
    const std::int64_t half = static_cast<std::int64_t>(params.bitRate) / 2;
    const std::int64_t from = std::max<std::int64_t>(0, p - half);
    const std::int64_t to = std::min({length, p + half, from + kMaxWindow});
    ScanBuffer buf;
    int status = readRecordWindow(file, from, to - from, buf);
    if (status != 0) return status;
    buf.audio = params;
    ScanList frames;
    if (scanAudioFramesElementary(buf, frames) != 0) return kErrMemory;
    if (frames.empty()) return kErrEntryAreaNoAudioFrames;
    std::size_t chosen = frames.size() - 1;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      if (from + scanOffset(frames[i].start) >= p) {
        chosen = i;
        break;
      }
    }
    if (from + scanOffset(frames[chosen].start) == info.audio.head.point) {
      if (++chosen == frames.size()) return kErrEntryAreaNoAudioFrames;
    }
    j = from + scanOffset(frames[chosen].start);
  }
  info.audio.workTail = StreamArea{j, j, j};
  info.audio.workLastTime = static_cast<std::int64_t>(t * mpeg1::kClock);
  joinOffset = j;
  return 0;
}

}  // namespace

int analyseVideoOnlyRecordTail(platform::File& file, const StreamInfo& info, VideoOnlyJoin& out) {
  try {
    return videoTail(file, info, out);
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

int analyseVideoOnlyRecordEntry(platform::File& file, StreamInfo& info, double entry,
                                VideoOnlyJoin& out) {
  try {
    return videoEntry(file, info, entry, out);
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

int analyseAudioOnlyRecordEntry(platform::File& file, StreamInfo& info, double entry,
                                std::int64_t& joinOffset) {
  try {
    return audioEntry(file, info, entry, joinOffset);
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

}  // namespace cw
