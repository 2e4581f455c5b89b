#include "app/windows/placeholder_pictures.h"

#include <QFont>
#include <QPainter>

namespace cw::app {

namespace {

QPixmap labelledPicture(QSize size, const QColor& background, const QColor& ink,
                        const QString& text) {
  QPixmap picture(size);
  picture.fill(background);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(ink);
  QFont font = painter.font();
  font.setPixelSize(std::max(8, size.height() / 5));
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(picture.rect(), Qt::AlignCenter, text);
  return picture;
}

}  // namespace

// A loudspeaker on a dark band with the word "Audio" under it.
QPixmap audioPlaceholderPicture(QSize size) {
  QPixmap picture = labelledPicture(size, QColor(40, 40, 72), QColor(255, 230, 120), QString());
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const double w = size.width();
  const double h = size.height();
  QPolygonF speaker;
  speaker << QPointF(w * 0.30, h * 0.30) << QPointF(w * 0.40, h * 0.30)
          << QPointF(w * 0.52, h * 0.16) << QPointF(w * 0.52, h * 0.64)
          << QPointF(w * 0.40, h * 0.50) << QPointF(w * 0.30, h * 0.50);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 230, 120));
  painter.drawPolygon(speaker);
  painter.setPen(QPen(QColor(255, 230, 120), std::max(1.0, h / 30)));
  painter.setBrush(Qt::NoBrush);
  painter.drawArc(QRectF(w * 0.46, h * 0.22, w * 0.16, h * 0.36), -50 * 16, 100 * 16);
  painter.drawArc(QRectF(w * 0.44, h * 0.12, w * 0.26, h * 0.56), -50 * 16, 100 * 16);
  QFont font = painter.font();
  font.setPixelSize(std::max(8, size.height() / 6));
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRectF(0, h * 0.68, w, h * 0.28), Qt::AlignCenter, "Audio");
  return picture;
}

QPixmap noPicturePlaceholder(QSize size) {
  return labelledPicture(size, QColor(96, 96, 96), QColor(220, 220, 220), "MPEG");
}

}  // namespace cw::app
