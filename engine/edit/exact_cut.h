// Exact cuts: the record starts on the picture displayed at the mark in and
// ends on the last one before the mark out. The GOPs that the marks fall in
// are decoded and their kept pictures re-encoded by the operation's
// PictureReencoder; every other picture is copied as it is.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/analysis/stream_info.h"
#include "engine/edit/crop_steps.h"
#include "engine/edit/picture_reencoder.h"
#include "engine/edit/video_splice.h"
#include "platform/file.h"

namespace cw {

// Where the copied part of an exact cut begins and ends, and what is coded anew.
struct ExactPlan {
  StreamArea videoHead;
  StreamArea videoTail;
  std::int64_t videoFirstTime = 0;
  std::int64_t videoLastTime = 0;
  bool withAudio = false;
  StreamArea audioHead;
  StreamArea audioTail;
  std::int64_t audioFirstTime = 0;
  std::int64_t audioLastTime = 0;
  int treatment = 0;  // of the first copied GOP
  bool hasHead = false;
  bool hasTail = false;
  bool copiesToEnd = false;  // the copy runs to the end of the source
  ReencodeJob head;
  ReencodeJob tail;
};

// Plans the exact cut of [marks.in, marks.out) seconds. The GOP-accurate
// analyses must have set the working areas (they say where to look). The
// first audio frame is the one whose time, plus `audioOffset` (ticks: the
// lag a join's source answers), is nearest the first picture's.
// 0, 7005 (no picture between the marks) or an analysis error.
int planExactSystemCut(platform::File& file, const StreamInfo& src, bool withAudio,
                       const CropMarks& marks, ExactPlan& plan, std::int64_t audioOffset = 0);
int planExactVideoCut(platform::File& file, const StreamInfo& src, const CropMarks& marks,
                      ExactPlan& plan);

// Codes the plan's pictures; `coarseness` 0 first. 0 or 6007.
int encodeSplice(PictureReencoder& reencoder, const ExactPlan& plan, int coarseness,
                 VideoSplice& splice);

// Writes one attempt of the cut with the first copied GOP's treatment and
// the splice; returns 0 or an engine error number.
using ExactWriter = std::function<int(int treatment, const VideoSplice* splice)>;

// The exact crop of a source whose GOP-accurate cut the analyses have found:
// plans it, moves the working areas to it, and writes it, coding the edge
// pictures more coarsely and writing again (up to three times) when the
// decoder buffers do not take them.
int cropExact(OperationContext& ctx, platform::File& record, platform::File& source,
              bool systemStream, const CropMarks& marks, const ExactWriter& write);

// True when the decoder buffers take the cut with `splice`.
using SpliceTrial = std::function<bool(const VideoSplice& splice)>;

// The source side of an exact append or entry: plans the cut of the
// context's source as a crop would (system stream: with its sound in the
// record modes 0-2; a join's lag in `audioOffset`), moves the working areas
// to it and codes its edge pictures, more coarsely each time (up to three
// times) that `fits`, when given, refuses them. `treatment` is the first
// copied GOP's from the planning on. Marks the context's record exact. 0 or
// an engine error number.
int exactJoinCut(OperationContext& ctx, platform::File& source, bool systemStream,
                 std::int64_t audioOffset, const CropMarks& marks, int& treatment,
                 VideoSplice& splice, const SpliceTrial& fits = {});

}  // namespace cw
