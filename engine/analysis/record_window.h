// Window helpers shared by the record analyses.
#pragma once

#include <cstdint>

#include "engine/analysis/scan.h"
#include "platform/file.h"

namespace cw::window_detail {

// Reads `size` bytes at `offset` of the record: 0, 1015 (read failure or
// short read) or 1001 (memory).
int readRecordWindow(platform::File& file, std::int64_t offset, std::int64_t size, ScanBuffer& buf);

// Index of the last entry of `list` starting before buffer offset `at`, or
// list.size() when none does.
std::size_t lastBefore(const ScanList& list, std::uint32_t at);

}  // namespace cw::window_detail
