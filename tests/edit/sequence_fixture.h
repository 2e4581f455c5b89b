// Sequence crops as the front end drives them: a source record, one record
// per piece, and the sequence state carried from piece to piece.
#pragma once

#include <string>
#include <vector>

#include "crop_fixture.h"
#include "engine/edit/sequence.h"
#include "support/pictures.h"

namespace cw::test {

class SequenceFixture : public CropFixture {
 protected:
  // Crops the next piece into `name` in the temporary folder.
  int piece(const std::string& name, double markOut, bool finalCrop, int mode = 0) {
    ctx.recordFileName = dir.file(name);
    ctx.sourceMarkOut = markOut;
    ctx.recordMode = static_cast<std::int16_t>(mode);
    progress.clear();
    return SeqCrop(ctx, seq, finalCrop);
  }

  SequenceState seq;
};

}  // namespace cw::test
