#include "engine/edit/append_crop.h"

#include <memory>

#include "engine/analysis/record_analysis.h"
#include "engine/edit/change_steps.h"

namespace cw {

namespace {

// Record modes 0-2: the record's head and tail, its audio lag, the source,
// then the record entry analysis at the record's usable end and the source
// cut, in the order the lag asks for.
int planSystemAppend(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                     ChangePlan& plan) {
  StreamInfo& record = *ctx.record;
  std::int32_t byteRate = 0;
  if (const int rc = analyseRecordFile(files.record, record, byteRate)) return rc;
  const std::int64_t lag = record.video.lastTime - record.audio.lastTime;
  if (lag > kMaxAudioLag) return p.errors.audioLag;
  if (const int rc = prepareSystemSource(ctx, p, files)) return rc;

  const double usableEnd = usableSeconds(record.video, picturePeriod(record.video));
  auto entry = std::make_shared<RecordEntryResult>();
  CutInResult cutIn;
  const auto analyseEntry = [&] {
    return analyseRecordEntry(files.record, record, usableEnd, *entry);
  };
  const auto cutSource = [&](std::int64_t audioLag) {
    return cutSystemSource(ctx, files.source, *ctx.source, audioLag, AudioChoice::Nearest, cutIn);
  };
  JoinSound sound;
  if (lag <= 0) {
    if (const int rc = cutSource(lag)) return rc;
    if (const int rc = analyseEntry()) return rc;
    // The join continues the sound from the entry analysis's audio end, which
    // differs from the file's when the record's sound runs on past the end
    // of its pictures: the source's first frame must answer that lag.
    sound = joinSound(record);
    if (sound.lag != lag) {
      if (const int rc = cutSource(sound.lag)) return rc;
    }
  } else {
    if (const int rc = analyseEntry()) return rc;
    sound = joinSound(record);
    if (const int rc = cutSource(sound.lag)) return rc;
  }
  return finishSystemJoinPlan(ctx, p, files, cutIn, entry, sound, plan);
}

// A video record is joined where its closing sequence end code stands.
int planVideoAppend(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                    ChangePlan& plan) {
  VideoOnlyJoin join;
  if (const int rc = analyseVideoOnlyRecordTail(files.record, *ctx.record, join)) return rc;
  return planElementaryJoin(ctx, p, files, true, join, join.joinOffset, plan);
}

// An audio record is complete frames: the new audio goes right behind it.
int planAudioAppend(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                    ChangePlan& plan) {
  return planElementaryJoin(ctx, p, files, false, VideoOnlyJoin{}, files.recordLength, plan);
}

constexpr ChangePlanners kAppendPlanners{&planSystemAppend, &planVideoAppend, &planAudioAppend};

}  // namespace

int AppendCrop(OperationContext& ctx) {
  return runChangeOperation(ctx, kAppendProfile, kAppendPlanners);
}

}  // namespace cw
