// Cut-in and cut-out analyses of system streams: the GOP displayed at the
// mark, found in a window of the file around the mark's estimated position,
// and the audio frame synchronised with it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <new>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/cut_area_window.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scanners.h"
#include "engine/common/errors.h"
#include "engine/common/record_mode.h"

namespace cw {

using namespace window_detail;

namespace {

constexpr std::int64_t kDefaultBuffer = 32768;
constexpr std::int64_t kEndWindow = 262144;

// The source as the cut-area analyses see it.
struct SystemSource {
  StreamParams video;
  StreamParams audio;
  double duration = 0.0;  // ticks between the analysed head and tail
  std::int64_t length = 0;
  bool withAudio = true;
  // Where the source's sound ends; a cut of pictures behind it is recorded
  // with silence, except in the audio-only mode, which would record nothing.
  StreamArea audioTail;
  std::int64_t audioEnd = 0;
  bool silenceBehindSound = false;
};

struct CutIn {
  StreamArea video;
  bool ownHeader = false;  // the source's sequence header directly before the GOP
  std::uint8_t header[kStoredHeaderBytes] = {};
  std::int64_t time = 0;
  std::int32_t vbvDelay = 0;
  StreamArea audio;
  std::int64_t audioTime = 0;
  CutInResult result;
};

struct CutOut {
  StreamArea video;
  std::int64_t time = 0;
  StreamArea audio;
  std::int64_t audioTime = 0;
};

// What the cut-in asks for besides the mark.
struct CutInRequest {
  bool removeDeadBpic = false;
  std::int64_t audioOffset = 0;
  AudioChoice audioChoice = AudioChoice::AtOrAfter;
};

Attempt failed(int status, std::initializer_list<int> growing) {
  for (int g : growing) {
    if (status == g) return Attempt{status, Next::Grow, 0};
  }
  return Attempt{status, Next::Stop, 0};
}

int prepare(const platform::File& file, const StreamInfo& info, int recordMode, SystemSource& src) {
  if (!file.isOpen()) return kErrSourceRead;
  if (!isSystemType(info.video.type)) return kErrWrongType;
  src.length = file.length();
  if (src.length < 0) return kErrSourceRead;
  const int status = sourceVideo(info, src.video, src.duration);
  if (status != 0) return status;
  src.withAudio = recordMode != kModeVideoOnly;
  if (src.withAudio) {
    src.audio = makeStreamParams(mpeg1::kAudioStream0, info.audio.header);
    if (src.audio.status != 0) return kErrNoAudioHeader;
    src.audioTail = info.audio.tail;
    src.audioEnd = info.audio.lastTime;
    src.silenceBehindSound = recordMode != kModeAudioOnly && info.audio.tail.point >= 0;
  }
  return 0;
}

std::int64_t markTicks(double mark) { return static_cast<std::int64_t>(mark * mpeg1::kClock); }

WindowPlan planAt(const StreamInfo& info, const SystemSource& src, std::int64_t position) {
  WindowPlan plan;
  plan.length = src.length;
  plan.position = position;
  plan.size = windowSizeFor(info, kMinCutWindow, kMaxWindow);
  plan.growth = plan.size;
  return plan;
}

WindowPlan planAround(const StreamInfo& info, const SystemSource& src, double mark) {
  const double estimate = static_cast<double>(src.length) * (mark * mpeg1::kClock) / src.duration;
  const double limit = static_cast<double>(std::max<std::int64_t>(0, info.video.tail.packetStart));
  return planAt(info, src, static_cast<std::int64_t>(std::clamp(estimate, 0.0, limit)));
}

Timeline timelineFor(const StreamInfo& info, const SystemSource& src, double mark, bool cutOut) {
  Timeline t;
  t.target = markTicks(mark) + info.video.firstTime;
  t.length = src.length;
  t.duration = src.duration;
  t.period = src.video.roundedPeriod;
  t.cutOut = cutOut;
  return t;
}

// --- Cut-in -------------------------------------------------------------------

// Whether a frame at `time` (offset included) may start the cut's sound, and how
// far it lies from the picture cut-in (smaller is better).
std::int64_t frameDistance(std::int64_t time, std::int64_t cutIn, std::int64_t period,
                           AudioChoice choice) {
  constexpr std::int64_t kUnusable = std::numeric_limits<std::int64_t>::max();
  if (choice == AudioChoice::AtOrAfter) {
    // The first frame at or after the cut-in, at most one frame later.
    return time < cutIn || time > cutIn + period + 1 ? kUnusable : 0;
  }
  const std::int64_t distance = time < cutIn ? cutIn - time : time - cutIn;
  return distance > period / 2 + 1 ? kUnusable : distance;
}

// A picture cut-in behind the end of the source's sound: the audio cut is
// empty, at the sound's end, and starts with the pictures; silence stands for
// the sound of the whole stretch. The cut-out finds the same end.
bool behindTheSound(const SystemSource& src, const CutInRequest& request, const CutIn& out) {
  return src.silenceBehindSound && out.time >= src.audioEnd &&
         out.time - request.audioOffset >= src.audioEnd;
}

Attempt emptyAudioCut(const SystemSource& src, const CutInRequest& request, CutIn& out) {
  out.audio = src.audioTail;
  out.audioTime = out.time - request.audioOffset;
  return Attempt{};
}

Attempt cutInAudio(const TimedWindow& w, const SystemSource& src, const CutInRequest& request,
                   CutIn& out) {
  const bool behind = behindTheSound(src, request, out);
  AudioScan audio;
  const int status =
      scanWindowAudio(w.buf, src.audio, kErrCutInNoAudioPackets, kErrCutInNoAudioFrames, audio);
  if (status != 0) return behind ? emptyAudioCut(src, request, out) : failed(status, {});
  const ScanEntry* chosen = nullptr;
  int chosenHolder = -1;
  std::int64_t best = std::numeric_limits<std::int64_t>::max();
  for (const ScanEntry& frame : audio.frames) {
    if (frame.time() == kNoTime) continue;
    const std::int64_t distance = frameDistance(frame.time() + request.audioOffset, out.time,
                                                src.audio.roundedPeriod, request.audioChoice);
    if (distance >= best) continue;
    const int holder = holdingPacket(audio.packets, frame.start);
    if (holder < 0) continue;
    chosen = &frame;
    chosenHolder = holder;
    best = distance;
    if (distance == 0) break;
  }
  if (chosen == nullptr) {
    return behind ? emptyAudioCut(src, request, out)
                  : failed(kErrCutInNoAudioCut, {kErrCutInNoAudioCut});
  }
  out.audio = areaIn(w.buf, audio.packets[chosenHolder], chosen->start);
  out.audioTime = chosen->time();
  return Attempt{};
}

// The cut-in at code `point` (the GOP start code, or the sequence header
// before it in a sequence crop), with the GOP at code `gop`.
// The whole sequence header at `at` when the GOP start code follows it
// directly in the stream's payloads.
bool readHeaderBefore(const ScanBuffer& buf, const ScanList& packets, std::uint32_t at,
                      std::uint8_t* header) {
  const int holder = holdingPacket(packets, at);
  std::uint8_t bytes[kStoredHeaderBytes + 4];
  std::size_t have = mpeg1::kSequenceHeaderBase;
  if (holder < 0 || !readAcrossPayloads(buf, packets, holder, at, bytes, 12)) return false;
  for (std::size_t size = mpeg1::sequenceHeaderSize(bytes, have);;
       size = mpeg1::sequenceHeaderSize(bytes, have)) {
    if (!readAcrossPayloads(buf, packets, holder, at, bytes, static_cast<std::uint32_t>(size + 4)))
      return false;
    if (size <= have) break;
    have = size;
  }
  const std::uint8_t* next = bytes + have;
  if (!mpeg1::isStartCode(next) || next[3] != mpeg1::kGroupStart) return false;
  std::memset(header, 0, kStoredHeaderBytes);
  std::memcpy(header, bytes, have);
  return true;
}

Attempt finishCutIn(const TimedWindow& w, std::size_t point, std::size_t gop,
                    const SystemSource& src, const CutInRequest& request, CutIn& out) {
  const ScanList& codes = w.video.codes;
  const ScanList& packets = w.video.packets;
  const ScanEntry& gopCode = codes[gop];
  if (gop + 1 >= codes.size()) return failed(kErrCutInIncompleteGop, {kErrCutInIncompleteGop});
  const int gopPacket = holdingPacket(packets, gopCode.start);
  std::uint8_t gopHeader[8];
  if (gopPacket < 0 ||
      !readAcrossPayloads(w.buf, packets, gopPacket, gopCode.start, gopHeader, 8)) {
    return failed(kErrCutInIncompleteGopHeader, {kErrCutInIncompleteGopHeader});
  }
  out.result.treatment = mpeg1::gopClosed(gopHeader) ? kCutInPlain
                         : request.removeDeadBpic    ? kCutInRemoveDeadB
                                                     : kCutInMarkBrokenLink;

  const std::size_t first = firstAtOrAfter(w.video.pictures, gopCode.start);
  if (first == w.video.pictures.size() || w.video.pictures[first].kind != 'I') {
    // A GOP in front of the window's first timed picture may have lost its
    // I-picture with the untimed pictures at the window's start: a larger
    // window holds it.
    return Attempt{kErrCutInGopNotI, first == 0 ? Next::Grow : Next::Stop, 0};
  }
  const ScanEntry& picture = w.video.pictures[first];
  const std::int64_t period = src.video.roundedPeriod;
  out.time = picture.decodingTime() + period;
  if (out.result.treatment == kCutInRemoveDeadB)
    out.time = picture.decodingTime() + (picture.temporalReference() + 1) * period;

  const int picturePacket = holdingPacket(packets, picture.start);
  std::uint8_t pictureHeader[8];
  if (picturePacket < 0 ||
      !readAcrossPayloads(w.buf, packets, picturePacket, picture.start, pictureHeader, 8)) {
    return failed(kErrCutInFewVideoPackets, {});
  }
  out.vbvDelay = mpeg1::pictureVbvDelay(pictureHeader);

  const int pointPacket = holdingPacket(packets, codes[point].start);
  if (pointPacket < 0) return failed(kErrCutInIncompleteGopHeader, {kErrCutInIncompleteGopHeader});
  out.video = areaIn(w.buf, packets[pointPacket], codes[point].start);
  out.ownHeader = point == gop && gop > 0 && codes[gop - 1].kind == mpeg1::kSequenceHeader &&
                  readHeaderBefore(w.buf, packets, codes[gop - 1].start, out.header);

  if (src.withAudio) {
    const Attempt audio = cutInAudio(w, src, request, out);
    if (audio.status != 0) return audio;
  }

  out.result.bufferSize = kDefaultBuffer;
  if (out.result.treatment == kCutInRemoveDeadB) {
    const ScanEntry& gopPacketEntry = packets[gopPacket];
    const std::int64_t packetSize = gopPacketEntry.end - packetStart(w.buf, gopPacketEntry);
    std::int64_t size = std::int64_t{codes[gop + 1].start} - gopCode.start + 2 * packetSize;
    if (src.withAudio && out.audio.packetStart < out.video.packetStart) {
      size += out.video.packetStart - out.audio.packetStart;
    }
    out.result.bufferSize = std::max(size, kDefaultBuffer);
  }
  return Attempt{};
}

Attempt cutInAttempt(platform::File& file, const StreamInfo& info, const SystemSource& src,
                     const Timeline& timeline, const CutInRequest& request, std::int64_t offset,
                     std::int64_t size, CutIn& out) {
  TimedWindow w;
  const int status = readTimedWindow(file, offset, size, info.video, src.video, kCutInErrors, w);
  // A window without video (where another stream runs on alone) grows too.
  if (status != 0)
    return failed(status, {kErrCutInNoVideoPackets, kErrCutInNoPictures, kErrCutInNoVideoCut});
  std::size_t chosen = 0;
  const Attempt choice = choosePicture(w, timeline, kCutInErrors, chosen);
  if (choice.status != 0) return choice;
  const std::size_t gop = lastGopBefore(w.video.codes, w.video.pictures[chosen].start);
  if (gop == w.video.codes.size())
    return failed(kErrCutInIncompleteGopHeader, {kErrCutInIncompleteGopHeader});
  return finishCutIn(w, gop, gop, src, request, out);
}

void storeCutIn(StreamInfo& info, const SystemSource& src, const CutIn& cut) {
  info.video.workHead = cut.video;
  info.video.cutInHeaderAt = cut.ownHeader ? cut.video.point : -1;
  if (cut.ownHeader) std::memcpy(info.video.cutInHeader, cut.header, kStoredHeaderBytes);
  info.video.workFirstTime = cut.time;
  info.video.vbvDelay = cut.vbvDelay;
  if (src.withAudio) {
    info.audio.workHead = cut.audio;
    info.audio.workFirstTime = cut.audioTime;
  }
}

int cutIn(platform::File& file, StreamInfo& info, int recordMode, const CutInRequest& request,
          double markIn, CutInResult& result, CutAreaTrace* trace) {
  SystemSource src;
  const int status = prepare(file, info, recordMode, src);
  if (status != 0) return status;
  const Timeline timeline = timelineFor(info, src, markIn, false);
  CutIn cut;
  const int found = runWindows(
      planAround(info, src, markIn),
      [&](std::int64_t offset, std::int64_t size) {
        return cutInAttempt(file, info, src, timeline, request, offset, size, cut);
      },
      trace);
  if (found != 0) return found;
  storeCutIn(info, src, cut);
  result = cut.result;
  return 0;
}

Attempt sequenceCutInAttempt(platform::File& file, const StreamInfo& info, const SystemSource& src,
                             const CutInRequest& request, std::int64_t offset, std::int64_t size,
                             CutIn& out) {
  TimedWindow w;
  const int status = readTimedWindow(file, offset, size, info.video, src.video, kCutInErrors, w);
  if (status != 0)
    return failed(status, {kErrCutInNoVideoPackets, kErrCutInNoPictures, kErrCutInNoVideoCut});
  const ScanList& codes = w.video.codes;
  const std::int64_t at = info.video.workHead.point - w.buf.fileOffset;
  const std::size_t point = at < 0 ? codes.size() : firstAtOrAfter(codes, at);
  if (point == codes.size() || codes[point].start != at) return failed(kSeqNoPreviousCut, {});
  std::size_t gop = point;
  if (codes[point].kind == mpeg1::kSequenceEnd) return failed(kSeqCutNotUsable, {});
  if (codes[point].kind == mpeg1::kSequenceHeader) {
    gop = point + 1;
    if (gop == codes.size() || codes[gop].kind != mpeg1::kGroupStart)
      return failed(kSeqCutNotUsable, {});
  }
  return finishCutIn(w, point, gop, src, request, out);
}

int sequenceCutIn(platform::File& file, StreamInfo& info, int recordMode,
                  const CutInRequest& request, CutInResult& result) {
  SystemSource src;
  const int status = prepare(file, info, recordMode, src);
  if (status != 0) return status;
  const std::int64_t position = info.video.workHead.point;
  if (position < 0 || position >= src.length) return kSeqNoPreviousCut;
  CutIn cut;
  const int found = runWindows(
      planAt(info, src, position),
      [&](std::int64_t offset, std::int64_t size) {
        return sequenceCutInAttempt(file, info, src, request, offset, size, cut);
      },
      nullptr);
  if (found != 0) return found;
  storeCutIn(info, src, cut);
  result = cut.result;
  return 0;
}

// --- Cut-out ------------------------------------------------------------------

// Where the sound ends before the cut-out time, or within a frame after it,
// the cut takes the sound to its end; the writer fills the rest with silence.
Attempt cutOutAudio(const TimedWindow& w, const StreamInfo& info, const SystemSource& src,
                    bool lastFrame, CutOut& out) {
  const std::int64_t audioEnd = info.audio.lastTime;
  const std::int64_t duration = src.audio.roundedPeriod;
  if (audioEnd - out.time <= duration) {
    out.audio = info.audio.tail;
    // A cut that begins behind the sound has no sound of the source at all.
    out.audioTime = std::max(audioEnd, info.audio.workFirstTime);
    return Attempt{};
  }
  AudioScan audio;
  const int status =
      scanWindowAudio(w.buf, src.audio, kErrCutOutNoAudioPackets, kErrCutOutNoAudioFrames, audio);
  if (status != 0) return failed(status, {});
  const ScanEntry* chosen = nullptr;
  for (const ScanEntry& frame : audio.frames) {
    if (frame.time() == kNoTime) continue;
    if (frame.time() >= out.time + 1 && frame.time() <= out.time + duration + 1) {
      chosen = &frame;
      break;
    }
  }
  if (chosen == nullptr) return failed(kErrCutOutNoAudioCut, {kErrCutOutNoAudioCut});
  if (lastFrame) {
    for (auto it = audio.frames.rbegin(); it != audio.frames.rend(); ++it) {
      if (it->time() != kNoTime) {
        chosen = &*it;
        break;
      }
    }
  }
  const int holder = holdingPacket(audio.packets, chosen->start);
  if (holder < 0) return failed(kErrCutOutNoAudioFrames, {});
  out.audio = areaIn(w.buf, audio.packets[holder], chosen->start);
  out.audioTime = chosen->time();
  return Attempt{};
}

// The cut-out behind the GOP at code `gop`: its successor code.
Attempt finishCutOut(const TimedWindow& w, std::size_t gop, const StreamInfo& info,
                     const SystemSource& src, bool lastFrame, CutOut& out) {
  const ScanList& codes = w.video.codes;
  if (gop + 1 >= codes.size()) return failed(kErrCutOutIncompleteGop, {kErrCutOutIncompleteGop});
  const ScanEntry& cut = codes[gop + 1];
  const std::size_t after = firstAtOrAfter(w.video.pictures, cut.start);
  const int packet = holdingPacket(w.video.packets, cut.start);
  if (after == 0 || packet < 0) return failed(kErrCutOutIncompleteGop, {kErrCutOutIncompleteGop});
  out.time = w.video.pictures[after - 1].decodingTime() + 2 * src.video.roundedPeriod;
  out.video = areaIn(w.buf, w.video.packets[packet], cut.start);
  if (!src.withAudio) return Attempt{};
  return cutOutAudio(w, info, src, lastFrame, out);
}

Attempt cutOutAttempt(platform::File& file, const StreamInfo& info, const SystemSource& src,
                      const Timeline& timeline, bool lastFrame, std::int64_t offset,
                      std::int64_t size, CutOut& out) {
  TimedWindow w;
  const int status = readTimedWindow(file, offset, size, info.video, src.video, kCutOutErrors, w);
  if (status != 0)
    return failed(status, {kErrCutOutNoVideoPackets, kErrCutOutNoPictures, kErrCutOutNoVideoCut});
  std::size_t chosen = 0;
  const Attempt choice = choosePicture(w, timeline, kCutOutErrors, chosen);
  if (choice.status != 0) return choice;
  const std::size_t gop = lastGopBefore(w.video.codes, w.video.pictures[chosen].start);
  if (gop == w.video.codes.size())
    return failed(kErrCutOutIncompleteGop, {kErrCutOutIncompleteGop});
  return finishCutOut(w, gop, info, src, lastFrame, out);
}

void storeCutOut(StreamInfo& info, const SystemSource& src, const CutOut& cut) {
  info.video.workTail = cut.video;
  info.video.workLastTime = cut.time;
  if (src.withAudio) {
    info.audio.workTail = cut.audio;
    info.audio.workLastTime = cut.audioTime;
  }
}

int cutOut(platform::File& file, StreamInfo& info, int recordMode, double markOut, bool lastFrame,
           CutAreaTrace* trace) {
  SystemSource src;
  const int status = prepare(file, info, recordMode, src);
  if (status != 0) return status;
  const Timeline timeline = timelineFor(info, src, markOut, true);
  CutOut cut;
  const int found = runWindows(
      planAround(info, src, markOut),
      [&](std::int64_t offset, std::int64_t size) {
        return cutOutAttempt(file, info, src, timeline, lastFrame, offset, size, cut);
      },
      trace);
  if (found != 0) return found;
  storeCutOut(info, src, cut);
  return 0;
}

// The code before which the cut-out at code `candidate` really falls: a GOP
// start code directly after a sequence header moves back onto that header.
std::size_t withSequenceHeader(const ScanList& codes, std::size_t candidate) {
  if (candidate > 0 && codes[candidate].kind == mpeg1::kGroupStart &&
      codes[candidate - 1].kind == mpeg1::kSequenceHeader) {
    return candidate - 1;
  }
  return candidate;
}

// The cut-out at the end of the window `w` (which reaches the end of the
// file): the last GOP whose audio is there, stepping back one GOP at a time.
// 1316 when no GOP of the window will do.
Attempt lastCutOutIn(const TimedWindow& w, const StreamInfo& info, const SystemSource& src,
                     CutOut& out) {
  const ScanList& codes = w.video.codes;
  std::size_t candidate = withSequenceHeader(codes, codes.size() - 1);
  for (;;) {
    std::size_t gop = codes.size();
    for (std::size_t i = candidate; i-- > 0;) {
      if (codes[i].kind == mpeg1::kGroupStart) {
        gop = i;
        break;
      }
    }
    if (gop == codes.size()) return failed(kErrCutOutIncompleteGop, {kErrCutOutIncompleteGop});
    const Attempt attempt = finishCutOut(w, gop, info, src, false, out);
    if (attempt.status != kErrCutOutNoAudioCut) return attempt;
    candidate = withSequenceHeader(codes, gop);  // one GOP earlier
  }
}

int cutOutAtEnd(platform::File& file, StreamInfo& info, int recordMode, double /*markOut*/) {
  SystemSource src;
  int status = prepare(file, info, recordMode, src);
  if (status != 0) return status;

  // Windows at the end of the file, doubled while the stepping back finds
  // no GOP with its audio in them.
  std::int64_t size = windowSizeFor(info, kEndWindow, src.length);
  for (;;) {
    TimedWindow w;
    status =
        readTimedWindow(file, src.length - size, size, info.video, src.video, kCutOutErrors, w);
    if (status == 0) {
      CutOut cut;
      const Attempt attempt = lastCutOutIn(w, info, src, cut);
      if (attempt.status == 0) {
        storeCutOut(info, src, cut);
        return 0;
      }
      status = attempt.status;
      if (attempt.next != Next::Grow) return status;
    } else if (status != kErrCutOutNoVideoPackets && status != kErrCutOutNoPictures &&
               status != kErrCutOutNoVideoCut) {
      return status;
    }
    if (grownWindow(size, src.length) == size) return status;
    size = grownWindow(size, src.length);
  }
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

int analyseCutIn(platform::File& file, StreamInfo& info, int recordMode, bool removeDeadBpic,
                 double markIn, std::int64_t audioOffset, CutInResult& result,
                 CutAreaTrace* trace) {
  const CutInRequest request{removeDeadBpic, audioOffset, AudioChoice::AtOrAfter};
  return guarded([&] { return cutIn(file, info, recordMode, request, markIn, result, trace); });
}

int analyseJoinCutIn(platform::File& file, StreamInfo& info, int recordMode, bool removeDeadBpic,
                     double markIn, std::int64_t audioLag, CutInResult& result) {
  const CutInRequest request{removeDeadBpic, audioLag, AudioChoice::Nearest};
  return guarded([&] { return cutIn(file, info, recordMode, request, markIn, result, nullptr); });
}

int analyseCutOut(platform::File& file, StreamInfo& info, int recordMode, double markOut,
                  bool lastFrame, CutAreaTrace* trace) {
  return guarded([&] { return cutOut(file, info, recordMode, markOut, lastFrame, trace); });
}

int analyseCutOutAtEnd(platform::File& file, StreamInfo& info, int recordMode, double markOut) {
  return guarded([&] { return cutOutAtEnd(file, info, recordMode, markOut); });
}

int analyseSequenceCutIn(platform::File& file, StreamInfo& info, int recordMode,
                         bool removeDeadBpic, std::int64_t audioOffset, CutInResult& result) {
  const CutInRequest request{removeDeadBpic, audioOffset, AudioChoice::AtOrAfter};
  return guarded([&] { return sequenceCutIn(file, info, recordMode, request, result); });
}

}  // namespace cw
