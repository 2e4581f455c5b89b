// The recorder window: the project movie in the ScrubPane recorderPane, with
// the Record, Preview and Make Movie buttons.
#pragma once

#include <QMdiSubWindow>
#include <QPushButton>

#include "player/scrub_pane.h"

namespace cw::app {

class RecorderWindow : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit RecorderWindow(QWidget* parent = nullptr);

  player::ScrubPane* recorderPane() const { return recorderPane_; }
  QPushButton* recordButton() const { return recordButton_; }
  QPushButton* previewButton() const { return previewButton_; }
  QPushButton* makeButton() const { return makeButton_; }

 signals:
  // The user closed the window; the main window's Recorder item hides it.
  void closeRequested();
  // Escape in the window: a preview that plays ends.
  void escapePressed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPushButton* addButton(const char* name, const QString& caption);

  player::ScrubPane* recorderPane_ = nullptr;
  QPushButton* recordButton_ = nullptr;
  QPushButton* previewButton_ = nullptr;
  QPushButton* makeButton_ = nullptr;
};

}  // namespace cw::app
