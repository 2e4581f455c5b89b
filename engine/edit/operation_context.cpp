#include "engine/edit/operation_context.h"

#include <cmath>

#include "platform/file.h"

namespace cw {

void OperationContext::resolve() {
  source = resolveStreamInfo(srcInfoHand);
  record = resolveStreamInfo(recInfoHand);
}

void OperationContext::Progress(int status, int percentage) const {
  if (onProgress) onProgress(status, percentage);
}

double OperationContext::refreshSpaceAvailable() {
  // The drive that receives the record, which need not be the one of the
  // current directory. 64-bit all the way: disks are far beyond 4 GiB.
  constexpr std::int64_t kMegabyte = 1048576;
  const std::int64_t bytes = platform::freeSpace(recordFileName);
  spaceAvailable = bytes < 0 ? 0.0 : static_cast<double>(bytes / kMegabyte * kMegabyte);
  return spaceAvailable;
}

int progressPercentage(std::int64_t written, std::int64_t estimate) {
  if (estimate <= 0) return 100;
  const double percent =
      std::round(static_cast<double>(written) * 100.0 / static_cast<double>(estimate));
  return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

}  // namespace cw
