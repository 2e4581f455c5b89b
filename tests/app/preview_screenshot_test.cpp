// The preview window in a real X server (Xvfb): this test program runs
// itself there, records a crop, previews an append onto it and grabs the
// screen while the preview plays.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QScreen>
#include <QTest>

#include "app/commands/commands.h"
#include "app/windows/preview_window.h"
#include "record_fixture.h"
#include "support/corpus.h"
#include "support/screen_grab.h"
#include "xvfb_run.h"

namespace cw::app::testing {
namespace {

constexpr const char* kShotVariable = "CW_PREVIEW_SHOT";
const QSize kScreen(1280, 1024);

class PreviewOnScreen : public RecordFixture {};

// The part that runs inside the X server.
TEST_F(PreviewOnScreen, Grab) {
  const QString shot = qEnvironmentVariable(kShotVariable);
  if (shot.isEmpty()) GTEST_SKIP() << "runs inside PreviewScreenshot";
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  const int clip = openClips({corpus("vcd_ntsc.mpg"), corpus("mjpeg_vcd.mpg")});
  dropOnPlayer(clip);
  markPlayer(15, 20);
  pressRecord();
  dropOnPlayer(clip + 1);
  markPlayer(20, 30);
  trigger("menuWindow320");
  trigger("menuPreroll3");
  QTest::mousePress(form().recorderWindow()->previewButton(), Qt::LeftButton);
  PreviewWindow* preview = previewWindow(form());
  ASSERT_TRUE(preview->isVisible());
  player::ScrubPane& pane = *preview->previewPane();
  // A second of the pre-roll played: the picture is on the screen.
  const double start = pane.position();
  ASSERT_TRUE(QTest::qWaitFor([&] { return pane.position() > start + 1.0; }, 20000));
  const QPixmap screen = preview->screen()->grabWindow(0);
  ASSERT_TRUE(screen.save(shot));
  QTest::keyClick(preview, Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->isVisible(); }, 5000));
}

TEST(PreviewScreenshot, PreviewPlaysOnARealScreen) {
  application();
  if (!qEnvironmentVariable(kShotVariable).isEmpty()) GTEST_SKIP() << "inner run";
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");

  const QString shot = CW_BINARY_DIR "/clipwright-preview.png";
  QFile::remove(shot);
  const XvfbRun run = runUnderXvfb("PreviewOnScreen.Grab", kShotVariable, shot);
  if (!run.available) GTEST_SKIP() << "xvfb-run is missing: no X server to show the preview on";
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0) << run.output;

  const QImage image(shot);
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), kScreen);
  // The preview window is centred on the screen; its 320 x 240 picture
  // shows the movie, not a flat area.
  const QRect picture(QPoint(kScreen.width() / 2 - 150, kScreen.height() / 2 - 100),
                      QSize(300, 200));
  EXPECT_GT(cw::test::greySpread(image, picture), 20.0) << "no picture in the preview window";
}

}  // namespace
}  // namespace cw::app::testing
