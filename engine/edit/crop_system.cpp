// Crop of a system-stream source: head and tail analysis when still needed,
// cut-in and cut-out, then the multiplexer (record modes 0-2) or an
// elementary-stream writer on one of the two streams (modes 3 and 4).
#include <algorithm>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "engine/edit/audio_silence.h"
#include "engine/edit/change_steps.h"
#include "engine/edit/crop_workers.h"
#include "engine/edit/es_writer.h"
#include "engine/edit/exact_cut.h"
#include "engine/edit/mux.h"
#include "engine/edit/pack_profile.h"
#include "platform/file.h"

namespace cw {

namespace {

int findCut(const OperationContext& ctx, platform::File& file, StreamInfo& src, CutInResult& cutIn,
            CropMarks& marks) {
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, src.video.header);
  const double usable = usableSeconds(src.video, video.roundedPeriod);
  marks = clampSystemMarks(ctx.sourceMarkIn, ctx.sourceMarkOut, usable);
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

// The demultiplexer reads blocks of at least the cut-in's rewrite-buffer
// size: its first block must hold the leading B-pictures that it removes.
// Whole file-layer blocks: a 40 KiB buffer would otherwise cost a second,
// short read call for every block of a long copy.
std::size_t cutInReadSize(const CutInResult& cutIn) {
  const auto wanted =
      static_cast<std::size_t>(std::max<std::int64_t>(kCropChunk, cutIn.bufferSize));
  const std::size_t block = platform::kMaxBlock;
  return (wanted + block - 1) / block * block;
}

// Upper bound of the output of the cut in `src`'s working areas: the bytes
// between cut-in and cut-out, scaled to one stream's share in modes 3 and 4.
std::int64_t estimateSystemOutput(const StreamInfo& src, int mode) {
  double estimate = static_cast<double>(cutSpan(src.video));
  if (mode == kModeVideoOnly) estimate *= streamShare(src.videoByteRate, src.audioByteRate);
  if (mode == kModeAudioOnly) estimate *= streamShare(src.audioByteRate, src.videoByteRate);
  return static_cast<std::int64_t>(estimate);
}

RecordContent contentOfMode(int mode) {
  if (mode == kModeVideoOnly) return RecordContent::VideoOnly;
  if (mode == kModeAudioOnly) return RecordContent::AudioOnly;
  return RecordContent::System;
}

// Starts the multiplexer (modes 0-2) or the writer of one of the two streams
// and sets `produce` to its chunks. `videoReadSize` is the demultiplexer's
// block for the video (the audio writer reads blocks of kCropChunk).
int startSystemWriter(MuxState& m, platform::File& file, StreamInfo& src, int mode, int treatment,
                      std::size_t videoReadSize, const VideoSplice* splice,
                      ChunkProducer& produce) {
  int rc = 0;
  if (mode == kModeVideoOnly) {
    rc = StartVideoWriter(m, file, EsSourceKind::SystemStream, treatment, videoReadSize, &src.video,
                          splice);
  } else if (mode == kModeAudioOnly) {
    rc = StartAudioWriter(m, file, EsSourceKind::SystemStream, kCropChunk, &src.audio);
  } else {
    const int minimumRate = std::max(src.muxRateDeclared, src.muxRateMeasured);
    rc = StartSystemMux(m, file, mode, treatment, videoReadSize, minimumRate, &src.video,
                        &src.audio, splice);
  }
  if (rc != 0) return rc;
  if (contentOfMode(mode) != RecordContent::System) {
    produce = elementaryChunks(m);
    return 0;
  }
  produce = [&m](std::uint8_t* dest, std::size_t size, std::size_t& delivered) {
    return MuxChunk(m, dest, size, delivered);
  };
  return 0;
}

}  // namespace

ChunkProducer elementaryChunks(MuxState& m) {
  return [&m](std::uint8_t* dest, std::size_t size, std::size_t& delivered) {
    return EsChunk(m, dest, size, delivered);
  };
}

int cropStatusError(int status) { return muxStatusError(MuxOperation::Crop, status); }

int cropSystemStream(OperationContext& ctx, CropFiles& files, CropResult& result) {
  StreamInfo& src = *ctx.source;
  src.video.handle = src.audio.handle = files.source.fd();
  if (const int rc = analyseSystemSourceOnce(files.source, src)) return rc;
  CutInResult cutIn;
  CropMarks marks;
  if (const int rc = findCut(ctx, files.source, src, cutIn, marks)) return rc;
  if (ctx.reencoder != nullptr && ctx.recordMode != kModeAudioOnly) {
    const auto write = [&](int treatment, const VideoSplice* splice) {
      return writeSystemCut(ctx, files, treatment, cutInReadSize(cutIn), result, splice);
    };
    return cropExact(ctx, files.record, files.source, true, marks, write);
  }
  if (cutIsEmpty(src, ctx.recordMode)) return kCropEmpty;
  return writeSystemCut(ctx, files, cutIn.treatment, cutInReadSize(cutIn), result);
}

int writeSystemCut(OperationContext& ctx, CropFiles& files, int treatment,
                   std::size_t videoReadSize, CropResult& result, const VideoSplice* splice) {
  StreamInfo& src = *ctx.source;
  const int mode = ctx.recordMode;
  const std::int64_t estimate = estimateSystemOutput(src, mode);
  if (const int rc = checkCropSpace(ctx, estimate)) return rc;

  MuxState m;
  ctx.silenceAdded = 0.0;
  ChunkProducer produce;
  if (const int rc = startSystemWriter(m, files.source, src, mode, treatment, videoReadSize, splice,
                                       produce)) {
    return rc;
  }
  std::int64_t written = 0;
  if (const int rc = copyChunks(ctx, produce, &cropStatusError, files, estimate, written)) {
    return rc;
  }
  result.written = written;
  result.muxRate = m.profile.muxRate;
  ctx.silenceAdded = silenceSeconds(m.audio.es);
  result.content = contentOfMode(mode);
  return 0;
}

}  // namespace cw
