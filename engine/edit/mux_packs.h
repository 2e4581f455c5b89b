// Pack builders of the multiplexer. Each appends one complete pack (or one
// packet) to the output staging bytes; the sizes come from the PackProfile,
// so the same code writes MPEG System and VideoCD packs.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/edit/pack_profile.h"

namespace cw {

using Bytes = std::vector<std::uint8_t>;

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

void putPackHeader(Bytes& out, std::int64_t scr, int muxRate);
// A padding packet of `n` bytes (n >= 7), start code included.
void putPaddingPacket(Bytes& out, int n);

// Pack header, system header and padding.
void putLeadingPack(Bytes& out, std::int64_t scr, const PackProfile& p, const LeadingPack& lead);
// Pack header and a padding packet of E + 4 bytes.
void putPaddingPack(Bytes& out, std::int64_t scr, const PackProfile& p);
// Pack header, a padding packet of E bytes and the end code.
void putEndPack(Bytes& out, std::int64_t scr, const PackProfile& p);

// A full video pack: the payload is V - 12 bytes.
void putFullVideoPack(Bytes& out, std::int64_t scr, const PackProfile& p, const PacketContent& c);
// A full audio pack: the payload is A - 7 bytes; the PTS is required.
void putFullAudioPack(Bytes& out, std::int64_t scr, const PackProfile& p, const PacketContent& c);
// The last pack of a stream, whose payload is shorter than a full one.
void putLastVideoPack(Bytes& out, std::int64_t scr, const PackProfile& p, const PacketContent& c);
void putLastAudioPack(Bytes& out, std::int64_t scr, const PackProfile& p, const PacketContent& c);

}  // namespace cw
