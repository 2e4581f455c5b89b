#include "player/capture.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

namespace cw::player {
namespace {

constexpr int kPaletteDepth = 8;  // bits per pixel of a palette-based display

}  // namespace

Picture grabWindowImage(QWidget* window, bool client, int left, int top, int width, int height) {
  if (!window || width <= 0 || height <= 0) return makeBitmapPicture(QPixmap());
  QPixmap pixels;
  if (!client && window->isWindow() && window->windowHandle() && window->screen()) {
    const QRect frame = window->frameGeometry();
    pixels = window->screen()->grabWindow(0, frame.x() + left, frame.y() + top, width, height);
  }
  if (pixels.isNull()) pixels = window->grab(QRect(left, top, width, height));
  QVector<QRgb> palette;
  if (QPixmap::defaultDepth() == kPaletteDepth) {
    palette = pixels.toImage().convertToFormat(QImage::Format_Indexed8).colorTable();
  }
  return makeBitmapPicture(std::move(pixels), std::move(palette));
}

}  // namespace cw::player
