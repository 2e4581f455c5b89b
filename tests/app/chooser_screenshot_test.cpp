// The thumbnail chooser in a real X server (Xvfb): this test program runs
// itself there, opens the chooser on a corpus clip and grabs the screen. The
// picture is docs/screenshots/thumbnail-chooser.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QScreen>
#include <QStandardPaths>

#include "app/commands/commands.h"
#include "app/windows/import_window.h"
#include "clip_fixture.h"
#include "xvfb_run.h"

namespace cw::app::testing {
namespace {

constexpr const char* kShotVariable = "CW_CHOOSER_SHOT";

// Spread of the grey levels in a region: 0 for a flat (or black) area.
double spread(const QImage& image, const QRect& region) {
  QImage part = image.copy(region).convertToFormat(QImage::Format_RGB32);
  return pictureSpread(part);
}

// The screen, with the part `crop` (screen pixels) saved as `name`.
QImage grabScreen(QWidget* shown, const QRect& crop, const QString& name) {
  const QImage screen = shown->screen()->grabWindow(0).toImage();
  const QString folder = qEnvironmentVariable(kShotVariable);
  EXPECT_TRUE(screen.copy(crop.intersected(screen.rect())).save(QDir(folder).filePath(name)));
  return screen;
}

QRect onScreen(QWidget* widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); }

class ChooserOnScreen : public ClipFixture {};

TEST_F(ChooserOnScreen, Grab) {
  if (qEnvironmentVariable(kShotVariable).isEmpty())
    GTEST_SKIP() << "runs inside ChooserScreenshot";
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  startEditor();
  openPaths({corpus("vcd_pal.mpg")});
  ASSERT_EQ(clipCount(), 1);
  session().paletteIndex = 0;
  form().action("menuPopUpChangeThumbnail")->trigger();
  ImportWindow* chooser = importWindow(form());
  ASSERT_TRUE(chooser->isVisible());
  ASSERT_EQ(chooser->importPane()->xSeek(7.0), 0);
  runEventsFor(1500);
  const QRect area = onScreen(chooser->importPane()).adjusted(4, 4, -4, -60);
  const QImage screen =
      grabScreen(chooser, form().frameGeometry(), QStringLiteral("thumbnail-chooser.png"));
  EXPECT_GT(spread(screen, area), 20.0) << "no movie picture in the chooser";
}

TEST(ChooserScreenshot, ChooserShowsOnARealScreen) {
  application();
  if (!qEnvironmentVariable(kShotVariable).isEmpty()) GTEST_SKIP() << "inner run";
  if (QStandardPaths::findExecutable("xvfb-run").isEmpty())
    GTEST_SKIP() << "xvfb-run is missing: no X server to show the chooser on";
  CW_REQUIRE_CORPUS("vcd_pal.mpg");

  const QString folder = CW_BINARY_DIR "/chooser-shot";
  QDir(folder).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(folder));
  const XvfbRun run = runUnderXvfb("ChooserOnScreen.Grab", kShotVariable, folder);
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  ASSERT_EQ(run.output.find("SKIPPED"), std::string::npos) << run.output;
  EXPECT_FALSE(QImage(QDir(folder).filePath("thumbnail-chooser.png")).isNull());
}

}  // namespace
}  // namespace cw::app::testing
