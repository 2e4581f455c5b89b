#include "app/windows/player_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QVBoxLayout>

#include "app/windows/footage_window.h"

namespace cw::app {

namespace {

// A small camera: body, lens and viewfinder.
QIcon cameraIcon() {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(40, 40, 40), 1));
  painter.setBrush(QColor(90, 90, 90));
  painter.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1.5, 1.5);
  painter.drawRect(QRectF(5.5, 2.5, 5, 2));
  painter.setBrush(QColor(200, 220, 240));
  painter.drawEllipse(QPointF(8, 9), 2.8, 2.8);
  painter.end();
  return QIcon(picture);
}

}  // namespace

PlayerWindow::PlayerWindow(QWidget* parent) : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("newPlayer"));
  setWindowTitle(tr("Player"));
  setAccessibleName(windowTitle());
  auto* body = new QWidget(this);
  auto* layout = new QHBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  playerPane_ = new player::ScrubPane(body);
  playerPane_->setObjectName(QStringLiteral("iPlayer"));
  playerPane_->setAccessibleName(tr("Player"));
  layout->addWidget(playerPane_);
  // The photo button stands beside the slider: a row of its own would make
  // the window taller than the room above the footage palette.
  auto* column = new QVBoxLayout;
  const QString caption = tr("Still Image");
  photoButton_ = new QPushButton(body);
  photoButton_->setObjectName(QStringLiteral("butPhoto"));
  photoButton_->setIcon(cameraIcon());
  photoButton_->setAccessibleName(caption);
  photoButton_->setToolTip(tr("Still Image: save the frame on screen as a picture"));
  photoButton_->setFocusPolicy(Qt::NoFocus);
  photoButton_->setFixedSize(26, 26);
  column->addStretch();
  column->addWidget(photoButton_);
  layout->addLayout(column);
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

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (droppedClip(event->mimeData()) >= 0) event->acceptProposedAction();
}

void PlayerWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (droppedClip(event->mimeData()) >= 0) event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event) {
  const int index = droppedClip(event->mimeData());
  if (index < 0) return;
  event->acceptProposedAction();
  emit clipDropped(index);
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
  if (playerPane_->mode() == static_cast<int>(player::PlayerMode::Playing)) playerPane_->xPause();
  event->ignore();
  emit closeRequested();
}

}  // namespace cw::app
