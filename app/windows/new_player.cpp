#include "app/windows/new_player.h"

#include <QVBoxLayout>

namespace cw::app {

NewPlayer::NewPlayer(QWidget* parent) : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("newPlayer"));
  setWindowTitle(tr("Player"));
  setAccessibleName(windowTitle());
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  iPlayer_ = new player::ScrubPane(body);
  iPlayer_->setObjectName(QStringLiteral("iPlayer"));
  iPlayer_->setAccessibleName(tr("Player"));
  layout->addWidget(iPlayer_);
  setWidget(body);
  setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
}

}  // namespace cw::app
