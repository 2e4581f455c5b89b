// Entry-area analysis of a system-stream record: where the record is split
// for an entry crop (or joined at its end for an append), and the state of
// the record at the merge point that the join multiplex continues from.
//
// One window around the estimated position holds everything: the GOP that
// ends at the video entry point, the audio frame that ends with it, the pack
// header before the merge point, the pictures and frames still in the decoder
// buffers there, and the bytes between the merge point and the entry points.
#include <algorithm>
#include <cmath>
#include <new>

#include "engine/analysis/cut_area_window.h"
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

constexpr std::int64_t kMinWindow = 262144;
constexpr std::int64_t kDecodeSlack = 8;            // ticks after the SCR
constexpr std::int64_t kMaxAudioShortfall = 45000;  // 0.5 s

constexpr VideoScanErrors kEntryErrors{kErrEntryAreaNoPackets,      kErrEntryAreaBadPackets,
                                       kErrEntryAreaNoVideoPackets, kErrEntryAreaBadPictureType,
                                       kErrEntryAreaNoPictures,     kErrEntryAreaNoGop};

// The window with the decoding time of every picture and the time of every
// audio frame.
struct EntryWindow {
  ScanBuffer buf;
  VideoScan video;
  std::vector<std::int64_t> pictureTimes;
  AudioScan audio;
  bool reachesEnd = false;  // the window ends at the end of the file
};

struct Periods {
  double picture = 0.0;  // exact, ticks
  std::int64_t T = 0;    // rounded picture period
  std::int64_t D = 0;    // rounded audio frame duration
};

struct VideoEntry {
  std::size_t entryCode = 0;  // index into codes: the video entry point
  StreamArea area;
  std::int64_t time = 0;
};

struct AudioEntry {
  StreamArea area;
  std::int64_t point = 0;  // buffer offset of the audio entry point
  std::int64_t time = 0;
};

std::uint32_t bufferOffset(const ScanBuffer& buf, std::int64_t filePosition) {
  return static_cast<std::uint32_t>(filePosition - buf.fileOffset);
}

int readEntryWindow(platform::File& file, const StreamInfo& info, double entry, EntryWindow& w) {
  const std::int64_t length = file.length();
  if (length < 0) return kErrRecordRead;
  const double span = static_cast<double>(info.video.lastTime - info.video.firstTime);
  double estimate = 0.0;
  if (span > 0.0) estimate = static_cast<double>(length) * (entry * mpeg1::kClock) / span;
  const auto position =
      static_cast<std::int64_t>(std::clamp(estimate, 0.0, static_cast<double>(length)));
  const std::int64_t size = windowSizeFor(info, kMinWindow, length);
  const std::int64_t offset = std::clamp<std::int64_t>(position - size / 2, 0, length - size);
  const int status = readRecordWindow(file, offset, size, w.buf);
  if (status != 0) return status;
  w.reachesEnd = offset + size == length;
  return scanWindowVideo(w.buf, kEntryErrors, w.video);
}

// Step 3: the first picture's packet gives the base time, every later
// picture follows at one exact period.
int timePictures(EntryWindow& w, const Periods& p) {
  const ScanEntry& first = w.video.pictures.front();
  const int holder = holdingPacket(w.video.packets, first.start);
  if (holder < 0) return kErrEntryAreaVideoTimeStamp;
  const ScanEntry& packet = w.video.packets[holder];
  if (packet.pts() == kNoTime) return kErrEntryAreaVideoTimeStamp;
  const std::int64_t base = first.kind == 'B' ? packet.pts() : packet.dts();
  if (base == kNoTime) return kErrEntryAreaVideoTimeStamp;
  w.pictureTimes.resize(w.video.pictures.size());
  for (std::size_t k = 0; k < w.pictureTimes.size(); ++k) {
    w.pictureTimes[k] = base + static_cast<std::int64_t>(static_cast<double>(k) * p.picture);
  }
  return 0;
}

bool isReference(const ScanEntry& picture) { return picture.kind == 'I' || picture.kind == 'P'; }

// Steps 4-6: the GOP that holds the picture at the target is kept whole; the
// code behind it is the video entry point.
int chooseVideoEntry(const EntryWindow& w, std::int64_t target, const Periods& p, VideoEntry& v) {
  const auto& pictures = w.video.pictures;
  const auto& times = w.pictureTimes;
  std::size_t chosen = pictures.size();
  for (std::size_t i = 0; i < pictures.size() && times[i] <= target; ++i) chosen = i;
  if (chosen == pictures.size() || target - times[chosen] > p.T) return kErrEntryAreaNoMarkPicture;
  // The record's very last picture has no B-pictures behind it to show
  // before it: its GOP stays, even when it is a GOP of that one I-picture,
  // which the step back to the reference before it would drop.
  const bool recordsLast = w.reachesEnd && chosen + 1 == pictures.size();
  if (isReference(pictures[chosen]) && !recordsLast) {
    std::size_t before = chosen;
    while (before > 0 && !isReference(pictures[before - 1])) --before;
    if (before <= 1)
      return kErrEntryAreaNoMarkPicture;  // no reference picture before, or only the window's first
    chosen = before - 1;
  }

  const auto& codes = w.video.codes;
  const std::size_t gop = lastGopBefore(codes, pictures[chosen].start);
  if (gop == codes.size() || gop + 1 == codes.size()) return kErrEntryAreaNoGop;
  const int gopPacket = holdingPacket(w.video.packets, codes[gop].start);
  std::uint8_t gopHeader[8];
  if (gopPacket < 0 || !readAcrossPayloads(w.buf, w.video.packets, gopPacket, codes[gop].start,
                                           gopHeader, sizeof gopHeader)) {
    return kErrEntryAreaNoGop;
  }
  const std::size_t firstOfGop = firstAtOrAfter(pictures, codes[gop].start);
  if (firstOfGop == pictures.size() || pictures[firstOfGop].kind != 'I')
    return kErrEntryAreaGopNotI;

  const ScanEntry& entryCode = codes[gop + 1];
  const std::size_t after = firstAtOrAfter(pictures, entryCode.start);
  if (after == 0) return kErrEntryAreaNoGop;
  const int entryPacket = holdingPacket(w.video.packets, entryCode.start);
  if (entryPacket < 0) return kErrEntryAreaNoGop;
  v.entryCode = gop + 1;
  v.area = areaIn(w.buf, w.video.packets[entryPacket], entryCode.start);
  v.time = times[after - 1] + 2 * p.T;
  return 0;
}

// Frames whose packet carried no PTS follow the frame before them.
void completeFrameTimes(ScanList& frames, std::int64_t D) {
  for (std::size_t i = 1; i < frames.size(); ++i) {
    if (frames[i].time() == kNoTime && frames[i - 1].time() != kNoTime) {
      frames[i].setTime(frames[i - 1].time() + D);
    }
  }
}

// Step 7: the audio frame that ends with (or just after) the video entry.
int chooseAudioEntry(EntryWindow& w, const StreamInfo& info, const StreamParams& audio,
                     const Periods& p, std::int64_t videoTime, AudioEntry& a) {
  int status = scanWindowAudio(w.buf, audio, kErrEntryAreaNoAudioPackets,
                               kErrEntryAreaNoAudioFrames, w.audio);
  if (status != 0) return status;
  ScanList& frames = w.audio.frames;
  completeFrameTimes(frames, p.D);
  if (frames.front().time() == kNoTime) return kErrEntryAreaNoAudioFrames;
  std::size_t chosen = frames.size();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].time() != kNoTime && frames[i].time() + p.D >= videoTime) {
      chosen = i;
      break;
    }
  }
  if (chosen == frames.size()) {
    chosen = frames.size() - 1;
    if (videoTime - (frames[chosen].time() + p.D) >= kMaxAudioShortfall)
      return kErrEntryAreaNoAudioCut;
  }
  a.time = frames[chosen].time() + p.D;
  if (chosen + 1 < frames.size()) {
    const ScanEntry& next = frames[chosen + 1];
    const int holder = holdingPacket(w.audio.packets, next.start);
    if (holder < 0) return kErrEntryAreaNoAudioFrames;
    a.area = areaIn(w.buf, w.audio.packets[holder], next.start);
  } else {
    // The record's last frame: its audio ends at the analysed tail.
    if (!w.reachesEnd || info.audio.tail.point < w.buf.fileOffset)
      return kErrEntryAreaNoAudioFrames;
    a.area = info.audio.tail;
  }
  a.point = a.area.point - w.buf.fileOffset;
  return 0;
}

// Payload bytes of `packets` lying in buffer range [from, to).
std::int64_t payloadBytes(const ScanList& packets, std::int64_t from, std::int64_t to) {
  std::int64_t total = 0;
  for (const ScanEntry& packet : packets) {
    const std::int64_t lo = std::max<std::int64_t>(packet.start, from);
    const std::int64_t hi = std::min<std::int64_t>(packet.end, to);
    if (hi > lo) total += hi - lo;
  }
  return total;
}

int copyPayloads(const ScanBuffer& buf, const ScanList& packets, std::int64_t from, std::int64_t to,
                 std::vector<std::uint8_t>& out) {
  try {
    out.clear();
    out.reserve(static_cast<std::size_t>(payloadBytes(packets, from, to)));
    for (const ScanEntry& packet : packets) {
      const std::int64_t lo = std::max<std::int64_t>(packet.start, from);
      const std::int64_t hi = std::min<std::int64_t>(packet.end, to);
      if (hi > lo) out.insert(out.end(), buf.data.begin() + lo, buf.data.begin() + hi);
    }
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
  return 0;
}

// Step 8: the pack header directly before the merge point.
int findMergePack(const ScanBuffer& buf, std::int64_t merge, RecordEntryResult& r) {
  const std::int64_t at = merge - mpeg1::kPackHeaderSize - buf.fileOffset;
  if (at < 0 || at + mpeg1::kPackHeaderSize > static_cast<std::int64_t>(buf.size()))
    return kErrEntryAreaNoScr;
  const std::uint8_t* pack = buf.data.data() + at;
  if (!mpeg1::isStartCode(pack) || pack[3] != mpeg1::kPackStart) return kErrEntryAreaNoScr;
  r.mergePoint = merge;
  r.packPosition = buf.fileOffset + at;
  r.scr = mpeg1::packScr(pack);
  return 0;
}

// Index of a picture within its GOP (0 for the GOP's first picture).
std::int64_t indexInGop(const EntryWindow& w, std::size_t picture) {
  const std::size_t gop = lastGopBefore(w.video.codes, w.video.pictures[picture].start);
  const std::size_t first = firstAtOrAfter(w.video.pictures, w.video.codes[gop].start);
  return static_cast<std::int64_t>(picture) - static_cast<std::int64_t>(first);
}

// Where picture i's bytes in the decoder buffer begin: at the first sequence
// or GOP header behind the picture before it, which the decoder takes out of
// its buffer with picture i; at its own start code when none lies between.
std::uint32_t pictureHead(const EntryWindow& w, std::size_t i) {
  const auto& pictures = w.video.pictures;
  const std::uint32_t start = pictures[i].start;
  const std::uint32_t after = i > 0 ? pictures[i - 1].start + 1 : 0;
  const ScanList& codes = w.video.codes;
  for (std::size_t c = firstAtOrAfter(codes, after); c < codes.size() && codes[c].start < start;
       ++c) {
    if (codes[c].kind == mpeg1::kSequenceHeader || codes[c].kind == mpeg1::kGroupStart) {
      return codes[c].start;
    }
  }
  return start;
}

// Step 9: the pictures in the video decoder buffer at the merge point.
int videoQueue(const EntryWindow& w, const Periods& p, RecordEntryResult& r) {
  const auto& pictures = w.video.pictures;
  const std::uint32_t merge = bufferOffset(w.buf, r.mergePoint);
  const std::size_t last = lastBefore(pictures, merge);
  std::size_t first = pictures.size();
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    if (w.pictureTimes[i] > r.scr + kDecodeSlack) {
      first = i;
      break;
    }
  }
  if (first == pictures.size()) return kErrEntryAreaVideoUnderflow;
  if (pictures[first].start >= merge) {
    if (last == pictures.size()) return kErrEntryAreaVideoUnderflow;
    first = last;
  }
  if (lastGopBefore(w.video.codes, pictures[first].start) == w.video.codes.size())
    return kErrEntryAreaGopTooLong;

  r.videoQueue.clear();
  r.videoOccupancy = 0;
  for (std::size_t i = first; i <= last; ++i) {
    RecordQueueEntry e;
    e.decodeTime = w.pictureTimes[i];
    e.presentTime = e.decodeTime;
    if (pictures[i].kind != 'B') {
      e.presentTime += (pictures[i].temporalReference() - indexInGop(w, i) + 1) * p.T;
    }
    // The last one holds every byte before the merge point.
    const std::int64_t end = i < last ? pictureHead(w, i + 1) : merge;
    e.bytes = payloadBytes(w.video.packets, pictureHead(w, i), std::min<std::int64_t>(end, merge));
    r.videoOccupancy += e.bytes;
    r.videoMaxPresent = i == first ? e.presentTime : std::max(r.videoMaxPresent, e.presentTime);
    r.videoQueue.push_back(e);
  }
  r.videoEnd = r.videoQueue.back().decodeTime;
  r.videoLastPresent = r.videoQueue.back().presentTime;
  return 0;
}

// Step 10: the frames in the audio decoder buffer at the merge point.
int audioQueue(const EntryWindow& w, const Periods& p, RecordEntryResult& r) {
  const ScanList& frames = w.audio.frames;
  const std::uint32_t merge = bufferOffset(w.buf, r.mergePoint);
  std::size_t first = frames.size();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].time() != kNoTime && frames[i].time() > r.scr + kDecodeSlack) {
      first = i;
      break;
    }
  }
  if (first == frames.size()) return kErrRecordTooShort;
  r.audioQueue.clear();
  r.audioOccupancy = 0;
  if (frames[first].start >= merge) {
    const std::int64_t time = frames[first].time() - p.D;
    if (time < 0) return kErrEntryAreaAudioUnderflow;
    r.audioQueue.push_back(RecordQueueEntry{time, time, 0});
    r.audioBytesBeforeMerge = false;
    r.audioEnd = time;
    return 0;
  }
  for (std::size_t i = first; i < frames.size() && frames[i].start < merge; ++i) {
    RecordQueueEntry e;
    e.decodeTime = e.presentTime = frames[i].time();
    const std::int64_t end = i + 1 < frames.size() ? frames[i + 1].start : merge;
    e.bytes = payloadBytes(w.audio.packets, frames[i].start, std::min<std::int64_t>(end, merge));
    r.audioOccupancy += e.bytes;
    r.audioQueue.push_back(e);
  }
  r.audioBytesBeforeMerge = true;
  r.audioEnd = r.audioQueue.back().decodeTime;
  return 0;
}

// Steps 11 and 12: the bytes the join writes again, and the headers whose
// time code, vbv_delay and temporal reference it continues.
int joinState(const EntryWindow& w, std::int64_t videoPoint, std::int64_t audioPoint,
              RecordEntryResult& r) {
  const std::int64_t merge = r.mergePoint - w.buf.fileOffset;
  int status = copyPayloads(w.buf, w.video.packets, merge, videoPoint, r.videoBytes);
  if (status != 0) return status;
  status = copyPayloads(w.buf, w.audio.packets, merge, audioPoint, r.audioBytes);
  if (status != 0) return status;
  const std::size_t firstFrame = firstAtOrAfter(w.audio.frames, static_cast<std::uint32_t>(merge));
  r.audioFirstFrame = r.audioBytes.size();
  if (firstFrame < w.audio.frames.size() && w.audio.frames[firstFrame].start < audioPoint) {
    r.audioFirstFrame = static_cast<std::size_t>(
        payloadBytes(w.audio.packets, merge, w.audio.frames[firstFrame].start));
  }

  const auto& codes = w.video.codes;
  const auto& pictures = w.video.pictures;
  const std::size_t gop = lastGopBefore(codes, static_cast<std::uint32_t>(merge));
  const std::size_t picture = lastBefore(pictures, static_cast<std::uint32_t>(merge));
  if (gop == codes.size() || picture == pictures.size()) return kErrEntryAreaGopTooLong;
  const int gopPacket = holdingPacket(w.video.packets, codes[gop].start);
  const int picturePacket = holdingPacket(w.video.packets, pictures[picture].start);
  if (gopPacket < 0 || picturePacket < 0 ||
      !readAcrossPayloads(w.buf, w.video.packets, gopPacket, codes[gop].start, r.gopHeader, 8) ||
      !readAcrossPayloads(w.buf, w.video.packets, picturePacket, pictures[picture].start,
                          r.pictureHeader, 8)) {
    return kErrEntryAreaNoGop;
  }
  const std::size_t firstAfterGop = firstAtOrAfter(pictures, codes[gop].start);
  r.picturesAfterGop = static_cast<int>(picture + 1 - firstAfterGop);
  return 0;
}

int analyse(platform::File& file, StreamInfo& info, double entry, RecordEntryResult& result) {
  if (!file.isOpen()) return kErrRecordRead;
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, info.video.header);
  const StreamParams audio = makeStreamParams(mpeg1::kAudioStream0, info.audio.header);
  if (video.status != 0 || video.roundedPeriod <= 0) return kErrEntryAreaNoPictures;
  if (audio.status != 0 || audio.roundedPeriod <= 0) return kErrEntryAreaNoAudioFrames;
  const Periods p{video.period, video.roundedPeriod, audio.roundedPeriod};

  EntryWindow w;
  int status = readEntryWindow(file, info, entry, w);
  if (status != 0) return status;
  status = timePictures(w, p);
  if (status != 0) return status;
  const auto target = info.video.firstTime + static_cast<std::int64_t>(entry * mpeg1::kClock);
  VideoEntry v;
  status = chooseVideoEntry(w, target, p, v);
  if (status != 0) return status;
  AudioEntry a;
  status = chooseAudioEntry(w, info, audio, p, v.time, a);
  if (status != 0) return status;

  RecordEntryResult r;
  status = findMergePack(w.buf, std::min(v.area.packetStart, a.area.packetStart), r);
  if (status != 0) return status;
  status = videoQueue(w, p, r);
  if (status != 0) return status;
  status = audioQueue(w, p, r);
  if (status != 0) return status;
  status = joinState(w, w.video.codes[v.entryCode].start, a.point, r);
  if (status != 0) return status;

  info.video.workTail = v.area;
  info.video.workLastTime = v.time;
  info.audio.workTail = a.area;
  info.audio.workLastTime = a.time;
  result = std::move(r);
  return 0;
}

}  // namespace

int analyseRecordEntry(platform::File& file, StreamInfo& info, double entry,
                       RecordEntryResult& result) {
  try {
    return analyse(file, info, entry, result);
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

}  // namespace cw
