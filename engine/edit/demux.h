// The demultiplexer: takes the byte range of a system-stream source between
// the cut-in and cut-out points apart into the elementary-stream buffers of
// video stream 0 and audio stream 0, one read block per step, and has their
// bytes rewritten on the way (video_rewrite.h).
//
// The range runs from the smallest working head area start to the largest
// working tail area end of the buffers' descriptors. A packet of a stream is
// copied when its file position lies between the start of that stream's
// cut-in packet and the start of its cut-out packet: the cut-in packet from the
// cut-in point on (the stored sequence header in front of the video), the
// cut-out packet up to the cut-out point (the video closed by a sequence end
// code), every other packet whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/edit/demux_packets.h"
#include "engine/edit/es_buffer.h"
#include "engine/edit/video_rewrite.h"
#include "platform/file.h"

namespace cw {

inline constexpr std::size_t kDemuxReadCeiling = 65536;

struct DemuxState {
  platform::File* file = nullptr;   // the source, shared by both streams
  std::vector<std::uint8_t> block;  // read buffer; block.size() is its capacity
  std::size_t blockFill = 0;        // unparsed rest of the previous read + new bytes
  std::int64_t blockOffset = 0;     // file offset of block[0]
  std::size_t blockCeiling = kDemuxReadCeiling;
  std::int64_t start = 0;  // read range [start, end)
  std::int64_t end = 0;
  std::int64_t position = 0;  // next file position to read
  int treatment = kCutInPlain;
  bool firstStep = false;
  // Video stream offset of a cut-in whose leading B-pictures run past the
  // bytes read so far; the step reads on until they are complete. -1: none.
  std::int64_t deadBFrom = -1;
  std::vector<DemuxPacket> packets;  // packets of the current block
};

// Positions the demultiplexer on the cut areas of the buffers' descriptors
// (`audio` may be null for a video-only writer, `video` for an audio-only
// one): allocates the read block (`chunk` bytes), checks the areas, seeks to
// the range start and starts the vbv tracking of the video afresh.
// 0, kDemuxNoMemory, kDemuxBadRange or kDemuxReadError.
int PositionDemux(DemuxState& state, platform::File& file, std::size_t chunk, int treatment,
                  EsBuffer* video, EsBuffer* audio);

// Reads and distributes one block, or as many as it takes to hold the
// leading B-pictures that a cut-in removes. When the range has been read, every
// stream's end of data is set. 0, kDemuxReadError, kDemuxOverflow,
// kDemuxNoMemory or kDemuxIncorrectPacket; on failure the buffers keep the
// bytes they had before the step.
int DemuxStep(DemuxState& state, EsBuffer* video, EsBuffer* audio);

}  // namespace cw
