#include "engine/edit/std_model.h"

#include <algorithm>
#include <limits>

namespace cw {
namespace {

constexpr std::int64_t kOneSecond = 90000;
constexpr std::int64_t kDecodeSlack = 8;

// std::llround without the call into the maths library, which the tests of
// every pack pay for: halves go away from zero. v - whole is exact, and the
// model's tick and byte counts lie far inside the 64-bit range.
std::int64_t nearest(double v) {
  const auto whole = static_cast<std::int64_t>(v);
  const double rest = v - static_cast<double>(whole);
  if (rest >= 0.5) return whole + 1;
  if (rest <= -0.5) return whole - 1;
  return whole;
}

}  // namespace

std::int64_t stdLateness(const StdBuffer& b, const PendingUnits& pending, std::int64_t t,
                         const StdClock& clock) {
  const ScanList& units = *pending.units;
  const std::uint32_t payloadEnd = pending.readPos + static_cast<std::uint32_t>(b.payload);
  std::int64_t worst = std::numeric_limits<std::int64_t>::max();
  std::int64_t longest = std::numeric_limits<std::int64_t>::min();
  bool any = false;
  auto arrivalOf = [&](std::uint32_t at) {
    const double distance = static_cast<double>(at) - pending.readPos + b.arrivalOffset;
    return nearest(distance * clock.ticksPerByte + t - 0.5);
  };
  std::size_t i = pending.first;
  // The unit still arriving is complete when the next one starts in this payload.
  if (!b.queue.empty() && i < units.size() && units[i].start < payloadEnd &&
      units[i].start > pending.readPos) {
    worst = std::min(worst, b.queue.back().dts - arrivalOf(units[i].start - 1));
  }
  for (; i < units.size() && units[i].start < payloadEnd; ++i) {
    const std::int64_t slack = units[i].dts() + pending.offset - arrivalOf(units[i].start);
    worst = std::min(worst, slack);
    longest = std::max(longest, slack);
    any = true;
    if (i + 1 < units.size() && units[i + 1].start < payloadEnd) {
      worst = std::min(worst, units[i].dts() + pending.offset - arrivalOf(units[i + 1].start - 1));
    }
  }
  if (!any) return 0;
  if (worst < 0) return worst;
  return std::max<std::int64_t>(longest - kOneSecond, 0);
}

StdFill stdFillDuring(const StdBuffer& b, std::int64_t t, const StdClock& clock,
                      const StdPacketSpan& packet) {
  const double end = t + packet.lastByte * clock.ticksPerByte - 0.5;
  StdFill fill;
  std::int64_t occupancy = b.occupancy;
  std::int64_t counted = 0;  // bytes of the new packet already in the buffer
  fill.highest = -1;
  for (std::size_t i = 0; i < b.queue.size(); ++i) {
    const StdUnit& unit = b.queue[i];
    if (static_cast<double>(unit.dts) >= end) break;
    const std::int64_t arrived = std::clamp<std::int64_t>(
        nearest((unit.dts - t - 0.5) * clock.bytesPerTick) - packet.firstPayloadByte, 0,
        packet.payload);
    if (arrived > counted) {
      occupancy += arrived - counted;
      counted = arrived;
    }
    fill.highest = std::max(fill.highest, occupancy);
    // The last unit is still arriving: what follows belongs to units that
    // are not in the buffer model yet.
    if (i + 1 == b.queue.size()) return fill;
    occupancy -= unit.size;
  }
  fill.atEnd = occupancy + (packet.payload - counted);
  return fill;
}

bool stdOverflows(const StdBuffer& b, std::int64_t t, const StdClock& clock) {
  if (!b.started) return false;
  const std::int64_t limit = b.size - b.margin;
  const StdFill fill = stdFillDuring(b, t, clock, {0, b.packetLength + 9, b.payload});
  return fill.highest > limit || fill.atEnd >= limit;
}

void stdArrive(StdBuffer& b, const PendingUnits& pending, std::size_t end,
               std::uint32_t payloadStart, std::uint32_t payloadLength) {
  const ScanList& units = *pending.units;
  const std::int64_t payloadEnd = static_cast<std::int64_t>(payloadStart) + payloadLength;
  // A unit's bytes begin with the headers in front of it (its lead).
  auto headOf = [&](std::size_t i) {
    return static_cast<std::int64_t>(units[i].start) - static_cast<std::int64_t>(units[i].lead);
  };
  b.occupancy += payloadLength;
  b.started = true;
  std::int64_t before = payloadLength;  // bytes in front of the first new unit's headers
  std::int64_t carried = 0;             // its header bytes that came with earlier packets
  if (pending.first < end) {
    const std::int64_t head = headOf(pending.first);
    before = std::max<std::int64_t>(head - payloadStart, 0);
    if (!b.queue.empty())
      carried = std::clamp<std::int64_t>(payloadStart - head, 0, b.queue.back().size);
  }
  if (!b.queue.empty()) {
    b.queue.back().size += before - carried;
  } else {
    b.pendingBytes += before;
  }
  for (std::size_t i = pending.first; i < end; ++i) {
    const std::int64_t next = i + 1 < end ? headOf(i + 1) : payloadEnd;
    const std::int64_t head = std::max<std::int64_t>(headOf(i), payloadStart);
    StdUnit unit{next - head + (i == pending.first ? carried : 0), units[i].dts() + pending.offset};
    if (b.queue.empty()) {
      // Bytes that came before any unit (a sequence header in front of the
      // first picture) are decoded with the first unit.
      unit.size += b.pendingBytes;
      b.pendingBytes = 0;
    }
    b.queue.push_back(unit);
  }
}

void stdRemoveDecoded(StdBuffer& b, std::int64_t scr) {
  if (!b.started) return;
  while (b.queue.size() > 1 && b.queue.front().dts <= scr + kDecodeSlack) {
    b.occupancy -= b.queue.front().size;
    b.queue.pop_front();
  }
}

}  // namespace cw
