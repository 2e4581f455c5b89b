// ScrubPane: the mark buttons, the position slider, the frame-rate panel and
// the playback rate.
#include "player/message_box.h"
#include "player/scrub_pane.h"
#include "player/time_code.h"

namespace cw::player {
namespace {

constexpr double kSlowestRate = 0.01;  // the graph's rate while the rate is 0

// The graph's position, held at the clip's end; false when it cannot be read.
bool graphPosition(MediaPosition* position, double length, double& out) {
  if (!position || position->currentPosition(out)) return false;
  if (out > length) out = length;
  return true;
}

}  // namespace

void ScrubPane::markInPressed(Qt::MouseButton button) {
  if (mode_ == kModeNoClip) return;
  if (button == Qt::RightButton) {
    xSeek(markIn_);
    return;
  }
  if (button != Qt::LeftButton) return;
  xPause();
  double p = 0;
  if (!graphPosition(mediaPosition_, length_, p) || p == markIn_) return;
  xSeek(p);
  setMarkIn(p);
  raiseEvent("MarkInChanged");
  if (markIn_ >= markOut_) {
    setMarkOut(length_);
    sliderPosition_->clearSelection();
    raiseEvent("MarkOutChanged");
  }
  sliderPosition_->setSelectionStart(sliderPosition_->value());
  setSelectionLengthFromMarks();
}

void ScrubPane::markOutPressed(Qt::MouseButton button) {
  if (mode_ == kModeNoClip) return;
  if (button == Qt::RightButton) {
    xSeek(markOut_);
    return;
  }
  if (button != Qt::LeftButton) return;
  xPause();
  double p = 0;
  if (!graphPosition(mediaPosition_, length_, p) || p == markOut_) return;
  xSeek(p);
  if (markIn_ >= p) {
    showMessage(this, {"Ilegal Mark Out value! Mark Out\nhas to be greater then Mark In.",
                       MessageIcon::Error, MessageButtons::Ok, MessageAnswer::Ok});
    return;
  }
  setMarkOut(p);
  setSelectionLengthFromMarks();
  raiseEvent("MarkOutChanged");
}

int ScrubPane::pressMarkOut() {
  if (markOut_ >= 0) xSeek(markOut_);
  setSelectionLengthFromMarks();
  return 0;
}

void ScrubPane::setSelectionLengthFromMarks() {
  sliderPosition_->setSelectionLength(selectionLengthFor(markIn_, markOut_, length_));
}

QString ScrubPane::getLenInTimeCode() const {
  return QString::fromStdString(formatTimeCode(length_, stepSize_));
}

// ---- position slider ----

// A press while playing pauses; the press itself does not seek.
void ScrubPane::positionSliderPressed() {
  if (mode_ != kModePlaying) return;
  xPause();
  timerPosition_->stop();
  mode_ = kModePaused;
  raiseEvent("ModeChanged");
}

// Dragging the thumb, clicking the groove and letting go seek to the place the
// user chose.
void ScrubPane::positionSliderSeek(int sliderValue) {
  if (mode_ == kModeNoClip) return;
  xSeek(positionForSliderValue(sliderValue, length_));
}

// ---- playback rate ----

void ScrubPane::setFrameRate(double rate) {
  frameRate_ = rate;
  markChanged();
  if (mode_ == kModeNoClip || !mediaPosition_) return;
  if (rate > 0) {
    mediaPosition_->setRate(rate);
    return;
  }
  if (mode_ != kModePaused) xPause();
  if (mediaPosition_) mediaPosition_->setRate(kSlowestRate);
}

void ScrubPane::frameRateSliderChanged(int value) { setFrameRate(value / 100.0); }

void ScrubPane::resetFrameRateToNatural() {
  sliderFrameRate_->setValue(naturalRateFor(currExt_.toStdString()).percent);
}

}  // namespace cw::player
