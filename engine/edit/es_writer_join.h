// Join starts of the elementary-stream writers (record modes 3 and 4). A
// video-only join continues the record's GOP time code, drop-frame flag,
// vbv_delay and temporal reference from the join state of the video-only
// record analysis; the bytes are then written from J on. Audio elementary
// streams carry no state across a join: the audio writer starts fresh.
#pragma once

#include <cstddef>

#include "engine/analysis/record_analysis.h"
#include "engine/edit/es_writer.h"

namespace cw {

// Chunk statuses as EsChunk. Start errors are those of `op` (read, memory).
// `splice`: the re-encoded GOPs of an exact cut of the source, or null.
int StartVideoJoinWriter(MuxState& m, platform::File& source, EsSourceKind kind, int cutInTreatment,
                         std::size_t chunkSize, StreamDescriptor* video, const VideoOnlyJoin& join,
                         MuxOperation op, const VideoSplice* splice = nullptr);
int StartAudioJoinWriter(MuxState& m, platform::File& source, EsSourceKind kind,
                         std::size_t chunkSize, StreamDescriptor* audio, MuxOperation op);

}  // namespace cw
