// What the first group of pictures of a cut needs: the cut-in analyses choose
// it, the demultiplexer and the elementary-stream reader apply it.
#pragma once

namespace cw {

enum CutInTreatment : int {
  kCutInPlain = 0,           // closed GOP: nothing to do
  kCutInMarkBrokenLink = 1,  // open GOP: set broken_link
  kCutInRemoveDeadB = 2,     // open GOP: remove the leading B-pictures
};

}  // namespace cw
