#include "probe/duration.h"

#include <new>

#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/common/errors.h"
#include "platform/file.h"

namespace cw {

namespace {

double secondsBetween(const StreamDescriptor& video) {
  return static_cast<double>(video.lastTime - video.firstTime) / static_cast<double>(mpeg1::kClock);
}

int analyseOpenFile(platform::File& file, StreamInfo& info) {
  std::int32_t measured = -1;
  int status = kErrWrongType;
  if (isSystemType(info.fileType))
    status = analyseSystemStream(file, info, measured);
  else if (info.fileType == kTypeVideoOnly)
    status = analyseVideoOnly(file, info);
  if (status != kErrOk) return status;
  if (isSystemType(info.fileType)) info.muxRateMeasured = measured;
  info.stage = 2;
  info.duration = secondsBetween(info.video);
  return kErrOk;
}

}  // namespace

int analyseDuration(StreamInfo& info) {
  info.duration = -1.0;
  platform::File file;
  if (!file.open(info.fileName, platform::OpenMode::Read)) return kErrFileRead;
  info.video.handle = file.fd();
  info.audio.handle = file.fd();
  int status = kErrOk;
  try {
    status = analyseOpenFile(file, info);
  } catch (...) {
    status = errorForCurrentException(kErrMemory, kErrFileRead);
  }
  file.close();
  info.video.handle = -1;
  info.audio.handle = -1;
  return status;
}

}  // namespace cw
