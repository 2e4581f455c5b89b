// The clip area (Picture1): a panel filled with the clip background colour,
// with an optional background picture (a frozen frame) drawn at pixel size.
// The video window lives inside it and lets mouse input through to it.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace cw::player {

class ClipArea : public QWidget {
  Q_OBJECT
 public:
  explicit ClipArea(QWidget* parent = nullptr);

  void setBackgroundColor(const QColor& color);
  void setBackgroundPicture(const QPixmap& picture);
  const QPixmap& backgroundPicture() const { return picture_; }

 signals:
  void mouseDown(QMouseEvent* event);
  void mouseUp(QMouseEvent* event);
  void mouseMove(QMouseEvent* event);
  void clicked();
  void resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QColor color_;
  QPixmap picture_;
  bool pressed_ = false;
};

}  // namespace cw::player
