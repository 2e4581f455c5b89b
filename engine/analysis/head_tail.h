// Head and tail analyses: find where the usable stream of a file begins and
// ends (a complete group of pictures, a synchronised audio frame) and the
// presentation times there. They read only a window at the head and one at
// the tail of the file, so their cost does not depend on the file's length.
//
// Each returns 0 or an engine error number; on failure the record is left as
// it was. On success the head and tail areas, the first and last times and
// their working copies are stored in the record's descriptors.
#pragma once

#include <cstdint>

#include "engine/analysis/stream_info.h"
#include "platform/file.h"

namespace cw {

// A system stream (file type 0 or 3, as recorded in the video descriptor).
// Also stores the drop_frame_flag of the first GOP and the vbv_delay of its
// I-picture in the video descriptor. `measuredMuxRate` receives the rate the
// stream really has between its head and tail (units of 50 bytes/s).
int analyseSystemStream(platform::File& file, StreamInfo& info, std::int32_t& measuredMuxRate);

// A video elementary stream (type 1): times are mapped linearly from byte
// positions at the declared bit rate.
int analyseVideoOnly(platform::File& file, StreamInfo& info);

// An audio elementary stream (type 2): times mapped linearly at the bit rate.
int analyseAudioOnly(platform::File& file, StreamInfo& info);

}  // namespace cw
