// The player window: the source clip in the ScrubPane iPlayer. The user loads
// a clip (a thumbnail dropped or activated), plays it and sets its marks.
#pragma once

#include <QMdiSubWindow>

#include "player/scrub_pane.h"

namespace cw::app {

class NewPlayer : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit NewPlayer(QWidget* parent = nullptr);

  player::ScrubPane* iPlayer() const { return iPlayer_; }

 private:
  player::ScrubPane* iPlayer_ = nullptr;
};

}  // namespace cw::app
