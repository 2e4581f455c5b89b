// The picture re-encoder that an exact cut hands its edge pictures to. The
// engine itself codes no pictures: the host (the command line, the editor)
// passes an implementation to the operation, and an operation without one
// cuts at GOP boundaries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cw {

// One stretch of pictures to code anew.
//
// `coded` is a video elementary stream of whole GOPs that begins with a
// sequence header. Its pictures are numbered in display order: a GOP's
// pictures take the numbers after all pictures of the GOPs before it, in the
// order of their temporal references. Pictures [first, first + count) are
// wanted; all of them must decode from `coded` alone.
struct ReencodeJob {
  std::vector<std::uint8_t> coded;
  std::int64_t first = 0;
  std::int64_t count = 0;
  // Source's sequence header (with the quantiser matrices it loads): size,
  // picture rate, aspect ratio, bit rate and VBV buffer size of the result.
  std::vector<std::uint8_t> sequenceHeader;
  // Decoder buffer level, as a vbv_delay in 90 kHz ticks, at which the first
  // new picture starts; -1 when unknown.
  int startVbvDelay = -1;
  bool bPictures = true;  // the source uses B-pictures, so may the result
  int coarseness = 0;     // 0 first; every step spends fewer bits
};

class PictureReencoder {
 public:
  virtual ~PictureReencoder() = default;
  // Codes the wanted pictures as one closed GOP: a GOP header and `count`
  // pictures (I first), no sequence header and no end code, using the
  // quantiser matrices of job.sequenceHeader. Returns 0 or a nonzero code
  // (the caller reports its own error number).
  virtual int reencode(const ReencodeJob& job, std::vector<std::uint8_t>& gop) = 0;
};

// A re-encoder built as a loadable module (the command line opens it only
// for exact cuts, so that its codec libraries cost nothing otherwise)
// exports one function under this name: it returns a new re-encoder that the
// caller owns, or null.
inline constexpr char kReencoderModuleEntry[] = "clipwright_new_picture_reencoder";
using NewPictureReencoder = PictureReencoder* (*)();

}  // namespace cw
