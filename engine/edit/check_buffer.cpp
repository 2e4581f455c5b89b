#include "engine/edit/check_buffer.h"

#include <algorithm>
#include <cstdio>

namespace cw {
namespace {

// Units of one packet are placed this far into the model's 32-bit buffer
// offsets, so that header bytes that came with earlier packets stay in range.
constexpr std::int64_t kBias = 1 << 20;
// Multiplexers round arrival times to whole ticks.
constexpr double kLateTolerance = 1.0;
constexpr std::size_t kStampsKept = 2;

std::string secondsText(double ticks) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f s", ticks / mpeg1::kClock);
  return text;
}

double secondsOf(std::int64_t scr) { return static_cast<double>(scr) / mpeg1::kClock; }

}  // namespace

StreamReplay::StreamReplay(CheckReport& report, int streamId)
    : report_(report), streamId_(streamId) {
  if (mpeg1::isVideoId(static_cast<std::uint8_t>(streamId)))
    video_ = std::make_unique<VideoCheck>(report, streamId);
  else
    audio_ = std::make_unique<AudioCheck>(report, streamId);
}

StreamReplay::~StreamReplay() = default;

void StreamReplay::declareSize(std::int64_t bytes) {
  if (size_ < 0) size_ = bytes;
}

void StreamReplay::declareBound(std::int64_t bytes) {
  if (bound_ < 0) bound_ = bytes;
}

void StreamReplay::packet(CheckPacket p, const std::uint8_t* payload) {
  p.esStart = esLength_;
  esLength_ += p.span.payload;
  const double seconds = secondsOf(p.scr);
  stamps_.push_back({p.esStart, esLength_, p.pts, p.dts, p.fileOffset, seconds, p.pts < 0});
  const auto size = static_cast<std::size_t>(p.span.payload);
  if (video_) video_->feed(payload, size, p.payloadFileOffset, seconds);
  if (audio_) audio_->feed(payload, size, p.payloadFileOffset, seconds);
  takeUnits();
  while (stamps_.size() > kStampsKept) dropStamp();
  if (havePending_) replay(pending_);
  pending_ = p;
  havePending_ = true;
}

void StreamReplay::finish(double seconds) {
  if (video_) video_->finish(seconds);
  if (audio_) audio_->finish(seconds);
  takeUnits();
  while (!stamps_.empty()) dropStamp();
  if (havePending_) replay(pending_);
  havePending_ = false;
}

void StreamReplay::dropStamp() {
  const Stamped& s = stamps_.front();
  if (!s.used)
    report_.add(CheckKind::TimeStamp, s.fileOffset, s.seconds,
                streamName(streamId_) + ": time stamp on a packet in which no access unit starts");
  stamps_.pop_front();
}

void StreamReplay::takeUnits() {
  std::vector<EsUnit>& found = video_ ? video_->units : audio_->units;
  for (const EsUnit& unit : found) {
    std::int64_t dts = -1;
    stampUnit(unit, dts);
    units_.push_back({unit, dts});
  }
  found.clear();
}

// A packet's time stamps belong to the first unit whose start code or sync
// word begins in its payload; the others follow their predecessor by one
// picture or frame period.
void StreamReplay::stampUnit(const EsUnit& unit, std::int64_t& dts) {
  const double period = video_ ? video_->picturePeriod() : audio_->framePeriod();
  dts = lastDts_ >= 0 ? lastDts_ + static_cast<std::int64_t>(period + 0.5) : -1;
  for (Stamped& s : stamps_) {
    if (unit.anchor < s.start || unit.anchor >= s.end || s.used) continue;
    s.used = true;
    dts = s.dts >= 0 ? s.dts : s.pts;
    const std::string name = streamName(streamId_) + ": ";
    if (lastStamped_ >= 0 && dts < lastStamped_)
      report_.add(CheckKind::TimeStamp, s.fileOffset, s.seconds,
                  name + (video_ ? "DTS" : "PTS") + " steps back from " +
                      secondsText(static_cast<double>(lastStamped_)) + " to " +
                      secondsText(static_cast<double>(dts)));
    if (s.dts >= 0 && s.pts < s.dts)
      report_.add(CheckKind::TimeStamp, s.fileOffset, s.seconds, name + "PTS before its DTS");
    lastStamped_ = dts;
    break;
  }
  lastDts_ = dts;
}

void StreamReplay::replay(const CheckPacket& p) {
  const StdClock clock{p.ticksPerByte, 1.0 / p.ticksPerByte};
  buffer_.size = bufferSize();
  // Units decoded before the payload begins to arrive have left.
  stdRemoveDecoded(buffer_,
                   p.scr + static_cast<std::int64_t>(p.span.firstPayloadByte * p.ticksPerByte));
  const StdFill fill = stdFillDuring(buffer_, p.scr, clock, p.span);
  const std::int64_t highest = std::max(fill.highest, fill.atEnd);
  peak_ = std::max(peak_, highest);
  const std::int64_t size = bufferSize();
  if (size >= 0) {
    const bool over = highest > size;
    if (over) ++overflowingPackets_;
    if (over && !overflowing_)
      report_.add(CheckKind::Overflow, p.fileOffset, secondsOf(p.scr),
                  streamName(streamId_) + ": buffer holds " + std::to_string(highest) +
                      " bytes, declared size " + std::to_string(size));
    overflowing_ = over;
  }

  // The units whose start lies in this payload.
  const std::int64_t end = p.esStart + p.span.payload;
  ScanList list;
  while (!units_.empty() && units_.front().unit.anchor < end) {
    const TimedUnit& u = units_.front();
    ScanEntry e;
    const std::int64_t start = std::max<std::int64_t>(u.unit.anchor - p.esStart, 0) + kBias;
    e.start = static_cast<std::uint32_t>(start);
    e.lead =
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(u.unit.anchor - u.unit.head, 0, start));
    e.dts() = u.dts;
    list.push_back(e);
    units_.pop_front();
  }
  unitCount_ += static_cast<std::int64_t>(list.size());
  underflowChecks(p, list);
  const PendingUnits pending{&list, 0, static_cast<std::uint32_t>(kBias), 0};
  stdArrive(buffer_, pending, list.size(), static_cast<std::uint32_t>(kBias),
            static_cast<std::uint32_t>(p.span.payload));
}

// A unit must be complete by its decoding time: the unit still arriving
// ends where the first new unit's headers begin, each new unit but the last
// where the next one's begin.
void StreamReplay::underflowChecks(const CheckPacket& p, const ScanList& list) {
  auto headOf = [&](std::size_t i) {
    return static_cast<std::int64_t>(list[i].start) - list[i].lead - kBias;
  };
  if (!buffer_.queue.empty()) {
    const std::int64_t bytes =
        list.empty() ? p.span.payload : std::clamp<std::int64_t>(headOf(0), 0, p.span.payload);
    if (bytes > 0) late(p, buffer_.queue.back().dts, bytes - 1);
  }
  for (std::size_t i = 0; i + 1 < list.size(); ++i) {
    const std::int64_t lastByte = headOf(i + 1) - 1;
    if (lastByte >= 0) late(p, list[i].dts(), lastByte);
  }
}

void StreamReplay::late(const CheckPacket& p, std::int64_t dts, std::int64_t byteInPayload) {
  if (dts < 0) return;
  const double arrival =
      static_cast<double>(p.scr) +
      static_cast<double>(p.span.firstPayloadByte + byteInPayload) * p.ticksPerByte;
  if (arrival <= static_cast<double>(dts) + kLateTolerance) return;
  report_.add(CheckKind::Underflow, p.fileOffset, secondsOf(p.scr),
              streamName(streamId_) + ": unit decoded at " + secondsText(static_cast<double>(dts)) +
                  " is complete only at " + secondsText(arrival));
}

CheckedBuffer StreamReplay::summary() const {
  CheckedBuffer b;
  b.streamId = streamId_;
  b.size = bufferSize();
  b.peak = peak_;
  b.units = unitCount_;
  b.overflowingPackets = overflowingPackets_;
  return b;
}

}  // namespace cw
