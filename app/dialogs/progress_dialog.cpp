#include "app/dialogs/progress_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/shell/editor_session.h"
#include "app/shell/messages.h"

namespace cw::app {

ProgressDialog::ProgressDialog(EditorSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName(QStringLiteral("newProgress"));
  setWindowTitle(tr("Progress"));
  setAccessibleName(windowTitle());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  actionLabel_ = new QLabel(this);
  actionLabel_->setObjectName(QStringLiteral("labAction"));
  actionLabel_->setAccessibleName(tr("Action"));
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar_->setAccessibleName(tr("Progress"));
  progressBar_->setRange(0, 100);
  progressBar_->setTextVisible(false);
  percentLabel_ = new QLabel(this);
  percentLabel_->setObjectName(QStringLiteral("labPercent"));
  percentLabel_->setAccessibleName(tr("Percent done"));
  cancelButton_ = new QPushButton(tr("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("butCancel"));
  cancelButton_->setAccessibleName(tr("Cancel"));
  cancelButton_->installEventFilter(this);
  connect(cancelButton_, &QPushButton::clicked, this, &ProgressDialog::onCancelClicked);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(actionLabel_);
  layout->addWidget(progressBar_);
  auto* row = new QHBoxLayout;
  row->addWidget(percentLabel_, 1);
  row->addWidget(cancelButton_);
  layout->addLayout(row);
  setMinimumWidth(320);
}

void ProgressDialog::prepare(const QString& action, int percent, const QString& percentText) {
  actionLabel_->setText(action);
  progressBar_->setValue(percent);
  percentLabel_->setText(percentText);
  cancelButton_->setEnabled(true);
}

void ProgressDialog::onCancelClicked() {
  EditorSession& state = session_;
  if (state.openingFiles) {
    state.openingFiles = false;  // the batch stops after its current file
  } else {
    // The running work sees it at its next report.
    state.operations->requestCancel();
    state.userCancelled = true;
  }
  cancelPressed_ = true;
}

void ProgressDialog::showEvent(QShowEvent* event) {
  session_.userCancelled = false;
  cancelPressed_ = false;
  cancelButton_->setEnabled(true);
  QDialog::showEvent(event);
  cancelButton_->setFocus();
}

void ProgressDialog::hideEvent(QHideEvent* event) {
  arrowOverCancel(false);
  QDialog::hideEvent(event);
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
  if (cancelPressed_) {
    QDialog::closeEvent(event);
    return;
  }
  exclamation(
      {tr("Please press 'Cancel' button if you"), tr("want to cancel the current operation.")});
  event->ignore();
}

// Escape would close the window behind the Cancel button's back.
void ProgressDialog::reject() {
  if (cancelPressed_) QDialog::reject();
}

// The rest of the program shows the hourglass while an operation runs; over
// Cancel the pointer is the normal arrow.
bool ProgressDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cancelButton_) {
    if (event->type() == QEvent::Enter) arrowOverCancel(true);
    if (event->type() == QEvent::Leave) arrowOverCancel(false);
  }
  return QDialog::eventFilter(watched, event);
}

void ProgressDialog::arrowOverCancel(bool on) {
  if (on && !arrowPushed_ && QApplication::overrideCursor()) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    arrowPushed_ = true;
  } else if (!on && arrowPushed_) {
    QApplication::restoreOverrideCursor();
    arrowPushed_ = false;
  }
}

}  // namespace cw::app
