// Rewriting of the elementary streams of a cut while they pass through an
// EsBuffer: GOP time codes, vbv_delay, removal of the B-pictures that depend
// on the cut-away past, and the PTS/DTS of every picture and audio frame,
// counted from the cut. The access-unit scanners run over the bytes a reader
// has just appended and carry start codes split over block ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/common/cut_in.h"
#include "engine/edit/es_buffer.h"

namespace cw {

// Crop start of a video stream: time code 00:00:00:00, time-code rate and
// drop flag from the parameters and the descriptor, vbv tracking afresh, the
// next picture is the first of the cut, anchor offset = rounded period - the
// descriptor's working first time.
void startVideoRewrite(EsBuffer& buf);
// Crop start of an audio stream: the first frame gets time 0, anchor offset =
// - the descriptor's working first time.
void startAudioStamps(EsBuffer& buf);
// Starts the vbv tracking of a new demultiplexer run (the counters and bounds
// belong to one run).
void restartVbvTracking(EsBuffer& buf);

// Join start: continues the time code, drop flag, vbv_delay and last temporal
// reference from the first 8 bytes of the record's last GOP header and of its
// last picture header, the time code advanced by `picturesAfterGop`.
void continueVideoRewrite(EsBuffer& buf, const std::uint8_t* gopHeader,
                          const std::uint8_t* pictureHeader, int picturesAfterGop);

// Time-code picture rate: the whole part of the picture rate, 23 -> 24,
// 29 -> 30, 59 -> 60.
int timeCodeRateOf(double pictureRate);
// One picture on: pictures, seconds, minutes, hours (wrapping after 23 h);
// with drop-frame counting each new minute that is not a multiple of 10
// starts at picture 2.
void advanceTimeCode(mpeg1::TimeCode& tc, int rate, bool dropFrame);

// Scans [scanPos, stored) for GOP and picture headers: writes the time code
// into GOP headers, recomputes vbv_delay, applies the cut-in repairs, and
// appends one access unit per picture with its PTS and DTS (the packet marks
// of the buffer say which pictures are anchored to a packet PTS). Bytes that may
// begin a header continuing in the next block stay held. 0 or kDemuxNoMemory.
int scanVideoUnits(EsBuffer& buf);
// The same for audio frames (pattern and mask of the stream's parameters).
int scanAudioUnits(EsBuffer& buf);

// Marks the first GOP header at or behind buffer offset `at` (which may
// still be incomplete, or not yet read) for broken_link; the scanner sets it
// unless closed_gop is set.
void markBrokenLinkAt(EsBuffer& buf, std::size_t at);

enum class DeadBResult {
  Removed,     // leading B-pictures deleted, GOP closed, renumbering armed
  NotNeeded,   // the block does not start with an open GOP led by B-pictures
  Incomplete,  // the B-pictures run past the block: nothing deleted
};
// Removes the B-pictures that lead the first GOP of [from, stored), which
// may be preceded by sequence headers (the inserted one and the source's own
// when the cut-in is a sequence header): deletes
// their bytes, arms the temporal-reference shift for the rest of that GOP,
// clears broken_link and sets closed_gop. Marks lying behind the deleted
// bytes move with them. Runs before the new bytes are scanned.
DeadBResult removeDeadBPictures(EsBuffer& buf, std::size_t from);

// One vbv_delay of constant-rate video, given the picture count n, the bytes
// S of the preceding pictures and the tracker; kNoVbvDelay when the result
// leaves (0, 65535).
int recomputeVbvDelay(VbvTracker& vbv, double period, std::int64_t n, std::int64_t bytesBefore);

}  // namespace cw
