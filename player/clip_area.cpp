#include "player/clip_area.h"

#include <QMouseEvent>
#include <QPainter>

namespace cw::player {

ClipArea::ClipArea(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void ClipArea::setBackgroundColor(const QColor& color) {
  color_ = color;
  update();
}

void ClipArea::setBackgroundPicture(const QPixmap& picture) {
  picture_ = picture;
  update();
}

void ClipArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), color_);
  if (!picture_.isNull()) painter.drawPixmap(0, 0, picture_);
}

void ClipArea::mousePressEvent(QMouseEvent* event) {
  pressed_ = true;
  emit mouseDown(event);
}

void ClipArea::mouseReleaseEvent(QMouseEvent* event) {
  emit mouseUp(event);
  if (pressed_ && rect().contains(event->position().toPoint())) emit clicked();
  pressed_ = false;
}

void ClipArea::mouseMoveEvent(QMouseEvent* event) { emit mouseMove(event); }

void ClipArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit resized();
}

}  // namespace cw::player
