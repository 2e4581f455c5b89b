#include "engine/analysis/record_window.h"

#include "engine/analysis/head_tail_window.h"
#include "engine/analysis/mpeg1.h"
#include "engine/common/errors.h"

namespace cw::window_detail {

int readRecordWindow(platform::File& file, std::int64_t offset, std::int64_t size,
                     ScanBuffer& buf) {
  const int status = readWindow(file, offset, size, buf);
  return status == kErrSourceRead ? kErrRecordRead : status;
}

std::size_t lastBefore(const ScanList& list, std::uint32_t at) {
  const std::size_t after = firstAtOrAfter(list, at);
  return after == 0 ? list.size() : after - 1;
}

}  // namespace cw::window_detail
