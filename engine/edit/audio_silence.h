// Silent audio frames in the format of a stream's own frame header. Where a
// cut's sound ends before its pictures (or a record's sound before the join),
// the writers fill the rest with them, so that the sound runs as long as the
// pictures and its clock never stops.
//
// Layer I and II frames are the header (with its CRC when the stream has
// one) and all bit allocations zero; layer III frames are empty granules.
// Every other bit is zero. Frames are padded as an encoder of the stream's
// bit rate pads them, so the stream keeps its rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/analysis/stream_info.h"
#include "engine/analysis/stream_params.h"
#include "engine/edit/es_buffer.h"

namespace cw {

class SilentFrames {
 public:
  // From a 4-byte frame header of the stream. A free-format or invalid
  // header gives no frames (ok() is false).
  explicit SilentFrames(const std::uint8_t* header);

  bool ok() const { return frameBytes_ > 0; }

  // Appends `count` frames to `out`. Returns false (appending nothing) when
  // the header was unusable or memory ran out.
  bool append(std::int64_t count, std::vector<std::uint8_t>& out);

 private:
  std::uint8_t header_[4] = {};
  int frameBytes_ = 0;               // without the padding slot
  int slotBytes_ = 1;                // 4 in layer I
  std::int64_t slotsNumerator_ = 0;  // slots per frame = numerator / sampleRate
  std::int64_t sampleRate_ = 0;
  std::int64_t paddingDebt_ = 0;
  int protectedBits_ = 0;  // bits after the header that the CRC covers
};

// The CRC-16 of an audio frame (polynomial 0x8005, start 0xFFFF) over header
// bytes 2 and 3 followed by `zeroBits` zero bits: what a frame whose
// protected part is all zero carries behind its header.
std::uint16_t silentFrameCrc(const std::uint8_t* header, int zeroBits);

// Silent frames a cut needs behind its sound: none while the sound reaches to
// within two frames of the end of the pictures (what a cut-out has always
// left open), otherwise as many as fill the rest to within half a frame.
// `video` and `audio` carry the cut's working times.
std::int64_t silenceAfterCut(const StreamDescriptor& video, const StreamDescriptor& audio,
                             const StreamParams& audioParams);

// Appends `count` silent frames in the format of the buffer's stream and
// scans them as frames of the cut, each one frame after the previous one.
// 0, kDemuxNoMemory or kDemuxOverflow.
int appendSilence(EsBuffer& buf, std::int64_t count);

// Seconds of silence added to the buffer's stream so far.
double silenceSeconds(const EsBuffer& buf);

// The end of a stream's data: an audio stream first gets the silence still
// to add (EsBuffer::silenceToAdd), then the buffer is finished.
int finishWithSilence(EsBuffer& buf);

}  // namespace cw
