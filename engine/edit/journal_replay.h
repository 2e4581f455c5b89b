// Undo and Redo: put one journal back into the record file. Undo restores the
// record as it was before the last change, Redo as it was after it.
#pragma once

#include "engine/edit/operation_context.h"

namespace cw {

// 0, or 2000-2008. Sets the error state on failure and the history flags.
int Undo(OperationContext& ctx);
// 0, or 2100-2108.
int Redo(OperationContext& ctx);

}  // namespace cw
