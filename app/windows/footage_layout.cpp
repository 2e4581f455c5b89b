#include "app/windows/footage_layout.h"

#include <algorithm>

namespace cw::app {

FootageLayout layOutThumbnails(const std::vector<QSize>& sizes, int backgroundWidth) {
  FootageLayout layout;
  layout.places.reserve(sizes.size());
  int left = kThumbnailGap;
  int top = kThumbnailGap;
  int rowBottom = 0;
  for (const QSize& size : sizes) {
    if (left > kThumbnailGap && left + size.width() > backgroundWidth) {
      left = kThumbnailGap;
      top = rowBottom + kThumbnailGap;
    }
    layout.places.emplace_back(QPoint(left, top), size);
    left += size.width() + kThumbnailGap;
    rowBottom = std::max(rowBottom, top + size.height());
  }
  layout.backgroundHeight = layout.places.empty() ? 0 : rowBottom + 2 * kThumbnailGap;
  return layout;
}

}  // namespace cw::app
