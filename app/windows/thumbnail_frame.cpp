#include "app/windows/thumbnail_frame.h"

#include <QPainter>

namespace cw::app {

const FrameColors& grayFrameColors() {
  static const FrameColors colors{QColor(173, 173, 173), QColor(135, 135, 135), QColor(74, 74, 74)};
  return colors;
}

const FrameColors& yellowFrameColors() {
  static const FrameColors colors{QColor(255, 255, 0), QColor(210, 210, 0), QColor(166, 166, 0)};
  return colors;
}

namespace {

// One ring `inset` pixels in from the edge: `topLeft` along the top and left
// edges, `bottomRight` along the bottom and right ones.
void drawRing(QPainter& painter, int width, int height, int inset, const QColor& topLeft,
              const QColor& bottomRight) {
  const int left = inset;
  const int top = inset;
  const int right = width - 1 - inset;
  const int bottom = height - 1 - inset;
  if (right < left || bottom < top) return;
  painter.setPen(topLeft);
  painter.drawLine(left, top, right, top);
  painter.drawLine(left, top, left, bottom);
  painter.setPen(bottomRight);
  painter.drawLine(left, bottom, right, bottom);
  painter.drawLine(right, top, right, bottom);
}

}  // namespace

void drawFrame(QPixmap& picture, const FrameColors& colors) {
  if (picture.isNull()) return;
  // Pixel units: a device pixel ratio other than 1 would blur the rings.
  const qreal ratio = picture.devicePixelRatio();
  picture.setDevicePixelRatio(1);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const int w = picture.width();
  const int h = picture.height();
  drawRing(painter, w, h, 0, colors.light, colors.dark);
  drawRing(painter, w, h, 1, colors.middle, colors.middle);
  drawRing(painter, w, h, 2, colors.dark, colors.light);
  painter.end();
  picture.setDevicePixelRatio(ratio);
}

}  // namespace cw::app
