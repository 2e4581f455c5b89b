// The clip information form in a real X server (Xvfb): this test program
// runs itself there, opens a VideoCD clip, loads it into the player, shows
// its form beside the thumbnail and grabs the screen.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include "app/commands/commands.h"
#include "app/dialogs/clip_info_dialog.h"
#include "clip_fixture.h"
#include "support/screen_grab.h"
#include "xvfb_run.h"

namespace cw::app::testing {
namespace {

constexpr const char* kShotVariable = "CW_INFO_FORM_SHOT";
const QPoint kFormAt(560, 120);

class InfoFormOnScreen : public ClipFixture {};

// The part that runs inside the X server.
TEST_F(InfoFormOnScreen, Grab) {
  const QString shot = qEnvironmentVariable(kShotVariable);
  if (shot.isEmpty()) GTEST_SKIP() << "runs inside InfoFormScreenshot";
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  openPaths({corpus("vcd_ntsc.mpg")});
  ASSERT_EQ(clipCount(), 1);
  QTest::mouseDClick(palette().thumbnail(0), Qt::LeftButton, {}, QPoint(10, 10));
  ClipInfoDialog* info = showClipInfo(form(), 0, kFormAt);
  ASSERT_NE(info, nullptr);
  info->activateWindow();
  runEventsFor(1500);
  const QPixmap screen = info->screen()->grabWindow(0);
  ASSERT_TRUE(screen.save(shot));
}

TEST(InfoFormScreenshot, FormShowsOnARealScreen) {
  application();
  if (!qEnvironmentVariable(kShotVariable).isEmpty()) GTEST_SKIP() << "inner run";
  if (QStandardPaths::findExecutable("xvfb-run").isEmpty())
    GTEST_SKIP() << "xvfb-run is missing: no X server to show the form on";
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");

  const QString shot = CW_BINARY_DIR "/clipwright-info-form.png";
  QFile::remove(shot);
  const XvfbRun run = runUnderXvfb("InfoFormOnScreen.Grab", kShotVariable, shot);
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0) << run.output;

  const QImage image(shot);
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(1280, 1024));
  // The form's labels stand out of its background.
  EXPECT_GT(cw::test::greySpread(image, QRect(kFormAt, QSize(240, 300))), 20.0)
      << "no form on the screen";
}

}  // namespace
}  // namespace cw::app::testing
