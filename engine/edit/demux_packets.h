// Walks the packs and packets of a block of a system stream read in file
// order. Unlike the analyses' tolerant packet listing, it needs nothing beyond
// the last packet: a block is taken apart up to the first packet that is not
// complete, and the rest waits for the next block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/common/errors.h"

namespace cw {

struct DemuxPacket {
  std::size_t start = 0;    // offset of 00 00 01 id in the block
  std::size_t payload = 0;  // first payload byte
  std::size_t end = 0;      // one past the packet
  std::uint8_t id = 0;
  std::int64_t pts = -1;
  std::int64_t dts = -1;
};

// Lists the complete packets of block[0, size). `consumed` is the offset of
// the first byte that must wait for more data (the whole block when it ends
// on a packet boundary). Bytes between packets that are no start code are
// stepped over. 0, or kDemuxIncorrectPacket for an incorrect packet or pack header.
int walkPackets(const std::uint8_t* block, std::size_t size, std::vector<DemuxPacket>& out,
                std::size_t& consumed);

}  // namespace cw
