// Cut-area analyses: where to cut a source file around the user's mark in
// and mark out (seconds from the start of the usable stream). The video is
// cut at group-of-pictures boundaries, the audio at the frame synchronised
// with each video cut. The head and tail of the source must have been
// analysed. Results go only into the working fields of the descriptors, and
// only on success; each routine returns 0 or an engine error number.
#pragma once

#include <cstdint>
#include <limits>

#include "engine/analysis/stream_info.h"
#include "engine/common/cut_in.h"
#include "platform/file.h"

namespace cw {

// What the writer of the cut-in GOP needs.
struct CutInResult {
  CutInTreatment treatment = kCutInPlain;
  std::int64_t bufferSize = 32768;  // bytes of the rewrite buffer
};

// How the window search went: attempts made, the first attempt's result
// and the size of the last window. For diagnostics and tests.
struct CutAreaTrace {
  int attempts = 0;
  int firstResult = 0;
  std::int64_t lastWindowSize = 0;
};

// Which audio frame starts the cut: the first one at or after the picture
// cut-in (a crop, whose time stamps keep the source's distance between the
// streams), or the one nearest to it (a join, where the sound must continue
// the record's and can only move by whole frames).
enum class AudioChoice { AtOrAfter, Nearest };

// System streams (file type 0 or 3).
int analyseCutIn(platform::File& file, StreamInfo& info, int recordMode, bool removeDeadBpic,
                 double markIn, std::int64_t audioOffset, CutInResult& result,
                 CutAreaTrace* trace = nullptr);
// The cut-in of a stretch joined behind a record whose sound ends `audioLag`
// ticks before its pictures (negative: after them): the audio frame whose
// time plus the lag lies nearest the picture cut-in, within half a frame,
// so the joined pictures and sound keep the source's distance to within
// half a frame whatever the record's lag.
int analyseJoinCutIn(platform::File& file, StreamInfo& info, int recordMode, bool removeDeadBpic,
                     double markIn, std::int64_t audioLag, CutInResult& result);
int analyseCutOut(platform::File& file, StreamInfo& info, int recordMode, double markOut,
                  bool lastFrame, CutAreaTrace* trace = nullptr);
// Cut-out at the last complete GOP of the file whose audio is synchronised,
// for a mark out near the end (or beyond it). Where the sound ends before
// the pictures, its end is the audio cut-out: the writer adds the silence.
int analyseCutOutAtEnd(platform::File& file, StreamInfo& info, int recordMode,
                       double markOut = std::numeric_limits<double>::infinity());
// The cut-in of a sequence crop: the previous cut-out point, left in the
// video descriptor's working head area.
int analyseSequenceCutIn(platform::File& file, StreamInfo& info, int recordMode,
                         bool removeDeadBpic, std::int64_t audioOffset, CutInResult& result);

// Elementary streams: time and position are mapped linearly between the
// head and tail areas.
int analyseVideoOnlyCutIn(platform::File& file, StreamInfo& info, bool removeDeadBpic,
                          double markIn, CutInResult& result);
int analyseVideoOnlySequenceCutIn(platform::File& file, StreamInfo& info, bool removeDeadBpic,
                                  CutInResult& result);
int analyseVideoOnlyCutOut(platform::File& file, StreamInfo& info, double markOut);
int analyseAudioOnlyCutIn(platform::File& file, StreamInfo& info, double markIn);
int analyseAudioOnlyCutOut(platform::File& file, StreamInfo& info, double markOut);

}  // namespace cw
