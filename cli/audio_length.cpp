#include "cli/audio_length.h"

#include <cmath>

#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/errors.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

int analyse(StreamInfo& info) {
  platform::File file;
  if (!file.open(info.fileName, platform::OpenMode::Read)) return kErrFileRead;
  try {
    return analyseAudioOnly(file, info);
  } catch (...) {
    return errorForCurrentException(kErrMemory, kErrFileRead);
  }
}

}  // namespace

int measureAudioOnlyLength(StreamInfo& info, double& seconds) {
  if (const int rc = analyse(info)) return rc;
  const StreamParams params = makeStreamParams(mpeg1::kAudioStream0, info.audio.header);
  if (params.status != 0 || params.bitRate <= 0.0 || params.rate <= 0.0) return kErrAudioLayer;
  // Padded and unpadded frames average to the bit rate's share of a frame.
  const double bytesPerFrame = params.bitRate / params.rate;
  const auto bytes = static_cast<double>(info.audio.tail.point - info.audio.head.point);
  seconds = std::round(bytes / bytesPerFrame) / params.rate;
  return 0;
}

}  // namespace cw::cli
