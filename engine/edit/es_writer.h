// Elementary-stream writers for record modes 3 (video only) and 4 (audio
// only): the MuxState holds only the selected stream's buffer, and each chunk
// copies the buffered bytes as the reader rewrote them, asking the reader for
// more while fewer bytes than requested are buffered and the input has not
// ended. Chunk statuses as MuxChunk: 0, 1, -1 read, -2 memory, -3 overflow,
// -5 incorrect source packet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/analysis/stream_info.h"
#include "engine/edit/mux.h"
#include "platform/file.h"

namespace cw {

// Where the selected stream comes from: a system stream read through the
// demultiplexer, or an elementary-stream file read through the
// elementary-stream reader.
enum class EsSourceKind { SystemStream, ElementaryStream };

// Selects the video (or audio) buffer of `m` and the input that fills it;
// the other stream is finished from the start. The caller has set the
// buffer up. Join starts use this after taking over the record's state.
void prepareEsWriter(MuxState& m, bool video, EsInput input);

// Crop starts: buffer for `descriptor` (whose working areas the cut analyses
// have set), reader positioned on `source`. 0, 6001 (read), 6003 (memory).
// `splice`: the re-encoded GOPs of an exact cut, or null.
int StartVideoWriter(MuxState& m, platform::File& source, EsSourceKind kind, int cutInTreatment,
                     std::size_t chunkSize, StreamDescriptor* video,
                     const VideoSplice* splice = nullptr);
int StartAudioWriter(MuxState& m, platform::File& source, EsSourceKind kind, std::size_t chunkSize,
                     StreamDescriptor* audio);

// Delivers the next `size` bytes of the stream into `dest` (fewer at the
// end, with status 1); `delivered` receives the count.
int EsChunk(MuxState& m, std::uint8_t* dest, std::size_t size, std::size_t& delivered);

}  // namespace cw
