// The record mode: what the engine writes into the project. Modes 0-2 write a
// system stream (MPEG, or the VideoCD layout with or without the zero bytes
// behind every audio pack), 3 and 4 an elementary stream.
#pragma once

namespace cw {

enum RecordMode : int {
  kModeMpegSystem = 0,
  kModeVideoCd = 1,
  kModeVideoCdZeroes = 2,
  kModeVideoOnly = 3,
  kModeAudioOnly = 4,
};

}  // namespace cw
