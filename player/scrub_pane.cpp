// ScrubPane: its elements, their layout in twips and the property sets.
#include "player/scrub_pane.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>

#include "player/key_codes.h"
#include "player/time_code.h"
#include "player/twips.h"

namespace cw::player {
namespace {

// Sizes of the elements, twips.
constexpr int kButtonWidth = 405;
constexpr int kButtonHeight = 330;
constexpr int kButtonPitch = 420;  // transport buttons, left to left
constexpr int kButtonGap = 30;     // between the clip area and the button row
constexpr int kSliderPanelHeight = 390;
constexpr int kSliderPanelGap = 45;   // between the button row and the slider panel
constexpr int kSliderOverhang = 225;  // the slider is this much wider than its panel
constexpr int kTimeCodeWidth = 1335;
constexpr int kTimeCodeHeight = 330;
constexpr int kRatePanelWidth = 2520;
constexpr int kRatePanelHeight = 720;
constexpr int kPositionTimerMs = 50;
constexpr int kSliderMax = 1000;

QRect twipsRect(double left, double top, double width, double height) {
  return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
               twipsToPixels(height));
}

// A colour value: 0x00BBGGRR, or a system colour index with the top bit set.
QColor colorFromValue(std::uint32_t value, const QPalette& palette) {
  if (value & 0x80000000u) {
    switch (value & 0xFF) {
      case 5:  // window background
        return palette.color(QPalette::Base);
      case 8:  // window text
        return palette.color(QPalette::Text);
      case 13:  // highlight
        return palette.color(QPalette::Highlight);
      case 16:  // button shadow
        return palette.color(QPalette::Dark);
      case 18:  // button text
        return palette.color(QPalette::ButtonText);
      default:  // 15, button face, and the rest
        return palette.color(QPalette::Button);
    }
  }
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

Qt::CursorShape cursorFor(int pointer) {
  switch (pointer) {
    case 2:
      return Qt::CrossCursor;
    case 3:
      return Qt::IBeamCursor;
    case 5:
    case 15:
      return Qt::SizeAllCursor;
    case 6:
      return Qt::SizeBDiagCursor;
    case 7:
      return Qt::SizeVerCursor;
    case 8:
      return Qt::SizeFDiagCursor;
    case 9:
      return Qt::SizeHorCursor;
    case 10:
      return Qt::UpArrowCursor;
    case 11:
      return Qt::WaitCursor;
    case 12:
      return Qt::ForbiddenCursor;
    case 13:
      return Qt::BusyCursor;
    case 14:
      return Qt::WhatsThisCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

ScrubPane::ScrubPane(QWidget* parent, MediaGraphFactory graphs)
    : QWidget(parent), graphs_(std::move(graphs)) {
  setObjectName("ScrubPane");
  setFocusPolicy(Qt::StrongFocus);
  buildElements();
  declareEvents();
  registerMembers();
  layoutElements();
}

ScrubPane::~ScrubPane() {
  const QSignalBlocker quiet(this);
  events_.disconnectAll();
  xClose();
}

// ---- elements ----

QToolButton* ScrubPane::makeButton(const char* name, const QString& tip, int icon) {
  auto* button = new QToolButton(this);
  button->setObjectName(name);
  button->setToolTip(tip);
  // Screen readers name the button by its tooltip without the changing value.
  button->setAccessibleName(tip.section(QStringLiteral(" ("), 0, 0));
  button->setFocusPolicy(Qt::NoFocus);
  button->setAutoRaise(false);
  if (icon >= 0) button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
  return button;
}

void ScrubPane::buildElements() {
  buildClipArea();
  buildPositionSlider();
  buildFrameRatePanel();
  buildTimeCode();
  buildTransport();
  timerPosition_ = new QTimer(this);
  timerPosition_->setObjectName("TimerPosition");
  timerPosition_->setInterval(kPositionTimerMs);
  connect(timerPosition_, &QTimer::timeout, this, [this] { onPositionTimer(); });
  connectClipAreaEvents();
  applyClipBackColor();
}

void ScrubPane::buildClipArea() {
  clipArea_ = new ClipArea(this);
  clipArea_->setObjectName("Picture1");
  labAudioOnly_ = new QLabel(tr("Audio Only"), clipArea_);
  labAudioOnly_->setObjectName("labAudioOnly");
  labAudioOnly_->setAlignment(Qt::AlignCenter);
  labAudioOnly_->setAttribute(Qt::WA_TransparentForMouseEvents);
  labAudioOnly_->hide();
}

void ScrubPane::buildPositionSlider() {
  picture2_ = new QWidget(this);
  picture2_->setObjectName("Picture2");
  sliderPosition_ = new PositionSlider(picture2_);
  sliderPosition_->setObjectName("SliderPosition");
  sliderPosition_->setRange(0, kSliderMax);
  sliderPosition_->setPageStep(kSliderMax / 10);
  sliderPosition_->setAccessibleName(tr("Position"));
  sliderPosition_->setFocusPolicy(Qt::NoFocus);
  sliderPosition_->setEnabled(false);
  sliderPosition_->installEventFilter(this);
  // A drag, the wheel and an assistive tool's new value move the slider; the
  // new place is the slider position then, the value follows only after the
  // signal. Page steps from a press on the groove seek on the release.
  connect(sliderPosition_, &QAbstractSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderMove)
      positionSliderSeek(sliderPosition_->sliderPosition());
  });
}

void ScrubPane::buildFrameRatePanel() {
  picture3_ = new QWidget(this);
  picture3_->setObjectName("Picture3");
  picture3_->setAutoFillBackground(true);
  picture3_->installEventFilter(this);
  sliderFrameRate_ = new QSlider(Qt::Horizontal, picture3_);
  sliderFrameRate_->setObjectName("SliderFrameRate");
  sliderFrameRate_->setRange(0, 200);
  sliderFrameRate_->setValue(100);
  sliderFrameRate_->setTickPosition(QSlider::TicksBelow);
  sliderFrameRate_->setTickInterval(25);
  sliderFrameRate_->setSingleStep(5);
  sliderFrameRate_->setPageStep(25);
  sliderFrameRate_->setToolTip(tr("Frame Rate"));
  sliderFrameRate_->installEventFilter(this);
  connect(sliderFrameRate_, &QSlider::valueChanged, this,
          [this](int value) { frameRateSliderChanged(value); });
  struct RateLabel {
    QLabel* ScrubPane::*label;
    const char* name;
    const char* text;
  };
  static constexpr RateLabel kRateLabels[] = {
      {&ScrubPane::rateLabel100_, "Label1", "100%"},
      {&ScrubPane::rateLabel0_, "Label2", "0%"},
      {&ScrubPane::rateLabel200_, "Label3", "200%"},
  };
  for (const RateLabel& r : kRateLabels) {
    QLabel* label = new QLabel(r.text, picture3_);
    label->setObjectName(r.name);
    label->installEventFilter(this);
    this->*r.label = label;
  }
  picture3_->hide();
}

void ScrubPane::buildTimeCode() {
  picTC_ = new QWidget(this);
  picTC_->setObjectName("picTC");
  labTC_ = new QLabel("00:00:00:00", picTC_);
  labTC_->setObjectName("labTC");
  labTC_->setAlignment(Qt::AlignCenter);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  labTC_->setFont(mono);
}

void ScrubPane::buildTransport() {
  struct Button {
    QToolButton* ScrubPane::*button;
    const char* name;
    const char* tip;
    int icon;          // a QStyle::StandardPixmap; -1 for a text button
    const char* text;  // the text of a text button
    bool watched;      // right-button presses reach eventFilter
  };
  static constexpr Button kButtons[] = {
      {&ScrubPane::butEject_, "butEject", QT_TR_NOOP("Close"), QStyle::SP_DialogCloseButton,
       nullptr, false},
      {&ScrubPane::butStart_, "butStart", QT_TR_NOOP("Clip Start"), QStyle::SP_MediaSkipBackward,
       nullptr, false},
      {&ScrubPane::butRewind_, "butRewind", QT_TR_NOOP("Step Back"), QStyle::SP_MediaSeekBackward,
       nullptr, false},
      {&ScrubPane::butPlay_, "butPlay", QT_TR_NOOP("Play"), QStyle::SP_MediaPlay, nullptr, true},
      {&ScrubPane::butPause_, "butPause", QT_TR_NOOP("Pause"), QStyle::SP_MediaPause, nullptr,
       true},
      {&ScrubPane::butForward_, "butForward", QT_TR_NOOP("Step Forward"),
       QStyle::SP_MediaSeekForward, nullptr, false},
      {&ScrubPane::butEnd_, "butEnd", QT_TR_NOOP("Clip End"), QStyle::SP_MediaSkipForward, nullptr,
       false},
      {&ScrubPane::butMarkIn_, "butMarkIn", QT_TR_NOOP("Mark In (value not set)"), -1, "[", true},
      {&ScrubPane::butMarkOut_, "butMarkOut", QT_TR_NOOP("Mark Out (value not set)"), -1, "]",
       true},
  };
  for (const Button& b : kButtons) {
    QToolButton* button = makeButton(b.name, tr(b.tip), b.icon);
    if (b.text != nullptr) button->setText(b.text);
    this->*b.button = button;
  }
  butPause_->hide();
  for (const Button& b : kButtons) {
    if (b.watched) (this->*b.button)->installEventFilter(this);
  }
  // Left presses act at once, as the buttons always did; pressed() also comes
  // from the keyboard and from an assistive tool's Press action.
  connect(butPlay_, &QToolButton::pressed, this, [this] { xPlay(); });
  connect(butPause_, &QToolButton::pressed, this, [this] { xPause(); });
  connect(butMarkIn_, &QToolButton::pressed, this, [this] { markInPressed(Qt::LeftButton); });
  connect(butMarkOut_, &QToolButton::pressed, this, [this] { markOutPressed(Qt::LeftButton); });
  connect(butEject_, &QToolButton::clicked, this, [this] { ejectClicked(); });
  connect(butStart_, &QToolButton::clicked, this, [this] { xSeek(0); });
  connect(butRewind_, &QToolButton::clicked, this, [this] { stepClicked(-1); });
  connect(butForward_, &QToolButton::clicked, this, [this] { stepClicked(+1); });
  connect(butEnd_, &QToolButton::clicked, this, [this] { xSeek(length_); });
}

// The clip area's mouse events, raised as the control's own (in twips).
void ScrubPane::connectClipAreaEvents() {
  auto twips = [](const QPointF& at) {
    return std::pair{static_cast<float>(pixelsToTwips(at.x())),
                     static_cast<float>(pixelsToTwips(at.y()))};
  };
  auto mouseEvent = [this, twips](const char* name, QMouseEvent* event, int button) {
    const auto [x, y] = twips(event->position());
    const int shift = shiftMask(event->modifiers());
    if (std::string_view(name) == "MouseDown") emit MouseDown(button, shift, x, y);
    if (std::string_view(name) == "MouseUp") emit MouseUp(button, shift, x, y);
    if (std::string_view(name) == "MouseMove") emit MouseMove(button, shift, x, y);
    raiseEvent(name, {std::int16_t(button), std::int16_t(shift), x, y});
  };
  connect(clipArea_, &ClipArea::mouseDown, this, [mouseEvent](QMouseEvent* event) {
    mouseEvent("MouseDown", event, buttonMask(event->button()));
  });
  connect(clipArea_, &ClipArea::mouseUp, this, [mouseEvent](QMouseEvent* event) {
    mouseEvent("MouseUp", event, buttonMask(event->button()));
  });
  connect(clipArea_, &ClipArea::mouseMove, this, [mouseEvent](QMouseEvent* event) {
    mouseEvent("MouseMove", event, buttonMask(event->buttons()));
  });
  connect(clipArea_, &ClipArea::clicked, this, [this] {
    emit Click();
    raiseEvent("Click");
  });
  connect(clipArea_, &ClipArea::resized, this, [this] { layoutElements(); });
}

// ---- layout ----

void ScrubPane::layoutElements() {
  clipArea_->setGeometry(twipsRect(0, 0, clipWidth_, clipHeight_));
  clipArea_->setVisible(clipVisible_);
  labAudioOnly_->setGeometry(clipArea_->rect());
  labAudioOnly_->setVisible(audioOnly_);
  // An open clip's video keeps filling the clip area when the host resizes it.
  if (videoWindow_) videoWindow_->setGeometry(0, 0, clipArea_->width(), clipArea_->height());

  const double buttonTop = clipHeight_ + kButtonGap;
  placeTransportRow();
  butMarkIn_->setGeometry(twipsRect(0, buttonTop, kButtonWidth, kButtonHeight));
  butMarkOut_->setGeometry(twipsRect(markOutLeft_, buttonTop, kButtonWidth, kButtonHeight));
  butMarkIn_->setVisible(markInVisible_);
  butMarkOut_->setVisible(markOutVisible_);

  picTC_->setGeometry(twipsRect(timeCodeLeft_, timeCodeTop_, kTimeCodeWidth, kTimeCodeHeight));
  labTC_->setGeometry(picTC_->rect());
  picTC_->setVisible(timeCodeVisible_);

  // The slider panel takes the clip area's width; the slider overhangs it on
  // both sides so that its ends line up with the panel's.
  const double sliderTop = buttonTop + kButtonHeight + kSliderPanelGap;
  picture2_->setGeometry(twipsRect(0, sliderTop, clipWidth_, kSliderPanelHeight));
  const int overhang = twipsToPixels(kSliderOverhang);
  sliderPosition_->setGeometry(-overhang / 2, 0, picture2_->width() + overhang,
                               picture2_->height());
  picture2_->setVisible(sliderVisible_);

  const int rateTop = std::max(0, clipHeight_ - kRatePanelHeight);
  picture3_->setGeometry(twipsRect(navigationLeft_, rateTop, kRatePanelWidth, kRatePanelHeight));
  const int panelWidth = picture3_->width();
  const int panelHeight = picture3_->height();
  sliderFrameRate_->setGeometry(4, 2, panelWidth - 8, panelHeight / 2);
  rateLabel0_->setGeometry(4, panelHeight / 2 + 2, panelWidth / 3, panelHeight / 2 - 4);
  rateLabel100_->setGeometry(panelWidth / 3, panelHeight / 2 + 2, panelWidth / 3,
                             panelHeight / 2 - 4);
  rateLabel100_->setAlignment(Qt::AlignCenter);
  rateLabel200_->setGeometry(2 * panelWidth / 3 - 4, panelHeight / 2 + 2, panelWidth / 3,
                             panelHeight / 2 - 4);
  rateLabel200_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  picture3_->raise();
  updateGeometry();
}

void ScrubPane::placeTransportRow() {
  const double top = clipHeight_ + kButtonGap;
  QToolButton* row[] = {butEject_, butStart_, butRewind_, butPlay_, butForward_, butEnd_};
  for (int i = 0; i < 6; ++i) {
    row[i]->setGeometry(
        twipsRect(navigationLeft_ + i * kButtonPitch, top, kButtonWidth, kButtonHeight));
    row[i]->setVisible(navigationVisible_);
  }
  butPause_->setGeometry(butPlay_->geometry());
  butPause_->raise();
}

QSize ScrubPane::sizeHint() const {
  QRect area;
  for (const QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!child->isHidden()) area |= child->geometry();
  }
  return area.isEmpty() ? QSize(twipsToPixels(clipWidth_), twipsToPixels(clipHeight_))
                        : QSize(area.right() + 1, area.bottom() + 1);
}

void ScrubPane::markChanged() { dispatch_.setModified(true); }

void ScrubPane::applyClipBackColor() {
  clipArea_->setBackgroundColor(colorFromValue(clipBackColor_, palette()));
}

void ScrubPane::applyMousePointer() {
  if (mousePointer_ == 99 && !mouseIcon_.isNull()) {
    clipArea_->setCursor(QCursor(mouseIcon_.bitmap));
  } else if (mousePointer_ == 0) {
    clipArea_->unsetCursor();
  } else {
    clipArea_->setCursor(cursorFor(mousePointer_));
  }
}

// ---- property sets ----

void ScrubPane::setClipHeight(int twips) {
  clipHeight_ = twips;
  layoutElements();
  markChanged();
}

void ScrubPane::setClipWidth(int twips) {
  clipWidth_ = twips;
  layoutElements();
  markChanged();
}

void ScrubPane::setSliderVisible(bool visible) {
  sliderVisible_ = visible;
  picture2_->setVisible(visible);
  markChanged();
}

void ScrubPane::setClipVisible(bool visible) {
  clipVisible_ = visible;
  clipArea_->setVisible(visible);
  markChanged();
}

void ScrubPane::setTimeCodeVisible(bool visible) {
  timeCodeVisible_ = visible;
  picTC_->setVisible(visible);
  markChanged();
}

void ScrubPane::setNavigationVisible(bool visible) {
  navigationVisible_ = visible;
  for (QToolButton* button : {butEject_, butStart_, butRewind_, butPlay_, butForward_, butEnd_}) {
    button->setVisible(visible);
  }
  butPause_->hide();
  markChanged();
}

QString ScrubPane::timeCode() const { return labTC_->text(); }

void ScrubPane::setMousePointer(int pointer) {
  mousePointer_ = pointer;
  applyMousePointer();
  markChanged();
}

void ScrubPane::setMouseIcon(const Picture& icon) {
  mouseIcon_ = icon;
  applyMousePointer();
  markChanged();
}

void ScrubPane::setErrorMessages(bool on) {
  errorMessages_ = on;
  markChanged();
}

void ScrubPane::setSource(const QString& path) {
  source_ = path;
  markChanged();
}

void ScrubPane::setPath(const QString& path) {
  path_ = path;
  markChanged();
}

void ScrubPane::setMarkOutVisible(bool visible) {
  markOutVisible_ = visible;
  butMarkOut_->setVisible(visible);
  markChanged();
}

void ScrubPane::setMarkIn(double seconds) {
  markIn_ = seconds;
  butMarkIn_->setToolTip("Mark In = " + QString::fromStdString(formatTimeCode(seconds, stepSize_)));
  markChanged();
}

void ScrubPane::setMarkOut(double seconds) {
  markOut_ = seconds;
  butMarkOut_->setToolTip("Mark Out = " +
                          QString::fromStdString(formatTimeCode(seconds, stepSize_)));
  markChanged();
}

void ScrubPane::setMarkInVisible(bool visible) {
  markInVisible_ = visible;
  butMarkIn_->setVisible(visible);
  markChanged();
}

void ScrubPane::setNavigationLeft(int twips) {
  navigationLeft_ = twips;
  placeTransportRow();
  if (navigationVisible_ && mode_ == kModePlaying) butPause_->show();
  markChanged();
}

void ScrubPane::setTimeCodeLeft(float twips) {
  timeCodeLeft_ = twips;
  layoutElements();
  markChanged();
}

void ScrubPane::setTimeCodeTop(float twips) {
  timeCodeTop_ = twips;
  layoutElements();
  markChanged();
}

void ScrubPane::setMovieSaved(bool saved) {
  movieSaved_ = saved;
  markChanged();
}

void ScrubPane::setLength(double seconds) {
  length_ = seconds;
  markChanged();
}

void ScrubPane::setPosition(double seconds) {
  position_ = seconds;
  markChanged();
}

void ScrubPane::setMode(int mode) {
  mode_ = mode;
  markChanged();
}

void ScrubPane::setMarkOutLeft(float twips) {
  markOutLeft_ = twips;
  layoutElements();
  markChanged();
}

void ScrubPane::setClipBackColor(std::uint32_t color) {
  clipBackColor_ = color;
  applyClipBackColor();
  markChanged();
}

void ScrubPane::setAudioOnly(bool on) {
  audioOnly_ = on;
  labAudioOnly_->setVisible(on);
  markChanged();
}

void ScrubPane::setFullScreen(bool on) {
  fullScreen_ = on;
  if (on && mode_ != kModeNoClip && videoWindow_) videoWindow_->setFullScreenMode(true);
  markChanged();
}

void ScrubPane::setCurrExt(const QString& extension) {
  currExt_ = extension;
  markChanged();
}

void ScrubPane::setStepSize(double seconds) {
  stepSize_ = seconds;
  markChanged();
}

void ScrubPane::setCapturedPicture(const Picture& picture) {
  capturedPicture_ = picture;
  markChanged();
}

void ScrubPane::setAmVersion(int version) {
  amVersion_ = version;
  markChanged();
}

// ---- keys ----

void ScrubPane::keyPressEvent(QKeyEvent* event) {
  const int code = virtualKeyCode(event->key());
  const int shift = shiftMask(event->modifiers());
  emit KeyDown(code, shift);
  raiseEvent("KeyDown", {std::int16_t(code), std::int16_t(shift)});
  const QString text = event->text();
  if (!text.isEmpty() && text.at(0).unicode() < 256) {
    const int ascii = text.at(0).unicode();
    emit KeyPress(ascii);
    raiseEvent("KeyPress", {std::int16_t(ascii)});
  }
  event->accept();
}

void ScrubPane::keyReleaseEvent(QKeyEvent* event) {
  const int code = virtualKeyCode(event->key());
  const int shift = shiftMask(event->modifiers());
  emit KeyUp(code, shift);
  raiseEvent("KeyUp", {std::int16_t(code), std::int16_t(shift)});
  event->accept();
}

// Right-button presses on the buttons and the frame-rate panel come through
// here (a button reports only left presses itself); the position slider's press
// and release too.
bool ScrubPane::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::MouseButtonPress;
  const bool release = event->type() == QEvent::MouseButtonRelease;
  if (!press && !release) return QWidget::eventFilter(watched, event);
  const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
  if (watched == sliderPosition_) {
    if (press && button == Qt::LeftButton) positionSliderPressed();
    if (release && button == Qt::LeftButton) positionSliderSeek(sliderPosition_->value());
    return false;
  }
  if (!press || button != Qt::RightButton) return false;
  if (watched == butPlay_ || watched == butPause_) {
    picture3_->setVisible(picture3_->isHidden());
    return true;
  }
  if (watched == butMarkIn_) {
    markInPressed(button);
    return false;
  }
  if (watched == butMarkOut_) {
    markOutPressed(button);
    return false;
  }
  if ((watched == picture3_ || watched == sliderFrameRate_ || watched == rateLabel100_ ||
       watched == rateLabel0_ || watched == rateLabel200_)) {
    resetFrameRateToNatural();
    return true;
  }
  return false;
}

}  // namespace cw::player
