// The re-encoded pictures of an exact cut and where they go: `head` right
// after the sequence header at the cut-in (before the first copied GOP),
// `tail` after the last copied picture (before the sequence end code). Each
// is one closed GOP, or empty.
#pragma once

#include <cstdint>
#include <vector>

namespace cw {

struct VideoSplice {
  std::vector<std::uint8_t> head;
  std::vector<std::uint8_t> tail;
};

}  // namespace cw
