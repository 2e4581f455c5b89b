// The footage palette: one thumbnail per opened clip on a scrolling
// background. Emits clipActivated when a thumbnail is double-clicked or
// Enter is pressed on it; a drag carries kClipMimeType with the clip index.
#pragma once

#include <QMdiSubWindow>
#include <QScrollBar>

namespace cw::app {

inline constexpr const char* kClipMimeType = "application/x-clipwright-clip";

class FootageForm : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit FootageForm(QWidget* parent = nullptr);

  QWidget* picBackGround() const { return picBackGround_; }
  QScrollBar* VScroll1() const { return vScroll1_; }

 signals:
  void clipActivated(int index);

 private:
  QWidget* picBackGround_ = nullptr;
  QScrollBar* vScroll1_ = nullptr;
};

}  // namespace cw::app
