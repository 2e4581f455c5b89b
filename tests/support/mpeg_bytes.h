// Byte builders for the tests: packets, pack headers, video and audio
// headers assembled from their fields.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scan.h"

namespace cw::testbytes {

using Bytes = std::vector<std::uint8_t>;

inline void append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

struct PacketOptions {
  int stuffing = 0;
  bool std = false;
  std::int64_t pts = -1;
  std::int64_t dts = -1;
  bool privateStream2 = false;  // no header fields at all
};

// A packet of `id` carrying `payload`.
inline Bytes packet(std::uint8_t id, const Bytes& payload, const PacketOptions& o = {}) {
  Bytes header;
  if (!o.privateStream2) {
    header.insert(header.end(), o.stuffing, 0xFF);
    if (o.std) {
      header.push_back(0x60);
      header.push_back(0x2E);
    }
    if (o.pts >= 0 && o.dts >= 0) {
      std::uint8_t ts[10];
      mpeg1::encodeTimeStamp(ts, 0x3, o.pts);
      mpeg1::encodeTimeStamp(ts + 5, 0x1, o.dts);
      header.insert(header.end(), ts, ts + 10);
    } else if (o.pts >= 0) {
      std::uint8_t ts[5];
      mpeg1::encodeTimeStamp(ts, 0x2, o.pts);
      header.insert(header.end(), ts, ts + 5);
    } else {
      header.push_back(0x0F);
    }
  }
  const std::size_t length = header.size() + payload.size();
  Bytes p = {0x00,
             0x00,
             0x01,
             id,
             static_cast<std::uint8_t>(length >> 8),
             static_cast<std::uint8_t>(length)};
  append(p, header);
  append(p, payload);
  return p;
}

inline Bytes packHeader(std::int64_t scr, std::int32_t muxRate) {
  Bytes p(12);
  mpeg1::encodePackHeader(p.data(), scr, muxRate);
  return p;
}

// A payload of `n` bytes that holds no start code and no audio sync.
inline Bytes filler(std::size_t n, std::uint8_t value = 0x55) { return Bytes(n, value); }

inline Bytes pictureHeader(int temporalReference, int type) {
  Bytes p = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xF8};
  mpeg1::setPictureTemporalReference(p.data(), temporalReference);
  p[5] = static_cast<std::uint8_t>((p[5] & 0xC7) | (type & 0x07) << 3);
  return p;
}

inline Bytes startCode(std::uint8_t code) { return {0x00, 0x00, 0x01, code}; }

// An audio frame header: layer 2, 224 kbit/s, 44.1 kHz unless told otherwise.
inline Bytes audioHeader(int mode = 0, bool padding = false, std::uint8_t byte1 = 0xFD,
                         std::uint8_t rateAndFrequency = 0xB0) {
  return {0xFF, byte1, static_cast<std::uint8_t>(rateAndFrequency | (padding ? 0x02 : 0)),
          static_cast<std::uint8_t>(mode << 6 | 0x04)};
}

// A whole audio frame of `length` bytes whose body holds no sync word.
inline Bytes audioFrame(int length, bool padding = false, int mode = 0) {
  Bytes f = audioHeader(mode, padding);
  f.resize(static_cast<std::size_t>(length), 0x11);
  return f;
}

inline ScanBuffer bufferOf(const Bytes& bytes) {
  ScanBuffer b;
  b.data = bytes;
  return b;
}

}  // namespace cw::testbytes
