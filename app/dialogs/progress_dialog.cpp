#include "app/windows/new_progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/shell/app_state.h"
#include "app/shell/messages.h"

namespace cw::app {

NewProgress::NewProgress(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("newProgress"));
  setWindowTitle(tr("Progress"));
  setAccessibleName(windowTitle());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  labAction_ = new QLabel(this);
  labAction_->setObjectName(QStringLiteral("labAction"));
  labAction_->setAccessibleName(tr("Action"));
  progressBar1_ = new QProgressBar(this);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar1_->setAccessibleName(tr("Progress"));
  progressBar1_->setRange(0, 100);
  progressBar1_->setTextVisible(false);
  labPercent_ = new QLabel(this);
  labPercent_->setObjectName(QStringLiteral("labPercent"));
  labPercent_->setAccessibleName(tr("Percent done"));
  butCancel_ = new QPushButton(tr("Cancel"), this);
  butCancel_->setObjectName(QStringLiteral("butCancel"));
  butCancel_->setAccessibleName(tr("Cancel"));
  butCancel_->installEventFilter(this);
  connect(butCancel_, &QPushButton::clicked, this, &NewProgress::butCancel_Click);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labAction_);
  layout->addWidget(progressBar1_);
  auto* row = new QHBoxLayout;
  row->addWidget(labPercent_, 1);
  row->addWidget(butCancel_);
  layout->addLayout(row);
  setMinimumWidth(320);
}

void NewProgress::prepare(const QString& action, int percent, const QString& percentText) {
  labAction_->setText(action);
  progressBar1_->setValue(percent);
  labPercent_->setText(percentText);
  butCancel_->setEnabled(true);
}

void NewProgress::butCancel_Click() {
  AppState& state = appState();
  if (state.OpeningFiles) {
    state.OpeningFiles = false;  // the batch stops after its current file
  } else {
    // The running work sees it at its next report.
    state.Operations->requestCancel();
    state.UserCancelled = true;
  }
  cancelPressed_ = true;
}

void NewProgress::showEvent(QShowEvent* event) {
  appState().UserCancelled = false;
  cancelPressed_ = false;
  butCancel_->setEnabled(true);
  QDialog::showEvent(event);
  butCancel_->setFocus();
}

void NewProgress::hideEvent(QHideEvent* event) {
  arrowOverCancel(false);
  QDialog::hideEvent(event);
}

void NewProgress::closeEvent(QCloseEvent* event) {
  if (cancelPressed_) {
    QDialog::closeEvent(event);
    return;
  }
  exclamation(
      {tr("Please press 'Cancel' button if you"), tr("want to cancel the current operation.")});
  event->ignore();
}

// Escape would close the window behind the Cancel button's back.
void NewProgress::reject() {
  if (cancelPressed_) QDialog::reject();
}

// The rest of the program shows the hourglass while an operation runs; over
// Cancel the pointer is the normal arrow.
bool NewProgress::eventFilter(QObject* watched, QEvent* event) {
  if (watched == butCancel_) {
    if (event->type() == QEvent::Enter) arrowOverCancel(true);
    if (event->type() == QEvent::Leave) arrowOverCancel(false);
  }
  return QDialog::eventFilter(watched, event);
}

void NewProgress::arrowOverCancel(bool on) {
  if (on && !arrowPushed_ && QApplication::overrideCursor()) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    arrowPushed_ = true;
  } else if (!on && arrowPushed_) {
    QApplication::restoreOverrideCursor();
    arrowPushed_ = false;
  }
}

}  // namespace cw::app
