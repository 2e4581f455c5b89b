#include "engine/edit/check_input.h"

#include <algorithm>

namespace cw {
namespace {

constexpr std::size_t kWindow = 1 << 20;

}  // namespace

CheckInput::CheckInput(const std::uint8_t* data, std::size_t size)
    : memory_(data), size_(static_cast<std::int64_t>(size)) {}

CheckInput::CheckInput(platform::File& file) : file_(&file) {
  size_ = file.length();
  if (size_ < 0) {
    size_ = 0;
    readFailed_ = true;
  }
}

bool CheckInput::load(std::int64_t pos, std::size_t want) {
  const std::int64_t count =
      std::min<std::int64_t>(static_cast<std::int64_t>(std::max(want, kWindow)), size_ - pos);
  window_.resize(static_cast<std::size_t>(count));
  windowStart_ = pos;
  if (!file_->seek(pos) || file_->read(window_.data(), count) != count) {
    window_.clear();
    readFailed_ = true;
    return false;
  }
  return true;
}

const std::uint8_t* CheckInput::view(std::int64_t pos, std::size_t want, std::size_t& available) {
  available = 0;
  if (pos < 0 || pos >= size_ || readFailed_) return nullptr;
  const std::size_t wanted = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(want), size_ - pos));
  if (memory_ != nullptr) {
    available = static_cast<std::size_t>(size_ - pos);
    return memory_ + pos;
  }
  const std::int64_t windowEnd = windowStart_ + static_cast<std::int64_t>(window_.size());
  if (pos < windowStart_ || pos + static_cast<std::int64_t>(wanted) > windowEnd) {
    if (!load(pos, wanted)) return nullptr;
  }
  available =
      static_cast<std::size_t>(windowStart_ + static_cast<std::int64_t>(window_.size()) - pos);
  return window_.data() + (pos - windowStart_);
}

std::int64_t CheckInput::find(std::int64_t from, std::uint8_t code) {
  std::int64_t at = std::max<std::int64_t>(from, 0);
  while (at + 4 <= size_) {
    std::size_t available = 0;
    const std::uint8_t* p = view(at, 4096, available);
    if (p == nullptr || available < 4) return size_;
    for (std::size_t i = 0; i + 4 <= available; ++i) {
      if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1 && p[i + 3] == code)
        return at + static_cast<std::int64_t>(i);
    }
    at += static_cast<std::int64_t>(available) - 3;
  }
  return size_;
}

}  // namespace cw
