// Pack builders of the multiplexer. Each appends one complete pack (or one
// packet) to the output, usually the very chunk that the operation writes;
// the sizes come from the PackProfile, so the same code writes MPEG System
// and VideoCD packs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "engine/edit/pack_profile.h"

namespace cw {

using Bytes = std::vector<std::uint8_t>;

// No pack of any profile is longer: a VideoCD sector (a video, padding or
// end pack, or an audio pack with its zero fill).
inline constexpr std::size_t kMaxPackBytes = 2324;

// Where the builders append: memory with room for kMaxPackBytes from `at` on.
class PackWriter {
 public:
  explicit PackWriter(std::uint8_t* at) : start_(at), at_(at) {}
  std::size_t size() const { return static_cast<std::size_t>(at_ - start_); }

  void put(std::uint8_t b) { *at_++ = b; }
  void put(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) *at_++ = b;
  }
  void fill(std::size_t n, std::uint8_t b) {
    std::memset(at_, b, n);
    at_ += n;
  }
  void copy(const std::uint8_t* from, std::size_t n) {
    if (n > 0) std::memcpy(at_, from, n);
    at_ += n;
  }
  // The next `n` bytes, for a field that is encoded in place.
  std::uint8_t* take(std::size_t n) {
    std::uint8_t* field = at_;
    at_ += n;
    return field;
  }

 private:
  std::uint8_t* start_;
  std::uint8_t* at_;
};

// The time stamps of a packet header.
struct TimeStamps {
  int count = 0;  // 0: none (0x0F), 1: PTS, 2: PTS and DTS
  std::int64_t pts = 0;
  std::int64_t dts = 0;
  int size() const { return count == 0 ? 1 : count == 1 ? 5 : 10; }
};

// What one data packet carries: its payload, time stamps, and the STD field
// when it is the stream's first packet (nullptr otherwise).
struct PacketContent {
  const std::uint8_t* payload = nullptr;
  int length = 0;
  TimeStamps stamps;
  const std::uint8_t* stdField = nullptr;
  int stdBytes() const { return stdField != nullptr ? 2 : 0; }
};

void putPackHeader(PackWriter& out, std::int64_t scr, int muxRate);
// A padding packet of `n` bytes (n >= 7), start code included.
void putPaddingPacket(PackWriter& out, int n);

// Pack header, system header and padding.
void putLeadingPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                    const LeadingPack& lead);
// Pack header and a padding packet of E + 4 bytes.
void putPaddingPack(PackWriter& out, std::int64_t scr, const PackProfile& p);
// Pack header, a padding packet of E bytes and the end code.
void putEndPack(PackWriter& out, std::int64_t scr, const PackProfile& p);

// A full video pack: the payload is V - 12 bytes.
void putFullVideoPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                      const PacketContent& c);
// A full audio pack: the payload is A - 7 bytes; the PTS is required.
void putFullAudioPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                      const PacketContent& c);
// The last pack of a stream, whose payload is shorter than a full one.
void putLastVideoPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                      const PacketContent& c);
void putLastAudioPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                      const PacketContent& c);

}  // namespace cw
