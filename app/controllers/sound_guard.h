// One sound at a time: when one of the editor's panes (player, recorder,
// thumbnail chooser, preview) starts playing, every other pane that plays
// pauses.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

#include "player/scrub_pane.h"

namespace cw::app {

class SoundGuard : public QObject {
  Q_OBJECT
 public:
  explicit SoundGuard(QObject* parent = nullptr);

  void watch(player::ScrubPane* pane);

 private:
  void modeChanged(player::ScrubPane* pane);

  std::vector<QPointer<player::ScrubPane>> panes_;
};

}  // namespace cw::app
