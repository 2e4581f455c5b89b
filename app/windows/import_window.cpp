#include "app/windows/import_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace cw::app {

ImportWindow::ImportWindow(QWidget* parent) : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("newImport"));
  setWindowTitle(tr("Customize Thumbnail"));
  setAccessibleName(windowTitle());
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  importPane_ = new player::ScrubPane(body);
  importPane_->setObjectName(QStringLiteral("iImport"));
  importPane_->setAccessibleName(tr("Thumbnail chooser"));
  layout->addWidget(importPane_);
  auto* buttons = new QHBoxLayout;
  const QString caption = tr("Use This Frame");
  recordButton_ = new QPushButton(caption, body);
  recordButton_->setObjectName(QStringLiteral("butRecord"));
  recordButton_->setAccessibleName(caption);
  recordButton_->setToolTip(tr("Make the frame on screen the clip's thumbnail"));
  recordButton_->setFocusPolicy(Qt::NoFocus);
  buttons->addStretch();
  buttons->addWidget(recordButton_);
  buttons->addStretch();
  layout->addLayout(buttons);
  setWidget(body);
  setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
}

void ImportWindow::fitToPane() {
  importPane_->resize(importPane_->sizeHint());
  importPane_->setFixedSize(importPane_->sizeHint());
  widget()->adjustSize();
  adjustSize();
}

void ImportWindow::closeClip() {
  importPane_->xClose();
  importPane_->setSource(QString());
}

// The clip closes and the window hides; it is never destroyed by closing.
void ImportWindow::closeEvent(QCloseEvent* event) {
  closeClip();
  event->ignore();
  hide();
}

}  // namespace cw::app
