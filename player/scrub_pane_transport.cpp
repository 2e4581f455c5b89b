// ScrubPane: opening and closing the media graph, the transport commands, the
// position timer and the transport buttons.
#include "player/message_box.h"
#include "player/player_errors.h"
#include "player/scrub_pane.h"
#include "player/time_code.h"
#include "player/twips.h"

namespace cw::player {
namespace {

constexpr long kClipChildrenAndSiblings = 0x06000000;

// Errors that opening passes over: the graph lacks the part asked for.
bool isFatalOpenError(int error) { return error != kErrNone && error != kErrNoInterface; }

}  // namespace

void ScrubPane::raiseEvent(const char* name) { raiseEvent(name, {}); }

void ScrubPane::raiseEvent(const char* name, automation::Args args) {
  const std::string_view event(name);
  if (event == "NeedSound") emit NeedSound();
  if (event == "MarkInChanged") emit MarkInChanged();
  if (event == "MarkOutChanged") emit MarkOutChanged();
  if (event == "ClipEnd") emit ClipEnd();
  if (event == "Ejected") emit Ejected();
  if (event == "ModeChanged") emit ModeChanged();
  if (event == "PositionChanged") emit PositionChanged();
  events_.fire(event, args);
}

// ---- opening ----

int ScrubPane::createGraph() {
  graph_ = graphs_ ? graphs_() : nullptr;
  mediaControl_ = graph_ ? graph_->mediaControl() : nullptr;
  if (mediaControl_) return kErrNone;
  graph_.reset();
  showMessage(this, {"Cannot open the file\n" + source_ + ".\n" +
                         "Please check if DirectDraw is installed on your system!",
                     MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok});
  return kErrNoInterface;
}

// The video window goes into the clip area at its inner size, in pixels.
int ScrubPane::attachVideoWindow() {
  videoWindow_ = graph_->videoWindow();
  int result = kErrNone;
  auto step = [&](int error) {
    if (isFatalOpenError(error) && !result) result = error;
  };
  if (videoWindow_) {
    step(videoWindow_->setVisible(false));
    step(videoWindow_->setWindowStyle(kClipChildrenAndSiblings));
    step(videoWindow_->setGeometry(0, 0, twipsToPixels(pixelsToTwips(clipArea_->width())),
                                   twipsToPixels(pixelsToTwips(clipArea_->height()))));
    step(videoWindow_->setOwner(clipArea_));
    step(videoWindow_->setMessageDrain(clipArea_));
    step(videoWindow_->setWindowForeground(true));
  }
  mediaPosition_ = graph_->mediaPosition();
  if (!mediaPosition_ && !result) result = kErrNoInterface;
  return result;
}

// Steps 3 to 6 of opening, shared with reopening: graph, render, video window,
// natural rate. -1 after a failure (reported and closed).
int ScrubPane::renderSource() {
  if (createGraph()) return -1;
  int error = mediaControl_->renderFile(source_);
  if (!isFatalOpenError(error)) {
    mode_ = kModeStopped;
    sliderPosition_->setEnabled(true);
    error = attachVideoWindow();
  }
  if (isFatalOpenError(error)) {
    showOpenFailure();
    xClose();
    return -1;
  }
  applyNaturalRate();
  return 0;
}

void ScrubPane::showOpenFailure() {
  showMessage(this, {"Cannot open the file " + source_ + "!", MessageIcon::Exclamation,
                     MessageButtons::Ok, MessageAnswer::Ok});
}

void ScrubPane::applyNaturalRate() {
  const NaturalRate rate = naturalRateFor(currExt_.toStdString());
  sliderFrameRate_->setValue(rate.percent);
  setFrameRate(rate.factor);
}

void ScrubPane::needSoundPrologue() {
  if (amVersion_ == 1 && (mode_ == kModeNoClip || mode_ == kModeStopped)) {
    raiseEvent("NeedSound");
  }
}

int ScrubPane::xOpen() {
  if (source_.isEmpty()) return 0;
  if (mode_ != kModeNoClip) {
    if (mode_ == kModePlaying) xStop();
    xClose();
  }
  if (renderSource()) return -1;
  double duration = 0;
  const int error = mediaPosition_ ? mediaPosition_->duration(duration) : kErrObjectNotSet;
  if (isFatalOpenError(error)) {
    showOpenFailure();
    xClose();
    return -1;
  }
  if (!error) length_ = duration;
  position_ = 0;
  showPosition(position_);
  needSoundPrologue();
  xPause();
  setMarkIn(0);
  setMarkOut(length_);
  sliderPosition_->setSelectionStart(0);
  sliderPosition_->setSelectionLength(sliderPosition_->maximum());
  if (videoWindow_) videoWindow_->setVisible(true);
  return 0;
}

int ScrubPane::xReOpen() {
  if (source_.isEmpty() || mode_ != kModeNoClip) return 0;
  if (renderSource()) return -1;
  needSoundPrologue();
  xSeek(position_);
  xPause();
  if (videoWindow_) videoWindow_->setVisible(true);
  return 0;
}

// ---- transport ----

int ScrubPane::commandFailed(int error, const char* what) {
  if (errorMessages_) {
    showMessage(this, {"ERROR: " + QString::number(error) + "\n" + what, MessageIcon::Exclamation,
                       MessageButtons::Ok, MessageAnswer::Ok});
  }
  return error;
}

int ScrubPane::xPlay() {
  needSoundPrologue();
  if (mode_ == kModePlaying) return 0;
  const int error = mediaControl_ ? mediaControl_->run() : kErrObjectNotSet;
  if (error) return commandFailed(error, "Play command failed!");
  if (navigationVisible_) butPause_->show();
  timerPosition_->start();
  mode_ = kModePlaying;
  raiseEvent("ModeChanged");
  return 0;
}

int ScrubPane::xPause() {
  needSoundPrologue();
  if (mode_ == kModePaused) return 0;
  const int error = mediaControl_ ? mediaControl_->pause() : kErrObjectNotSet;
  if (error) return commandFailed(error, "Pause command failed!");
  if (navigationVisible_) butPause_->hide();
  timerPosition_->stop();
  mode_ = kModePaused;
  raiseEvent("ModeChanged");
  return 0;
}

int ScrubPane::xStop() {
  if (mode_ != kModePaused && mode_ != kModePlaying) return 0;
  const int error = mediaControl_ ? mediaControl_->stop() : kErrObjectNotSet;
  if (error) return commandFailed(error, "stop command failed!");
  if (navigationVisible_) butPause_->hide();
  timerPosition_->stop();
  mode_ = kModeStopped;
  raiseEvent("ModeChanged");
  return 0;
}

int ScrubPane::xSeek(double fPosition) {
  needSoundPrologue();
  if (mode_ == kModeNoClip) return 0;
  if (mode_ == kModeStopped) {
    xPause();
    mode_ = kModePaused;
    raiseEvent("ModeChanged");
  }
  const int error =
      mediaPosition_ ? mediaPosition_->setCurrentPosition(fPosition) : kErrObjectNotSet;
  if (error) return commandFailed(error, "Seek command failed!");
  position_ = fPosition;
  showPosition(position_);
  raiseEvent("PositionChanged");
  return 0;
}

void ScrubPane::showPosition(double seconds) {
  sliderPosition_->setValue(sliderValueFor(seconds, length_));
  labTC_->setText(QString::fromStdString(formatTimeCode(seconds, stepSize_)));
}

// ---- closing ----

// Stops the graph and takes the video window out of the clip area; failures
// other than a missing site or part are reported when asked for, and closing
// goes on.
void ScrubPane::detachVideo(bool reportErrors) {
  if (mode_ == kModeNoClip || !graph_) return;
  auto report = [&](int error) {
    if (!reportErrors || !errorMessages_) return;
    if (error && error != kErrHostSiteUnavailable && error != kErrNoInterface) {
      showMessage(this, {"ERROR: " + QString::number(error) + "\nClose command failed!",
                         MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok});
    }
  };
  xStop();
  report(videoWindow_ ? videoWindow_->setVisible(false) : kErrNoInterface);
  report(videoWindow_ ? videoWindow_->setOwner(nullptr) : kErrNoInterface);
}

void ScrubPane::releaseGraph() {
  timerPosition_->stop();
  mediaControl_ = nullptr;
  videoWindow_ = nullptr;
  mediaPosition_ = nullptr;
  graph_.reset();
}

int ScrubPane::xClose() {
  detachVideo(true);
  mode_ = kModeNoClip;
  releaseGraph();
  sliderPosition_->setValue(0);
  sliderPosition_->clearSelection();
  sliderFrameRate_->setValue(100);
  setMarkIn(kNotSet);
  setMarkOut(kNotSet);
  setAudioOnly(false);
  labTC_->setText(QString::fromStdString(formatTimeCode(0, stepSize_)));
  sliderPosition_->setEnabled(false);
  raiseEvent("ModeChanged");
  return 0;
}

int ScrubPane::xCloseTemp() {
  detachVideo(true);
  mode_ = kModeNoClip;
  releaseGraph();
  raiseEvent("ModeChanged");
  return 0;
}

// ---- position timer ----

void ScrubPane::onPositionTimer() {
  double now = 0;
  if (!mediaPosition_ || mediaPosition_->currentPosition(now)) {
    timerPosition_->stop();
    return;
  }
  position_ = now;
  showPosition(position_);
  if (position_ < length_) return;
  xPause();
  if (mediaPosition_ && !mediaPosition_->currentPosition(now)) {
    position_ = now;
    showPosition(position_);
  }
  timerPosition_->stop();
  raiseEvent("ClipEnd");
}

// ---- transport buttons ----

void ScrubPane::ejectClicked() {
  if (!movieSaved_) {
    const MessageAnswer answer =
        showMessage(this, {"This movie is not saved.\nDo you really you want to close it?\n"
                           "(no Undo!)",
                           MessageIcon::Error, MessageButtons::YesNo, MessageAnswer::No});
    if (answer != MessageAnswer::Yes) return;
  }
  xClose();
  setSource(QString());
  setMovieSaved(true);
  raiseEvent("Ejected");
}

// Step Back and Step Forward move from the graph's position, not Position.
void ScrubPane::stepClicked(double direction) {
  if (mode_ == kModeNoClip || !mediaPosition_) return;
  double now = 0;
  if (mediaPosition_->currentPosition(now)) return;
  double target = now + direction * stepSize_;
  if (target < 0) target = 0;
  if (target > length_) target = length_;
  xSeek(target);
}

}  // namespace cw::player
