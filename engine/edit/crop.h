// Crop: makes a new record file from the stretch [SourceMarkIn,
// SourceMarkOut] of the source. The cut points move to clean places (a GOP
// boundary and a synchronised audio frame), the stretch is taken apart and
// written anew in the record mode, and the record's stream information
// describes the new file. A crop starts a project: it replaces any record
// file of that name and clears the undo and redo history.
#pragma once

#include "engine/edit/operation_context.h"

namespace cw {

// Runs the crop worker that fits the source's file type: system stream (0 or
// 3), video elementary stream (1) or audio elementary stream (2). Clears the
// cancel flag first. Returns 0 on success and after a cancel (the record file
// is then gone and the error state holds 6006), otherwise the error number,
// which is also in the error state. A source that is missing or of another
// type gives 1002 without touching any file.
int Crop(OperationContext& ctx);

}  // namespace cw
