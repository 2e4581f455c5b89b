#include "engine/edit/check_system.h"

#include <cstdio>
#include <map>
#include <memory>

#include "engine/analysis/stream_info.h"
#include "engine/edit/check_buffer.h"
#include "engine/edit/pack_profile.h"

namespace cw {
namespace {

constexpr std::int64_t kVideoCdSector = 2324;
constexpr std::int64_t kVideoCdAudioPack = 2304;  // a disc writer pads it to a sector
constexpr std::int64_t kVideoCdVideoBuffer = 47104;
constexpr std::int64_t kVideoCdAudioBuffer = 4096;
// The clock may run this much fast: one tick of rounding and 50 ppm.
constexpr double kClockTolerancePpm = 50e-6;
constexpr int kMaxPacket = 6 + 0xFFFF;

std::int64_t scrOf(const std::uint8_t* b) {
  return (static_cast<std::int64_t>(b[0] & 0x0E) << 29) | (static_cast<std::int64_t>(b[1]) << 22) |
         (static_cast<std::int64_t>(b[2] & 0xFE) << 14) | (static_cast<std::int64_t>(b[3]) << 7) |
         (b[4] >> 1);
}

// The largest buffer a constrained-parameters system stream (and so a
// VideoCD) may give a stream.
std::int64_t constrainedBuffer(int id) {
  return mpeg1::isVideoId(static_cast<std::uint8_t>(id)) ? kVideoCdVideoBuffer
                                                         : kVideoCdAudioBuffer;
}

std::string hexByte(int v) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", v);
  return text;
}

class SystemWalk {
 public:
  SystemWalk(CheckInput& input, CheckReport& report) : in_(input), report_(report) {}
  void run();

 private:
  std::int64_t pack(std::int64_t at);
  void clock(std::int64_t at, std::int64_t scr);
  void packSize(std::int64_t end);
  std::int64_t systemHeader(std::int64_t at);
  std::int64_t packet(std::int64_t at);
  void declare(StreamReplay& s, int id, const mpeg1::PacketHeader& h);
  void finish();
  void problem(CheckKind kind, std::int64_t at, const std::string& text) {
    report_.add(kind, at, packs_ > 0 ? static_cast<double>(scr_) / mpeg1::kClock : -1.0, text);
  }
  StreamReplay& stream(int id);

  CheckInput& in_;
  CheckReport& report_;
  std::map<int, std::unique_ptr<StreamReplay>> streams_;
  std::map<int, std::int64_t> bounds_;
  std::int64_t packs_ = 0;
  std::int64_t packStart_ = -1;
  std::int64_t scr_ = 0;
  std::int32_t muxRate_ = 0;
  bool videoCd_ = false;
  bool constrained_ = false;  // a system header sets the constrained-parameters flag
  bool endSeen_ = false;
};

StreamReplay& SystemWalk::stream(int id) {
  auto& slot = streams_[id];
  if (!slot) {
    slot = std::make_unique<StreamReplay>(report_, id);
    if (constrained_ || videoCd_) slot->capSize(constrainedBuffer(id));
  }
  return *slot;
}

void SystemWalk::run() {
  std::int64_t at = 0;
  bool zeroReported = false;
  while (at + 4 <= in_.size()) {
    std::size_t n = 0;
    const std::uint8_t* p = in_.view(at, 4, n);
    if (p == nullptr || n < 4) break;
    if (!mpeg1::isStartCode(p)) {
      if (p[0] == 0 && (videoCd_ || packs_ == 0)) {
        ++at;  // the zero fill of a VideoCD sector
        continue;
      }
      if (p[0] == 0) {
        if (!zeroReported) problem(CheckKind::Syntax, at, "zero bytes between packs");
        zeroReported = true;
        ++at;
        continue;
      }
      problem(CheckKind::Syntax, at, "bytes that are not a pack, packet or end code");
      at = in_.find(at + 1, mpeg1::kPackStart);
      continue;
    }
    const std::uint8_t code = p[3];
    if (packs_ == 0 && code != mpeg1::kPackStart)
      problem(CheckKind::Syntax, at, "the stream does not start with a pack header");
    // A VideoCD track may end its last audio pack with the end code and
    // still close with a padding pack.
    if (endSeen_ && code != mpeg1::kEndCode && !videoCd_) {
      problem(CheckKind::Syntax, at, "data after the end code");
      endSeen_ = false;
    }
    std::int64_t next = 0;
    if (code == mpeg1::kPackStart) {
      next = pack(at);
    } else if (code == mpeg1::kSystemHeader) {
      next = systemHeader(at);
    } else if (code == mpeg1::kEndCode) {
      endSeen_ = true;
      next = at + 4;
    } else if (mpeg1::isPacketId(code)) {
      next = packet(at);
    } else {
      problem(CheckKind::Syntax, at, "start code " + hexByte(code) + " outside a packet");
      next = in_.find(at + 4, mpeg1::kPackStart);
    }
    at = next;
  }
  finish();
}

std::int64_t SystemWalk::pack(std::int64_t at) {
  std::size_t n = 0;
  const std::uint8_t* h = in_.view(at, mpeg1::kPackHeaderSize, n);
  if (n < static_cast<std::size_t>(mpeg1::kPackHeaderSize)) {
    problem(CheckKind::Syntax, at, "pack header cut short by the end of the file");
    return in_.size();
  }
  if ((h[4] & 0xF0) != 0x20) {
    problem(CheckKind::Syntax, at, "pack header that is not MPEG-1");
    return in_.find(at + 4, mpeg1::kPackStart);
  }
  if (!(h[4] & 1) || !(h[6] & 1) || !(h[8] & 1) || !(h[9] & 0x80) || !(h[11] & 1))
    problem(CheckKind::Syntax, at, "pack header with a marker bit clear");
  const std::int64_t scr = scrOf(h + 4);
  const std::int32_t muxRate = ((h[9] & 0x7F) << 15) | (h[10] << 7) | (h[11] >> 1);
  if (packs_ == 0) {
    std::size_t m = 0;
    const std::uint8_t* second = in_.view(at + kVideoCdSector, 4, m);
    // The sector layout claims a VideoCD, whatever the mux rate says.
    videoCd_ = m >= 4 && mpeg1::isStartCode(second) && second[3] == mpeg1::kPackStart;
    if (videoCd_) report_.fileKind = "VideoCD system stream";
  } else {
    packSize(at);
    clock(at, scr);
  }
  scr_ = scr;
  packStart_ = at;
  if (muxRate == 0) {
    problem(CheckKind::Syntax, at, "pack with mux rate 0");
  } else {
    muxRate_ = muxRate;
  }
  if (videoCd_ && muxRate != kVideoCdMuxRate)
    problem(CheckKind::VideoCd, at, "mux rate " + std::to_string(muxRate) + ", not 3528");
  ++packs_;
  ++report_.packs;
  return at + mpeg1::kPackHeaderSize;
}

// The bytes of a pack arrive at its mux rate: the next SCR may not come
// sooner than that allows (a pause between packs is allowed).
void SystemWalk::clock(std::int64_t at, std::int64_t scr) {
  if (scr < scr_) {
    char text[96];
    std::snprintf(text, sizeof text, "SCR steps back from %.4f s to %.4f s",
                  static_cast<double>(scr_) / mpeg1::kClock,
                  static_cast<double>(scr) / mpeg1::kClock);
    problem(CheckKind::TimeStamp, at, text);
    return;
  }
  if (muxRate_ <= 0) return;
  const double needed = static_cast<double>(at - packStart_) * mpeg1::kClock / (50.0 * muxRate_);
  const double step = static_cast<double>(scr - scr_);
  if (step >= needed - 1.0 - needed * kClockTolerancePpm) return;
  char text[128];
  std::snprintf(
      text, sizeof text,
      "SCR rises faster than the mux rate: %lld bytes in %.0f ticks, at least %.1f needed",
      static_cast<long long>(at - packStart_), step, needed);
  problem(CheckKind::Clock, at, text);
}

void SystemWalk::packSize(std::int64_t end) {
  if (!videoCd_ || packStart_ < 0) return;
  const std::int64_t size = end - packStart_;
  if (size != kVideoCdSector && size != kVideoCdAudioPack)
    report_.add(CheckKind::VideoCd, packStart_, static_cast<double>(scr_) / mpeg1::kClock,
                "pack of " + std::to_string(size) + " bytes, not a sector of 2324");
}

std::int64_t SystemWalk::systemHeader(std::int64_t at) {
  std::size_t n = 0;
  const std::uint8_t* h = in_.view(at, kMaxPacket, n);
  const std::int64_t end = at + 6 + (n >= 6 ? mpeg1::packetLength(h) : 0);
  if (n < 12 || end > in_.size() || end - at < 12) {
    problem(CheckKind::Syntax, at, "system header cut short");
    return n < 6 ? in_.size() : std::min(end, in_.size());
  }
  if ((h[9] & 0x01) && !constrained_) {
    constrained_ = true;
    for (auto& [id, s] : streams_) s->capSize(constrainedBuffer(id));
  }
  for (std::int64_t e = 12; e + 3 <= end - at && (h[e] & 0x80); e += 3) {
    const int id = h[e];
    const std::int64_t bound =
        (((h[e + 1] & 0x1F) << 8) | h[e + 2]) * ((h[e + 1] & 0x20) ? 1024 : 128);
    const bool audio = id == 0xB8 || mpeg1::isAudioId(static_cast<std::uint8_t>(id));
    const bool video = id == 0xB9 || mpeg1::isVideoId(static_cast<std::uint8_t>(id));
    for (int s = 0xC0; s <= 0xEF; ++s) {
      const bool isAudio = s < 0xE0;
      if (id == s || (id == 0xB8 && isAudio) || (id == 0xB9 && !isAudio)) bounds_.emplace(s, bound);
    }
    if (videoCd_ &&
        ((video && bound > kVideoCdVideoBuffer) || (audio && bound > kVideoCdAudioBuffer)))
      problem(CheckKind::VideoCd, at,
              "buffer bound " + std::to_string(bound) + " of " + hexByte(id) +
                  " beyond the VideoCD limit");
  }
  return end;
}

void SystemWalk::declare(StreamReplay& s, int id, const mpeg1::PacketHeader& h) {
  if (auto bound = bounds_.find(id); bound != bounds_.end()) s.declareBound(bound->second);
  if (!h.hasStd) return;
  const std::int64_t size = static_cast<std::int64_t>(h.stdSize) * (h.stdScale ? 1024 : 128);
  s.declareSize(size);
  const std::int64_t limit =
      mpeg1::isVideoId(static_cast<std::uint8_t>(id)) ? kVideoCdVideoBuffer : kVideoCdAudioBuffer;
  if (videoCd_ && size > limit)
    problem(CheckKind::VideoCd, packStart_,
            streamName(id) + ": buffer size " + std::to_string(size) + " beyond the VideoCD limit");
}

std::int64_t SystemWalk::packet(std::int64_t at) {
  std::size_t n = 0;
  const std::uint8_t* p = in_.view(at, kMaxPacket, n);
  if (n < 6) {
    problem(CheckKind::Syntax, at, "packet header cut short by the end of the file");
    return in_.size();
  }
  const std::int64_t end = at + 6 + mpeg1::packetLength(p);
  if (end > in_.size()) {
    problem(CheckKind::Syntax, at, "packet cut short by the end of the file");
    return in_.size();
  }
  const int id = p[3];
  if (!mpeg1::isAudioId(static_cast<std::uint8_t>(id)) &&
      !mpeg1::isVideoId(static_cast<std::uint8_t>(id)))
    return end;  // padding, private and reserved streams
  if (packs_ == 0) return end;
  const int length = static_cast<int>(end - at);
  mpeg1::PacketHeader h;
  if (!mpeg1::parsePacketHeader(p, length, h)) {
    problem(CheckKind::Syntax, at, "incorrect packet header");
    return end;
  }
  if (videoCd_ && id != mpeg1::kVideoStream0 && id != mpeg1::kAudioStream0)
    problem(CheckKind::VideoCd, at, "stream " + hexByte(id) + " in a VideoCD file");
  StreamReplay& s = stream(id);
  declare(s, id, h);
  CheckPacket packet;
  packet.fileOffset = at;
  packet.payloadFileOffset = at + h.payloadOffset;
  packet.scr = scr_;
  packet.ticksPerByte = muxRate_ > 0 ? mpeg1::kClock / (50.0 * muxRate_) : 0.0;
  const std::int64_t stamped = packStart_ + 8;  // the SCR stamps the pack's ninth byte
  packet.span = {at + h.payloadOffset - stamped, end - 1 - stamped, length - h.payloadOffset};
  packet.pts = h.pts;
  packet.dts = h.dts;
  if (packet.ticksPerByte > 0.0) s.packet(packet, p + h.payloadOffset);
  return end;
}

void SystemWalk::finish() {
  if (packs_ == 0) {
    report_.add(CheckKind::Syntax, 0, -1.0, "no pack header: not an MPEG-1 system stream");
    return;
  }
  if (videoCd_) {
    const std::int64_t size = in_.size() - packStart_;
    if (size != kVideoCdSector && size != kVideoCdAudioPack) packSize(in_.size());
  }
  if (!endSeen_) problem(CheckKind::Syntax, in_.size(), "no end code");
  const double seconds = static_cast<double>(scr_) / mpeg1::kClock;
  for (auto& [id, s] : streams_) {
    s->finish(seconds);
    report_.buffers.push_back(s->summary());
    if (s->bufferSize() < 0)
      problem(CheckKind::Syntax, 0, streamName(id) + ": no buffer size declared");
    if (constrained_ && !videoCd_ && s->declaredSize() > constrainedBuffer(id))
      problem(CheckKind::Syntax, 0,
              streamName(id) + ": buffer of " + std::to_string(s->declaredSize()) +
                  " bytes declared in a constrained-parameters stream (at most " +
                  std::to_string(constrainedBuffer(id)) + ")");
    if (!videoCd_) continue;
    if (s->video() && s->video()->hasSequenceHeader() &&
        !isVcdVideo(s->video()->firstSequenceHeader()))
      problem(CheckKind::VideoCd, 0,
              streamName(id) + ": picture size, rate or bit rate beyond VideoCD video");
    if (s->audio() && s->audio()->hasFrame() && !isVcdAudio(s->audio()->firstHeader()))
      problem(CheckKind::VideoCd, 0,
              streamName(id) + ": audio is not VideoCD audio (layer 2, 224 kbit/s, 44.1 kHz)");
  }
}

}  // namespace

void checkSystemStream(CheckInput& input, CheckReport& report) {
  report.fileKind = "system stream";
  SystemWalk(input, report).run();
}

}  // namespace cw
