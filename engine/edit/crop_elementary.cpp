// Crop of an elementary-stream source: the video or audio stream is cut at
// the marks, mapped linearly onto the file, and copied through the
// elementary-stream reader. The record mode plays no part.
#include <algorithm>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "engine/edit/crop_workers.h"
#include "engine/edit/es_writer.h"
#include "engine/edit/exact_cut.h"
#include "engine/edit/mux.h"

namespace cw {

namespace {

// The analyses read no file shorter than this (1010, file is too short).
constexpr std::int64_t kShortestFile = 1024;

// What differs between the video and the audio crop.
struct ElementaryProfile {
  StreamDescriptor StreamInfo::*stream;
  std::uint8_t streamId;
  RecordContent content;
  int (*analyse)(platform::File&, StreamInfo&);
  int (*cut)(const OperationContext&, platform::File&, StreamInfo&, double in, double out,
             int& treatment);
  int (*start)(MuxState&, platform::File&, int treatment, StreamDescriptor*, const VideoSplice*);
};

int cutVideo(const OperationContext& ctx, platform::File& file, StreamInfo& src, double in,
             double out, int& treatment) {
  CutInResult cutIn;
  if (const int rc = analyseVideoOnlyCutIn(file, src, ctx.removeDeadBpic, in, cutIn)) return rc;
  treatment = cutIn.treatment;
  return analyseVideoOnlyCutOut(file, src, out);
}

int cutAudio(const OperationContext&, platform::File& file, StreamInfo& src, double in, double out,
             int& treatment) {
  treatment = 0;
  if (const int rc = analyseAudioOnlyCutIn(file, src, in)) return rc;
  return analyseAudioOnlyCutOut(file, src, out);
}

// An audio record must be a file that the analyses take for an audio stream
// again, or the project cannot be opened or joined: one frame header
// confirmed by the next one, and no shorter than the shortest file they read.
// Marks one frame apart (or equal) would cut a single frame.
bool tooShortForAudio(const StreamDescriptor& d, const StreamParams& params) {
  const std::int64_t bytes = d.workTail.point - d.workHead.point;
  return bytes < std::max<std::int64_t>(kShortestFile, 2 * std::int64_t{params.frameLength});
}

int startVideo(MuxState& m, platform::File& file, int treatment, StreamDescriptor* d,
               const VideoSplice* splice) {
  return StartVideoWriter(m, file, EsSourceKind::ElementaryStream, treatment, kCropChunk, d,
                          splice);
}

int startAudio(MuxState& m, platform::File& file, int, StreamDescriptor* d, const VideoSplice*) {
  return StartAudioWriter(m, file, EsSourceKind::ElementaryStream, kCropChunk, d);
}

constexpr ElementaryProfile kVideoProfile{
    &StreamInfo::video, mpeg1::kVideoStream0, RecordContent::VideoOnly, &analyseVideoOnly,
    &cutVideo,          &startVideo};
constexpr ElementaryProfile kAudioProfile{
    &StreamInfo::audio, mpeg1::kAudioStream0, RecordContent::AudioOnly, &analyseAudioOnly,
    &cutAudio,          &startAudio};

int writeElementary(OperationContext& ctx, CropFiles& files, CropResult& result,
                    const ElementaryProfile& p, int treatment, const VideoSplice* splice) {
  StreamDescriptor& d = (*ctx.source).*p.stream;
  const std::int64_t estimate = cutSpan(d);
  if (const int rc = checkCropSpace(ctx, estimate)) return rc;

  MuxState m;
  if (const int rc = p.start(m, files.source, treatment, &d, splice)) return rc;
  std::int64_t written = 0;
  if (const int rc =
          copyChunks(ctx, elementaryChunks(m), &cropStatusError, files, estimate, written)) {
    return rc;
  }
  result.written = written;
  result.content = p.content;
  return 0;
}

int cropElementary(OperationContext& ctx, CropFiles& files, CropResult& result,
                   const ElementaryProfile& p) {
  StreamInfo& src = *ctx.source;
  StreamDescriptor& d = src.*p.stream;
  d.handle = files.source.fd();
  // The analysis stage stays as it is: an elementary source is analysed anew
  // by every crop that finds it below stage 2.
  if (src.stage != 2) {
    if (const int rc = p.analyse(files.source, src)) return rc;
  }
  const StreamParams params = makeStreamParams(p.streamId, d.header);
  const double usable = usableSeconds(d, params.roundedPeriod);
  const CropMarks marks = clampElementaryMarks(ctx.sourceMarkIn, ctx.sourceMarkOut, usable);
  int treatment = 0;
  if (const int rc = p.cut(ctx, files.source, src, marks.in, marks.out, treatment)) return rc;
  if (ctx.reencoder != nullptr && p.content == RecordContent::VideoOnly) {
    const auto write = [&](int exactTreatment, const VideoSplice* splice) {
      return writeElementary(ctx, files, result, p, exactTreatment, splice);
    };
    return cropExact(ctx, files.record, files.source, false, marks, write);
  }
  if (d.workTail.point <= d.workHead.point) return kCropEmpty;
  if (p.content == RecordContent::AudioOnly && tooShortForAudio(d, params)) return kCropEmpty;
  return writeElementary(ctx, files, result, p, treatment, nullptr);
}

}  // namespace

int cropVideoStream(OperationContext& ctx, CropFiles& files, CropResult& result) {
  return cropElementary(ctx, files, result, kVideoProfile);
}

int cropAudioStream(OperationContext& ctx, CropFiles& files, CropResult& result) {
  return cropElementary(ctx, files, result, kAudioProfile);
}

}  // namespace cw
