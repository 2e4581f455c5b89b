// The thumbnail chooser: a clip of the palette in the ScrubPane importPane. The
// user moves to a frame and presses recordButton, which takes the frame on
// screen as the clip's thumbnail. Closing the window closes its clip and
// only hides the window.
#pragma once

#include <QMdiSubWindow>
#include <QPushButton>

#include "player/scrub_pane.h"

namespace cw::app {

class ImportWindow : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit ImportWindow(QWidget* parent = nullptr);

  player::ScrubPane* importPane() const { return importPane_; }
  QPushButton* recordButton() const { return recordButton_; }

  // Closes the clip and forgets its file: the chooser holds no clip then,
  // and the clip may be deleted from the palette.
  void closeClip();
  // Fits the window around the pane after its clip area has changed size.
  void fitToPane();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  player::ScrubPane* importPane_ = nullptr;
  QPushButton* recordButton_ = nullptr;
};

}  // namespace cw::app
