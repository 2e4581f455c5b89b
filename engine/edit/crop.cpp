#include "engine/edit/crop.h"

#include "engine/common/errors.h"
#include "engine/edit/crop_workers.h"
#include "engine/edit/mux.h"
#include "engine/edit/pack_profile.h"
#include "platform/file.h"

namespace cw {

namespace {

using Worker = int (*)(OperationContext&, CropFiles&, CropResult&);

Worker workerFor(const OperationContext& ctx) {
  if (ctx.source == nullptr) return nullptr;
  switch (ctx.source->fileType) {
    case kTypeSystem:
    case kTypeSystemMulti:
      if (ctx.recordMode < kModeMpegSystem || ctx.recordMode > kModeAudioOnly) return nullptr;
      return &cropSystemStream;
    case kTypeVideoOnly:
      return &cropVideoStream;
    case kTypeAudioOnly:
      return &cropAudioStream;
    default:
      return nullptr;
  }
}

}  // namespace

int runCropWorker(OperationContext& ctx, const std::function<int(CropFiles&)>& work) {
  CropFiles files;
  int rc = 0;
  try {
    rc = openCropFiles(ctx, files);
    if (rc == 0) rc = work(files);
    if (rc == 0) rc = placeRecordFile(ctx, files.record);
  } catch (...) {
    // The half-made record goes like after any other failure.
    rc = errorForCurrentException(kCropNoMemory, muxStatusError(MuxOperation::Crop, kMuxBadPacket));
  }
  files.record.close();
  files.source.close();
  ctx.source->video.handle = -1;
  ctx.source->audio.handle = -1;
  // The file of the record's name is replaced only by a complete record;
  // whatever else was made goes.
  const std::string staged = stagedRecordPath(ctx.recordFileName);
  if (rc != 0 && platform::fileExists(staged)) platform::removeFile(staged);
  return rc;
}

int Crop(OperationContext& ctx) {
  ctx.cancelRequested = false;
  ctx.resolve();
  const Worker worker = workerFor(ctx);
  if (worker == nullptr) {
    ctx.SetError(kErrWrongType);
    return kErrWrongType;
  }
  CropResult result;
  const int rc = runCropWorker(ctx, [&](CropFiles& files) { return worker(ctx, files, result); });
  if (rc == 0 && ctx.record != nullptr) {
    describeCropRecord(*ctx.record, *ctx.source, result.content, result.written, result.muxRate);
  }
  ctx.SetError(rc);
  ctx.setHistory(HistoryEvent::NewRecord);
  return rc == kCropCancelled ? 0 : rc;
}

}  // namespace cw
