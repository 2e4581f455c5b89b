#include "engine/edit/video_rewrite.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/analysis/payload_walk.h"

namespace cw {

namespace {

constexpr double kNtscRate = 30000.0 / 1001.0;
constexpr int kHeaderBytes = 8;  // GOP and picture header bytes the scanner reads or writes

bool isNtscRate(double rate) { return std::fabs(rate - kNtscRate) < 0.001; }

std::int64_t ticksOf(std::int64_t pictures, double period) {
  return std::llround(static_cast<double>(pictures) * period);
}

// Bit rate in bit/s of a constant-rate stream, 0 when it has none usable.
double bitsPerSecond(const StreamParams& params) {
  const double r = params.bitRate * 8.0;
  return r > 400.0 ? r : 0.0;
}

// Start of the held tail: the first position in [from, end) from which the
// remaining bytes could still begin a start code (00, 00 00, 00 00 01).
std::size_t startCodePrefixAt(const std::uint8_t* b, std::size_t from, std::size_t end) {
  for (std::size_t q = std::max(from, end >= 3 ? end - 3 : 0); q < end; ++q) {
    const std::size_t n = end - q;
    const bool prefix = b[q] == 0 && (n < 2 || b[q + 1] == 0) && (n < 3 || b[q + 2] == 1);
    if (prefix) return q;
  }
  return end;
}

// The same for an audio frame header of the stream's pattern.
std::size_t audioPrefixAt(const StreamParams& params, const std::uint8_t* b, std::size_t from,
                          std::size_t end) {
  for (std::size_t q = std::max(from, end >= 3 ? end - 3 : 0); q < end; ++q) {
    const std::size_t n = end - q;
    const bool prefix = b[q] == 0xFF && (n < 2 || (b[q + 1] & 0xFE) == params.pattern[1]) &&
                        (n < 3 || (b[q + 2] & 0xFC) == params.pattern[2]);
    if (prefix) return q;
  }
  return end;
}

// Sets the scan's resume point and releases the bytes before `holdFrom`.
void settleScan(EsBuffer& buf, std::size_t resumeAt, std::size_t holdFrom) {
  const std::size_t end = buf.stored();
  holdFrom = std::max(holdFrom, buf.fill);
  buf.fill = std::min(holdFrom, end);
  buf.held = end - buf.fill;
  buf.scanPos = resumeAt;
}

// Makes the packet mark that covers buffer offset `at` the one in force.
void followMarks(EsBuffer& buf, std::size_t at) {
  std::size_t taken = 0;
  while (taken < buf.marks.size() && buf.marks[taken].offset <= at) {
    buf.markInForce = buf.marks[taken];
    buf.markUsed = false;
    ++taken;
  }
  if (taken > 0) buf.marks.erase(buf.marks.begin(), buf.marks.begin() + taken);
}

// PTS of the packet in whose payload a unit at `at` starts, when the unit is
// the first to start there; kNoTime otherwise.
std::int64_t anchorPts(EsBuffer& buf, std::size_t at) {
  followMarks(buf, at);
  const bool anchored = !buf.markUsed && buf.markInForce.pts != kNoTime;
  buf.markUsed = true;
  return anchored ? buf.markInForce.pts : kNoTime;
}

// The same for a picture at `at` whose access unit begins earlier, at
// `unitAt`, with the sequence or GOP header in front of it. Where a packet
// begins between those headers and the picture start code, multiplexers
// disagree on whose time stamp that packet carries: the picture's (counted
// from its start code) or the next picture's (counted from the headers).
// Such a stamp is taken by neither. The stamp of the headers' packet, when
// no unit took it, is the picture's under either count.
std::int64_t anchorPictureUnitPts(EsBuffer& buf, std::size_t unitAt, std::size_t at) {
  const std::int64_t pts = anchorPts(buf, unitAt);
  followMarks(buf, at);
  buf.markUsed = true;
  return pts;
}

// Buffer offset of stream offset `streamAt`; 0 when it has been compacted away.
std::size_t bufferOffsetOf(const EsBuffer& buf, std::int64_t streamAt) {
  return streamAt > buf.dropped ? static_cast<std::size_t>(streamAt - buf.dropped) : 0;
}

int appendUnit(EsBuffer& buf, std::size_t at, char kind, std::int64_t pts, std::int64_t dts) {
  ScanEntry unit;
  unit.start = unit.end = unit.payload = static_cast<std::uint32_t>(at);
  unit.kind = static_cast<std::uint8_t>(kind);
  unit.pts() = pts;
  unit.dts() = dts;
  try {
    buf.units.push_back(unit);
  } catch (const std::bad_alloc&) {
    return kDemuxNoMemory;
  }
  return 0;
}

// --- GOP headers -------------------------------------------------------------

void rewriteGopHeader(EsBuffer& buf, std::size_t at) {
  VideoRewriteState& v = buf.video;
  std::uint8_t* g = buf.bytes.data() + at;
  const std::int64_t streamAt = buf.dropped + static_cast<std::int64_t>(at);
  mpeg1::TimeCode tc = v.timeCode;
  tc.dropFrame = v.dropFrame;
  mpeg1::encodeGopTimeCode(g, tc);
  v.gopHeaderSeen = true;
  if (v.markBrokenLinkAt >= 0 && streamAt >= v.markBrokenLinkAt) {
    if (!mpeg1::gopClosed(g)) g[7] |= 0x20;
    v.markBrokenLinkAt = -1;
  }
  if (v.shiftGop >= 0 && streamAt == v.shiftGop) v.inShiftGop = true;
  if (v.shiftGop >= 0 && streamAt > v.shiftGop) {
    v.shiftGop = -1;
    v.temporalShift = 0;
    v.inShiftGop = false;
  }
}

// --- Pictures ----------------------------------------------------------------

void startVbv(VideoRewriteState& v, const StreamParams& params, int firstDelay,
              std::int64_t streamAt) {
  const double r = bitsPerSecond(params);
  if (firstDelay == kNoVbvDelay || r == 0.0) {
    v.vbvDelay = kNoVbvDelay;
    return;
  }
  v.vbvDelay = firstDelay;
  v.previousVbvDelay = firstDelay;
  v.vbv.started = true;
  v.vbv.pictures = 0;
  v.vbv.firstPicture = streamAt;
  v.vbv.kMin = 720000.0 / (r - 400.0);
  v.vbv.kMax = 720000.0 / r;
  v.vbv.bMin = v.vbv.bMax = firstDelay;
  v.vbv.takeHigh = false;
}

void rewriteVbvDelay(EsBuffer& buf, std::uint8_t* p, std::int64_t streamAt) {
  VideoRewriteState& v = buf.video;
  if (v.vbvDelay == kNoVbvDelay) return;
  if (!v.vbv.started) {
    startVbv(v, buf.params, mpeg1::pictureVbvDelay(p), streamAt);
  } else {
    const int delay =
        recomputeVbvDelay(v.vbv, buf.params.period, v.vbv.pictures, streamAt - v.vbv.firstPicture);
    if (delay == kNoVbvDelay) {
      v.vbvDelay = kNoVbvDelay;
      return;
    }
    mpeg1::setPictureVbvDelay(p, delay);
    v.previousVbvDelay = delay;
  }
  ++v.vbv.pictures;
}

struct Stamps {
  std::int64_t pts;
  std::int64_t dts;
};

// PTS and DTS of the next picture; moves the counters on.
Stamps stampPicture(VideoRewriteState& v, const StreamParams& params, char type, int ref,
                    bool afterGopHeader, std::int64_t packetPts) {
  const double t = params.period;
  if (!v.havePicture) {
    v.havePicture = true;
    v.decodeIndex = 0;
    v.nextDisplayIndex = v.highestDisplayIndex = ref + 1;
    v.previousDts = 0;
    return {ticksOf(ref + 1, t), 0};
  }
  const std::int64_t d = ref - v.lastTemporalRef;
  // Temporal references restart in every GOP, but a GOP of three pictures
  // (I2 B0 B1) followed by another (I2 ...) does not step them back: the
  // GOP header says where a GOP starts.
  const bool gopStart = type == 'I' && (afterGopHeader || d <= 0);
  // Display distance, in pictures, from this picture's decoding to its display.
  const std::int64_t lead = gopStart ? ref + 1 : v.nextDisplayIndex - v.decodeIndex + d - 1;
  Stamps s{};
  if (v.indexStamps) {
    s.dts = gopStart ? ticksOf(v.highestDisplayIndex, t) : ticksOf(v.decodeIndex + 1, t);
    s.pts =
        gopStart ? ticksOf(v.highestDisplayIndex + ref + 1, t) : ticksOf(v.nextDisplayIndex + d, t);
  } else if (packetPts != kNoTime) {
    s.pts = packetPts + v.anchorOffset;
    s.dts = s.pts - ticksOf(lead, t);
  } else {
    s.dts = v.previousDts + params.roundedPeriod;
    s.pts = s.dts + ticksOf(lead, t);
  }
  if (gopStart) {
    v.decodeIndex = v.highestDisplayIndex;
    v.nextDisplayIndex = v.highestDisplayIndex = v.decodeIndex + ref + 1;
  } else {
    v.decodeIndex += 1;
    v.nextDisplayIndex += d;
    v.highestDisplayIndex = std::max(v.highestDisplayIndex, v.nextDisplayIndex);
  }
  v.previousDts = s.dts;
  return s;
}

int rewritePicture(EsBuffer& buf, std::size_t at) {
  VideoRewriteState& v = buf.video;
  std::uint8_t* p = buf.bytes.data() + at;
  const char type = mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(p));
  if (type == 0) return 0;  // not a picture the decoder accepts; left alone
  int ref = mpeg1::pictureTemporalReference(p);
  if (v.inShiftGop && v.temporalShift != 0) {
    ref = (ref - v.temporalShift) & 0x3FF;
    mpeg1::setPictureTemporalReference(p, ref);
  }
  const std::int64_t streamAt = buf.dropped + static_cast<std::int64_t>(at);
  rewriteVbvDelay(buf, p, streamAt);
  advanceTimeCode(v.timeCode, v.timeCodeRate, v.dropFrame);
  const std::int64_t packetPts =
      v.headersAt >= 0 && v.headersAt < streamAt
          ? anchorPictureUnitPts(buf, bufferOffsetOf(buf, v.headersAt), at)
          : anchorPts(buf, at);
  const bool afterGopHeader = v.gopHeaderSeen;
  v.gopHeaderSeen = false;
  const Stamps s = stampPicture(v, buf.params, type, ref, afterGopHeader, packetPts);
  v.lastTemporalRef = ref;
  if (const int rc = appendUnit(buf, at, type, s.pts, s.dts); rc != 0) return rc;
  if (v.headersAt >= 0 && v.headersAt < streamAt) {
    buf.units.back().lead = static_cast<std::uint32_t>(streamAt - v.headersAt);
  }
  v.headersAt = -1;
  return 0;
}

}  // namespace

// --- Set-up ----------------------------------------------------------------------

void startVideoRewrite(EsBuffer& buf) {
  VideoRewriteState v;
  v.timeCodeRate = timeCodeRateOf(buf.params.rate);
  v.dropFrame = isNtscRate(buf.params.rate) && buf.descriptor != nullptr &&
                (buf.descriptor->dropFrame & 0x80) != 0;
  v.vbvDelay = bitsPerSecond(buf.params) > 0.0 ? 0 : kNoVbvDelay;
  if (buf.descriptor != nullptr) {
    v.anchorOffset = buf.params.roundedPeriod - buf.descriptor->workFirstTime;
  }
  buf.video = v;
}

void startAudioStamps(EsBuffer& buf) {
  AudioStampState a;
  if (buf.descriptor != nullptr) a.anchorOffset = -buf.descriptor->workFirstTime;
  buf.audio = a;
}

void restartVbvTracking(EsBuffer& buf) {
  buf.video.vbv = VbvTracker{};
  if (buf.video.vbvDelay != kNoVbvDelay) buf.video.vbvDelay = 0;
}

void continueVideoRewrite(EsBuffer& buf, const std::uint8_t* gopHeader,
                          const std::uint8_t* pictureHeader, int picturesAfterGop) {
  VideoRewriteState& v = buf.video;
  v.timeCodeRate = timeCodeRateOf(buf.params.rate);
  v.dropFrame = isNtscRate(buf.params.rate) && mpeg1::gopDropFrame(gopHeader);
  v.timeCode = mpeg1::decodeGopTimeCode(gopHeader);
  for (int i = 0; i < picturesAfterGop; ++i)
    advanceTimeCode(v.timeCode, v.timeCodeRate, v.dropFrame);
  const int delay = mpeg1::pictureVbvDelay(pictureHeader);
  v.vbvDelay = delay == kNoVbvDelay || bitsPerSecond(buf.params) == 0.0 ? kNoVbvDelay : 0;
  v.previousVbvDelay = delay;
  v.vbv = VbvTracker{};
  v.lastTemporalRef = mpeg1::pictureTemporalReference(pictureHeader);
  v.havePicture = true;
}

int timeCodeRateOf(double pictureRate) {
  const int whole = static_cast<int>(pictureRate);
  switch (whole) {
    case 23:
      return 24;
    case 29:
      return 30;
    case 59:
      return 60;
    default:
      return whole > 0 ? whole : 25;
  }
}

void advanceTimeCode(mpeg1::TimeCode& tc, int rate, bool dropFrame) {
  if (++tc.pictures < rate) return;
  tc.pictures = 0;
  if (++tc.seconds < 60) return;
  tc.seconds = 0;
  if (++tc.minutes >= 60) {
    tc.minutes = 0;
    if (++tc.hours > 23) tc.hours = 0;
  }
  if (dropFrame && tc.minutes % 10 != 0) tc.pictures = 2;
}

// --- Scanners --------------------------------------------------------------------

int scanVideoUnits(EsBuffer& buf) {
  const std::uint8_t* b = buf.bytes.data();
  const std::size_t end = buf.stored();
  std::size_t p = buf.scanPos;
  while (p + 4 <= end) {
    // Coded pictures are mostly bytes that cannot begin a start code: find
    // the next one sixteen positions at a time. Without one, p stops where
    // the last three bytes begin, which settleScan() holds or lets go.
    p = scan_detail::findStartCode(b, p, end - 3);
    if (p + 4 > end) break;
    const std::uint8_t code = b[p + 3];
    if ((code == mpeg1::kSequenceHeader || code == mpeg1::kGroupStart) && buf.video.headersAt < 0) {
      buf.video.headersAt = buf.dropped + static_cast<std::int64_t>(p);
    }
    if (code == mpeg1::kPictureStart || code == mpeg1::kGroupStart) {
      if (p + kHeaderBytes > end) {
        settleScan(buf, p, p);  // the header continues in the next block
        return 0;
      }
      if (code == mpeg1::kGroupStart) {
        rewriteGopHeader(buf, p);
      } else if (const int rc = rewritePicture(buf, p); rc != 0) {
        return rc;
      }
    }
    p += 4;
  }
  settleScan(buf, p, startCodePrefixAt(b, p, end));
  return 0;
}

int scanAudioUnits(EsBuffer& buf) {
  const std::uint8_t* b = buf.bytes.data();
  const std::size_t end = buf.stored();
  const std::size_t jump = std::max(buf.params.frameLength, 1);
  AudioStampState& a = buf.audio;
  std::size_t p = buf.scanPos;
  while (p + 4 <= end) {
    if (!matchesAudioFrame(buf.params, b + p)) {
      ++p;
      continue;
    }
    const std::int64_t packetPts = anchorPts(buf, p);
    std::int64_t time = 0;
    if (packetPts != kNoTime) {
      time = packetPts + a.anchorOffset;
    } else if (a.haveFrame) {
      time = a.previousTime + buf.params.roundedPeriod;
    }
    const char kind = (b[p + 2] & 0x02) != 0 ? 'A' : 'a';
    if (const int rc = appendUnit(buf, p, kind, time, time); rc != 0) return rc;
    a.haveFrame = true;
    a.previousTime = time;
    ++a.frames;
    p += jump;
  }
  settleScan(buf, p, p < end ? audioPrefixAt(buf.params, b, p, end) : end);
  return 0;
}

void markBrokenLinkAt(EsBuffer& buf, std::size_t at) {
  buf.video.markBrokenLinkAt = buf.dropped + static_cast<std::int64_t>(at);
}

// --- vbv_delay ----------------------------------------------------------------

int recomputeVbvDelay(VbvTracker& vbv, double period, std::int64_t n, std::int64_t bytesBefore) {
  const double elapsed = static_cast<double>(n) * period;
  const double s = static_cast<double>(bytesBefore);
  const auto lo = static_cast<std::int64_t>(std::ceil(elapsed - s * vbv.kMin + vbv.bMin - 1.0));
  const auto hi = static_cast<std::int64_t>(std::floor(elapsed - s * vbv.kMax + vbv.bMax + 1.0));
  std::int64_t v = 0;
  if ((hi - lo) % 2 == 0) {
    v = (lo + hi) / 2;
  } else {
    v = vbv.takeHigh ? hi : lo;
    vbv.takeHigh = !vbv.takeHigh;
  }
  if (v <= 0 || v >= 65535) return kNoVbvDelay;
  const double dv = static_cast<double>(v);
  vbv.bMin = std::max(vbv.bMin, dv - elapsed + s * vbv.kMin);
  vbv.bMax = std::min(vbv.bMax, dv - elapsed + s * vbv.kMax);
  return static_cast<int>(v);
}

}  // namespace cw
