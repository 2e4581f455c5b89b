// The player and recorder windows as a user handles them: thumbnails
// dropped or activated, the transport keys, closing.
#include <QFile>
#include <QMimeData>
#include <QTest>

#include "app/windows/footage_window.h"
#include "record_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {

namespace {}  // namespace

class PlayerWindow : public RecordFixture {};

TEST_F(PlayerWindow, KeysMoveMarkAndPlay) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  dropOnPlayer(openClips({corpus("vcd_ntsc.mpg")}));
  player::ScrubPane& pane = playerPane();
  const double frame = 1001.0 / 30000.0;
  playerKeys({Qt::Key_End});
  EXPECT_NEAR(pane.position(), pane.length(), 1e-6);
  playerKeys({Qt::Key_Home, Qt::Key_Right, Qt::Key_Period, Qt::Key_Period});
  EXPECT_NEAR(pane.position(), 3 * frame, 0.002);
  playerKeys({Qt::Key_Comma});
  EXPECT_NEAR(pane.position(), 2 * frame, 0.002);
  session().redoArmed = true;
  playerKeys({Qt::Key_I});
  EXPECT_NEAR(pane.markIn(), 2 * frame, 0.002);
  EXPECT_FALSE(session().redoArmed);  // new marks, new record
  playerKeys({Qt::Key_Right, Qt::Key_Right, Qt::Key_O});
  EXPECT_NEAR(pane.markOut(), 4 * frame, 0.002);

  playerKeys({Qt::Key_Space});
  EXPECT_EQ(pane.mode(), static_cast<int>(player::PlayerMode::Playing));
  playerKeys({Qt::Key_Space});
  EXPECT_EQ(pane.mode(), static_cast<int>(player::PlayerMode::Paused));

  // Closing the window hides it and takes its Windows mark away.
  playerKeys({Qt::Key_Space});
  form().playerWindow()->close();
  EXPECT_FALSE(form().playerWindow()->isVisible());
  EXPECT_FALSE(checked("menuPlayer"));
  EXPECT_EQ(pane.mode(), static_cast<int>(player::PlayerMode::Paused));
  EXPECT_EQ(pane.source(), corpus("vcd_ntsc.mpg"));
}

TEST_F(PlayerWindow, DropsAndActivationLoadTheSameWay) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  const int first = openClips({corpus("vcd_ntsc.mpg"), corpus("mjpeg_vcd.mpg")});
  EXPECT_FALSE(enabled("menuRecord"));

  // Anything but a thumbnail is not taken.
  QMimeData text;
  text.setText("0");
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form().playerWindow(), &enter);
  EXPECT_FALSE(enter.isAccepted());

  dropOnPlayer(first);
  EXPECT_EQ(playerPane().source(), corpus("vcd_ntsc.mpg"));
  EXPECT_TRUE(enabled("menuRecord"));
  EXPECT_FALSE(session().clips[first].lengthTimeCode.isEmpty());
  markPlayer(5, 5);
  const double in = playerPane().markIn();

  // The clip already in the player is not opened again: the marks stay.
  dropOnPlayer(first);
  EXPECT_EQ(playerPane().markIn(), in);

  emit form().footageWindow()->clipActivated(first + 1);
  EXPECT_EQ(playerPane().source(), corpus("mjpeg_vcd.mpg"));
  EXPECT_EQ(session().currentClip, first + 1);
  EXPECT_EQ(form().playerWindow()->windowTitle(), "Player: mjpeg_vcd.mpg");
  EXPECT_EQ(playerPane().markIn(), 0);
}

// A clip whose file has gone since it was opened cannot be played: the
// player is left empty and says so, and the clip can be dropped again once
// its file is back.
TEST_F(PlayerWindow, AClipThatCannotBeOpenedLeavesTheWindowEmpty) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  const QString gone = root() + "/gone.mpg";
  ASSERT_TRUE(QFile::copy(corpus("mjpeg_vcd.mpg"), gone));
  const int first = openClips({corpus("vcd_ntsc.mpg"), gone});
  dropOnPlayer(first);
  ASSERT_NE(playerPane().mode(), 0);
  ASSERT_TRUE(QFile::remove(gone));

  dropOnPlayer(first + 1);
  EXPECT_EQ(takeMessages().size(), 1u);  // the player's open failure
  EXPECT_EQ(playerPane().mode(), 0);
  EXPECT_EQ(form().playerWindow()->windowTitle(), "Player");
  EXPECT_FALSE(enabled("menuRecord"));
  EXPECT_FALSE(enabled("menuPreview"));
  EXPECT_EQ(session().currentClip, -1);

  ASSERT_TRUE(QFile::copy(corpus("mjpeg_vcd.mpg"), gone));
  dropOnPlayer(first + 1);
  EXPECT_NE(playerPane().mode(), 0);
  EXPECT_EQ(form().playerWindow()->windowTitle(), "Player: gone.mpg");
  EXPECT_TRUE(enabled("menuRecord"));
}

}  // namespace cw::app::testing
