// The bytes a conformance check reads: a file through the engine's file
// layer in blocks, or bytes in memory, seen through a window that holds at
// least the longest packet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file.h"

namespace cw {

class CheckInput {
 public:
  CheckInput(const std::uint8_t* data, std::size_t size);  // bytes in memory
  explicit CheckInput(platform::File& file);               // an open file

  std::int64_t size() const { return size_; }
  bool readFailed() const { return readFailed_; }
  // The bytes from `pos`: at least min(want, size - pos) of them, which
  // `available` receives (0 at the end or after a read error).
  const std::uint8_t* view(std::int64_t pos, std::size_t want, std::size_t& available);
  // The next position from `from` holding 00 00 01 `code`, or size().
  std::int64_t find(std::int64_t from, std::uint8_t code);

 private:
  bool load(std::int64_t pos, std::size_t want);

  const std::uint8_t* memory_ = nullptr;
  platform::File* file_ = nullptr;
  std::int64_t size_ = 0;
  std::vector<std::uint8_t> window_;
  std::int64_t windowStart_ = 0;
  bool readFailed_ = false;
};

}  // namespace cw
