// The three crop workers, one per kind of source. Each runs with the record
// file created and the source open, and returns 0 or an engine error number;
// on success `result` says what was written.
#pragma once

#include <cstdint>

#include "engine/edit/crop_steps.h"
#include "engine/edit/operation_context.h"

namespace cw {

struct CropResult {
  std::int64_t written = 0;
  std::int32_t muxRate = -1;  // of a system-stream record, units of 50 bytes/s
  RecordContent content = RecordContent::System;
};

// Source of file type 0 or 3, any record mode 0-4.
int cropSystemStream(OperationContext& ctx, CropFiles& files, CropResult& result);
// Video elementary stream to video elementary stream.
int cropVideoStream(OperationContext& ctx, CropFiles& files, CropResult& result);
// Audio elementary stream to audio elementary stream.
int cropAudioStream(OperationContext& ctx, CropFiles& files, CropResult& result);

}  // namespace cw
