// The pane's buttons and sliders as a person uses them: marks and their
// messages, stepping, the Close button's question, the position slider and the
// frame-rate panel.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include "media_fixture.h"
#include "pane_fixture.h"
#include "player/scrub_pane.h"
#include "player/time_code.h"

namespace cw::player {
namespace {

using testing::application;
using testing::EventLog;
using testing::generatedMovie;
using testing::MessageLog;
using Names = std::vector<std::string>;

constexpr double kPeriod = 1001.0 / 30000;

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button) {
  const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
  QMouseEvent event(type, at, widget->mapToGlobal(at), button,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

void press(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
  sendMouse(widget, QEvent::MouseButtonPress, button);
}

class ScrubPaneButtons : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    const std::string movie = generatedMovie("ntsc.mpg");
    if (movie.empty()) GTEST_SKIP() << "ffmpeg could not make a movie";
    pane_ = std::make_unique<ScrubPane>();
    pane_->setSource(QString::fromStdString(movie));
    pane_->setStepSize(kPeriod);
    ASSERT_EQ(pane_->xOpen(), 0);
  }

  QToolButton* button(const char* name) { return pane_->findChild<QToolButton*>(name); }
  PositionSlider* slider() { return pane_->findChild<PositionSlider*>("SliderPosition"); }
  double graphPosition() {
    double at = -1;
    pane_->mediaGraph()->mediaPosition()->currentPosition(at);
    return at;
  }

  std::unique_ptr<ScrubPane> pane_;
};

TEST_F(ScrubPaneButtons, ElementsCarryTheirNamesAndTips) {
  const std::pair<const char*, const char*> tips[] = {
      {"butEject", "Close"},  {"butStart", "Clip Start"}, {"butRewind", "Step Back"},
      {"butPlay", "Play"},    {"butPause", "Pause"},      {"butForward", "Step Forward"},
      {"butEnd", "Clip End"},
  };
  for (const auto& [name, tip] : tips) {
    ASSERT_NE(button(name), nullptr) << name;
    EXPECT_EQ(button(name)->toolTip(), tip) << name;
  }
  for (const char* name : {"Picture1", "Picture2", "Picture3", "picTC", "SliderFrameRate", "labTC",
                           "labAudioOnly", "TimerPosition"}) {
    EXPECT_NE(pane_->findChild<QObject*>(name), nullptr) << name;
  }
  EXPECT_EQ(pane_->findChild<QLabel*>("labAudioOnly")->text(), "Audio Only");
  EXPECT_EQ(pane_->findChild<QSlider*>("SliderFrameRate")->toolTip(), "Frame Rate");
  EXPECT_EQ(pane_->findChild<QLabel*>("Label1")->text(), "100%");
}

TEST_F(ScrubPaneButtons, MarkInAfterTheMarkOutMovesTheMarkOutToTheEnd) {
  ASSERT_EQ(pane_->xSeek(2.0), 0);
  pane_->setMarkOut(1.0);
  EventLog log(*pane_);
  press(button("butMarkIn"));
  EXPECT_EQ(log.take(), (Names{"PositionChanged", "MarkInChanged", "MarkOutChanged"}));
  EXPECT_DOUBLE_EQ(pane_->markIn(), 2.0);
  EXPECT_DOUBLE_EQ(pane_->markOut(), pane_->length());
  EXPECT_EQ(slider()->selectionStart(), sliderValueFor(2.0, pane_->length()));
  EXPECT_EQ(slider()->selectionLength(), selectionLengthFor(2.0, pane_->length(), pane_->length()));
  EXPECT_EQ(button("butMarkIn")->toolTip(), "Mark In = 00:00:02:00");

  press(button("butMarkIn"));  // same place: only the pause, which is a no-op here
  EXPECT_EQ(log.take(), Names{});
}

TEST_F(ScrubPaneButtons, MarkOutMustFollowTheMarkIn) {
  MessageLog messages;
  ASSERT_EQ(pane_->xSeek(3.0), 0);
  pane_->setMarkIn(3.0);
  pane_->setMarkOut(5.0);
  EventLog log(*pane_);
  press(button("butMarkOut"));  // at the mark in
  const auto shown = messages.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Ilegal Mark Out value! Mark Out\nhas to be greater then Mark In.");
  EXPECT_EQ(shown[0].icon, MessageIcon::Error);
  EXPECT_DOUBLE_EQ(pane_->markOut(), 5.0);
  EXPECT_EQ(log.take(), Names{"PositionChanged"});

  ASSERT_EQ(pane_->xSeek(4.5), 0);
  const int selectionStart = slider()->selectionStart();
  log.take();
  press(button("butMarkOut"));
  EXPECT_EQ(log.take(), (Names{"PositionChanged", "MarkOutChanged"}));
  EXPECT_DOUBLE_EQ(pane_->markOut(), 4.5);
  EXPECT_EQ(slider()->selectionLength(), selectionLengthFor(3.0, 4.5, pane_->length()));
  EXPECT_EQ(slider()->selectionStart(), selectionStart);
  EXPECT_TRUE(messages.take().empty());

  pane_->setMarkIn(-1);  // an unset mark in accepts any mark out
  ASSERT_EQ(pane_->xSeek(0.5), 0);
  press(button("butMarkOut"));
  EXPECT_DOUBLE_EQ(pane_->markOut(), 0.5);
  EXPECT_TRUE(messages.take().empty());
}

TEST_F(ScrubPaneButtons, RightButtonOnAMarkGoesThere) {
  pane_->setMarkIn(1.25);
  pane_->setMarkOut(4.75);
  press(button("butMarkIn"), Qt::RightButton);
  EXPECT_DOUBLE_EQ(pane_->position(), 1.25);
  press(button("butMarkOut"), Qt::RightButton);
  EXPECT_DOUBLE_EQ(pane_->position(), 4.75);
  EXPECT_DOUBLE_EQ(pane_->markIn(), 1.25);

  pane_->setMarkOut(2.5);
  ASSERT_EQ(pane_->xSeek(0), 0);
  EXPECT_EQ(pane_->pressMarkOut(), 0);
  EXPECT_DOUBLE_EQ(pane_->position(), 2.5);
  EXPECT_EQ(slider()->selectionLength(), selectionLengthFor(1.25, 2.5, pane_->length()));
}

TEST_F(ScrubPaneButtons, MarksIgnoredWithoutAClip) {
  ASSERT_EQ(pane_->xClose(), 0);
  EventLog log(*pane_);
  press(button("butMarkIn"));
  press(button("butMarkOut"));
  EXPECT_EQ(log.take(), Names{});
  EXPECT_DOUBLE_EQ(pane_->markIn(), -1);
}

TEST_F(ScrubPaneButtons, StepsStopAtTheEndsOfTheClip) {
  ASSERT_EQ(pane_->xSeek(0.01), 0);
  button("butRewind")->click();
  EXPECT_DOUBLE_EQ(pane_->position(), 0);
  ASSERT_EQ(pane_->xSeek(pane_->length() - 0.01), 0);
  button("butForward")->click();
  EXPECT_DOUBLE_EQ(pane_->position(), pane_->length());
  button("butStart")->click();
  EXPECT_DOUBLE_EQ(pane_->position(), 0);
  button("butEnd")->click();
  EXPECT_DOUBLE_EQ(pane_->position(), pane_->length());
}

TEST_F(ScrubPaneButtons, CloseButtonAsksAboutAnUnsavedMovie) {
  MessageLog messages(MessageAnswer::No);
  pane_->setMovieSaved(false);
  EventLog log(*pane_);
  button("butEject")->click();
  auto shown = messages.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "This movie is not saved.\nDo you really you want to close it?\n(no Undo!)");
  EXPECT_EQ(shown[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(shown[0].defaultAnswer, MessageAnswer::No);
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_EQ(log.take(), Names{});

  messages.answerWith(MessageAnswer::Yes);
  button("butEject")->click();
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged", "Ejected"}));
  EXPECT_EQ(pane_->mode(), 0);
  EXPECT_TRUE(pane_->source().isEmpty());
  EXPECT_TRUE(pane_->movieSaved());
}

TEST_F(ScrubPaneButtons, PlayAndPauseButtonsAndTheRatePanel) {
  EventLog log(*pane_);
  press(button("butPlay"));
  EXPECT_EQ(pane_->mode(), 3);
  press(button("butPause"));
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged"}));

  auto* panel = pane_->findChild<QWidget*>("Picture3");
  EXPECT_TRUE(panel->isHidden());
  press(button("butPlay"), Qt::RightButton);
  EXPECT_FALSE(panel->isHidden());
  press(button("butPause"), Qt::RightButton);
  EXPECT_TRUE(panel->isHidden());
  EXPECT_EQ(pane_->mode(), 2);
}

TEST_F(ScrubPaneButtons, RateFollowsTheSliderAndZeroPauses) {
  auto* rate = pane_->findChild<QSlider*>("SliderFrameRate");
  rate->setValue(150);
  EXPECT_DOUBLE_EQ(pane_->frameRate(), 1.5);
  ASSERT_EQ(pane_->xPlay(), 0);
  EventLog log(*pane_);
  pane_->setFrameRate(0);
  EXPECT_EQ(log.take(), Names{"ModeChanged"});
  EXPECT_EQ(pane_->mode(), 2);
  const double at = graphPosition();
  testing::runEventsFor(100);
  EXPECT_DOUBLE_EQ(graphPosition(), at);

  // A right press on the panel or its parts goes back to the natural rate.
  pane_->setCurrExt("m75");
  press(pane_->findChild<QLabel*>("Label3"), Qt::RightButton);
  EXPECT_EQ(rate->value(), 25);
  EXPECT_DOUBLE_EQ(pane_->frameRate(), 0.25);
  pane_->setCurrExt("M15");  // compared exactly: normal rate
  press(rate, Qt::RightButton);
  EXPECT_EQ(rate->value(), 100);
}

TEST_F(ScrubPaneButtons, HalfRatePlaysAtHalfSpeed) {
  pane_->setFrameRate(0.5);
  QElapsedTimer wall;
  wall.start();
  ASSERT_EQ(pane_->xPlay(), 0);
  testing::runEventsFor(400);
  ASSERT_EQ(pane_->xPause(), 0);
  EXPECT_NEAR(graphPosition(), 0.5 * wall.elapsed() / 1000.0, 0.03);
}

TEST_F(ScrubPaneButtons, PositionSliderPausesOnPressAndSeeksOnRelease) {
  ASSERT_EQ(pane_->xPlay(), 0);
  EventLog log(*pane_);
  press(slider());
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged"}));
  EXPECT_EQ(pane_->mode(), 2);
  slider()->setValue(500);  // a program's change does not seek
  EXPECT_EQ(log.take(), Names{});
  sendMouse(slider(), QEvent::MouseButtonRelease, Qt::LeftButton);
  EXPECT_EQ(log.take(), Names{"PositionChanged"});
  EXPECT_DOUBLE_EQ(pane_->position(), 500 * pane_->length() / 1000);
}

// Where the handle's centre lies for a slider value.
QPoint handleCentre(PositionSlider* slider, int value) {
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.orientation = Qt::Horizontal;
  option.minimum = slider->minimum();
  option.maximum = slider->maximum();
  option.sliderPosition = option.sliderValue = slider->value();
  const QRect handle =
      slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
  const int span = slider->width() - handle.width();
  const int x = handle.width() / 2 +
                QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), value, span);
  return QPoint(x, handle.center().y());
}

void sendMouseAt(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

TEST_F(ScrubPaneButtons, DraggingThePositionSliderMovesThePicture) {
  pane_->show();
  ASSERT_EQ(pane_->xSeek(0), 0);
  PositionSlider* s = slider();
  sendMouseAt(s, QEvent::MouseButtonPress, handleCentre(s, 0), Qt::LeftButton);
  ASSERT_TRUE(s->isSliderDown());
  for (int value : {250, 500}) {
    sendMouseAt(s, QEvent::MouseMove, handleCentre(s, value), Qt::LeftButton);
    EXPECT_NEAR(s->value(), value, 5);
    EXPECT_NEAR(pane_->position(), value * pane_->length() / 1000, 0.05);
    EXPECT_NEAR(graphPosition(), pane_->position(), 0.05);
  }
  sendMouseAt(s, QEvent::MouseButtonRelease, handleCentre(s, 500), Qt::NoButton);
  EXPECT_NEAR(s->value(), 500, 5);
  EXPECT_NEAR(pane_->position(), pane_->length() / 2, 0.05);
  EXPECT_EQ(pane_->timeCode().toStdString(), formatTimeCode(pane_->position(), pane_->stepSize()));
}

// What a screen reader or switch user reaches: the buttons' Press action and
// the position slider's name and value.
TEST_F(ScrubPaneButtons, AssistiveToolsMarkPlayAndSeek) {
  auto press = [this](const char* name) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button(name));
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->actionInterface(), nullptr);
    face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  };
  ASSERT_EQ(pane_->xSeek(1.0), 0);
  press("butMarkIn");
  EXPECT_DOUBLE_EQ(pane_->markIn(), 1.0);
  ASSERT_EQ(pane_->xSeek(2.5), 0);
  press("butMarkOut");
  EXPECT_DOUBLE_EQ(pane_->markOut(), 2.5);
  press("butPlay");
  EXPECT_EQ(pane_->mode(), 3);
  press("butPause");
  EXPECT_EQ(pane_->mode(), 2);

  QAccessibleInterface* position = QAccessible::queryAccessibleInterface(slider());
  ASSERT_NE(position, nullptr);
  EXPECT_EQ(position->text(QAccessible::Name), "Position");
  ASSERT_NE(position->valueInterface(), nullptr);
  position->valueInterface()->setCurrentValue(750);
  EXPECT_EQ(slider()->value(), 750);
  EXPECT_NEAR(pane_->position(), 750 * pane_->length() / 1000, 0.05);
  EXPECT_NEAR(graphPosition(), pane_->position(), 0.05);
  EXPECT_EQ(position->valueInterface()->currentValue().toInt(), 750);
}

TEST_F(ScrubPaneButtons, ClipOfNoLengthDoesNotDivide) {
  pane_->setLength(0);
  ASSERT_EQ(pane_->xSeek(1.0), 0);
  EXPECT_EQ(slider()->value(), 0);
  pane_->setMarkIn(-1);
  press(button("butMarkIn"));
  EXPECT_EQ(slider()->selectionLength(), 0);
  EXPECT_EQ(pane_->pressMarkOut(), 0);
}

TEST_F(ScrubPaneButtons, GetPathKeepsTheFolderBeforeTheDocument) {
  EXPECT_FALSE(pane_->GetPath("X:\\Data\\C:\\Movies\\Clip.MPG", "clip.mpg"));
  EXPECT_EQ(pane_->path(), "c:\\movies\\");
  pane_->GetPath("\\\\server\\share\\\\films\\a.mpg", "A.mpg");
  EXPECT_EQ(pane_->path(), "\\\\server\\share\\\\films\\");
  pane_->GetPath("/home/user/a.mpg", "a.mpg");
  EXPECT_EQ(pane_->path(), "/home/user/");
  pane_->GetPath("/home/user/a.mpg", "b.mpg");
  EXPECT_EQ(pane_->path(), "");
}

}  // namespace
}  // namespace cw::player
