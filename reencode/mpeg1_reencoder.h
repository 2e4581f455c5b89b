// The picture re-encoder of exact cuts on FFmpeg: decodes the GOPs it is
// handed with libavcodec's MPEG-1 decoder and codes the wanted pictures
// again with its MPEG-1 encoder, set from the source's sequence header.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/edit/picture_reencoder.h"

namespace cw {

class Mpeg1Reencoder final : public PictureReencoder {
 public:
  int reencode(const ReencodeJob& job, std::vector<std::uint8_t>& gop) override;
};

// Return codes of Mpeg1Reencoder::reencode besides 0.
enum ReencodeStatus : int {
  kReencodeBadJob = 1,        // no pictures wanted, or no usable sequence header
  kReencodeNoCodec = 2,       // libavcodec lacks the MPEG-1 decoder or encoder
  kReencodeDecodeFailed = 3,  // a wanted picture did not decode
  kReencodeEncodeFailed = 4,
};

}  // namespace cw
