#include "engine/edit/entry_crop.h"

#include <algorithm>
#include <memory>

#include "engine/analysis/record_analysis.h"
#include "engine/edit/change_steps.h"

namespace cw {

namespace {

// Record modes 0-2: the record's head and tail, the source, then the entry
// area at the clamped entry time and the source cut, whose first audio frame
// answers the distance the record's audio entry lies before its video entry
// (silence fills that distance where it is more than half a frame).
int planSystemEntry(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                    ChangePlan& plan) {
  StreamInfo& record = *ctx.record;
  std::int32_t byteRate = 0;
  if (const int rc = analyseRecordFile(files.record, record, byteRate)) return rc;
  if (const int rc = prepareSystemSource(ctx, p, files)) return rc;

  const double usableEnd = usableSeconds(record.video, picturePeriod(record.video));
  const double entryTime = std::clamp(ctx.recordMarkEntry, 0.0, std::max(usableEnd, 0.0));
  auto entry = std::make_shared<RecordEntryResult>();
  if (const int rc = analyseRecordEntry(files.record, record, entryTime, *entry)) return rc;
  const JoinSound sound = joinSound(record);
  CutInResult cutIn;
  if (const int rc =
          cutSystemSource(ctx, files.source, *ctx.source, sound.lag, AudioChoice::Nearest, cutIn)) {
    return rc;
  }
  return finishSystemJoinPlan(ctx, p, files, cutIn, entry, sound, plan);
}

// Elementary records take the entry time as it is, only never negative:
// their entry analyses keep it within the record themselves.
double elementaryEntryTime(const OperationContext& ctx) {
  return std::max(ctx.recordMarkEntry, 0.0);
}

int planVideoEntry(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                   ChangePlan& plan) {
  VideoOnlyJoin join;
  if (const int rc =
          analyseVideoOnlyRecordEntry(files.record, *ctx.record, elementaryEntryTime(ctx), join)) {
    return rc;
  }
  return planElementaryJoin(ctx, p, files, true, join, join.joinOffset, plan);
}

int planAudioEntry(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                   ChangePlan& plan) {
  std::int64_t joinOffset = -1;
  if (const int rc = analyseAudioOnlyRecordEntry(files.record, *ctx.record,
                                                 elementaryEntryTime(ctx), joinOffset)) {
    return rc;
  }
  return planElementaryJoin(ctx, p, files, false, VideoOnlyJoin{}, joinOffset, plan);
}

constexpr ChangePlanners kEntryPlanners{&planSystemEntry, &planVideoEntry, &planAudioEntry};

}  // namespace

int EntryCrop(OperationContext& ctx) {
  return runChangeOperation(ctx, kEntryProfile, kEntryPlanners);
}

}  // namespace cw
