// The progress window of a running engine operation or File > Open batch.
// Its caller sets the action text, the bar and the percentage; Cancel stops
// the batch (OpeningFiles) or asks the running work to cancel.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace cw::app {

class NewProgress : public QDialog {
  Q_OBJECT
 public:
  explicit NewProgress(QWidget* parent = nullptr);

  QLabel* labAction() const { return labAction_; }
  QProgressBar* ProgressBar1() const { return progressBar1_; }
  QLabel* labPercent() const { return labPercent_; }
  QPushButton* butCancel() const { return butCancel_; }

  // Sets the three displays at once ("Recording...", 0, "0 %").
  void prepare(const QString& action, int percent, const QString& percentText);
  // Cancel has been pressed since the window was last shown.
  bool cancelPressed() const { return cancelPressed_; }

 public slots:
  void butCancel_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void arrowOverCancel(bool on);

  QLabel* labAction_ = nullptr;
  QProgressBar* progressBar1_ = nullptr;
  QLabel* labPercent_ = nullptr;
  QPushButton* butCancel_ = nullptr;
  bool cancelPressed_ = false;
  bool arrowPushed_ = false;
};

}  // namespace cw::app
