// One sound at a time: a pane that starts playing pauses the one that
// played before, whichever of the player, recorder and preview it is.
#include <QTest>

#include "app/commands/commands.h"
#include "app/windows/preview_window.h"
#include "record_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {
namespace {

constexpr int kPaused = static_cast<int>(player::PlayerMode::Paused);
constexpr int kPlaying = static_cast<int>(player::PlayerMode::Playing);

class SoundGuardTest : public RecordFixture {};

TEST_F(SoundGuardTest, StartingOnePanePausesTheOneThatPlays) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  const int clip = openClips({corpus("vcd_ntsc.mpg")});
  dropOnPlayer(clip);
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);

  recorderKeys({Qt::Key_Space});
  ASSERT_EQ(recorderPane().mode(), kPlaying);
  playerKeys({Qt::Key_Space});
  EXPECT_EQ(playerPane().mode(), kPlaying);
  EXPECT_EQ(recorderPane().mode(), kPaused);
  recorderKeys({Qt::Key_Space});
  EXPECT_EQ(recorderPane().mode(), kPlaying);
  EXPECT_EQ(playerPane().mode(), kPaused);

  // The preview of an append: the player, playing again, pauses.
  playerKeys({Qt::Key_Home, Qt::Key_I, Qt::Key_End, Qt::Key_O, Qt::Key_Home, Qt::Key_Space});
  ASSERT_EQ(playerPane().mode(), kPlaying);
  trigger("menuPreview");
  player::ScrubPane& preview = *previewWindow(form())->previewPane();
  ASSERT_EQ(preview.mode(), kPlaying);
  EXPECT_EQ(playerPane().mode(), kPaused);
  previewWindow(form())->requestUnload();
  runEventsFor(20);
}

}  // namespace
}  // namespace cw::app::testing
