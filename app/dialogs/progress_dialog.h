// The progress window of a running engine operation or File > Open batch.
// Its caller sets the action text, the bar and the percentage; Cancel stops
// the batch (OpeningFiles) or asks the running work to cancel.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace cw::app {

struct EditorSession;

class ProgressDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ProgressDialog(EditorSession& session, QWidget* parent = nullptr);

  QLabel* actionLabel() const { return actionLabel_; }
  QProgressBar* progressBar() const { return progressBar_; }
  QLabel* percentLabel() const { return percentLabel_; }
  QPushButton* cancelButton() const { return cancelButton_; }

  // Sets the three displays at once ("Recording...", 0, "0 %").
  void prepare(const QString& action, int percent, const QString& percentText);
  // Cancel has been pressed since the window was last shown.
  bool cancelPressed() const { return cancelPressed_; }

 public slots:
  void onCancelClicked();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  EditorSession& session_;
  void arrowOverCancel(bool on);

  QLabel* actionLabel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QLabel* percentLabel_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  bool cancelPressed_ = false;
  bool arrowPushed_ = false;
};

}  // namespace cw::app
