// ScrubPane: the player control. It plays one MPEG file at a time through a
// media graph, draws the video into its clip area, polls the play position
// every 50 ms while playing, shows it as time code and on a position slider,
// and offers transport buttons, Mark In / Mark Out and a frame-rate panel.
// Hosts drive it through C++ members or through its automation surface
// (dispatch(), events(), readProperties()/writeProperties()).
//
// Lengths on screen are twips, times are seconds, a mark of -1 is not set.
// Mode: 0 no clip, 1 open and stopped, 2 paused, 3 playing.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/property_bag.h"
#include "player/clip_area.h"
#include "player/framepump.h"
#include "player/media_graph.h"
#include "player/picture.h"
#include "player/position_slider.h"

namespace cw::player {

enum class PlayerMode : std::int16_t { NoClip = 0, Stopped = 1, Paused = 2, Playing = 3 };
// The same as the int that `Mode` holds.
inline constexpr int kModeNoClip = static_cast<int>(PlayerMode::NoClip);
inline constexpr int kModeStopped = static_cast<int>(PlayerMode::Stopped);
inline constexpr int kModePaused = static_cast<int>(PlayerMode::Paused);
inline constexpr int kModePlaying = static_cast<int>(PlayerMode::Playing);

inline constexpr std::uint32_t kButtonFaceColor = 0x8000000F;  // system colour 15

class ScrubPane : public QWidget {
  Q_OBJECT
 public:
  explicit ScrubPane(QWidget* parent = nullptr, MediaGraphFactory graphs = createFfmpegGraph);
  ~ScrubPane() override;

  // ---- properties ----
  int clipHeight() const { return clipHeight_; }
  void setClipHeight(int twips);
  int clipWidth() const { return clipWidth_; }
  void setClipWidth(int twips);
  bool sliderVisible() const { return sliderVisible_; }
  void setSliderVisible(bool visible);
  bool clipVisible() const { return clipVisible_; }
  void setClipVisible(bool visible);
  bool timeCodeVisible() const { return timeCodeVisible_; }
  void setTimeCodeVisible(bool visible);
  bool navigationVisible() const { return navigationVisible_; }
  void setNavigationVisible(bool visible);
  QString timeCode() const;
  int mousePointer() const { return mousePointer_; }
  void setMousePointer(int pointer);
  const Picture& mouseIcon() const { return mouseIcon_; }
  void setMouseIcon(const Picture& icon);
  bool errorMessages() const { return errorMessages_; }
  void setErrorMessages(bool on);
  const QString& source() const { return source_; }
  void setSource(const QString& path);
  const QString& path() const { return path_; }
  void setPath(const QString& path);
  double frameRate() const { return frameRate_; }
  void setFrameRate(double rate);
  bool markOutVisible() const { return markOutVisible_; }
  void setMarkOutVisible(bool visible);
  double markIn() const { return markIn_; }
  void setMarkIn(double seconds);
  double markOut() const { return markOut_; }
  void setMarkOut(double seconds);
  bool markInVisible() const { return markInVisible_; }
  void setMarkInVisible(bool visible);
  int navigationLeft() const { return navigationLeft_; }
  void setNavigationLeft(int twips);
  float timeCodeLeft() const { return timeCodeLeft_; }
  void setTimeCodeLeft(float twips);
  float timeCodeTop() const { return timeCodeTop_; }
  void setTimeCodeTop(float twips);
  bool movieSaved() const { return movieSaved_; }
  void setMovieSaved(bool saved);
  double length() const { return length_; }
  void setLength(double seconds);
  double position() const { return position_; }
  void setPosition(double seconds);
  int mode() const { return mode_; }
  void setMode(int mode);
  float markOutLeft() const { return markOutLeft_; }
  void setMarkOutLeft(float twips);
  std::uint32_t clipBackColor() const { return clipBackColor_; }
  void setClipBackColor(std::uint32_t color);
  bool audioOnly() const { return audioOnly_; }
  void setAudioOnly(bool on);
  bool fullScreen() const { return fullScreen_; }
  void setFullScreen(bool on);
  const QString& currExt() const { return currExt_; }
  void setCurrExt(const QString& extension);
  double stepSize() const { return stepSize_; }
  void setStepSize(double seconds);
  const Picture& capturedPicture() const { return capturedPicture_; }
  void setCapturedPicture(const Picture& picture);
  int amVersion() const { return amVersion_; }
  void setAmVersion(int version);

  // ---- methods ----
  int xOpen();
  int xReOpen();
  // Fills CapturedPicture with a picture from the middle of filePath: 0, or the
  // error number of the failed decode (CapturedPicture then keeps its picture).
  int xOpenCapture(const QString& filePath);
  int xPlay();
  int xPause();
  int xSeek(double fPosition);
  int xStop();
  int xClose();
  int xCloseTemp();
  int pressMarkOut();
  QString getLenInTimeCode() const;
  bool freezeFrame(bool freeze);
  Picture xCapture();
  bool GetPath(const QString& strPath, const QString& strDocument);

  // ---- automation surface ----
  automation::Dispatch& dispatch() { return dispatch_; }
  automation::EventSource& events() { return events_; }
  // Restores the design-time state a host stored; raises no events.
  void readProperties(const automation::PropertyBag& bag);
  void writeProperties(automation::PropertyBag& bag) const;
  // In design mode the run-time-only properties refuse sets (382, 383).
  void setDesignMode(bool on) { designMode_ = on; }
  bool designMode() const { return designMode_; }

  // The media graph in use while a clip is open (nullptr otherwise).
  MediaGraph* mediaGraph() const { return graph_.get(); }

  QSize sizeHint() const override;

 signals:
  // The events, in declaration order. Mouse coordinates are twips.
  void NeedSound();
  void MarkInChanged();
  void MarkOutChanged();
  void ClipEnd();
  void Ejected();
  void MouseUp(int button, int shift, float x, float y);
  void MouseMove(int button, int shift, float x, float y);
  void MouseDown(int button, int shift, float x, float y);
  void Click();
  void ModeChanged();
  void PositionChanged();
  void KeyDown(int keyCode, int shift);
  void KeyUp(int keyCode, int shift);
  void KeyPress(int keyAscii);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // construction and layout (scrub_pane.cpp)
  void buildElements();
  void buildClipArea();
  void buildPositionSlider();
  void buildFrameRatePanel();
  void buildTimeCode();
  void buildTransport();
  void connectClipAreaEvents();
  QToolButton* makeButton(const char* name, const QString& tip, int icon);
  void layoutElements();
  void placeTransportRow();
  void applyMousePointer();
  void applyClipBackColor();
  void markChanged();

  // transport (scrub_pane_transport.cpp)
  int createGraph();
  int attachVideoWindow();
  int renderSource();
  void applyNaturalRate();
  void needSoundPrologue();
  int commandFailed(int error, const char* what);
  void releaseGraph();
  void detachVideo(bool reportErrors);
  void showPosition(double seconds);
  void onPositionTimer();
  void ejectClicked();
  void stepClicked(double direction);
  void showOpenFailure();

  // marks, sliders and rate (scrub_pane_marks.cpp)
  void markInPressed(Qt::MouseButton button);
  void markOutPressed(Qt::MouseButton button);
  void setSelectionLengthFromMarks();
  void frameRateSliderChanged(int value);
  void resetFrameRateToNatural();
  void positionSliderPressed();
  void positionSliderSeek(int sliderValue);
  void raiseEvent(const char* name);
  void raiseEvent(const char* name, automation::Args args);

  // automation (scrub_pane_automation.cpp)
  struct PropertyRow;
  struct MethodRow;
  static const std::vector<PropertyRow>& propertyRows();
  static const std::vector<MethodRow>& methodRows();
  void registerMembers();
  void declareEvents();

  // Elements, by their names.
  ClipArea* clipArea_ = nullptr;
  QWidget* picture2_ = nullptr;
  PositionSlider* sliderPosition_ = nullptr;
  QWidget* picture3_ = nullptr;
  QSlider* sliderFrameRate_ = nullptr;
  QLabel* rateLabel100_ = nullptr;  // Label1, Label2 and Label3 of Picture3
  QLabel* rateLabel0_ = nullptr;
  QLabel* rateLabel200_ = nullptr;
  QWidget* picTC_ = nullptr;
  QLabel* labTC_ = nullptr;
  QLabel* labAudioOnly_ = nullptr;
  QToolButton* butEject_ = nullptr;
  QToolButton* butStart_ = nullptr;
  QToolButton* butRewind_ = nullptr;
  QToolButton* butPlay_ = nullptr;
  QToolButton* butPause_ = nullptr;
  QToolButton* butForward_ = nullptr;
  QToolButton* butEnd_ = nullptr;
  QToolButton* butMarkIn_ = nullptr;
  QToolButton* butMarkOut_ = nullptr;
  QTimer* timerPosition_ = nullptr;
  Framepump thumbnailDecoder_;  // the outside decoder component

  // Properties.
  int clipHeight_ = 3660;
  int clipWidth_ = 4860;
  bool sliderVisible_ = true;
  bool clipVisible_ = true;
  bool timeCodeVisible_ = true;
  bool navigationVisible_ = true;
  int mousePointer_ = 0;
  Picture mouseIcon_;
  bool errorMessages_ = false;
  QString source_;
  QString path_;
  double frameRate_ = 1.0;
  bool markOutVisible_ = true;
  double markIn_ = -1;
  double markOut_ = -1;
  bool markInVisible_ = true;
  int navigationLeft_ = 945;
  float timeCodeLeft_ = 3525;
  float timeCodeTop_ = 3685;
  bool movieSaved_ = true;
  double length_ = 0;
  double position_ = 0;
  int mode_ = 0;
  float markOutLeft_ = 420;
  std::uint32_t clipBackColor_ = kButtonFaceColor;
  bool audioOnly_ = false;
  bool fullScreen_ = false;
  QString currExt_ = "mpg";
  double stepSize_ = 0.03333;
  Picture capturedPicture_;
  int amVersion_ = 0;
  bool designMode_ = false;

  // The media graph and its three parts, held while Mode is not 0.
  MediaGraphFactory graphs_;
  std::unique_ptr<MediaGraph> graph_;
  MediaControl* mediaControl_ = nullptr;
  VideoWindow* videoWindow_ = nullptr;
  MediaPosition* mediaPosition_ = nullptr;

  automation::Dispatch dispatch_;
  automation::EventSource events_;
};

}  // namespace cw::player
