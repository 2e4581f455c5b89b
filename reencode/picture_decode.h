// Decoding the pictures of a re-encode job: the coded GOPs split into one
// packet per picture, each stamped with its display number, so that the
// decoder's output can be matched to the pictures asked for.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

namespace cw::reencode {

struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

// One picture of a coded stream: its bytes (with the sequence and GOP
// headers in front of it) and its number in display order.
struct CodedPicture {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::int64_t display = 0;
};

// The pictures of `coded` in stream order.
std::vector<CodedPicture> splitPictures(const std::vector<std::uint8_t>& coded);

// Decodes `coded` and keeps the pictures numbered [first, first + count).
// Returns false when one of them does not come out of the decoder.
bool decodeWanted(const std::vector<std::uint8_t>& coded, std::int64_t first, std::int64_t count,
                  std::map<std::int64_t, FramePtr>& frames);

}  // namespace cw::reencode
