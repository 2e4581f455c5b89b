#include "app/windows/new_player.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QVBoxLayout>

#include "app/windows/footage_form.h"

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
  auto* buttons = new QHBoxLayout;
  const QString caption = tr("Still Image");
  butPhoto_ = new QPushButton(caption, body);
  butPhoto_->setObjectName(QStringLiteral("butPhoto"));
  butPhoto_->setAccessibleName(caption);
  butPhoto_->setToolTip(tr("Save the frame on screen as a picture"));
  butPhoto_->setFocusPolicy(Qt::NoFocus);
  buttons->addStretch();
  buttons->addWidget(butPhoto_);
  layout->addLayout(buttons);
  setWidget(body);
  setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
  setAcceptDrops(true);
}

namespace {

// The clip index a palette drag carries; -1 for anything else.
int droppedClip(const QMimeData* data) {
  const QString type = QString::fromLatin1(kClipMimeType);
  if (!data || !data->hasFormat(type)) return -1;
  bool ok = false;
  const int index = QString::fromLatin1(data->data(type)).trimmed().toInt(&ok);
  return ok && index >= 0 ? index : -1;
}

}  // namespace

void NewPlayer::dragEnterEvent(QDragEnterEvent* event) {
  if (droppedClip(event->mimeData()) >= 0) event->acceptProposedAction();
}

void NewPlayer::dragMoveEvent(QDragMoveEvent* event) {
  if (droppedClip(event->mimeData()) >= 0) event->acceptProposedAction();
}

void NewPlayer::dropEvent(QDropEvent* event) {
  const int index = droppedClip(event->mimeData());
  if (index < 0) return;
  event->acceptProposedAction();
  emit clipDropped(index);
}

void NewPlayer::closeEvent(QCloseEvent* event) {
  if (iPlayer_->mode() == static_cast<int>(player::PlayerMode::Playing)) iPlayer_->xPause();
  event->ignore();
  emit closeRequested();
}

}  // namespace cw::app
