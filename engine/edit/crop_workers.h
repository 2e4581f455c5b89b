// The three crop workers, one per kind of source. Each runs with the record
// file created and the source open, and returns 0 or an engine error number;
// on success `result` says what was written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "engine/edit/crop_steps.h"
#include "engine/edit/mux.h"
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

// Runs `work` with the record file created and the source open (a crop or a
// sequence piece), closes both afterwards and deletes the record file on a
// failure that made it. A memory failure inside gives 7000.
int runCropWorker(OperationContext& ctx, const std::function<int(CropFiles&)>& work);

// --- Steps of a system-stream source, shared with the sequence pieces ---
// (the analysis of the source's head and tail: analyseSystemSourceOnce)

// The output of a cut in the source's working areas, once they are found:
// the disk-space test against the estimate, the writer and the chunk loop;
// `result` says what was written.
// `splice`: the re-encoded GOPs of an exact cut, or null.
int writeSystemCut(OperationContext& ctx, CropFiles& files, int treatment,
                   std::size_t videoReadSize, CropResult& result,
                   const VideoSplice* splice = nullptr);
// The chunks of an elementary-stream writer.
ChunkProducer elementaryChunks(MuxState& m);
// A writer's negative status as a crop error number.
int cropStatusError(int status);

}  // namespace cw
