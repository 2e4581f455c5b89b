// scrubpane-demo in a real X server (Xvfb): the screen grab of its window shows
// the picture in the clip area, the transport row and the time code.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include "media_fixture.h"
#include "pane_fixture.h"
#include "player/twips.h"
#include "support/screen_grab.h"

namespace cw::player {
namespace {

using test::greySpread;

TEST(ScrubPaneDemo, ScreenshotShowsPictureControlsAndTimeCode) {
  testing::application();
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  const QString demo = CW_BINARY_DIR "/player/scrubpane-demo";
  if (xvfb.isEmpty() || !QFileInfo(demo).isExecutable()) GTEST_SKIP() << "no xvfb-run or demo";
  std::string movie = testing::corpusFile("vcd_ntsc.mpg");
  if (movie.empty()) movie = testing::generatedMovie("ntsc.mpg");
  if (movie.empty()) GTEST_SKIP() << "no movie";

  const QString shot = CW_BINARY_DIR "/scrubpane-demo.png";
  QFile::remove(shot);
  QProcess process;
  process.setProcessEnvironment(test::xServerEnvironment());
  process.start(xvfb, {"-a", "-s", "-screen 0 640x480x24", demo, QString::fromStdString(movie),
                       "--seek", "2.5", "--screenshot", shot});
  ASSERT_TRUE(process.waitForFinished(60000));
  ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  EXPECT_NE(process.readAllStandardOutput().indexOf("at 00:00:02:15"), -1);

  const QImage image(shot);
  ASSERT_FALSE(image.isNull());
  const int clipWidth = twipsToPixels(4860);
  const int clipHeight = twipsToPixels(3660);
  ASSERT_GE(image.width(), clipWidth);
  ASSERT_GE(image.height(), clipHeight + twipsToPixels(360));
  EXPECT_GT(greySpread(image, QRect(0, 0, clipWidth, clipHeight)), 20.0) << "blank clip area";
  const int rowTop = twipsToPixels(3660 + 30);
  const QRect playButton(twipsToPixels(945 + 1260), rowTop, twipsToPixels(405), twipsToPixels(330));
  EXPECT_GT(greySpread(image, playButton), 5.0) << "no transport button";
  const QRect timeCode(twipsToPixels(3525), twipsToPixels(3685), twipsToPixels(1335),
                       twipsToPixels(330));
  EXPECT_GT(greySpread(image, timeCode.intersected(image.rect())), 5.0) << "no time code";
}

}  // namespace
}  // namespace cw::player
