// The player window: the source clip in the ScrubPane playerPane. The user loads
// a clip (a thumbnail dropped or activated), plays it, sets its marks and
// saves the frame on screen with the photo button. Closing the window only
// hides it.
#pragma once

#include <QMdiSubWindow>
#include <QPushButton>

#include "player/scrub_pane.h"

namespace cw::app {

class PlayerWindow : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit PlayerWindow(QWidget* parent = nullptr);

  player::ScrubPane* playerPane() const { return playerPane_; }
  QPushButton* photoButton() const { return photoButton_; }

 signals:
  // A thumbnail of the footage palette was dropped here.
  void clipDropped(int index);
  // The user closed the window; the main window's Player item hides it.
  void closeRequested();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  player::ScrubPane* playerPane_ = nullptr;
  QPushButton* photoButton_ = nullptr;
};

}  // namespace cw::app
