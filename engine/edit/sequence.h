// Sequence mode: one source cut into consecutive pieces, each written to its
// own record file, without gaps or overlaps. The caller marks the start of a
// sequence once, then crops piece after piece with a new record file name and
// a later mark out; every piece starts at the cut-out point of the piece
// before it, and the final piece runs to the end of the source.
//
// SeqAppendCrop is the append counterpart: it adds the source, from its
// mark in to its end, to the end of an existing record.
#pragma once

#include "engine/analysis/stream_info.h"
#include "engine/common/errors.h"
#include "engine/edit/operation_context.h"

namespace cw {

// What a sequence remembers between its pieces.
struct SequenceState {
  bool atStart = true;     // the next piece starts at the beginning of the source
  StreamArea previousCut;  // the video cut-out area of the last piece
};

// Starts a new sequence: the next SeqCrop begins at the start of the source.
void SetSeqMode(SequenceState& seq);

// Crops the next piece, from the previous piece's cut-out (or the start of
// the source) to the mark out, or to the end of the source when `finalCrop`
// is set, into a new record file. Source type 0 or 3: system-stream worker in
// any record mode; 1: video elementary stream; 2: nothing is done, 0.
// Returns 0 on success and after a cancel (the record file is then gone and
// the error state holds 6006), otherwise the error number, which is also in
// the error state. Only a piece that was really written moves the sequence
// on; after a failure the same piece can be tried again. The edit history is
// cleared whatever the outcome, as by a crop.
int SeqCrop(OperationContext& ctx, SequenceState& seq, bool finalCrop);

// Appends the source from its mark in to its end to the record (the mark out
// is not used; `finalCrop` has no effect). Source type 0 or 3: the system
// append with the cut-out at the end of the file; 1: the video append with
// the marks as set; 2: nothing is done, 0. Results as AppendCrop.
int SeqAppendCrop(OperationContext& ctx, bool finalCrop);

}  // namespace cw
