// Every constant of a system-stream multiplex that depends on the record
// mode, in one record: pack and packet sizes, payloads, the mux rate and what
// derives from it, the time-stamp lead, the decoder-buffer sizes and the
// system headers written at the start. The multiplexer reads the mode only
// through this record.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/analysis/stream_params.h"
#include "engine/common/record_mode.h"

namespace cw {

inline constexpr int kVideoCdMuxRate = 3528;  // 176 400 bytes/s
inline constexpr int kMaxMuxRate = 0x3FFFFF;  // 22-bit field
inline constexpr int kVideoHeaderBytes = 12;  // stuffing + time stamps of a video packet
inline constexpr int kAudioHeaderBytes = 7;   // two header bytes + PTS of an audio packet
inline constexpr int kZeroFillBytes = 20;     // behind every audio pack in VideoCD (zeroes)

// A pack written before any data: pack header, one system header and a
// padding packet of `padding` bytes, then `zeroFill` zero bytes.
struct LeadingPack {
  std::vector<std::uint8_t> systemHeader;
  int padding = 0;
  int zeroFill = 0;  // zero bytes behind the pack
};

struct PackProfile {
  int recordMode = kModeMpegSystem;
  bool videoCd = false;
  bool zeroFill = false;  // 20 zero bytes follow every audio pack that carries data

  int videoPackSize = 2048;    // P
  int videoPacket = 2030;      // V: packet_length of a full video packet
  int audioPacket = 2030;      // A: packet_length of a full audio packet
  int videoPayload = 2018;     // V - 12
  int audioPayload = 2023;     // A - 7
  int systemPadding = 2018;    // S: padding behind a system header
  int paddingSpace = 2026;     // E: padding of a padding pack and of the end pack
  int endCodeInLastAudio = 0;  // VideoCD: the last audio pack carries the end code

  int muxRate = 0;              // R, units of 50 bytes/s
  double bytesPerSecond = 0.0;  // 50 R
  double ticksPerByte = 0.0;
  double bytesPerTick = 0.0;
  std::int64_t ticksPerPack = 0;

  // Output time of the first access units: the audio offset, and the video
  // offset before the source's audio/video distance is taken off it (in
  // every mode, so that sound and picture keep the source's distance).
  std::int64_t timeStampLead = 63722;

  // Decoder buffers of the target decoder and the STD fields that declare them.
  std::int64_t videoBufferSize = 47104;
  std::int64_t audioBufferSize = 4096;
  std::uint8_t videoStdField[2] = {0x60, 0x2E};
  std::uint8_t audioStdField[2] = {0x40, 0x20};
  int bufferMargin = 20;
  // Bytes from the SCR-stamped ninth byte of a pack to the first payload byte.
  int videoArrivalOffset = 21;
  int audioArrivalOffset = 16;

  bool videoFirst = true;  // the stream examined first after the leading packs

  std::vector<LeadingPack> leadingPacks;

  int audioPackSize() const { return 18 + audioPacket; }  // without the zero fill
  int paddingPackSize() const { return paddingSpace + 16; }
};

// The MPEG System mux rate for a video and an audio stream: 0, 1507 (video
// rate variable or zero) or 1509 (free-format audio). `minimum` raises the
// result; the result never passes the 22-bit field.
int computeMuxRate(const StreamParams& video, const StreamParams& audio, int packSize, int minimum,
                   int& rate);

// The profile of a system-stream record mode (0, 1 or 2). MPEG System
// computes the mux rate (1507 / 1509 as above); VideoCD never does.
int makePackProfile(int recordMode, const StreamParams& video, const StreamParams& audio,
                    int minimumMuxRate, PackProfile& out);

// A system header for `rate` declaring audio stream 0 (when audioBound is 1)
// and video stream 0 (when videoBound is 1) with their buffer sizes.
std::vector<std::uint8_t> makeSystemHeader(int rate, int audioBound, int videoBound);

}  // namespace cw
