// The system-stream walk of the conformance check: packs, system headers,
// packets and the end code, the clock, the VideoCD layout when the first
// pack claims it, and one StreamReplay per audio or video stream.
#pragma once

#include "engine/edit/check_input.h"
#include "engine/edit/stream_check.h"

namespace cw {

void checkSystemStream(CheckInput& input, CheckReport& report);

}  // namespace cw
