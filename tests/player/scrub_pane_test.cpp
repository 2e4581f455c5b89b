// ScrubPane transport on a real movie: each row of the state table with its
// events in order, closing and reopening, the timer reaching the end, and the
// failures of opening and of commands without a clip.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMouseEvent>

#include "media_fixture.h"
#include "pane_fixture.h"
#include "player/player_errors.h"
#include "player/scrub_pane.h"

namespace cw::player {
namespace {

using testing::application;
using testing::EventLog;
using testing::generatedMovie;
using testing::MessageLog;
using testing::runEventsFor;
using Names = std::vector<std::string>;

class ScrubPaneTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    movie_ = generatedMovie("ntsc.mpg");
    if (movie_.empty()) GTEST_SKIP() << "ffmpeg could not make a movie";
    pane_ = std::make_unique<ScrubPane>();
    pane_->setSource(QString::fromStdString(movie_));
    pane_->setStepSize(1001.0 / 30000);
  }

  // Opens the movie and forgets the events of opening.
  void open(EventLog& log) {
    ASSERT_EQ(pane_->xOpen(), 0);
    log.take();
  }

  std::string movie_;
  std::unique_ptr<ScrubPane> pane_;
};

TEST_F(ScrubPaneTransport, OpeningEndsPausedAtTheStartWithTheWholeClipMarked) {
  EventLog log(*pane_);
  ASSERT_EQ(pane_->xOpen(), 0);
  EXPECT_EQ(log.take(), Names{"ModeChanged"});
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_DOUBLE_EQ(pane_->position(), 0);
  EXPECT_NEAR(pane_->length(), 180 * 1001.0 / 30000, 1e-6);
  EXPECT_DOUBLE_EQ(pane_->markIn(), 0);
  EXPECT_DOUBLE_EQ(pane_->markOut(), pane_->length());
  EXPECT_EQ(pane_->timeCode(), "00:00:00:00");
  auto* slider = pane_->findChild<PositionSlider*>("SliderPosition");
  EXPECT_TRUE(slider->isEnabled());
  EXPECT_EQ(slider->selectionStart(), 0);
  EXPECT_EQ(slider->selectionLength(), slider->maximum());
  EXPECT_EQ(pane_->findChild<QToolButton*>("butMarkIn")->toolTip(), "Mark In = 00:00:00:00");
  EXPECT_EQ(pane_->findChild<QToolButton*>("butMarkOut")->toolTip(), "Mark Out = 00:00:06:00");
  EXPECT_EQ(pane_->getLenInTimeCode(), "00:00:06:00");
}

TEST_F(ScrubPaneTransport, OpeningAgainClosesFirst) {
  EventLog log(*pane_);
  open(log);
  ASSERT_EQ(pane_->xPlay(), 0);
  log.take();
  ASSERT_EQ(pane_->xOpen(), 0);
  // Stop, close, then the pause that ends opening.
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged", "ModeChanged"}));
  EXPECT_EQ(pane_->mode(), 2);
}

TEST_F(ScrubPaneTransport, CommandsMoveBetweenModesWithOneEventEach) {
  EventLog log(*pane_);
  open(log);
  EXPECT_EQ(pane_->xPause(), 0);  // already paused: nothing
  EXPECT_EQ(log.take(), Names{});
  EXPECT_EQ(pane_->xPlay(), 0);
  EXPECT_EQ(pane_->mode(), 3);
  EXPECT_TRUE(pane_->findChild<QToolButton*>("butPause")->isVisible() || !pane_->isVisible());
  EXPECT_EQ(pane_->xPlay(), 0);  // already playing: nothing
  EXPECT_EQ(log.take(), Names{"ModeChanged"});
  EXPECT_EQ(pane_->xPause(), 0);
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_EQ(pane_->xStop(), 0);
  EXPECT_EQ(pane_->mode(), 1);
  EXPECT_EQ(pane_->xStop(), 0);  // stopped: nothing
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged"}));
  EXPECT_EQ(pane_->xPlay(), 0);
  EXPECT_EQ(pane_->xStop(), 0);
  EXPECT_EQ(pane_->mode(), 1);
  EXPECT_EQ(pane_->xPause(), 0);
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged", "ModeChanged"}));
}

TEST_F(ScrubPaneTransport, SeekingFromStoppedPausesTwiceThenReportsThePosition) {
  EventLog log(*pane_);
  open(log);
  ASSERT_EQ(pane_->xStop(), 0);
  log.take();
  ASSERT_EQ(pane_->xSeek(3.0), 0);
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged", "PositionChanged"}));
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_DOUBLE_EQ(pane_->position(), 3.0);
  EXPECT_EQ(pane_->findChild<PositionSlider*>("SliderPosition")->value(),
            static_cast<int>(3.0 * 1000 / pane_->length()));
  EXPECT_EQ(pane_->timeCode(), "00:00:03:00");

  ASSERT_EQ(pane_->xSeek(1.5), 0);  // paused: only the position
  EXPECT_EQ(log.take(), Names{"PositionChanged"});
  ASSERT_EQ(pane_->xPlay(), 0);
  log.take();
  ASSERT_EQ(pane_->xSeek(4.0), 0);  // playing: only the position, still playing
  EXPECT_EQ(log.take(), Names{"PositionChanged"});
  EXPECT_EQ(pane_->mode(), 3);
}

TEST_F(ScrubPaneTransport, NothingHappensWithoutAClip) {
  EventLog log(*pane_);
  EXPECT_EQ(pane_->xSeek(2.0), 0);
  EXPECT_EQ(pane_->xStop(), 0);
  EXPECT_EQ(log.take(), Names{});
  pane_->setSource(QString());
  EXPECT_EQ(pane_->xOpen(), 0);
  EXPECT_EQ(pane_->mode(), 0);
}

TEST_F(ScrubPaneTransport, PlayWithoutAClipFailsAndTellsOnlyWhenAsked) {
  MessageLog messages;
  EventLog log(*pane_);
  EXPECT_EQ(pane_->xPlay(), kErrObjectNotSet);
  EXPECT_EQ(pane_->xPause(), kErrObjectNotSet);
  EXPECT_TRUE(messages.take().empty());
  pane_->setErrorMessages(true);
  EXPECT_EQ(pane_->xPlay(), kErrObjectNotSet);
  const auto shown = messages.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "ERROR: 91\nPlay command failed!");
  EXPECT_EQ(pane_->mode(), 0);
  EXPECT_EQ(log.take(), Names{});
}

TEST_F(ScrubPaneTransport, TimerAtTheEndPausesThenReportsClipEnd) {
  EventLog log(*pane_);
  open(log);
  ASSERT_EQ(pane_->xSeek(pane_->length() - 0.3), 0);
  ASSERT_EQ(pane_->xPlay(), 0);
  log.take();
  runEventsFor(900);
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ClipEnd"}));
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_DOUBLE_EQ(pane_->position(), pane_->length());
  EXPECT_EQ(pane_->findChild<PositionSlider*>("SliderPosition")->value(), 1000);
  EXPECT_FALSE(pane_->findChild<QTimer*>("TimerPosition")->isActive());
}

TEST_F(ScrubPaneTransport, TimerFollowsPlaybackWithoutPositionEvents) {
  EventLog log(*pane_);
  open(log);
  ASSERT_EQ(pane_->xPlay(), 0);
  EXPECT_EQ(pane_->findChild<QTimer*>("TimerPosition")->interval(), 50);
  log.take();
  QElapsedTimer wall;
  wall.start();
  runEventsFor(400);
  EXPECT_EQ(log.take(), Names{});
  // The last tick's position: behind the wall clock by less than a few ticks.
  EXPECT_GT(pane_->position(), 0.1);
  EXPECT_LE(pane_->position(), wall.elapsed() / 1000.0 + 0.01);
  EXPECT_NE(pane_->timeCode(), "00:00:00:00");
  ASSERT_EQ(pane_->xStop(), 0);
  const double stoppedAt = pane_->position();
  runEventsFor(100);
  EXPECT_DOUBLE_EQ(pane_->position(), stoppedAt);  // stopping does not move
}

TEST_F(ScrubPaneTransport, CloseTempThenReOpenRestoresPositionAndMarks) {
  EventLog log(*pane_);
  open(log);
  ASSERT_EQ(pane_->xSeek(2.2), 0);
  pane_->setMarkIn(1.0);
  pane_->setMarkOut(4.0);
  log.take();
  ASSERT_EQ(pane_->xCloseTemp(), 0);
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged"}));  // the stop, then closed
  EXPECT_EQ(pane_->mode(), 0);
  EXPECT_EQ(pane_->mediaGraph(), nullptr);
  EXPECT_DOUBLE_EQ(pane_->markIn(), 1.0);
  EXPECT_EQ(pane_->timeCode(), "00:00:02:05");

  ASSERT_EQ(pane_->xReOpen(), 0);
  EXPECT_EQ(log.take(), (Names{"ModeChanged", "ModeChanged", "PositionChanged"}));
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_DOUBLE_EQ(pane_->position(), 2.2);
  EXPECT_DOUBLE_EQ(pane_->markIn(), 1.0);
  EXPECT_DOUBLE_EQ(pane_->markOut(), 4.0);
  double shown = -1;
  ASSERT_EQ(pane_->mediaGraph()->mediaPosition()->currentPosition(shown), 0);
  EXPECT_DOUBLE_EQ(shown, 2.2);
  EXPECT_EQ(pane_->xReOpen(), 0);  // open already: nothing to do
  EXPECT_EQ(log.take(), Names{});
}

TEST_F(ScrubPaneTransport, CloseResetsMarksRateAndSlider) {
  EventLog log(*pane_);
  pane_->setCurrExt("m15");
  open(log);
  EXPECT_DOUBLE_EQ(pane_->frameRate(), 0.5);
  EXPECT_EQ(pane_->findChild<QSlider*>("SliderFrameRate")->value(), 50);
  ASSERT_EQ(pane_->xSeek(3), 0);
  ASSERT_EQ(pane_->xStop(), 0);
  log.take();
  ASSERT_EQ(pane_->xClose(), 0);  // from stopped: only the close's own event
  EXPECT_EQ(log.take(), Names{"ModeChanged"});
  EXPECT_EQ(pane_->mode(), 0);
  EXPECT_DOUBLE_EQ(pane_->markIn(), -1);
  EXPECT_DOUBLE_EQ(pane_->markOut(), -1);
  EXPECT_EQ(pane_->findChild<QSlider*>("SliderFrameRate")->value(), 100);
  EXPECT_DOUBLE_EQ(pane_->frameRate(), 1.0);
  auto* slider = pane_->findChild<PositionSlider*>("SliderPosition");
  EXPECT_EQ(slider->value(), 0);
  EXPECT_EQ(slider->selectionLength(), 0);
  EXPECT_FALSE(slider->isEnabled());
  EXPECT_EQ(pane_->timeCode(), "00:00:00:00");
  EXPECT_EQ(pane_->findChild<QToolButton*>("butMarkIn")->toolTip(), "Mark In = (value not set)");
  EXPECT_EQ(pane_->findChild<QToolButton*>("butMarkOut")->toolTip(), "Mark Out = (value not set)");
  EXPECT_EQ(pane_->source(), QString::fromStdString(movie_));  // the source stays
}

TEST_F(ScrubPaneTransport, NeedSoundComesFirstOnTheOlderPlatform) {
  pane_->setAmVersion(1);
  EventLog log(*pane_);
  ASSERT_EQ(pane_->xOpen(), 0);
  EXPECT_EQ(log.take(), (Names{"NeedSound", "NeedSound", "ModeChanged"}));
  ASSERT_EQ(pane_->xPlay(), 0);  // paused: no prologue event
  EXPECT_EQ(log.take(), Names{"ModeChanged"});
}

TEST_F(ScrubPaneTransport, UnreadableFileIsReportedAndLeavesNoClip) {
  MessageLog messages;
  const QString bogus = QString::fromStdString(CW_SOURCE_DIR "/CMakeLists.txt");
  pane_->setSource(bogus);
  EventLog log(*pane_);
  EXPECT_EQ(pane_->xOpen(), -1);
  const auto shown = messages.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Cannot open the file " + bogus + "!");
  EXPECT_EQ(pane_->mode(), 0);
  EXPECT_DOUBLE_EQ(pane_->markIn(), -1);
  EXPECT_EQ(log.take(), Names{"ModeChanged"});  // from the close
}

// A graph without a media control, as when the playback service is missing.
class EmptyGraph : public MediaGraph {
 public:
  MediaControl* mediaControl() override { return nullptr; }
  VideoWindow* videoWindow() override { return nullptr; }
  MediaPosition* mediaPosition() override { return nullptr; }
};

TEST(ScrubPaneService, MissingPlaybackServiceIsReported) {
  application();
  MessageLog messages;
  ScrubPane pane(nullptr, [] { return std::make_unique<EmptyGraph>(); });
  pane.setSource("/movies/clip.mpg");
  EXPECT_EQ(pane.xOpen(), -1);
  const auto shown = messages.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "Cannot open the file\n/movies/clip.mpg.\n"
            "Please check if DirectDraw is installed on your system!");
  EXPECT_EQ(pane.mode(), 0);
}

TEST_F(ScrubPaneTransport, SoundOnlyFileOpensWithoutAVideoWindow) {
  const std::string sound = generatedMovie("audio.mp2");
  if (sound.empty()) GTEST_SKIP();
  pane_->setSource(QString::fromStdString(sound));
  MessageLog messages;
  ASSERT_EQ(pane_->xOpen(), 0);
  EXPECT_TRUE(messages.take().empty());
  EXPECT_EQ(pane_->mode(), 2);
  EXPECT_NEAR(pane_->length(), 3.0, 0.05);
  EXPECT_EQ(pane_->mediaGraph()->videoWindow(), nullptr);
  EXPECT_EQ(pane_->xSeek(1.0), 0);
  EXPECT_EQ(pane_->xPlay(), 0);
  runEventsFor(200);
  EXPECT_GT(pane_->position(), 1.0);  // moved on the clock alone
  EXPECT_EQ(pane_->xClose(), 0);
}

}  // namespace
}  // namespace cw::player
