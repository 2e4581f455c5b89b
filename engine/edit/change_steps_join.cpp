// Planning the join of a source cut onto a record: what append crop and
// entry crop do alike once each has found its join offset.
#include <cmath>

#include "engine/analysis/cut_area.h"
#include "engine/edit/change_steps.h"
#include "engine/edit/es_writer_join.h"
#include "engine/edit/exact_cut.h"
#include "engine/edit/mux_join.h"
#include "engine/edit/pack_profile.h"

namespace cw {

int prepareSystemSource(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files) {
  StreamInfo& source = *ctx.source;
  source.video.handle = source.audio.handle = files.source.fd();
  if (const int rc = analyseSystemSourceOnce(files.source, source)) return rc;
  return checkCompatibility(*ctx.record, source, true, true, p.errors);
}

JoinSound joinSound(const StreamInfo& record) {
  JoinSound sound;
  sound.lag = record.video.workLastTime - record.audio.workLastTime;
  const StreamParams audio = makeStreamParams(mpeg1::kAudioStream0, record.audio.header);
  if (audio.status != 0 || audio.period <= 0.0 || 2 * sound.lag <= audio.roundedPeriod) {
    return sound;
  }
  sound.silentFrames = std::llround(static_cast<double>(sound.lag) / audio.period);
  sound.lag -= std::llround(static_cast<double>(sound.silentFrames) * audio.period);
  return sound;
}

namespace {

// The exact cut of a join's source, when the context has a re-encoder: the
// working areas move to the marked pictures, `treatment` becomes the first
// copied GOP's and `splice` holds the pictures coded anew. An exact cut that
// holds no picture is the change's empty cut.
int exactJoinSource(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                    bool systemStream, std::int64_t audioOffset, const CropMarks& marks,
                    int& treatment, std::shared_ptr<const VideoSplice>& splice,
                    const SpliceTrial& fits = {}) {
  if (ctx.reencoder == nullptr) return 0;
  auto coded = std::make_shared<VideoSplice>();
  const int rc =
      exactJoinCut(ctx, files.source, systemStream, audioOffset, marks, treatment, *coded, fits);
  if (rc == kCropEmpty) return p.errors.emptyCut;
  if (rc != 0) return rc;
  splice = std::move(coded);
  return 0;
}

// Multiplexes the join with `splice` into nothing: true when no packet
// comes after its unit's decoding time. The multiplexer writes units up to
// a tenth of a second late, which a decoder takes for an underflow; coded
// pictures that cause it are coded again more coarsely. A failing trial
// says yes: the real run reports the failure.
bool joinOnTime(platform::File& file, StreamInfo& source, int mode, int treatment, int minimumRate,
                const RecordEntryResult& entry, MuxOperation op, std::int64_t joinSilence,
                const VideoSplice& splice) {
  RecordEntryResult trial = entry;
  MuxState m;
  if (StartJoinMux(m, file, mode, treatment, kChangeChunk, minimumRate, trial, &source.video,
                   &source.audio, op, joinSilence, &splice) != 0) {
    return true;
  }
  std::vector<std::uint8_t> scratch(kChangeChunk);
  for (;;) {
    std::size_t delivered = 0;
    const int status = MuxChunk(m, scratch.data(), scratch.size(), delivered);
    if (status < 0) return true;
    if (status == kMuxFinished) return m.mostLate == 0;
  }
}

}  // namespace

int finishSystemJoinPlan(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                         const CutInResult& cutIn, std::shared_ptr<RecordEntryResult> entry,
                         const JoinSound& sound, ChangePlan& plan) {
  StreamInfo& source = *ctx.source;
  const int mode = ctx.recordMode;
  const int minimumRate = ctx.record->muxRateDeclared;
  const MuxOperation op = p.errors.op;
  const std::int64_t joinSilence = sound.silentFrames;
  platform::File& file = files.source;
  int treatment = cutIn.treatment;
  std::shared_ptr<const VideoSplice> splice;
  const SpliceTrial onTime = [&](const VideoSplice& trial) {
    return joinOnTime(file, source, mode, treatment, minimumRate, *entry, op, joinSilence, trial);
  };
  if (const int rc = exactJoinSource(ctx, p, files, true, sound.lag, systemMarks(ctx, source),
                                     treatment, splice, onTime)) {
    return rc;
  }
  if (!splice && cutIsEmpty(source.video)) return p.errors.emptyCut;
  plan.joinOffset = entry->packPosition;
  plan.estimate = estimateSystemCut(source, mode);
  plan.systemStream = true;
  plan.start = [&file, &source, mode, treatment, minimumRate, entry, op, joinSilence,
                splice](MuxState& m) {
    return StartJoinMux(m, file, mode, treatment, kChangeChunk, minimumRate, *entry, &source.video,
                        &source.audio, op, joinSilence, splice.get());
  };
  return 0;
}

namespace {

int analyseSourceOnce(platform::File& file, StreamInfo& source, bool video) {
  if (isSystemType(source.fileType)) return analyseSystemSourceOnce(file, source);
  return analyseElementarySourceOnce(file, source, video);
}

// The source cut at the context's marks: cut-in (no lag) and cut-out.
int cutForElementaryRecord(OperationContext& ctx, ChangeFiles& files, bool video,
                           CutInResult& cutIn) {
  StreamInfo& source = *ctx.source;
  if (isSystemType(source.fileType))
    return cutSystemSource(ctx, files.source, source, 0, AudioChoice::AtOrAfter, cutIn);
  const CropMarks marks = elementaryMarks(ctx, video ? source.video : source.audio, video);
  if (video) {
    if (const int rc =
            analyseVideoOnlyCutIn(files.source, source, ctx.removeDeadBpic, marks.in, cutIn)) {
      return rc;
    }
    return analyseVideoOnlyCutOut(files.source, source, marks.out);
  }
  if (const int rc = analyseAudioOnlyCutIn(files.source, source, marks.in)) return rc;
  return analyseAudioOnlyCutOut(files.source, source, marks.out);
}

}  // namespace

int planElementaryJoin(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                       bool video, const VideoOnlyJoin& join, std::int64_t joinOffset,
                       ChangePlan& plan) {
  StreamInfo& source = *ctx.source;
  StreamDescriptor& d = video ? source.video : source.audio;
  const bool systemSource = isSystemType(source.fileType);
  if (systemSource) {
    source.video.handle = source.audio.handle = files.source.fd();
  } else {
    d.handle = files.source.fd();
  }
  if (const int rc = analyseSourceOnce(files.source, source, video)) return rc;
  if (const int rc = checkCompatibility(*ctx.record, source, video, !video, p.errors)) return rc;
  CutInResult cutIn;
  if (const int rc = cutForElementaryRecord(ctx, files, video, cutIn)) return rc;
  int treatment = cutIn.treatment;
  std::shared_ptr<const VideoSplice> splice;
  if (video) {
    const CropMarks marks = systemSource ? systemMarks(ctx, source) : elementaryMarks(ctx, d, true);
    if (const int rc = exactJoinSource(ctx, p, files, systemSource, 0, marks, treatment, splice)) {
      return rc;
    }
  }
  if (!splice && cutIsEmpty(d)) return p.errors.emptyCut;

  plan.joinOffset = joinOffset;
  plan.estimate = systemSource ? estimateSystemCut(source, ctx.recordMode) : cutSpan(d);
  plan.systemStream = false;
  const EsSourceKind kind =
      systemSource ? EsSourceKind::SystemStream : EsSourceKind::ElementaryStream;
  const MuxOperation op = p.errors.op;
  platform::File& file = files.source;
  if (video) {
    plan.start = [&file, &d, kind, treatment, join, op, splice](MuxState& m) {
      return StartVideoJoinWriter(m, file, kind, treatment, kChangeChunk, &d, join, op,
                                  splice.get());
    };
  } else {
    plan.start = [&file, &d, kind, op](MuxState& m) {
      return StartAudioJoinWriter(m, file, kind, kChangeChunk, &d, op);
    };
  }
  return 0;
}

}  // namespace cw
