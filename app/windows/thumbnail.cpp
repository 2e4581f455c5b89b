#include "app/windows/thumbnail.h"

#include <QApplication>
#include <QDrag>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace cw::app {

Thumbnail::Thumbnail(int index, QWidget* parent) : QWidget(parent), index_(index) {
  setObjectName("Thumbnail");
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Thumbnail::setPicture(const QPixmap& picture) {
  picture_ = picture;
  setFixedSize(picture_.size());
  update();
}

std::unique_ptr<QMimeData> Thumbnail::dragData() const {
  auto data = std::make_unique<QMimeData>();
  data->setData(kClipMimeType, QByteArray::number(index_));
  return data;
}

void Thumbnail::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_);
  if (!keyboardFocus_) return;
  // Inside the three rings of the frame, which keep their colours.
  QPen dotted(palette().color(QPalette::Highlight), 1, Qt::DotLine);
  painter.setPen(dotted);
  painter.drawRect(rect().adjusted(4, 4, -5, -5));
}

// A mouse press gives the focus too; only Tab, Backtab and shortcuts show
// the mark, as a press already shows the clip by its frame.
void Thumbnail::focusInEvent(QFocusEvent* event) {
  const Qt::FocusReason reason = event->reason();
  keyboardFocus_ = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                   reason == Qt::ShortcutFocusReason;
  update();
  QWidget::focusInEvent(event);
}

void Thumbnail::focusOutEvent(QFocusEvent* event) {
  keyboardFocus_ = false;
  update();
  QWidget::focusOutEvent(event);
}

void Thumbnail::mousePressEvent(QMouseEvent* event) {
  dragArmed_ = event->button() == Qt::LeftButton;
  dragStart_ = event->position().toPoint();
  emit pressed(index_, event->button(), event->modifiers(), event->globalPosition().toPoint());
}

// The drag starts once the mouse has moved a little, so that a click and a
// double-click stay what they are.
void Thumbnail::mouseMoveEvent(QMouseEvent* event) {
  if (!dragArmed_ || !(event->buttons() & Qt::LeftButton)) return;
  if ((event->position().toPoint() - dragStart_).manhattanLength() <
      QApplication::startDragDistance())
    return;
  dragArmed_ = false;
  auto* drag = new QDrag(this);
  drag->setMimeData(dragData().release());
  drag->setPixmap(picture_.scaled(picture_.size() / 2));
  drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

void Thumbnail::mouseReleaseEvent(QMouseEvent*) { dragArmed_ = false; }

void Thumbnail::mouseDoubleClickEvent(QMouseEvent* event) {
  dragArmed_ = false;
  if (event->button() == Qt::LeftButton) emit activated(index_);
}

void Thumbnail::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit activated(index_);
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace cw::app
