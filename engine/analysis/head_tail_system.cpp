// Head and tail analysis of a system stream: the first complete group of
// pictures and the first time-stamped audio frame in a window at the head of
// the file, the last complete group of pictures and the last audio frame in a
// window at its tail, and the times there.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "engine/analysis/head_tail.h"
#include "engine/analysis/head_tail_window.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scanners.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/errors.h"

namespace cw {

using namespace window_detail;

namespace {

constexpr std::int64_t kMinWindow = 262144;

constexpr VideoScanErrors kHeadErrors{
    kErrHeadNoPackets, kErrHeadBadPackets, kErrHeadNoVideoPackets, kErrHeadForbiddenPicture, 0, 0};
constexpr VideoScanErrors kTailErrors{kErrTailNoPackets,      kErrTailBadPackets,
                                      kErrTailNoVideoPackets, kErrTailForbiddenPicture,
                                      kErrTailNoVideoCut,     kErrTailNoGop};

// What the head window yields.
struct SystemHead {
  StreamArea video;
  std::int64_t firstTime = 0;
  std::int64_t base = 0;             // decoding time of the first I-picture
  std::int64_t iPicturePacket = -1;  // file position of the packet holding it
  std::uint8_t dropFrame = 0;
  std::int32_t vbvDelay = 0;
  StreamArea audio;
  std::int64_t audioFirstTime = 0;
};

// What the tail window yields.
struct SystemTail {
  StreamArea video;
  std::int64_t lastTime = 0;
  StreamArea audio;
  std::int64_t audioLastTime = 0;
};

// The streams' parameters and the analyser's time-stamp strictness.
struct SystemProfile {
  StreamParams video;
  StreamParams audio;
  bool requireDts = false;  // option A at 0: a video packet must carry a DTS
};

bool isGop(const ScanEntry& code) { return code.kind == mpeg1::kGroupStart; }
bool isReference(const ScanEntry& picture) { return picture.kind == 'I' || picture.kind == 'P'; }

int headAudio(const ScanBuffer& buf, SystemHead& head) {
  ScanList packets;
  if (filterPacketsPts(buf, buf.packets, mpeg1::kAudioStream0, packets) != 0) return kErrMemory;
  if (packets.empty()) return kErrHeadNoAudioPackets;
  const auto stamped = std::find_if(packets.begin(), packets.end(),
                                    [](const ScanEntry& p) { return p.pts() != kNoTime; });
  if (stamped == packets.end()) return kErrHeadNoAudioTimeStamp;
  const std::uint8_t* data = buf.data.data();
  for (std::uint32_t at = stamped->start; at + 1 < stamped->end; ++at) {
    if (data[at] == 0xFF && data[at + 1] >= 0xF0) {
      head.audio = areaIn(buf, *stamped, at);
      head.audioFirstTime = stamped->pts();
      return 0;
    }
  }
  return kErrNoAudioHeader;
}

int analyseHead(platform::File& file, std::int64_t window, const SystemProfile& profile,
                ScanBuffer& buf, SystemHead& head) {
  int status = readWindow(file, 0, window, buf);
  if (status != 0) return status;
  VideoScan video;
  status = scanWindowVideo(buf, kHeadErrors, video);
  if (status != 0) return status;

  const auto gop = std::find_if(video.codes.begin(), video.codes.end(), isGop);
  if (gop == video.codes.end()) return kErrHeadNoGop;
  if (gop + 1 == video.codes.end()) return kErrHeadGopTooLong;  // the first GOP is not complete
  const int gopPacket = holdingPacket(video.packets, gop->start);
  if (gopPacket < 0) return kErrHeadNoGop;
  std::uint8_t gopHeader[5];
  if (!readAcrossPayloads(buf, video.packets, gopPacket, gop->start, gopHeader, 5))
    return kErrHeadGopTooLong;
  head.dropFrame = gopHeader[4] & 0x80;
  head.video = areaIn(buf, video.packets[gopPacket], gop->start);

  const std::size_t first = firstAtOrAfter(video.pictures, gop->start);
  if (first == video.pictures.size()) return kErrHeadBadGop;
  const ScanEntry& picture = video.pictures[first];
  if (picture.kind != 'I') return kErrHeadForbiddenPicture;

  const int pictureIndex = holdingPacket(video.packets, picture.start);
  if (pictureIndex < 0) return kErrHeadBadGop;
  const ScanEntry& packet = video.packets[pictureIndex];
  if (packet.pts() == kNoTime) return kErrHeadVideoTimeStamp;
  if (profile.requireDts && packet.dts() == kNoTime) return kErrHeadVideoTimeStamp;
  const std::int64_t period = profile.video.roundedPeriod;
  head.base = packet.pts() - (picture.temporalReference() + 1) * period;
  if (packet.dts() != kNoTime && std::llabs(packet.dts() - head.base) > 1) {
    head.base = packet.dts();
  }
  head.firstTime = head.base + period;
  head.iPicturePacket = buf.fileOffset + packetStart(buf, packet);

  std::uint8_t pictureHeader[8];
  if (!readAcrossPayloads(buf, video.packets, pictureIndex, picture.start, pictureHeader, 8)) {
    return kErrHeadBadGop;
  }
  head.vbvDelay = mpeg1::pictureVbvDelay(pictureHeader);
  return headAudio(buf, head);
}

// Decoding time of one picture of the tail window, from which the times of
// the pictures after it follow at one period each.
struct Anchor {
  std::size_t index = 0;
  std::int64_t time = 0;
};

int tailAnchor(const ScanBuffer& buf, const VideoScan& video, std::uint32_t endPoint,
               const SystemHead& head, const SystemProfile& profile, Anchor& anchor) {
  const ScanEntry& first = video.pictures.front();
  const int xi = holdingPacket(video.packets, first.start);
  if (xi < 0) return kErrCutInVideoTimeStamp;
  const ScanEntry& x = video.packets[xi];
  if (x.pts() == kNoTime) return kErrCutInVideoTimeStamp;
  const std::int64_t period = profile.video.roundedPeriod;
  anchor = Anchor{0, x.pts()};

  if (buf.fileOffset + packetStart(buf, x) == head.iPicturePacket) {
    anchor.time = head.base;  // a short file: the tail window holds the head
    return 0;
  }
  if (first.kind == 'B') {
    if (profile.requireDts && x.dts() != kNoTime) return kErrTailVideoTimeStamp;
    return 0;
  }
  if (x.dts() != kNoTime) {
    anchor.time = x.dts();
    return 0;
  }
  if (profile.requireDts) return kErrTailVideoTimeStamp;
  // A reference picture is displayed when the next one is decoded.
  std::size_t k = 0;
  for (std::size_t i = 1; i < video.pictures.size() && video.pictures[i].start < endPoint; ++i) {
    if (isReference(video.pictures[i])) {
      anchor.index = i;
      return 0;
    }
    ++k;
  }
  anchor.time = x.pts() - static_cast<std::int64_t>(k + 1) * period;
  return 0;
}

int tailAudio(const ScanBuffer& buf, const SystemProfile& profile, SystemTail& tail) {
  AudioScan audio;
  const int status =
      scanWindowAudio(buf, profile.audio, kErrTailNoAudioPackets, kErrTailNoAudioFrames, audio);
  if (status != 0) return status;
  const ScanEntry& last = audio.frames.back();
  const int holder = holdingPacket(audio.packets, last.start);
  if (holder < 0) return kErrTailNoAudioFrames;
  const ScanEntry& packet = audio.packets[holder];
  if (packet.pts() == kNoTime) return kErrTailAudioTimeStamp;

  std::int64_t framesBefore = 0;
  for (const ScanEntry& frame : audio.frames) {
    if (frame.start >= packet.start && frame.start < last.start) ++framesBefore;
  }
  const std::int64_t duration = profile.audio.roundedPeriod;
  const std::int64_t lastFrameTime = packet.pts() + framesBefore * duration;

  std::int64_t available = std::int64_t{packet.end} - last.start;
  for (std::size_t i = holder + 1; i < audio.packets.size(); ++i) {
    available += std::int64_t{audio.packets[i].end} - audio.packets[i].start;
  }
  const int length = profile.audio.frameLength;
  const int padding = profile.audio.layer == 1 ? 4 : 1;
  if (available == length || available == length + padding) {
    const ScanEntry& lastPacket = audio.packets.back();
    tail.audio = areaIn(buf, lastPacket, lastPacket.end);
    tail.audio.point = tail.audio.packetEnd;
    tail.audioLastTime = lastFrameTime + duration;
  } else {
    tail.audio = areaIn(buf, packet, last.start);
    tail.audioLastTime = lastFrameTime;
  }
  return 0;
}

// The video end of the tail window of `size` bytes. `buf` holds the head
// window; a file no longer than one window is its own tail and is not read
// again.
int tailVideo(platform::File& file, std::int64_t length, std::int64_t size, const SystemHead& head,
              const SystemProfile& profile, ScanBuffer& buf, SystemTail& tail) {
  const std::int64_t offset = std::max<std::int64_t>(0, length - size);
  if (offset != buf.fileOffset || size != static_cast<std::int64_t>(buf.data.size())) {
    const int status = readWindow(file, offset, size, buf);
    if (status != 0) return status;
  }
  VideoScan video;
  int status = scanWindowVideo(buf, kTailErrors, video);
  if (status != 0) return status;
  closeStreamAtFileEnd(buf, length, video);

  // The last GOP that is followed by another code (or by the end of a stream
  // that stops without a sequence end code); a final GOP without a successor
  // is incomplete and dropped.
  std::size_t gop = video.codes.size();
  for (std::size_t i = video.codes.size() - 1; i-- > 0;) {
    if (isGop(video.codes[i])) {
      gop = i;
      break;
    }
  }
  if (gop == video.codes.size()) return kErrTailGopTooLong;
  const ScanEntry& endCode = video.codes[gop + 1];
  const int endPacket = holdingPacket(video.packets, endCode.start);
  if (endPacket < 0) return kErrTailNoVideoCut;
  tail.video = areaIn(buf, video.packets[endPacket], endCode.start);

  const std::size_t firstOfGop = firstAtOrAfter(video.pictures, video.codes[gop].start);
  if (firstOfGop == video.pictures.size() || video.pictures[firstOfGop].kind != 'I')
    return kErrTailBadGop;

  Anchor anchor;
  status = tailAnchor(buf, video, endCode.start, head, profile, anchor);
  if (status != 0) return status;
  std::int64_t pictures = 0;
  for (std::size_t i = anchor.index; i < video.pictures.size(); ++i) {
    if (video.pictures[i].start < endCode.start) ++pictures;
  }
  tail.lastTime = anchor.time + (pictures + 1) * profile.video.roundedPeriod;
  return 0;
}

// A window that holds nothing of one stream, or too little of the video to
// hold a whole GOP, grows: the streams of a file may end seconds apart (a
// shorter sound track; a multiplexer that falls behind with one stream).
bool videoTailGrows(int status) {
  return status == kErrTailNoVideoPackets || status == kErrTailNoVideoCut ||
         status == kErrTailGopTooLong || status == kErrTailNoGop;
}
bool audioTailGrows(int status) {
  return status == kErrTailNoAudioPackets || status == kErrTailNoAudioFrames;
}
bool headGrows(int status) {
  return status == kErrHeadNoVideoPackets || status == kErrHeadNoGop ||
         status == kErrHeadNoAudioPackets || status == kErrHeadNoAudioTimeStamp;
}

// The video end in the window of `window` bytes, then the audio end in the
// same window; each grows the window on its own when it finds nothing.
int analyseTail(platform::File& file, std::int64_t length, std::int64_t window,
                const SystemHead& head, const SystemProfile& profile, ScanBuffer& buf,
                SystemTail& tail) {
  std::int64_t size = window;
  int status = tailVideo(file, length, size, head, profile, buf, tail);
  while (videoTailGrows(status) && grownWindow(size, length) != size) {
    size = grownWindow(size, length);
    status = tailVideo(file, length, size, head, profile, buf, tail);
  }
  if (status != 0) return status;

  status = tailAudio(buf, profile, tail);
  while (audioTailGrows(status) && grownWindow(size, length) != size) {
    size = grownWindow(size, length);
    const std::int64_t offset = length - size;
    if ((status = readWindow(file, offset, size, buf)) != 0) return status;
    VideoScan listed;
    if ((status = scanWindowVideo(buf, kTailErrors, listed)) != 0) return status;
    status = tailAudio(buf, profile, tail);
  }
  return status;
}

int headerError(const StreamParams& params, int fallback) {
  return params.status > 0 ? params.status : fallback;
}

void storeAreas(StreamDescriptor& d, const StreamArea& head, const StreamArea& tail,
                std::int64_t firstTime, std::int64_t lastTime) {
  d.head = head;
  d.tail = tail;
  d.firstTime = firstTime;
  d.lastTime = lastTime;
  d.workHead = head;
  d.workTail = tail;
  d.workFirstTime = firstTime;
  d.workLastTime = lastTime;
}

int analyse(platform::File& file, StreamInfo& info, std::int32_t& measuredMuxRate) {
  if (!file.isOpen()) return kErrSourceRead;
  if (!isSystemType(info.video.type)) return kErrWrongType;
  const std::int64_t length = file.length();
  if (length < 0) return kErrSourceRead;
  if (length < 1024) return kErrTooShort;

  SystemProfile profile;
  profile.video = makeStreamParams(mpeg1::kVideoStream0, info.video.header);
  if (profile.video.status != 0) return headerError(profile.video, kErrNoVideoHeader);
  profile.audio = makeStreamParams(mpeg1::kAudioStream0, info.audio.header);
  if (profile.audio.status != 0) return headerError(profile.audio, kErrNoAudioHeader);
  profile.requireDts = info.optionA == 0;

  const std::int64_t window = windowSizeFor(info, kMinWindow, length);
  ScanBuffer buf;
  SystemHead head;
  std::int64_t headWindow = window;
  int status = analyseHead(file, headWindow, profile, buf, head);
  while (headGrows(status) && grownWindow(headWindow, length) != headWindow) {
    headWindow = grownWindow(headWindow, length);
    status = analyseHead(file, headWindow, profile, buf, head);
  }
  if (status != 0) return status;
  SystemTail tail;
  status = analyseTail(file, length, window, head, profile, buf, tail);
  if (status != 0) return status;

  // A tail that does not lie after the head in time cannot give a duration
  // or a rate (damaged or wrapped time stamps).
  const double seconds = static_cast<double>(tail.lastTime - head.firstTime) / mpeg1::kClock;
  if (!(seconds > 0.0)) return kErrTailVideoTimeStamp;
  const double bytes = static_cast<double>(tail.video.packetEnd - head.video.packetStart);
  const double rate = std::floor(bytes / seconds * 0.02) + 1.0;

  storeAreas(info.video, head.video, tail.video, head.firstTime, tail.lastTime);
  info.video.dropFrame = head.dropFrame;
  info.video.vbvDelay = head.vbvDelay;
  storeAreas(info.audio, head.audio, tail.audio, head.audioFirstTime, tail.audioLastTime);
  measuredMuxRate = static_cast<std::int32_t>(std::min(rate, 2147483647.0));
  return 0;
}

}  // namespace

int analyseSystemStream(platform::File& file, StreamInfo& info, std::int32_t& measuredMuxRate) {
  try {
    return analyse(file, info, measuredMuxRate);
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

}  // namespace cw
