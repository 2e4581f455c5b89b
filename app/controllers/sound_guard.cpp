#include "app/controllers/sound_guard.h"

namespace cw::app {

namespace {

constexpr int kPlaying = static_cast<int>(player::PlayerMode::Playing);

}  // namespace

SoundGuard::SoundGuard(QObject* parent) : QObject(parent) {
  setObjectName(QStringLiteral("soundGuard"));
}

void SoundGuard::watch(player::ScrubPane* pane) {
  panes_.emplace_back(pane);
  connect(pane, &player::ScrubPane::ModeChanged, this, [this, pane] { modeChanged(pane); });
}

void SoundGuard::modeChanged(player::ScrubPane* pane) {
  if (pane->mode() != kPlaying) return;
  for (const QPointer<player::ScrubPane>& other : panes_) {
    if (other && other != pane && other->mode() == kPlaying) other->xPause();
  }
}

}  // namespace cw::app
