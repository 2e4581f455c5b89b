// Append crop: adds the stretch [SourceMarkIn, SourceMarkOut] of the source
// to the end of the record. The record is not simply extended: its last
// part, from the pack before the merge point that the record entry analysis
// finds, is multiplexed again together with the new stretch, so that time
// stamps, GOP time codes and decoder-buffer levels run on without a break.
// The old bytes from there on go into the undo journal and every new byte
// into the redo journal; a failed or cancelled write puts the old bytes back.
#pragma once

#include "engine/edit/operation_context.h"

namespace cw {

// Runs the append worker that fits the source's file type: system stream (0
// or 3) in any record mode, video elementary stream (1) onto a video record,
// audio elementary stream (2) onto an audio record. Clears the cancel flag
// first. Returns 0 on success and after a cancel (the record is then as
// before and the error number 0), otherwise the error number, which is also
// in the error state. A missing record or source, or a source of another
// type, gives 1002 without touching any file.
int AppendCrop(OperationContext& ctx);

}  // namespace cw
