// The frames of the footage palette's thumbnails: three one-pixel rings drawn
// into the picture itself, grey for an unselected clip, yellow for a selected
// one. The outer ring is lit from the top left, the inner one is sunk.
#pragma once

#include <QColor>
#include <QPixmap>

namespace cw::app {

struct FrameColors {
  QColor light;
  QColor middle;
  QColor dark;
};

const FrameColors& grayFrameColors();
const FrameColors& yellowFrameColors();

// Draws the three rings into the edge pixels of `picture`.
void drawFrame(QPixmap& picture, const FrameColors& colors);

}  // namespace cw::app
