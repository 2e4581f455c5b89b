// Crop of a system-stream source: head and tail analysis when still needed,
// cut-in and cut-out, then the multiplexer (record modes 0-2) or an
// elementary-stream writer on one of the two streams (modes 3 and 4).
#include <algorithm>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "engine/edit/crop_workers.h"
#include "engine/edit/es_writer.h"
#include "engine/edit/mux.h"
#include "engine/edit/pack_profile.h"

namespace cw {

namespace {

constexpr int kHeadAndTailAnalysed = 2;

int analyseSourceOnce(platform::File& file, StreamInfo& src) {
  if (src.stage == kHeadAndTailAnalysed) return 0;
  std::int32_t measured = -1;
  if (const int rc = analyseSystemStream(file, src, measured)) return rc;
  src.stage = kHeadAndTailAnalysed;
  src.muxRateMeasured = measured;
  src.duration = static_cast<double>(src.video.lastTime - src.video.firstTime) / mpeg1::kClock;
  return 0;
}

int findCut(const OperationContext& ctx, platform::File& file, StreamInfo& src,
            CutInResult& cutIn) {
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, src.video.header);
  const double usable = usableSeconds(src.video, video.roundedPeriod);
  const CropMarks marks = clampSystemMarks(ctx.sourceMarkIn, ctx.sourceMarkOut, usable);
  const int mode = ctx.recordMode;
  if (const int rc = analyseCutIn(file, src, mode, ctx.removeDeadBpic, marks.in, 0, cutIn)) {
    return rc;
  }
  if (usable - marks.out <= kCropTailSeconds) return analyseCutOutAtEnd(file, src, mode, marks.out);
  return analyseCutOut(file, src, mode, marks.out, false);
}

bool cutIsEmpty(const StreamInfo& src, int mode) {
  const StreamDescriptor& d = mode == kModeAudioOnly ? src.audio : src.video;
  return d.workTail.point <= d.workHead.point;
}

std::int64_t estimateOutput(const StreamInfo& src, int mode) {
  double estimate = static_cast<double>(cutSpan(src.video));
  if (mode == kModeVideoOnly) estimate *= streamShare(src.videoByteRate, src.audioByteRate);
  if (mode == kModeAudioOnly) estimate *= streamShare(src.audioByteRate, src.videoByteRate);
  return static_cast<std::int64_t>(estimate);
}

// The demultiplexer reads blocks of the cut-in's rewrite-buffer size: its
// first block must hold the leading B-pictures that it removes.
int startWriter(MuxState& m, platform::File& file, StreamInfo& src, int mode,
                const CutInResult& cutIn, ChunkProducer& produce) {
  const int treatment = cutIn.repairMode;
  const auto readSize =
      static_cast<std::size_t>(std::max<std::int64_t>(kCropChunk, cutIn.bufferSize));
  int rc = 0;
  if (mode == kModeVideoOnly) {
    rc = StartVideoWriter(m, file, EsSourceKind::SystemStream, treatment, readSize, &src.video);
  } else if (mode == kModeAudioOnly) {
    rc = StartAudioWriter(m, file, EsSourceKind::SystemStream, kCropChunk, &src.audio);
  } else {
    const int minimumRate = std::max(src.muxRateDeclared, src.muxRateMeasured);
    rc = StartSystemMux(m, file, mode, treatment, readSize, minimumRate, &src.video, &src.audio);
  }
  if (rc != 0) return rc;
  const bool system = mode != kModeVideoOnly && mode != kModeAudioOnly;
  produce = [&m, system](std::uint8_t* dest, std::size_t size, std::size_t& delivered) {
    return system ? MuxChunk(m, dest, size, delivered) : EsChunk(m, dest, size, delivered);
  };
  return 0;
}

RecordContent contentOfMode(int mode) {
  if (mode == kModeVideoOnly) return RecordContent::VideoOnly;
  if (mode == kModeAudioOnly) return RecordContent::AudioOnly;
  return RecordContent::System;
}

}  // namespace

int cropSystemStream(OperationContext& ctx, CropFiles& files, CropResult& result) {
  StreamInfo& src = *ctx.source;
  src.video.handle = src.audio.handle = files.source.fd();
  if (const int rc = analyseSourceOnce(files.source, src)) return rc;
  CutInResult cutIn;
  if (const int rc = findCut(ctx, files.source, src, cutIn)) return rc;
  const int mode = ctx.recordMode;
  if (cutIsEmpty(src, mode)) return kCropEmpty;

  const std::int64_t estimate = estimateOutput(src, mode);
  if (const int rc = checkCropSpace(ctx, estimate)) return rc;

  MuxState m;
  ChunkProducer produce;
  if (const int rc = startWriter(m, files.source, src, mode, cutIn, produce)) {
    return rc;
  }
  const StatusMap mapStatus = [](int status) { return muxStatusError(MuxOperation::Crop, status); };
  std::int64_t written = 0;
  if (const int rc = copyChunks(ctx, produce, mapStatus, files, estimate, written)) return rc;
  result.written = written;
  result.muxRate = m.profile.muxRate;
  result.content = contentOfMode(mode);
  return 0;
}

}  // namespace cw
