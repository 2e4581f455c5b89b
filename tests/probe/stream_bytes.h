// Small MPEG-1 streams built byte by byte, for the classification cases that
// real encoders do not produce.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "support/mpeg_bytes.h"

namespace cw::test {

using testbytes::append;
using testbytes::Bytes;

// 352 x 240 at 29.97, 1 150 000 bit/s, vbv 20.
inline Bytes sequenceHeader(bool variableRate = false, int pictureRateCode = 4) {
  Bytes h = {0x00, 0x00, 0x01, 0xB3, 0x16, 0x00, 0xF0, 0x10, 0x02, 0xCE, 0xE0, 0xA4};
  h[7] = static_cast<std::uint8_t>(0x10 | pictureRateCode);
  if (variableRate) {
    h[8] = 0xFF;
    h[9] = 0xFF;
    h[10] |= 0xC0;
  }
  return h;
}

inline Bytes gopHeader() { return {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x40}; }

inline Bytes iPicture() { return {0x00, 0x00, 0x01, 0x00, 0x00, 0x0F, 0xFF, 0xF8}; }

// Layer 2 (or 1, 3), 224 kbit/s (index 11), 44.1 kHz, stereo.
inline Bytes audioHeader(int layer = 2, int bitRateIndex = 11, bool padded = false) {
  const std::uint8_t layerBits = layer == 1 ? 0x06 : layer == 2 ? 0x04 : layer == 3 ? 0x02 : 0x00;
  return {0xFF, static_cast<std::uint8_t>(0xF9 | layerBits),
          static_cast<std::uint8_t>(bitRateIndex << 4 | (padded ? 0x02 : 0x00)), 0x00};
}

// A packet with PTS and DTS (both given), PTS only (dts < 0) or no stamps (pts < 0).
inline Bytes packet(std::uint8_t id, const Bytes& payload, std::int64_t pts = -1,
                    std::int64_t dts = -1) {
  testbytes::PacketOptions options;
  options.pts = pts;
  options.dts = dts;
  return testbytes::packet(id, payload, options);
}

inline Bytes packHeader(std::int32_t muxRate = 3528) {
  return testbytes::packHeader(0, muxRate);
}

inline Bytes zeros(std::size_t count) { return Bytes(count, 0); }

// The video payload of a stream's first packet: sequence header, GOP, I-picture.
inline Bytes videoStart(bool variableRate = false) {
  Bytes v = sequenceHeader(variableRate);
  append(v, gopHeader());
  append(v, iPicture());
  append(v, zeros(200));
  return v;
}

inline Bytes audioStart(int layer = 2) {
  Bytes a = audioHeader(layer);
  append(a, zeros(300));
  return a;
}

// Padding packets enough for the packet listing to see everything before them.
inline Bytes padding() {
  Bytes out;
  for (int i = 0; i < 4; ++i) append(out, packet(mpeg1::kPaddingStream, zeros(2000)));
  return out;
}

// pack | video 0 (PTS+DTS) | audio 0 (PTS) | padding: a minimal system stream.
struct SystemStream {
  bool videoStamped = true;
  bool withAudio = true;
  bool variableRate = false;
  int audioLayer = 2;
  std::uint8_t leadingStream = 0;   // a packet of this stream first, when not 0
  std::uint8_t trailingStream = 0;  // a packet of this stream after the others, when not 0

  Bytes bytes() const {
    Bytes out = packHeader();
    if (leadingStream != 0) append(out, packet(leadingStream, zeros(100), 3000));
    append(out, videoStamped ? packet(mpeg1::kVideoStream0, videoStart(variableRate), 6003, 3000)
                             : packet(mpeg1::kVideoStream0, videoStart(variableRate)));
    if (withAudio) append(out, packet(mpeg1::kAudioStream0, audioStart(audioLayer), 3000));
    if (trailingStream != 0) append(out, packet(trailingStream, zeros(100), 3000));
    append(out, padding());
    return out;
  }
};

}  // namespace cw::test
