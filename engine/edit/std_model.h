// The multiplexer's model of one decoder buffer of the system target decoder:
// the access units already sent but not yet decoded, the bytes in the buffer,
// and the tests that decide whether a full packet of the stream may be sent
// now (lateness, overflow).
//
// Times are 90 kHz ticks. The SCR of a pack stamps the arrival of its ninth
// byte; a packet's payload starts `arrivalOffset` bytes after that byte and a
// full packet of length L ends L + 9 bytes after it.
#pragma once

#include <cstdint>
#include <deque>

#include "engine/analysis/scan.h"

namespace cw {

// One access unit in the decoder buffer: its bytes and its output DTS.
struct StdUnit {
  std::int64_t size = 0;
  std::int64_t dts = 0;
};

struct StdBuffer {
  std::deque<StdUnit> queue;      // sent, not yet decoded; the last one may still be arriving
  std::int64_t occupancy = 0;     // bytes of the stream in the buffer
  std::int64_t pendingBytes = 0;  // bytes sent before any unit started (join the next unit)
  bool started = false;           // the stream's first packet has been sent

  // Fixed per multiplex.
  std::int64_t size = 0;  // buffer size in bytes
  int margin = 20;
  int arrivalOffset = 0;  // payload start after the SCR-stamped byte
  int packetLength = 0;   // L of a full packet
  int payload = 0;        // payload bytes of a full packet
};

// Pace of the multiplex.
struct StdClock {
  double ticksPerByte = 0.0;
  double bytesPerTick = 0.0;
};

// The access units not yet sent: units[first..] of a stream's list, whose
// start offsets are buffer offsets; `readPos` is where the next payload
// begins and `offset` is added to every DTS.
struct PendingUnits {
  const ScanList* units = nullptr;
  std::size_t first = 0;
  std::uint32_t readPos = 0;
  std::int64_t offset = 0;
};

// Lateness of the stream's next full packet if its pack had SCR `t`:
// negative (the most negative slack) when a unit starting in the payload
// would arrive after its DTS, positive when one would wait more than a
// second in the buffer, else 0. No unit in the payload gives 0.
std::int64_t stdLateness(const StdBuffer& b, const PendingUnits& pending, std::int64_t t,
                         const StdClock& clock);

// Where a packet's bytes lie in its pack, counted from the SCR-stamped byte:
// the distance of its first payload byte and of its last byte.
struct StdPacketSpan {
  std::int64_t firstPayloadByte = 0;
  std::int64_t lastByte = 0;
  std::int64_t payload = 0;
};

// What the buffer holds while such a packet arrives in a pack with SCR `t`:
// `highest` is the most it holds just before one of the units ahead of the
// packet is decoded (-1 when none is); `atEnd` what it
// holds when the packet's last byte is in, or -1 when the unit still
// arriving is decoded before that (what follows it is not modelled yet).
struct StdFill {
  std::int64_t highest = 0;
  std::int64_t atEnd = -1;
};
StdFill stdFillDuring(const StdBuffer& b, std::int64_t t, const StdClock& clock,
                      const StdPacketSpan& packet);

// Whether a full packet sent in a pack with SCR `t` would fill the buffer
// past its size less the margin before the units ahead of it are decoded.
// Never true before the stream's first packet.
bool stdOverflows(const StdBuffer& b, std::int64_t t, const StdClock& clock);

// A packet carrying buffer bytes [payloadStart, payloadStart + payloadLength)
// has been written: the units of `pending` that start in it (up to index
// `end`) join the queue with their sizes and output DTS values. A unit's
// bytes begin with the headers in front of it (ScanEntry::lead); those that
// came with earlier packets move to it from the unit before.
void stdArrive(StdBuffer& b, const PendingUnits& pending, std::size_t end,
               std::uint32_t payloadStart, std::uint32_t payloadLength);

// Removes the units decoded by `scr` + 8 ticks from the front of the queue,
// always keeping the last one. Does nothing before the first packet.
void stdRemoveDecoded(StdBuffer& b, std::int64_t scr);

}  // namespace cw
