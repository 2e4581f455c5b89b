#include "engine/edit/sequence.h"

#include <algorithm>
#include <limits>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/errors.h"
#include "engine/edit/append_crop.h"
#include "engine/edit/change_steps.h"
#include "engine/edit/crop_steps.h"
#include "engine/edit/crop_workers.h"
#include "engine/edit/es_writer.h"
#include "engine/edit/mux.h"
#include "engine/edit/pack_profile.h"

namespace cw {

namespace {

// A piece that is not the last one ends at the audio frame in step with its
// video cut-out, so that the next piece's audio starts right behind it.
constexpr bool kAudioToLastFrameOfWindow = false;

using PieceWorker = int (*)(OperationContext&, const SequenceState&, bool finalCrop, CropFiles&,
                            CropResult&);

// The video area the next piece starts from: the start of the usable stream
// for the first piece, the previous piece's cut-out for the others.
StreamArea pieceStart(const StreamDescriptor& video, const SequenceState& seq) {
  return seq.atStart ? video.head : seq.previousCut;
}

// The mark out within [0, usable]; the mark in plays no part in a sequence.
double clampMarkOut(double markOut, double usable) {
  return std::clamp(markOut, 0.0, std::max(usable, 0.0));
}

// The new piece must end after it starts.
int checkPieceBounds(const StreamDescriptor& video) {
  if (video.workTail.point == video.workHead.point) return kSeqEmptyPiece;
  if (video.workTail.point < video.workHead.point) return kSeqMarkOutNotLater;
  return 0;
}

int cutSystemPiece(const OperationContext& ctx, const SequenceState& seq, bool finalCrop,
                   platform::File& file, StreamInfo& src, CutInResult& cutIn) {
  const int mode = ctx.recordMode;
  src.video.workHead = pieceStart(src.video, seq);
  if (const int rc = analyseSequenceCutIn(file, src, mode, ctx.removeDeadBpic, 0, cutIn)) {
    return rc;
  }
  if (finalCrop) return analyseCutOutAtEnd(file, src, mode);
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, src.video.header);
  const double markOut =
      clampMarkOut(ctx.sourceMarkOut, usableSeconds(src.video, video.roundedPeriod));
  return analyseCutOut(file, src, mode, markOut, kAudioToLastFrameOfWindow);
}

int seqSystemStream(OperationContext& ctx, const SequenceState& seq, bool finalCrop,
                    CropFiles& files, CropResult& result) {
  StreamInfo& src = *ctx.source;
  src.video.handle = src.audio.handle = files.source.fd();
  if (const int rc = analyseSystemSourceOnce(files.source, src)) return rc;
  CutInResult cutIn;
  if (const int rc = cutSystemPiece(ctx, seq, finalCrop, files.source, src, cutIn)) return rc;
  if (const int rc = checkPieceBounds(src.video)) return rc;
  return writeSystemCut(ctx, files, cutIn.treatment, kCropChunk, result);
}

// Video elementary streams have no file-tail analysis of their own: the
// final piece ends where the analysed usable stream ends.
int cutVideoPiece(const OperationContext& ctx, const SequenceState& seq, bool finalCrop,
                  platform::File& file, StreamInfo& src, CutInResult& cutIn) {
  StreamDescriptor& d = src.video;
  d.workHead = pieceStart(d, seq);
  if (const int rc = analyseVideoOnlySequenceCutIn(file, src, ctx.removeDeadBpic, cutIn)) {
    return rc;
  }
  if (finalCrop) {
    d.workTail = d.tail;
    d.workLastTime = d.lastTime;
    return 0;
  }
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, d.header);
  return analyseVideoOnlyCutOut(
      file, src, clampMarkOut(ctx.sourceMarkOut, usableSeconds(d, video.roundedPeriod)));
}

int seqVideoStream(OperationContext& ctx, const SequenceState& seq, bool finalCrop,
                   CropFiles& files, CropResult& result) {
  StreamInfo& src = *ctx.source;
  StreamDescriptor& d = src.video;
  d.handle = files.source.fd();
  // As in a crop, an elementary source's own analysis leaves its stage alone.
  if (const int rc = analyseElementarySourceOnce(files.source, src, true)) return rc;
  CutInResult cutIn;
  if (const int rc = cutVideoPiece(ctx, seq, finalCrop, files.source, src, cutIn)) return rc;
  if (const int rc = checkPieceBounds(d)) return rc;

  const std::int64_t estimate = cutSpan(d);
  if (const int rc = checkCropSpace(ctx, estimate)) return rc;

  MuxState m;
  if (const int rc = StartVideoWriter(m, files.source, EsSourceKind::ElementaryStream,
                                      cutIn.treatment, kCropChunk, &d)) {
    return rc;
  }
  std::int64_t written = 0;
  if (const int rc =
          copyChunks(ctx, elementaryChunks(m), &cropStatusError, files, estimate, written)) {
    return rc;
  }
  result.written = written;
  result.content = RecordContent::VideoOnly;
  return 0;
}

}  // namespace

void SetSeqMode(SequenceState& seq) { seq.atStart = true; }

int SeqCrop(OperationContext& ctx, SequenceState& seq, bool finalCrop) {
  ctx.cancelRequested = false;
  ctx.resolve();
  if (ctx.source == nullptr) {
    ctx.SetError(kErrWrongType);
    return kErrWrongType;
  }
  PieceWorker worker = nullptr;
  switch (ctx.source->fileType) {
    case kTypeSystem:
    case kTypeSystemMulti:
      if (ctx.recordMode >= kModeMpegSystem && ctx.recordMode <= kModeAudioOnly) {
        worker = &seqSystemStream;
      }
      break;
    case kTypeVideoOnly:
      worker = &seqVideoStream;
      break;
    case kTypeAudioOnly:
      return 0;  // an audio stream has no pictures to cut a sequence at
    default:
      break;
  }
  if (worker == nullptr) {
    ctx.SetError(kErrWrongType);
    return kErrWrongType;
  }
  CropResult result;
  const int rc = runCropWorker(
      ctx, [&](CropFiles& files) { return worker(ctx, seq, finalCrop, files, result); });
  if (rc == 0) {
    if (ctx.record != nullptr) {
      describeCropRecord(*ctx.record, *ctx.source, result.content, result.written, result.muxRate);
    }
    seq.atStart = false;
    seq.previousCut = ctx.source->video.workTail;
  }
  ctx.SetError(rc);
  ctx.setHistory(HistoryEvent::NewRecord);
  return rc == kCropCancelled ? 0 : rc;
}

int SeqAppendCrop(OperationContext& ctx, bool /*finalCrop*/) {
  ctx.resolve();
  if (ctx.source != nullptr && ctx.source->fileType == kTypeAudioOnly) return 0;
  if (ctx.source == nullptr || !isSystemType(ctx.source->fileType)) return AppendCrop(ctx);
  // A mark out beyond the usable length makes the append cut at the end of
  // the file; the caller's mark stays as it was.
  const double markOut = ctx.sourceMarkOut;
  ctx.sourceMarkOut = std::numeric_limits<double>::max();
  const int rc = AppendCrop(ctx);
  ctx.sourceMarkOut = markOut;
  return rc;
}

}  // namespace cw
