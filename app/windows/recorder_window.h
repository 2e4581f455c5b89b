// The recorder window: the project movie in the ScrubPane iRecorder, with
// the Record, Preview and Make Movie buttons.
#pragma once

#include <QMdiSubWindow>
#include <QPushButton>

#include "player/scrub_pane.h"

namespace cw::app {

class NewRecorder : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit NewRecorder(QWidget* parent = nullptr);

  player::ScrubPane* iRecorder() const { return iRecorder_; }
  QPushButton* butRecord() const { return butRecord_; }
  QPushButton* butPreview() const { return butPreview_; }
  QPushButton* butMake() const { return butMake_; }

 signals:
  // The user closed the window; the main window's Recorder item hides it.
  void closeRequested();
  // Escape in the window: a preview that plays ends.
  void escapePressed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPushButton* makeButton(const char* name, const QString& caption);

  player::ScrubPane* iRecorder_ = nullptr;
  QPushButton* butRecord_ = nullptr;
  QPushButton* butPreview_ = nullptr;
  QPushButton* butMake_ = nullptr;
};

}  // namespace cw::app
