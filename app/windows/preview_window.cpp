#include "app/windows/preview_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <cmath>

#include "player/twips.h"

namespace cw::app {

namespace {

// Around the clip area: 90 twips across and 330 down for the frame and the
// pane's margins; the pane sits 30 twips in and 120 twips down.
constexpr double kExtraWidthTwips = 90;
constexpr double kExtraHeightTwips = 330;
constexpr double kPaneLeftTwips = 30;
constexpr double kPaneTopTwips = 120;
constexpr int kEscapeKeyCode = 0x1B;

}  // namespace

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::Dialog) {
  setObjectName(QStringLiteral("newPreview"));
  setWindowTitle(tr("Preview"));
  setAccessibleName(windowTitle());
  setWindowModality(Qt::ApplicationModal);
  previewPane_ = new player::ScrubPane(this);
  previewPane_->setObjectName(QStringLiteral("iPreview"));
  previewPane_->setAccessibleName(tr("Preview"));
  // The window has room for the picture only: no transport, marks, slider
  // or time code row below it (they would show cut off at the bottom edge).
  previewPane_->setNavigationVisible(false);
  previewPane_->setSliderVisible(false);
  previewPane_->setMarkInVisible(false);
  previewPane_->setMarkOutVisible(false);
  previewPane_->setTimeCodeVisible(false);
  previewPane_->move(player::twipsToPixels(kPaneLeftTwips), player::twipsToPixels(kPaneTopTwips));
  connect(previewPane_, &player::ScrubPane::ClipEnd, this, &PreviewWindow::unloadRequested);
  // The pane takes the keyboard focus and hands its keys on as events.
  connect(previewPane_, &player::ScrubPane::KeyDown, this, [this](int keyCode, int) {
    if (keyCode == kEscapeKeyCode) emit unloadRequested();
  });
  applyWindowSize(320);
}

void PreviewWindow::applyWindowSize(int previewWinSize) {
  if (previewWinSize != 160 && previewWinSize != 320 && previewWinSize != 640) return;
  // The clip area is 4 pixels larger than the picture each way.
  const int areaWidth = previewWinSize + 4;
  const int areaHeight = previewWinSize * 3 / 4 + 4;
  const double widthTwips = player::pixelsToTwips(areaWidth);
  const double heightTwips = player::pixelsToTwips(areaHeight);
  previewPane_->setClipWidth(static_cast<int>(std::lround(widthTwips)));
  previewPane_->setClipHeight(static_cast<int>(std::lround(heightTwips)));
  previewPane_->resize(previewPane_->sizeHint());
  resize(player::twipsToPixels(widthTwips + kExtraWidthTwips),
         player::twipsToPixels(heightTwips + kExtraHeightTwips));
}

void PreviewWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (fullScreenOnShow_) previewPane_->setFullScreen(true);
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit unloadRequested();
    return;
  }
  QWidget::keyPressEvent(event);
}

// The window is never destroyed by closing: it hides, and the preview ends.
void PreviewWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  emit unloadRequested();
}

}  // namespace cw::app
