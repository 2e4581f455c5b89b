// Parameters derived from one stored header: a video sequence header (12 bytes
// or more, start code included) or a 4-byte audio frame header.
#pragma once

#include <cstdint>

namespace cw {

struct StreamParams {
  std::uint8_t pattern[4] = {0, 0, 0, 0};  // video: 00 00 01 B8; audio: masked header
  std::uint8_t second[4] = {0, 0, 0, 0};   // video: 00 00 01 00; audio: mask FF FE FC 80
  std::int64_t roundedPeriod = 0;          // ticks, rounded half up
  double period = 0.0;                     // ticks (exact)
  double rate = 0.0;                       // pictures or audio frames per second
  int vbvBufferSize = 0;                   // video: units of 16 kbit
  int frameLength = 0;                     // audio: bytes without padding
  double bitRate = 0.0;                    // bytes per second; -1.0 variable / free format
  int layer = 0;                           // audio: 1, 2 or 3
  std::uint8_t streamId = 0;
  int status = 0;  // 0, or the header error
};

// Builds the parameters of `streamId` from `header` (at least 12 bytes for a
// video id 0xE0-0xEF, at least 4 for an audio id 0xC0-0xDF). The result's
// status carries the header error; other ids store only the id.
StreamParams makeStreamParams(std::uint8_t streamId, const std::uint8_t* header);

// True when the 4 bytes at `h` are a frame header of the audio stream of
// `params`: 0xFF and the masked bytes equal the pattern (protection, padding,
// private bits, the low mode bit, mode extension, copyright, original and
// emphasis are ignored).
bool matchesAudioFrame(const StreamParams& params, const std::uint8_t* h);

}  // namespace cw
