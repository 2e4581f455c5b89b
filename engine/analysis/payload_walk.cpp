// Reading a stream's bytes across the payloads of its packets.
#include "engine/analysis/payload_walk.h"

#include <algorithm>
#include <cstring>

#include "engine/analysis/scanners.h"

namespace cw {
namespace scan_detail {

std::uint32_t gatherAcross(const ScanBuffer& buf, const ScanList& packets, std::size_t index,
                           std::uint32_t at, std::uint8_t* out, std::uint32_t want) {
  const std::uint8_t* data = buf.data.data();
  std::uint32_t copied = 0;
  std::uint32_t from = at;
  for (std::size_t i = index; i < packets.size() && copied < want; ++i) {
    if (i != index) from = packets[i].payload;
    const std::uint32_t end = packets[i].end;
    if (from >= end) continue;
    const std::uint32_t n = std::min(want - copied, end - from);
    std::memcpy(out + copied, data + from, n);
    copied += n;
  }
  return copied;
}

}  // namespace scan_detail

bool readAcrossPayloads(const ScanBuffer& buf, const ScanList& streamPackets, std::size_t index,
                        std::uint32_t at, std::uint8_t* out, std::uint32_t count) {
  if (index >= streamPackets.size()) return false;
  const ScanEntry& holder = streamPackets[index];
  if (at < holder.payload || at > holder.end) return false;
  return scan_detail::gatherAcross(buf, streamPackets, index, at, out, count) == count;
}

int packetHolding(const ScanList& streamPackets, std::uint32_t at) {
  // The list is in buffer order: the first packet ending after `at` is the
  // only one that can hold it.
  const auto it =
      std::upper_bound(streamPackets.begin(), streamPackets.end(), at,
                       [](std::uint32_t offset, const ScanEntry& e) { return offset < e.end; });
  if (it == streamPackets.end() || it->payload > at) return -1;
  return static_cast<int>(it - streamPackets.begin());
}

}  // namespace cw
