// One thumbnail of the footage palette: the clip's picture with its frame
// drawn in. It reports presses (with the button and the keyboard modifiers),
// starts a drag once the pressed mouse has moved, and asks for the clip to be
// loaded on a double-click or Enter. Reached with Tab, it shows a dotted
// focus mark inside its frame, so that a keyboard user sees which clip Enter
// loads.
#pragma once

#include <QMimeData>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <memory>

namespace cw::app {

// A drag of a thumbnail carries its clip index as text under this type.
inline constexpr const char* kClipMimeType = "application/x-clipwright-clip";

class Thumbnail : public QWidget {
  Q_OBJECT
 public:
  Thumbnail(int index, QWidget* parent);

  int index() const { return index_; }
  void setIndex(int index) { index_ = index; }

  // The picture shown, frame included (pixel size of the thumbnail).
  const QPixmap& picture() const { return picture_; }
  void setPicture(const QPixmap& picture);

  // What a drag of this thumbnail carries.
  std::unique_ptr<QMimeData> dragData() const;

  QSize sizeHint() const override { return picture_.size(); }

 signals:
  void pressed(int index, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
               QPoint globalPosition);
  void activated(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int index_;
  QPixmap picture_;
  QPoint dragStart_;
  bool dragArmed_ = false;
  bool keyboardFocus_ = false;
};

}  // namespace cw::app
