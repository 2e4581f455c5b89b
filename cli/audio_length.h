// The length of an audio-only elementary stream: its whole frames times the
// frame period, measured from where its first frame starts to where its
// last whole frame ends.
#pragma once

#include "engine/analysis/stream_info.h"

namespace cw::cli {

// Runs the audio-only head/tail analysis of `info` (after the quick
// analysis of an audio-only file) and sets `seconds`. 0, or the engine
// error number of the analysis; `seconds` is written only on success.
int measureAudioOnlyLength(StreamInfo& info, double& seconds);

}  // namespace cw::cli
