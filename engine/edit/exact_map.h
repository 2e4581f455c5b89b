// The pictures and audio frames of a stretch of a source, for an exact cut:
// where each GOP and picture lies in the file, its place in display order
// counted from the source's first picture, and the time of every audio frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/analysis/stream_info.h"
#include "engine/analysis/stream_params.h"
#include "platform/file.h"

namespace cw {

struct MappedGop {
  StreamArea area;           // the packet holding the GOP header, and the header itself
  std::size_t esOffset = 0;  // of the GOP header (or of a sequence header right before it)
  bool closed = false;
  int pictures = 0;
  int intraRef = 0;              // temporal reference of its I-picture
  int intraVbvDelay = 0xFFFF;    // vbv_delay of its I-picture
  std::int64_t firstIndex = -1;  // display index of temporal reference 0
  double firstTime = 0.0;        // its time in ticks (system streams)
  bool timed = false;
};

struct MappedFrame {
  StreamArea area;  // the packet holding the frame start, and the start
  std::int64_t time = 0;
};

struct SourceMap {
  std::vector<std::uint8_t> video;  // video elementary bytes of the window
  std::vector<MappedGop> gops;      // complete GOPs only, in stream order
  std::vector<MappedFrame> frames;  // audio frames with a known time
  bool usesB = false;               // B-pictures seen

  // The GOP holding display index `index`, or gops.size().
  std::size_t gopHolding(std::int64_t index) const;
  std::int64_t intraIndex(std::size_t gop) const {
    return gops[gop].firstIndex + gops[gop].intraRef;
  }
  // The time of display index `index`, from the nearest timed GOP.
  double timeOf(std::int64_t index, double period) const;
};

// Maps the system-stream window [from, to) of `file`: video stream 0 and, when
// `withAudio`, audio stream 0. Display indexes come from the pictures' time
// stamps against `video.firstTime`. 0 or a cut-in analysis error.
int mapSystemWindow(platform::File& file, std::int64_t from, std::int64_t to,
                    const StreamDescriptor& video, const StreamParams& videoParams,
                    const StreamParams& audioParams, bool withAudio, SourceMap& map);

// Maps the video elementary-stream window [from, to); display indexes count
// the pictures of the file from its start. 0 or a cut-in analysis error.
int mapVideoWindow(platform::File& file, std::int64_t from, std::int64_t to, SourceMap& map);

}  // namespace cw
