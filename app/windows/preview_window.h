// The preview window: plays the movie the recorder's Preview button has just
// built in the project file. It is a top-level window shown modally; Escape,
// closing it and the end of the clip all unload it, and whoever showed it
// (PreviewController) undoes the previewed edit then.
#pragma once

#include <QWidget>

#include "player/scrub_pane.h"

namespace cw::app {

class PreviewWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewWindow(QWidget* parent = nullptr);

  player::ScrubPane* previewPane() const { return previewPane_; }

  // Sizes the window for a preview size of 160, 320 or 640 pixels wide;
  // 0 (full screen) and other values leave the size as it is.
  void applyWindowSize(int previewWinSize);
  // Full screen for the next showing (a preview size of 0).
  void setFullScreenOnShow(bool on) { fullScreenOnShow_ = on; }
  // Ends the preview as Escape in the window does.
  void requestUnload() { emit unloadRequested(); }

 signals:
  // Escape, the window's close box or the clip's end: the preview is over.
  void unloadRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  player::ScrubPane* previewPane_ = nullptr;
  bool fullScreenOnShow_ = false;
};

}  // namespace cw::app
