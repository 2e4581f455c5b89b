// One sound at a time: a pane that starts playing pauses the one that
// played before, whichever of the player, recorder and preview it is.
#include <QTest>

#include "app/windows/commands.h"
#include "app/windows/new_preview.h"
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
  ASSERT_NE(iRecorder().mode(), 0);

  recorderKeys({Qt::Key_Space});
  ASSERT_EQ(iRecorder().mode(), kPlaying);
  playerKeys({Qt::Key_Space});
  EXPECT_EQ(iPlayer().mode(), kPlaying);
  EXPECT_EQ(iRecorder().mode(), kPaused);
  recorderKeys({Qt::Key_Space});
  EXPECT_EQ(iRecorder().mode(), kPlaying);
  EXPECT_EQ(iPlayer().mode(), kPaused);

  // The preview of an append: the player, playing again, pauses.
  playerKeys({Qt::Key_Home, Qt::Key_I, Qt::Key_End, Qt::Key_O, Qt::Key_Home, Qt::Key_Space});
  ASSERT_EQ(iPlayer().mode(), kPlaying);
  trigger("menuPreview");
  player::ScrubPane& preview = *previewWindow(form())->iPreview();
  ASSERT_EQ(preview.mode(), kPlaying);
  EXPECT_EQ(iPlayer().mode(), kPaused);
  previewWindow(form())->requestUnload();
  runEventsFor(20);
}

}  // namespace
}  // namespace cw::app::testing
