// The elementary-stream reader: the demultiplexer's counterpart for a source
// that is itself a video or an audio elementary stream. It copies the range
// from the working head area to the working tail area of the stream's
// descriptor block by block into the stream's buffer, with the same
// rewriting as the demultiplexer; time stamps come from picture and frame
// counts, as the source has none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/edit/es_buffer.h"
#include "engine/edit/video_rewrite.h"
#include "platform/file.h"

namespace cw {

struct EsReaderState {
  platform::File* file = nullptr;
  std::vector<std::uint8_t> block;  // one read; block.size() is the chunk size
  std::int64_t start = 0;           // range [start, end)
  std::int64_t end = 0;
  std::int64_t position = 0;
  int treatment = kCutInPlain;
  bool firstStep = false;
  // Stream offset of a cut-in whose leading B-pictures run past the blocks
  // read so far; the step reads on until they are complete. -1: none.
  std::int64_t deadBFrom = -1;
};

// Positions the reader on the cut of `buf`'s descriptor and switches the
// video time stamps to picture counting. 0, kEsReaderNoMemory,
// kEsReaderBadRange or kEsReaderReadError.
int PositionEsReader(EsReaderState& state, platform::File& file, std::size_t chunk, int treatment,
                     EsBuffer& buf);

// Appends the next block, or as many as it takes to hold the leading
// B-pictures that the cut-in removes. At the end of the range only the end
// of data is set. 0, kEsReaderReadError, kEsReaderOverflow or kEsReaderNoMemory.
int EsReaderStep(EsReaderState& state, EsBuffer& buf);

}  // namespace cw
