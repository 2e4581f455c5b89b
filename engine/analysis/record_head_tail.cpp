// Head and tail analysis of a system-stream record. The record was written
// by this engine: its first GOP is at its head, every picture-carrying video
// packet has PTS and DTS, its video ends with a sequence end code and its
// audio with a complete frame.
#include <algorithm>
#include <cmath>
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

constexpr std::int64_t kMinWindow = 262144;

// Missing pictures and codes are reported after the stream checks.
constexpr VideoScanErrors kHeadErrors{kErrRecordHeadNoPackets,
                                      kErrRecordHeadBadPackets,
                                      kErrRecordHeadNoVideoPackets,
                                      kErrRecordHeadNoPictures,
                                      0,
                                      0};
constexpr VideoScanErrors kTailErrors{kErrRecordTailNoPackets,
                                      kErrRecordTailBadPackets,
                                      kErrRecordTailNoVideoPackets,
                                      kErrRecordTailNoVideoCut,
                                      0,
                                      0};

struct RecordHead {
  StreamArea video;
  std::int64_t firstTime = 0;
  std::uint8_t dropFrame = 0;
  std::int32_t vbvDelay = 0;
  StreamArea audio;
  std::int64_t audioFirstTime = 0;
};

struct RecordTail {
  StreamArea video;
  std::int64_t lastTime = 0;
  StreamArea audio;
  std::int64_t audioLastTime = 0;
};

bool hasStream(const ScanList& packets, std::uint8_t id) {
  return std::any_of(packets.begin(), packets.end(),
                     [id](const ScanEntry& p) { return p.kind == id; });
}

int headVideo(const ScanBuffer& buf, const VideoScan& video, std::int64_t period,
              RecordHead& head) {
  const auto gop = std::find_if(video.codes.begin(), video.codes.end(),
                                [](const ScanEntry& c) { return c.kind == mpeg1::kGroupStart; });
  if (gop == video.codes.end()) return kErrRecordHeadNoGop;
  const int gopPacket = holdingPacket(video.packets, gop->start);
  if (gopPacket < 0) return kErrRecordHeadNoGop;
  std::uint8_t gopHeader[5];
  if (!readAcrossPayloads(buf, video.packets, gopPacket, gop->start, gopHeader, 5))
    return kErrRecordHeadBadGop;
  head.video = areaIn(buf, video.packets[gopPacket], gop->start);
  head.dropFrame = gopHeader[4] & 0x80;

  const ScanEntry& picture = video.pictures.front();
  const int holder = holdingPacket(video.packets, picture.start);
  if (holder < 0) return kErrRecordHeadVideoTimeStamp;
  const ScanEntry& packet = video.packets[holder];
  if (packet.pts() == kNoTime || packet.dts() == kNoTime) return kErrRecordHeadVideoTimeStamp;
  head.firstTime = packet.dts() + period;

  std::uint8_t pictureHeader[8];
  if (!readAcrossPayloads(buf, video.packets, holder, picture.start, pictureHeader, 8)) {
    return kErrRecordHeadBadGop;
  }
  head.vbvDelay = mpeg1::pictureVbvDelay(pictureHeader);
  return 0;
}

int headAudio(const ScanBuffer& buf, RecordHead& head) {
  ScanList packets;
  if (filterPacketsPts(buf, buf.packets, mpeg1::kAudioStream0, packets) != 0) return kErrMemory;
  if (packets.empty()) return kErrRecordHeadNoAudioPackets;
  const ScanEntry& first = packets.front();
  if (first.pts() == kNoTime) return kErrHeadNoAudioTimeStamp;
  head.audio = areaIn(buf, first, first.start);
  head.audioFirstTime = first.pts();
  return 0;
}

int analyseHead(platform::File& file, std::int64_t window, const StreamParams& video,
                RecordHead& head) {
  ScanBuffer buf;
  int status = readRecordWindow(file, 0, window, buf);
  if (status != 0) return status;
  VideoScan scan;
  status = scanWindowVideo(buf, kHeadErrors, scan);
  if (status != 0) return status;
  if (!hasStream(buf.packets, mpeg1::kVideoStream0)) return kErrRecordHeadNoVideoPackets;
  if (!hasStream(buf.packets, mpeg1::kAudioStream0)) return kErrRecordHeadNoAudioPackets;
  if (scan.codes.empty()) return kErrRecordHeadNoGop;
  if (scan.pictures.empty()) return kErrRecordHeadNoPictures;
  status = headVideo(buf, scan, video.roundedPeriod, head);
  if (status != 0) return status;
  return headAudio(buf, head);
}

// The pictures of the window follow the first at the exact period, as the
// entry analysis times them: k rounded periods would drift from the stamps
// the record carries (a quarter tick per picture at 23.976 pictures/s) and
// put the record's end where the entry analysis finds no picture.
int tailVideo(const ScanBuffer& buf, const VideoScan& video, const StreamParams& params,
              RecordTail& tail) {
  const ScanEntry& endCode = video.codes.back();
  if (endCode.kind != mpeg1::kSequenceEnd) return kErrRecordTailNoVideoCut;
  const int endPacket = holdingPacket(video.packets, endCode.start);
  if (endPacket < 0) return kErrRecordTailNoVideoCut;

  const ScanEntry& first = video.pictures.front();
  const int holder = holdingPacket(video.packets, first.start);
  if (holder < 0) return kErrRecordHeadVideoTimeStamp;
  const ScanEntry& packet = video.packets[holder];
  std::int64_t time = packet.dts() != kNoTime ? packet.dts() : packet.pts();
  if (time == kNoTime) return kErrRecordHeadVideoTimeStamp;

  std::int64_t pictures = 0;
  for (const ScanEntry& p : video.pictures) {
    if (p.start < endCode.start) ++pictures;
  }
  if (pictures == 0) return kErrRecordTailNoVideoCut;
  tail.video = areaIn(buf, video.packets[endPacket], endCode.start);
  const auto last = static_cast<std::int64_t>(static_cast<double>(pictures - 1) * params.period);
  tail.lastTime = time + last + 2 * params.roundedPeriod;
  return 0;
}

int tailAudio(const ScanBuffer& buf, const StreamParams& params, RecordTail& tail) {
  AudioScan audio;
  const int status = scanWindowAudio(buf, params, kErrRecordTailNoAudioPackets,
                                     kErrRecordTailNoAudioFrames, audio);
  if (status != 0) return status;
  const ScanEntry& last = audio.frames.back();
  const int holder = holdingPacket(audio.packets, last.start);
  if (holder < 0) return kErrRecordTailNoAudioFrames;
  const ScanEntry& packet = audio.packets[holder];
  if (packet.pts() == kNoTime) return kErrRecordTailAudioTimeStamp;
  std::int64_t index = 0;
  for (const ScanEntry& frame : audio.frames) {
    if (frame.start >= packet.start && frame.start < last.start) ++index;
  }
  const std::int64_t duration = params.roundedPeriod;
  const ScanEntry& lastPacket = audio.packets.back();
  tail.audio = areaIn(buf, lastPacket, lastPacket.end);
  tail.audioLastTime = packet.pts() + index * duration + duration;
  return 0;
}

int analyseTail(platform::File& file, std::int64_t length, std::int64_t window,
                const StreamParams& video, const StreamParams& audio, RecordTail& tail) {
  ScanBuffer buf;
  int status = readRecordWindow(file, std::max<std::int64_t>(0, length - window), window, buf);
  if (status != 0) return status;
  VideoScan scan;
  status = scanWindowVideo(buf, kTailErrors, scan);
  if (status != 0) return status;
  if (!hasStream(buf.packets, mpeg1::kVideoStream0)) return kErrRecordTailNoVideoPackets;
  if (!hasStream(buf.packets, mpeg1::kAudioStream0)) return kErrRecordTailNoAudioPackets;
  if (scan.codes.empty() || scan.pictures.empty()) return kErrRecordTailNoVideoCut;
  status = tailVideo(buf, scan, video, tail);
  if (status != 0) return status;
  return tailAudio(buf, audio, tail);
}

void storeAreas(StreamDescriptor& d, const StreamArea& head, const StreamArea& tail,
                std::int64_t firstTime, std::int64_t lastTime) {
  d.head = d.workHead = head;
  d.tail = d.workTail = tail;
  d.firstTime = d.workFirstTime = firstTime;
  d.lastTime = d.workLastTime = lastTime;
}

int analyse(platform::File& file, StreamInfo& info, std::int32_t& byteRate) {
  if (!file.isOpen()) return kErrRecordRead;
  const std::int64_t length = file.length();
  if (length < 0) return kErrRecordRead;
  if (length < 1024) return kErrTooShort;
  if (!isSystemType(info.fileType) && !isSystemType(info.video.type)) return kErrWrongType;

  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, info.video.header);
  if (video.status != 0 || video.roundedPeriod <= 0) return kErrRecordHeadNoPictures;
  const StreamParams audio = makeStreamParams(mpeg1::kAudioStream0, info.audio.header);
  if (audio.status != 0 || audio.roundedPeriod <= 0) return kErrRecordTailNoAudioFrames;

  const std::int64_t window = windowSizeFor(info, kMinWindow, length);
  RecordHead head;
  int status = analyseHead(file, window, video, head);
  if (status != 0) return status;
  RecordTail tail;
  status = analyseTail(file, length, window, video, audio, tail);
  if (status != 0) return status;

  // A tail that is not later than the head gives no rate (damaged stamps).
  const double seconds = static_cast<double>(tail.lastTime - head.firstTime) / mpeg1::kClock;
  if (!(seconds > 0.0)) return kErrRecordTailNoVideoCut;
  const double bytes = static_cast<double>(tail.video.packetEnd - head.video.packetStart);
  const double rate = std::trunc(bytes / seconds);

  storeAreas(info.video, head.video, tail.video, head.firstTime, tail.lastTime);
  info.video.dropFrame = head.dropFrame;
  info.video.vbvDelay = head.vbvDelay;
  storeAreas(info.audio, head.audio, tail.audio, head.audioFirstTime, tail.audioLastTime);
  byteRate = static_cast<std::int32_t>(std::clamp(rate, 0.0, 2147483647.0));
  return 0;
}

}  // namespace

int analyseRecordFile(platform::File& file, StreamInfo& info, std::int32_t& byteRate) {
  try {
    return analyse(file, info, byteRate);
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

}  // namespace cw
