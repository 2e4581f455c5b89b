#include "app/windows/new_recorder.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace cw::app {
namespace {

constexpr int kEscapeKeyCode = 0x1B;

}  // namespace

NewRecorder::NewRecorder(QWidget* parent) : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("newRecorder"));
  setWindowTitle(tr("Recorder"));
  setAccessibleName(windowTitle());
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  iRecorder_ = new player::ScrubPane(body);
  iRecorder_->setObjectName(QStringLiteral("iRecorder"));
  iRecorder_->setAccessibleName(tr("Recorder"));
  layout->addWidget(iRecorder_);
  auto* buttons = new QHBoxLayout;
  butRecord_ = makeButton("butRecord", tr("Record"));
  butPreview_ = makeButton("butPreview", tr("Preview"));
  butMake_ = makeButton("butMake", tr("Make Movie"));
  buttons->addWidget(butRecord_);
  buttons->addWidget(butPreview_);
  buttons->addWidget(butMake_);
  layout->addLayout(buttons);
  setWidget(body);
  setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
  // The pane usually has the focus and takes every key; it hands them on as
  // its KeyDown event.
  connect(iRecorder_, &player::ScrubPane::KeyDown, this, [this](int keyCode, int shift) {
    if (keyCode == kEscapeKeyCode && shift == 0) emit escapePressed();
  });
}

QPushButton* NewRecorder::makeButton(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, widget() ? widget() : this);
  button->setObjectName(QString::fromLatin1(name));
  button->setAccessibleName(caption);
  button->setToolTip(caption);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

void NewRecorder::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    emit escapePressed();
    return;
  }
  QMdiSubWindow::keyPressEvent(event);
}

// Closing only hides the window; a playing movie pauses first.
void NewRecorder::closeEvent(QCloseEvent* event) {
  if (iRecorder_->mode() == static_cast<int>(player::PlayerMode::Playing)) iRecorder_->xPause();
  event->ignore();
  emit closeRequested();
}

}  // namespace cw::app
