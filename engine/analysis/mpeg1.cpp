// Field decoders and encoders for MPEG-1 system, video and audio headers.
// Every encoder is the exact inverse of its decoder and sets the marker bits.
#include "engine/analysis/mpeg1.h"

#include <cmath>

#include "engine/common/errors.h"

namespace cw::mpeg1 {

// --- Time stamps -----------------------------------------------------------

std::int64_t decodeTimeStamp(const std::uint8_t* b) {
  // Bit 32 and the prefix nibble fall out of the 32-bit computation.
  std::uint32_t v = (b[0] & 0xFEu) << 7 | b[1];
  v = (v << 8) | (b[2] & 0xFEu);
  v = (v << 7) | b[3];
  v = (v << 7) | (b[4] >> 1);
  return static_cast<std::int32_t>(v);
}

void encodeTimeStamp(std::uint8_t* b, std::uint8_t prefix, std::int64_t ticks) {
  // A negative value is what the decoder makes of 2^31..2^32-1: write its low
  // 32 bits with bit 32 clear. Larger positive values keep their 33 bits.
  const std::uint64_t v = ticks < 0 ? static_cast<std::uint32_t>(ticks)
                                    : static_cast<std::uint64_t>(ticks) & 0x1FFFFFFFFull;
  b[0] = static_cast<std::uint8_t>((prefix & 0x0F) << 4 | ((v >> 30) & 0x07) << 1 | 1);
  b[1] = static_cast<std::uint8_t>(v >> 22);
  b[2] = static_cast<std::uint8_t>(((v >> 15) & 0x7F) << 1 | 1);
  b[3] = static_cast<std::uint8_t>(v >> 7);
  b[4] = static_cast<std::uint8_t>((v & 0x7F) << 1 | 1);
}

// --- Pack header --------------------------------------------------------------

std::int64_t packScr(const std::uint8_t* pack) { return decodeTimeStamp(pack + 4); }

std::int32_t packMuxRate(const std::uint8_t* pack) {
  return (pack[9] & 0x7F) << 15 | pack[10] << 7 | pack[11] >> 1;
}

void encodePackHeader(std::uint8_t* pack, std::int64_t scr, std::int32_t muxRate) {
  pack[0] = 0x00;
  pack[1] = 0x00;
  pack[2] = 0x01;
  pack[3] = kPackStart;
  encodeTimeStamp(pack + 4, 0x2, scr);
  pack[9] = static_cast<std::uint8_t>(0x80 | ((muxRate >> 15) & 0x7F));
  pack[10] = static_cast<std::uint8_t>(muxRate >> 7);
  pack[11] = static_cast<std::uint8_t>((muxRate & 0x7F) << 1 | 1);
}

int packAndSystemHeaderSize(const std::uint8_t* pack) {
  const std::uint8_t* sys = pack + kPackHeaderSize;
  if (!isStartCode(sys) || sys[3] != kSystemHeader) return kPackHeaderSize;
  return kPackHeaderSize + 6 + (sys[4] << 8 | sys[5]);
}

// --- Packet header -------------------------------------------------------------

bool parsePacketHeader(const std::uint8_t* packet, int avail, PacketHeader& out) {
  PacketHeader h;
  if (avail < 6) return false;
  if (packet[3] == kPrivateStream2) {
    out = h;
    return true;
  }
  int at = 6;
  int stuffing = 0;
  while (at < avail && packet[at] == 0xFF) {
    if (++stuffing > kMaxStuffing) return false;
    ++at;
  }
  if (at < avail && (packet[at] & 0xC0) == 0x40) {
    if (at + 2 > avail) return false;
    h.hasStd = true;
    h.stdScale = (packet[at] >> 5) & 0x01;
    h.stdSize = (packet[at] & 0x1F) << 8 | packet[at + 1];
    at += 2;
  }
  if (at >= avail) return false;
  const std::uint8_t flags = packet[at];
  if (flags == 0x0F) {
    at += 1;
  } else if ((flags & 0xF0) == 0x20) {
    if (at + 5 > avail) return false;
    h.pts = decodeTimeStamp(packet + at);
    at += 5;
  } else if ((flags & 0xF0) == 0x30) {
    if (at + 10 > avail) return false;
    h.pts = decodeTimeStamp(packet + at);
    h.dts = decodeTimeStamp(packet + at + 5);
    at += 10;
  } else {
    return false;
  }
  h.payloadOffset = at;
  out = h;
  return true;
}

namespace {

// Offset of the time stamp flag byte behind any stuffing and STD bytes, or -1.
int timeStampFlagOffset(const std::uint8_t* packet, int avail) {
  if (avail < 6 || packet[3] == kPrivateStream2) return -1;
  int at = 6;
  while (at < avail && packet[at] == 0xFF) ++at;
  if (at < avail && (packet[at] & 0xC0) == 0x40) at += 2;
  return at < avail ? at : -1;
}

}  // namespace

std::int64_t packetPts(const std::uint8_t* packet, int avail) {
  const int at = timeStampFlagOffset(packet, avail);
  if (at < 0 || at + 5 > avail) return -1;
  const int nibble = packet[at] >> 4;
  if (nibble != 0x2 && nibble != 0x3) return -1;
  return decodeTimeStamp(packet + at);
}

void packetPtsDts(const std::uint8_t* packet, int avail, std::int64_t& pts, std::int64_t& dts) {
  pts = -1;
  dts = -1;
  const int at = timeStampFlagOffset(packet, avail);
  if (at < 0 || at + 5 > avail) return;
  const int nibble = packet[at] >> 4;
  if (nibble != 0x2 && nibble != 0x3) return;
  pts = decodeTimeStamp(packet + at);
  if (nibble == 0x3 && at + 10 <= avail) dts = decodeTimeStamp(packet + at + 5);
}

// --- Sequence header --------------------------------------------------------------

double pictureRateOfCode(int code) {
  switch (code) {
    case 1:
      return 24000.0 / 1001.0;
    case 2:
      return 24.0;
    case 3:
      return 25.0;
    case 4:
      return 30000.0 / 1001.0;
    case 5:
      return 30.0;
    case 6:
      return 50.0;
    case 7:
      return 60000.0 / 1001.0;
    case 8:
      return 60.0;
    default:
      return 0.0;
  }
}

int decodeSequenceHeader(const std::uint8_t* h, SequenceHeader& out) {
  SequenceHeader s;
  s.horizontalSize = h[4] << 4 | h[5] >> 4;
  s.verticalSize = (h[5] & 0x0F) << 8 | h[6];
  s.pictureRateCode = h[7] & 0x0F;
  s.bitRateValue = h[8] << 10 | h[9] << 2 | h[10] >> 6;
  s.vbvBufferSize = (h[10] & 0x1F) << 5 | h[11] >> 3;
  s.pictureRate = pictureRateOfCode(s.pictureRateCode);
  if (s.pictureRate == 0.0) return kErrPictureRate;
  s.bytesPerSecond = s.bitRateValue == kVariableBitRate ? -1.0 : s.bitRateValue * 50.0;
  out = s;
  return 0;
}

std::size_t sequenceHeaderSize(const std::uint8_t* h, std::size_t available) {
  if (available < kSequenceHeaderBase) return kSequenceHeaderBase;
  // The intra matrix starts at the last bit of byte 11 and ends with the
  // non-intra flag as the last bit of byte 75.
  std::size_t size = kSequenceHeaderBase;
  std::size_t nonIntraFlagAt = kSequenceHeaderBase - 1;
  if (loadsIntraMatrix(h)) {
    size += kQuantiserMatrixBytes;
    nonIntraFlagAt += kQuantiserMatrixBytes;
    if (available < size) return size;
  }
  if ((h[nonIntraFlagAt] & 0x01) != 0) size += kQuantiserMatrixBytes;
  return size;
}

// --- Group of pictures header ---------------------------------------------------------

TimeCode decodeGopTimeCode(const std::uint8_t* g) {
  TimeCode tc;
  tc.dropFrame = (g[4] & 0x80) != 0;
  tc.hours = (g[4] >> 2) & 0x1F;
  tc.minutes = (g[4] & 0x03) << 4 | g[5] >> 4;
  tc.seconds = (g[5] & 0x07) << 3 | g[6] >> 5;
  tc.pictures = (g[6] & 0x1F) << 1 | g[7] >> 7;
  return tc;
}

void encodeGopTimeCode(std::uint8_t* g, const TimeCode& tc) {
  g[4] = static_cast<std::uint8_t>((tc.dropFrame ? 0x80 : 0) | (tc.hours & 0x1F) << 2 |
                                   (tc.minutes >> 4 & 0x03));
  g[5] = static_cast<std::uint8_t>((tc.minutes & 0x0F) << 4 | 0x08 | (tc.seconds >> 3 & 0x07));
  g[6] = static_cast<std::uint8_t>((tc.seconds & 0x07) << 5 | (tc.pictures >> 1 & 0x1F));
  g[7] = static_cast<std::uint8_t>((tc.pictures & 0x01) << 7 | (g[7] & 0x7F));
}

// --- Picture header ---------------------------------------------------------------------

void setPictureTemporalReference(std::uint8_t* p, int ref) {
  p[4] = static_cast<std::uint8_t>(ref >> 2);
  p[5] = static_cast<std::uint8_t>((p[5] & 0x3F) | (ref & 0x03) << 6);
}

void setPictureVbvDelay(std::uint8_t* p, int vbvDelay) {
  p[5] = static_cast<std::uint8_t>((p[5] & 0xF8) | (vbvDelay >> 13 & 0x07));
  p[6] = static_cast<std::uint8_t>(vbvDelay >> 5);
  p[7] = static_cast<std::uint8_t>((vbvDelay & 0x1F) << 3 | (p[7] & 0x07));
}

char pictureTypeLetter(int codingType) {
  switch (codingType) {
    case 1:
      return 'I';
    case 2:
      return 'P';
    case 3:
      return 'B';
    case 4:
      return 'D';
    default:
      return 0;
  }
}

// --- Audio frame header ---------------------------------------------------------------------

namespace {

constexpr int kKbps[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
};

int layerOfBits(int bits) {
  switch (bits) {
    case 0x06:
      return 1;
    case 0x04:
      return 2;
    case 0x02:
      return 3;
    default:
      return 0;
  }
}

int sampleRateOfBits(int bits) {
  switch (bits) {
    case 0x00:
      return 44100;
    case 0x04:
      return 48000;
    case 0x08:
      return 32000;
    default:
      return 0;
  }
}

}  // namespace

int audioKbps(int layer, int index) {
  if (layer < 1 || layer > 3 || index < 0 || index > 14) return -1;
  return kKbps[layer - 1][index];
}

int audioFrameLength(int layer, int kbps, int sampleRate) {
  if (kbps <= 0) return kFreeFormatFrameLength;
  if (layer == 1) {
    // Layer 1 frames are whole 4-byte slots: 12 x bit rate / f slots.
    return static_cast<int>(12LL * kbps * 1000 / sampleRate) * 4;
  }
  const double framesPerSecond = static_cast<double>(sampleRate) / 1152.0;
  return static_cast<int>(std::floor(kbps * 125.0 / framesPerSecond));
}

int decodeAudioHeader(const std::uint8_t* h, AudioHeader& out) {
  if (!isAudioSync(h)) return -1;
  AudioHeader a;
  a.layer = layerOfBits(h[1] & 0x06);
  a.bitRateIndex = h[2] >> 4;
  a.sampleRate = sampleRateOfBits(h[2] & 0x0C);
  if (a.layer == 0 || a.bitRateIndex == 15 || a.sampleRate == 0) return -1;
  a.kbps = audioKbps(a.layer, a.bitRateIndex);
  a.padding = (h[2] & 0x02) != 0;
  a.mode = h[3] >> 6;
  a.emphasis = h[3] & 0x03;
  a.frameLength = audioFrameLength(a.layer, a.kbps, a.sampleRate);
  a.paddingSize = a.layer == 1 ? 4 : 1;
  a.samplesPerFrame = a.layer == 1 ? 384 : 1152;
  out = a;
  return 0;
}

}  // namespace cw::mpeg1
