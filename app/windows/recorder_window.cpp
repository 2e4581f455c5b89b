#include "app/windows/recorder_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace cw::app {
namespace {

constexpr int kEscapeKeyCode = 0x1B;

}  // namespace

RecorderWindow::RecorderWindow(QWidget* parent) : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("newRecorder"));
  setWindowTitle(tr("Recorder"));
  setAccessibleName(windowTitle());
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  recorderPane_ = new player::ScrubPane(body);
  recorderPane_->setObjectName(QStringLiteral("iRecorder"));
  recorderPane_->setAccessibleName(tr("Recorder"));
  layout->addWidget(recorderPane_);
  auto* buttons = new QHBoxLayout;
  recordButton_ = addButton("butRecord", tr("Record"));
  previewButton_ = addButton("butPreview", tr("Preview"));
  makeButton_ = addButton("butMake", tr("Make Movie"));
  buttons->addWidget(recordButton_);
  buttons->addWidget(previewButton_);
  buttons->addWidget(makeButton_);
  layout->addLayout(buttons);
  setWidget(body);
  setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
  // The pane usually has the focus and takes every key; it hands them on as
  // its KeyDown event.
  connect(recorderPane_, &player::ScrubPane::KeyDown, this, [this](int keyCode, int shift) {
    if (keyCode == kEscapeKeyCode && shift == 0) emit escapePressed();
  });
}

QPushButton* RecorderWindow::addButton(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, widget() ? widget() : this);
  button->setObjectName(QString::fromLatin1(name));
  button->setAccessibleName(caption);
  button->setToolTip(caption);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

void RecorderWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    emit escapePressed();
    return;
  }
  QMdiSubWindow::keyPressEvent(event);
}

// Closing only hides the window; a playing movie pauses first.
void RecorderWindow::closeEvent(QCloseEvent* event) {
  if (recorderPane_->mode() == static_cast<int>(player::PlayerMode::Playing))
    recorderPane_->xPause();
  event->ignore();
  emit closeRequested();
}

}  // namespace cw::app
