// The video window: a widget inside the clip area that draws the picture on
// show stretched to its size. Its mouse input falls through to the widget
// beneath (the clip area); in full-screen mode it is a window of its own that
// any key or click returns to its place.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace cw::player {

class VideoSurface : public QWidget {
  Q_OBJECT
 public:
  explicit VideoSurface(QWidget* owner);

  // Puts the surface into `owner` (nullptr: a hidden window of its own), the
  // place it returns to from full screen.
  void attachTo(QWidget* owner);

  void setPicture(const QImage& picture);
  const QImage& picture() const { return picture_; }

  void enterFullScreen();
  void leaveFullScreen();
  bool isFullScreenMode() const { return fullScreen_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
  bool fullScreen_ = false;
  QPointer<QWidget> owner_;
  QRect windowedGeometry_;
  bool windowedVisible_ = false;
};

}  // namespace cw::player
