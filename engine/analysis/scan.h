// Scan buffers and scan lists: a stretch of a file held in memory and the
// ordered lists of packets, start codes, pictures and audio frames found in
// it. Every analysis of the engine works on these.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/analysis/stream_params.h"

namespace cw {

// Time stamp meaning "none".
inline constexpr std::int64_t kNoTime = -1;

// One element of a scan list. Lists are kept in increasing buffer order.
struct ScanEntry {
  std::uint32_t start = 0;    // packet's first byte, or the code / header found
  std::uint32_t end = 0;      // one past the packet; codes and frames: == start
  std::uint32_t payload = 0;  // packet's first payload byte; codes and frames: == start
  std::uint8_t kind = 0;      // stream id; code byte 0xB3/0xB7/0xB8; 'I','P','B','D'; 'A'/'a'
  // Two stamps whose meaning depends on what the entry is: use the accessors
  // below, which name them.
  std::int64_t stamp1 = kNoTime;
  std::int64_t stamp2 = kNoTime;
  // Picture of an edit buffer: bytes of the sequence and GOP headers in
  // front of it, which a decoder takes out of its buffer with the picture.
  std::uint32_t lead = 0;

  // Packets and access units: presentation and decoding time stamps.
  std::int64_t& pts() { return stamp1; }
  std::int64_t pts() const { return stamp1; }
  std::int64_t& dts() { return stamp2; }
  std::int64_t dts() const { return stamp2; }
  // Pictures: temporal reference and decoding time.
  std::int64_t& temporalReference() { return stamp1; }
  std::int64_t temporalReference() const { return stamp1; }
  std::int64_t& decodingTime() { return stamp2; }
  std::int64_t decodingTime() const { return stamp2; }
  // Audio frames: the frame's time, held in both stamps (an audio access
  // unit made from it has it as PTS and DTS).
  std::int64_t time() const { return stamp1; }
  void setTime(std::int64_t t) { stamp1 = stamp2 = t; }
};

using ScanList = std::vector<ScanEntry>;

// An entry offset as a signed buffer offset: an audio header carried over
// from the previous buffer of an elementary scan lies before this buffer.
inline std::int64_t scanOffset(std::uint32_t offset) { return static_cast<std::int32_t>(offset); }

// A stretch of one file read into memory.
struct ScanBuffer {
  std::vector<std::uint8_t> data;
  std::int64_t fileOffset = 0;  // file position of data[0]
  ScanList packets;

  // Audio-only scanning state carried from one buffer of a file to the next.
  StreamParams audio;
  std::int64_t frameCounter = 0;
  int carriedBytes = 0;  // 0..3 bytes of a split header at the end of the previous buffer
  std::uint8_t carried[3] = {0, 0, 0};
  bool carriedPadding = false;

  std::uint32_t size() const { return static_cast<std::uint32_t>(data.size()); }
};

}  // namespace cw
