#include "app/windows/new_import.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace cw::app {

NewImport::NewImport(QWidget* parent) : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("newImport"));
  setWindowTitle(tr("Customize Thumbnail"));
  setAccessibleName(windowTitle());
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  iImport_ = new player::ScrubPane(body);
  iImport_->setObjectName(QStringLiteral("iImport"));
  iImport_->setAccessibleName(tr("Thumbnail chooser"));
  layout->addWidget(iImport_);
  auto* buttons = new QHBoxLayout;
  const QString caption = tr("Use This Frame");
  butRecord_ = new QPushButton(caption, body);
  butRecord_->setObjectName(QStringLiteral("butRecord"));
  butRecord_->setAccessibleName(caption);
  butRecord_->setToolTip(tr("Make the frame on screen the clip's thumbnail"));
  butRecord_->setFocusPolicy(Qt::NoFocus);
  buttons->addStretch();
  buttons->addWidget(butRecord_);
  buttons->addStretch();
  layout->addLayout(buttons);
  setWidget(body);
  setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
}

void NewImport::fitToPane() {
  iImport_->resize(iImport_->sizeHint());
  iImport_->setFixedSize(iImport_->sizeHint());
  widget()->adjustSize();
  adjustSize();
}

void NewImport::closeClip() {
  iImport_->xClose();
  iImport_->setSource(QString());
}

// The clip closes and the window hides; it is never destroyed by closing.
void NewImport::closeEvent(QCloseEvent* event) {
  closeClip();
  event->ignore();
  hide();
}

}  // namespace cw::app
