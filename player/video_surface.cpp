#include "player/video_surface.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace cw::player {

VideoSurface::VideoSurface(QWidget* owner) : QWidget(owner), owner_(owner) {
  setObjectName("VideoWindow");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void VideoSurface::attachTo(QWidget* owner) {
  leaveFullScreen();
  const QRect place = geometry();
  owner_ = owner;
  setParent(owner);
  setGeometry(place);
  if (!owner) hide();
}

void VideoSurface::setPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void VideoSurface::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), picture_);
}

void VideoSurface::enterFullScreen() {
  if (fullScreen_) return;
  fullScreen_ = true;
  windowedGeometry_ = geometry();
  windowedVisible_ = isVisible();
  setAttribute(Qt::WA_TransparentForMouseEvents, false);
  setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
  setFocusPolicy(Qt::StrongFocus);
  showFullScreen();
  activateWindow();
  setFocus();
}

void VideoSurface::leaveFullScreen() {
  if (!fullScreen_) return;
  fullScreen_ = false;
  setParent(owner_, Qt::Widget);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setGeometry(windowedGeometry_);
  setVisible(windowedVisible_);
}

// A key ends full screen and then reaches the clip area, as it would have
// without full screen: a host that closes on Escape closes at once.
void VideoSurface::keyPressEvent(QKeyEvent* event) {
  if (fullScreen_) {
    leaveFullScreen();
    event->accept();
    if (owner_) {
      QKeyEvent passed(event->type(), event->key(), event->modifiers(), event->text(),
                       event->isAutoRepeat(), static_cast<ushort>(event->count()));
      QCoreApplication::sendEvent(owner_, &passed);
    }
    return;
  }
  QWidget::keyPressEvent(event);
}

void VideoSurface::mousePressEvent(QMouseEvent* event) {
  if (fullScreen_) {
    leaveFullScreen();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

}  // namespace cw::player
