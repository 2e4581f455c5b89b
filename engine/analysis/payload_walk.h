// Shared machinery of the scanners: the start code search step and a walk
// over the concatenated payloads of one stream's packets, where a header may
// begin at the end of one payload and continue in the next.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/analysis/scan.h"

namespace cw::scan_detail {

// Distance to the next position that can begin 00 00 01, for three bytes that
// do not hold one. A byte 0x01 or above in the third place rules out the next
// two positions too.
inline std::uint32_t stepToPossibleCode(const std::uint8_t* p) {
  if (p[2] >= 1) return 3;
  return p[1] == 0 ? 1 : 2;
}

// Distance past a start code 00 00 01 xx that is not wanted: its id byte can
// only begin the next code when it is zero.
inline std::uint32_t stepPastCode(const std::uint8_t* p) { return p[3] == 0 ? 3 : 4; }

// Copies up to `want` bytes of the stream beginning at buffer offset `at`
// in the payload of packets[index], continuing with the payloads of the
// following packets. Returns the number copied.
std::uint32_t gatherAcross(const ScanBuffer& buf, const ScanList& packets, std::size_t index,
                           std::uint32_t at, std::uint8_t* out, std::uint32_t want);

inline constexpr std::uint32_t kMaxWindow = 8;

// Calls probe(position, packetIndex, bytes, have, advance) at positions of the
// concatenated payloads, in order. `bytes` holds `have` bytes (at most
// `window`, fewer only at the very end of the stream) from `position` on,
// taken from the following payloads where the current one ends. The probe
// sets `advance` (at least 1) and returns 0 to go on; any other value stops
// the walk and is returned. An advance that runs past the end of a payload
// continues at the same distance into the next.
template <class Probe>
int walkPayloads(const ScanBuffer& buf, const ScanList& packets, std::uint32_t window,
                 Probe&& probe) {
  const std::uint8_t* data = buf.data.data();
  std::uint8_t joined[kMaxWindow];
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    const std::uint64_t end = packets[i].end;
    const std::uint64_t payload = packets[i].payload < end ? packets[i].payload : end;
    std::uint64_t pos = payload + carry;
    carry = 0;
    while (pos < end) {
      const std::uint8_t* bytes = data + pos;
      std::uint32_t have = window;
      if (end - pos < window) {
        have = gatherAcross(buf, packets, i, static_cast<std::uint32_t>(pos), joined, window);
        bytes = joined;
      }
      std::uint32_t advance = 1;
      const int status = probe(static_cast<std::uint32_t>(pos), i, bytes, have, advance);
      if (status != 0) return status;
      pos += advance < 1 ? 1 : advance;
    }
    carry = pos - end;
  }
  return 0;
}

}  // namespace cw::scan_detail
