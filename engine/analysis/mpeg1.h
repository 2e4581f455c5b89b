// ISO/IEC 11172 (MPEG-1) constants and field layouts shared by the readers
// and the writers: start codes, stream ids, and small decode/encode functions
// side by side. Offsets are from the first byte of the start code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cw::mpeg1 {

// Start codes: 00 00 01 xx.
inline constexpr std::uint8_t kPictureStart = 0x00;
inline constexpr std::uint8_t kSequenceHeader = 0xB3;
inline constexpr std::uint8_t kSequenceEnd = 0xB7;
inline constexpr std::uint8_t kGroupStart = 0xB8;
inline constexpr std::uint8_t kEndCode = 0xB9;  // ISO 11172 end code
inline constexpr std::uint8_t kPackStart = 0xBA;
inline constexpr std::uint8_t kSystemHeader = 0xBB;
inline constexpr std::uint8_t kReservedStream = 0xBC;
inline constexpr std::uint8_t kPrivateStream1 = 0xBD;
inline constexpr std::uint8_t kPaddingStream = 0xBE;
inline constexpr std::uint8_t kPrivateStream2 = 0xBF;
inline constexpr std::uint8_t kAudioStream0 = 0xC0;
inline constexpr std::uint8_t kVideoStream0 = 0xE0;

inline constexpr int kPackHeaderSize = 12;
inline constexpr int kMaxStuffing = 16;
inline constexpr std::int64_t kClock = 90000;  // system clock ticks per second
inline constexpr double kSecondsPerTick = 1.1111111111111112e-05;

// bit_rate value that declares a variable rate.
inline constexpr int kVariableBitRate = 0x3FFFF;
// Frame length reported for free-format audio (bit-rate index 0).
inline constexpr int kFreeFormatFrameLength = 4;

inline bool isStartCode(const std::uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 1; }
inline bool isPacketId(std::uint8_t id) { return id >= 0xBC; }
inline bool isAudioId(std::uint8_t id) { return id >= 0xC0 && id <= 0xDF; }
inline bool isVideoId(std::uint8_t id) { return id >= 0xE0 && id <= 0xEF; }

// --- Time stamps (SCR, PTS, DTS: 5 bytes) -------------------------------
// Low 32 bits of the 33-bit field, read as signed 32 and widened.
std::int64_t decodeTimeStamp(const std::uint8_t* b);
// Writes a 33-bit time stamp with the 4-bit prefix (0x2 PTS only, 0x3 PTS of
// a pair, 0x1 DTS, 0x2 SCR in a pack header) and its marker bits.
void encodeTimeStamp(std::uint8_t* b, std::uint8_t prefix, std::int64_t ticks);

// --- Pack header ---------------------------------------------------------
std::int64_t packScr(const std::uint8_t* pack);
std::int32_t packMuxRate(const std::uint8_t* pack);  // units of 50 bytes/s
void encodePackHeader(std::uint8_t* pack, std::int64_t scr, std::int32_t muxRate);
// Bytes of pack header plus the system header that follows it (12 when no
// system header follows). The caller provides 18 bytes from the pack start.
int packAndSystemHeaderSize(const std::uint8_t* pack);

// --- Packet header ---------------------------------------------------------
inline int packetLength(const std::uint8_t* p) { return p[4] << 8 | p[5]; }
// Parses the header fields from byte 6 within `avail` bytes of the packet
// (private stream 2 has none: its payload starts at byte 6). False for an
// incorrect header or one that does not fit in `avail`; `out` is then untouched.
struct PacketHeader {
  int payloadOffset = 6;
  bool hasStd = false;
  int stdScale = 0;
  int stdSize = 0;
  std::int64_t pts = -1;
  std::int64_t dts = -1;
};
bool parsePacketHeader(const std::uint8_t* packet, int avail, PacketHeader& out);
// PTS only: skips 0xFF and the STD bytes; -1 on 0x0F or when no time stamp
// flag nibble (0x2 or 0x3) follows.
std::int64_t packetPts(const std::uint8_t* packet, int avail);
// PTS and DTS by the flag nibble.
void packetPtsDts(const std::uint8_t* packet, int avail, std::int64_t& pts, std::int64_t& dts);

// --- Sequence header --------------------------------------------------------
struct SequenceHeader {
  int horizontalSize = 0;
  int verticalSize = 0;
  int pictureRateCode = 0;
  int bitRateValue = 0;  // units of 400 bit/s; 0x3FFFF variable
  int vbvBufferSize = 0;
  double pictureRate = 0.0;     // pictures per second
  double bytesPerSecond = 0.0;  // -1.0 variable
};
// 0 or 1502 (picture rate code outside 1-8).
int decodeSequenceHeader(const std::uint8_t* h, SequenceHeader& out);

// A sequence header is 12 bytes, followed by the 64-byte intra and non-intra
// quantiser matrices when their load flags are set (140 bytes at most).
inline constexpr std::size_t kSequenceHeaderBase = 12;
inline constexpr std::size_t kQuantiserMatrixBytes = 64;
inline constexpr std::size_t kSequenceHeaderMax = kSequenceHeaderBase + 2 * kQuantiserMatrixBytes;
// Whether the header loads an intra matrix (the flag is bit 1 of byte 11).
inline bool loadsIntraMatrix(const std::uint8_t* h) { return (h[11] & 0x02) != 0; }
// Size of the whole header. `available` bytes of it can be read; the flag of
// the non-intra matrix lies behind the intra matrix when that is loaded, so
// the result may ask for more bytes than were available: read again then.
std::size_t sequenceHeaderSize(const std::uint8_t* h, std::size_t available);
double pictureRateOfCode(int code);  // 0.0 for an invalid code

// --- Group of pictures header ---------------------------------------------------
struct TimeCode {
  bool dropFrame = false;
  int hours = 0, minutes = 0, seconds = 0, pictures = 0;
};
inline bool gopDropFrame(const std::uint8_t* g) { return (g[4] & 0x80) != 0; }
inline bool gopClosed(const std::uint8_t* g) { return (g[7] & 0x40) != 0; }
inline bool gopBrokenLink(const std::uint8_t* g) { return (g[7] & 0x20) != 0; }
TimeCode decodeGopTimeCode(const std::uint8_t* g);
void encodeGopTimeCode(std::uint8_t* g, const TimeCode& tc);  // keeps closed/broken bits

// --- Picture header ------------------------------------------------------------
inline int pictureTemporalReference(const std::uint8_t* p) { return p[4] << 2 | p[5] >> 6; }
inline int pictureCodingType(const std::uint8_t* p) { return (p[5] & 0x38) >> 3; }
inline int pictureVbvDelay(const std::uint8_t* p) {
  return (p[5] & 0x07) << 13 | p[6] << 5 | p[7] >> 3;
}
void setPictureTemporalReference(std::uint8_t* p, int ref);
void setPictureVbvDelay(std::uint8_t* p, int vbvDelay);
char pictureTypeLetter(int codingType);  // 'I','P','B','D', 0 when forbidden

// --- Audio frame header -----------------------------------------------------------
struct AudioHeader {
  int layer = 0;  // 1, 2, 3
  int bitRateIndex = 0;
  int kbps = 0;        // 0 free format
  int sampleRate = 0;  // Hz
  bool padding = false;
  int mode = 0;  // 0 stereo, 1 joint, 2 dual, 3 single
  int emphasis = 0;
  int frameLength = 0;      // bytes without padding
  int paddingSize = 0;      // 4 for layer 1, 1 otherwise
  int samplesPerFrame = 0;  // 384 or 1152
};
inline bool isAudioSync(const std::uint8_t* h) { return h[0] == 0xFF && h[1] >= 0xF0; }
// 0, or -1 for a missing sync word or an invalid layer, bit-rate index or
// sampling frequency.
int decodeAudioHeader(const std::uint8_t* h, AudioHeader& out);
int audioKbps(int layer, int index);
// Bytes without the padding slot; layer 1 frames are whole 4-byte slots.
// Free format (kbps 0) gives kFreeFormatFrameLength.
int audioFrameLength(int layer, int kbps, int sampleRate);

}  // namespace cw::mpeg1
