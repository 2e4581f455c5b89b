// Shared machinery of the scanners: the start code search step and a walk
// over the concatenated payloads of one stream's packets, where a header may
// begin at the end of one payload and continue in the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Offset of the first 00 00 01 that begins in [from, last), or `last` when
// there is none; data[last + 1] must be readable. It finds what stepping with
// stepToPossibleCode() finds, but tests sixty-four positions at a time (eight
// where SSE2 is missing): start codes are a few hundred bytes apart in coded
// pictures and audio. Only where two zero bytes meet is the third byte read.
inline std::size_t findStartCode(const std::uint8_t* data, std::size_t from, std::size_t last) {
  const auto isCodeAt = [data](std::size_t at) {
    return data[at + 2] == 1 && data[at + 1] == 0 && data[at] == 0;
  };
  std::size_t at = from;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const auto zeroBits = [data, zero](std::size_t offset) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + offset));
    return static_cast<std::uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
  };
  // Bit j of `zeros` stands for data[at + j] == 0. A pair of zeroes across
  // two blocks is seen through `carry`, the last byte of the previous block.
  std::uint64_t carry = 0;
  for (std::size_t blocks = at < last ? (last - at) / 64 : 0; blocks > 0; --blocks, at += 64) {
    const std::uint64_t zeros =
        zeroBits(at) | zeroBits(at + 16) << 16 | zeroBits(at + 32) << 32 | zeroBits(at + 48) << 48;
    std::uint64_t pairs = zeros & zeros >> 1;  // positions at .. at + 62
    const std::uint64_t edge = carry & zeros;  // position at - 1
    if ((pairs | edge) != 0) {
      if (edge != 0 && data[at + 1] == 1) return at - 1;
      for (; pairs != 0; pairs &= pairs - 1) {
        const std::size_t pos = at + static_cast<std::size_t>(__builtin_ctzll(pairs));
        if (data[pos + 2] == 1) return pos;
      }
    }
    carry = zeros >> 63;
  }
  // The last position of the last block still waits for the byte behind it.
  if (carry != 0) --at;
#else
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  while (at < last && last - at >= 8) {
    std::uint64_t word;  // the places of the 0x01 byte for eight positions
    std::memcpy(&word, data + at + 2, sizeof word);
    const std::uint64_t x = word ^ kOnes;  // a 0x01 byte becomes zero
    if (((x - kOnes) & ~x & kHighs) == 0) {
      at += 8;
      continue;
    }
    for (const std::size_t end = at + 8; at < end; ++at) {
      if (isCodeAt(at)) return at;
    }
  }
#endif
  for (; at < last; ++at) {
    if (isCodeAt(at)) return at;
  }
  return last;
}

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
// continues at the same distance into the next. Where whole windows lie in
// one payload, skip(data, position, last) first moves the walk on to the
// first position below `last` where the probe may find something, or to
// `last`; it must not pass over a position the probe would report.
template <class Skip, class Probe>
int walkPayloads(const ScanBuffer& buf, const ScanList& packets, std::uint32_t window, Skip&& skip,
                 Probe&& probe) {
  const std::uint8_t* data = buf.data.data();
  // The end of a payload joined to the start of the next: the last positions
  // of a payload read their windows from here.
  std::uint8_t joined[2 * kMaxWindow];
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    const std::uint64_t end = packets[i].end;
    const std::uint64_t payload = packets[i].payload < end ? packets[i].payload : end;
    std::uint64_t pos = payload + carry;
    std::uint64_t joinedFrom = end;
    std::uint32_t joinedCount = 0;
    carry = 0;
    while (pos < end) {
      if (end - pos > window) {
        pos = skip(data, static_cast<std::size_t>(pos), static_cast<std::size_t>(end - window + 1));
      }
      const std::uint8_t* bytes = data + pos;
      std::uint32_t have = window;
      if (end - pos < window) {
        if (joinedFrom == end) {
          joinedFrom = pos;
          joinedCount = gatherAcross(buf, packets, i, static_cast<std::uint32_t>(pos), joined,
                                     static_cast<std::uint32_t>(end - pos) + window - 1);
        }
        const auto offset = static_cast<std::uint32_t>(pos - joinedFrom);
        bytes = joined + offset;
        have = joinedCount - offset < window ? joinedCount - offset : window;
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
