// The source side of a change: analysing the source, clamping the marks,
// the compatibility tests, the cut analyses and the size estimate.
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "engine/edit/change_steps.h"
#include "engine/edit/pack_profile.h"

namespace cw {

namespace {
constexpr int kHeadAndTailAnalysed = 2;
}  // namespace

int analyseSystemSourceOnce(platform::File& file, StreamInfo& source) {
  if (source.stage == kHeadAndTailAnalysed) return 0;
  std::int32_t measured = -1;
  if (const int rc = analyseSystemStream(file, source, measured)) return rc;
  source.stage = kHeadAndTailAnalysed;
  source.muxRateMeasured = measured;
  source.duration =
      static_cast<double>(source.video.lastTime - source.video.firstTime) / mpeg1::kClock;
  return 0;
}

int analyseElementarySourceOnce(platform::File& file, StreamInfo& source, bool video) {
  if (source.stage == kHeadAndTailAnalysed) return 0;
  return video ? analyseVideoOnly(file, source) : analyseAudioOnly(file, source);
}

int checkCompatibility(const StreamInfo& record, const StreamInfo& source, bool video, bool audio,
                       const ChangeErrors& errors) {
  if (video && !videoCompatible(record, source)) return errors.videoIncompatible;
  if (audio && !audioCompatible(record, source)) return errors.audioIncompatible;
  return 0;
}

std::int64_t picturePeriod(const StreamDescriptor& video) {
  return makeStreamParams(mpeg1::kVideoStream0, video.header).roundedPeriod;
}

CropMarks systemMarks(const OperationContext& ctx, const StreamInfo& source) {
  const double usable = usableSeconds(source.video, picturePeriod(source.video));
  return clampSystemMarks(ctx.sourceMarkIn, ctx.sourceMarkOut, usable);
}

int cutSystemSource(const OperationContext& ctx, platform::File& file, StreamInfo& source,
                    std::int64_t audioOffset, AudioChoice audioChoice, CutInResult& cutIn) {
  const double usable = usableSeconds(source.video, picturePeriod(source.video));
  const CropMarks marks = systemMarks(ctx, source);
  const int mode = ctx.recordMode;
  const int cut =
      audioChoice == AudioChoice::Nearest
          ? analyseJoinCutIn(file, source, mode, ctx.removeDeadBpic, marks.in, audioOffset, cutIn)
          : analyseCutIn(file, source, mode, ctx.removeDeadBpic, marks.in, audioOffset, cutIn);
  if (cut != 0) return cut;
  if (usable - marks.out <= kCropTailSeconds)
    return analyseCutOutAtEnd(file, source, mode, marks.out);
  return analyseCutOut(file, source, mode, marks.out, false);
}

bool cutIsEmpty(const StreamDescriptor& d) { return d.workTail.point <= d.workHead.point; }

std::int64_t estimateSystemCut(const StreamInfo& source, int recordMode) {
  if (recordMode == kModeAudioOnly) {
    return static_cast<std::int64_t>(static_cast<double>(cutSpan(source.audio)) *
                                     streamShare(source.audioByteRate, source.videoByteRate));
  }
  double estimate = static_cast<double>(cutSpan(source.video));
  if (recordMode == kModeVideoOnly) {
    estimate *= streamShare(source.videoByteRate, source.audioByteRate);
  }
  return static_cast<std::int64_t>(estimate);
}

CropMarks elementaryMarks(const OperationContext& ctx, const StreamDescriptor& d, bool video) {
  const std::uint8_t id = video ? mpeg1::kVideoStream0 : mpeg1::kAudioStream0;
  const double usable = usableSeconds(d, makeStreamParams(id, d.header).roundedPeriod);
  return clampElementaryMarks(ctx.sourceMarkIn, ctx.sourceMarkOut, usable);
}

}  // namespace cw
