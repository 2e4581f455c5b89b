// The player window: the source clip in the ScrubPane iPlayer. The user loads
// a clip (a thumbnail dropped or activated), plays it, sets its marks and
// saves the frame on screen with the photo button. Closing the window only
// hides it.
#pragma once

#include <QMdiSubWindow>
#include <QPushButton>

#include "player/scrub_pane.h"

namespace cw::app {

class NewPlayer : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit NewPlayer(QWidget* parent = nullptr);

  player::ScrubPane* iPlayer() const { return iPlayer_; }
  QPushButton* butPhoto() const { return butPhoto_; }

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
  player::ScrubPane* iPlayer_ = nullptr;
  QPushButton* butPhoto_ = nullptr;
};

}  // namespace cw::app
