// Entry crop: puts the stretch [SourceMarkIn, SourceMarkOut] of the source
// into the record at RecordMarkEntry (seconds into the record) and drops what
// the record held after that point. It is an append with the join point
// chosen by time: the record is kept up to the end of the GOP at the entry,
// its bytes from the pack before the merge point on are multiplexed again
// with the new stretch, and a record that became shorter is cut to its new
// length. The journals and the restore are those of append crop.
#pragma once

#include "engine/edit/operation_context.h"

namespace cw {

// Runs the entry worker that fits the source's file type (as AppendCrop).
// Returns 0 on success and after a cancel, otherwise the error number (also
// in the error state). 1002 for a missing record or source or a source of
// another type, without touching any file.
int EntryCrop(OperationContext& ctx);

}  // namespace cw
