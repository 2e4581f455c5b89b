// Duration of an analysed file, measured on demand: runs the head/tail
// analysis that fits the file type and completes the record with it.
#pragma once

#include "engine/analysis/stream_info.h"

namespace cw {

// For a record after the quick analysis: sets the duration to -1.0, opens
// the file, runs the system-stream analysis (types 0 and 3) or the
// video-only analysis (type 1) and, on success, sets stage 2, the duration
// (and for a system stream the measured mux rate). Returns 0 or the engine
// error number of the analysis: 1016 when the file cannot be opened, 1002
// for a file type that has no duration here (audio-only and not editable
// files). Runs the analysis again on every call.
int analyseDuration(StreamInfo& info);

}  // namespace cw
