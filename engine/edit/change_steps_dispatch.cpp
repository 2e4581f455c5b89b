#include "engine/common/errors.h"
#include "engine/edit/change_steps.h"
#include "engine/edit/pack_profile.h"

namespace cw {

namespace {

struct Choice {
  PlannerFunction planner = nullptr;
  RecordContent content = RecordContent::System;
};

Choice choosePlanner(const OperationContext& ctx, const ChangePlanners& planners) {
  if (ctx.source == nullptr || ctx.record == nullptr) return {};
  switch (ctx.source->fileType) {
    case kTypeSystem:
    case kTypeSystemMulti:
      switch (ctx.recordMode) {
        case kModeMpegSystem:
        case kModeVideoCd:
        case kModeVideoCdZeroes:
          return {planners.system, RecordContent::System};
        case kModeVideoOnly:
          return {planners.video, RecordContent::VideoOnly};
        case kModeAudioOnly:
          return {planners.audio, RecordContent::AudioOnly};
        default:
          return {};
      }
    case kTypeVideoOnly:
      return {planners.video, RecordContent::VideoOnly};
    case kTypeAudioOnly:
      return {planners.audio, RecordContent::AudioOnly};
    default:
      return {};
  }
}

}  // namespace

int runChangeOperation(OperationContext& ctx, const ChangeProfile& profile,
                       const ChangePlanners& planners) {
  ctx.cancelRequested = false;
  ctx.resolve();
  const Choice choice = choosePlanner(ctx, planners);
  if (choice.planner == nullptr) {
    ctx.SetError(kErrWrongType);
    return kErrWrongType;
  }
  return runChange(ctx, profile, choice.content, choice.planner);
}

}  // namespace cw
