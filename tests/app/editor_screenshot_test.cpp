// The editor in a real X server (Xvfb): `clipwright a.mpg b.mpg` shows its
// windows with two thumbnails, each a real picture inside a grey frame. The
// screen is grabbed from outside (ffmpeg's x11grab) until both appear.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "app/windows/thumbnail_frame.h"
#include "app_fixture.h"
#include "clip_fixture.h"
#include "support/corpus.h"
#include "support/screen_grab.h"
#include "support/temp_dir.h"

namespace cw::app::testing {
namespace {

// A grey-framed thumbnail found on the screen: its rectangle, frame included.
std::vector<QRect> framedThumbnails(const QImage& screen) {
  const FrameColors& grey = grayFrameColors();
  const auto is = [&](int x, int y, const QColor& color) {
    return x >= 0 && y >= 0 && x < screen.width() && y < screen.height() &&
           QColor(screen.pixel(x, y)) == color;
  };
  std::vector<QRect> found;
  for (int y = 0; y + 3 < screen.height(); ++y) {
    for (int x = 0; x + 3 < screen.width(); ++x) {
      // The top-left corner: the three rings' colours on the diagonal.
      if (!is(x, y, grey.light) || !is(x + 1, y + 1, grey.middle) || !is(x + 2, y + 2, grey.dark) ||
          !is(x + 1, y, grey.light) || !is(x, y + 1, grey.light) || is(x - 1, y, grey.light))
        continue;
      int right = x;
      while (is(right + 1, y, grey.light)) ++right;
      int bottom = y;
      while (is(x, bottom + 1, grey.light)) ++bottom;
      // The outer ring's right and bottom edges are dark.
      if (right - x < 8 || bottom - y < 8 || !is(right + 1, y + 1, grey.dark) ||
          !is(x + 1, bottom + 1, grey.dark))
        continue;
      found.emplace_back(QPoint(x, y), QPoint(right + 1, bottom + 1));
    }
  }
  return found;
}

TEST(EditorScreenshot, CommandLineClipsShowAsFramedPictures) {
  application();
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
  const QString editor = CW_BINARY_DIR "/app/clipwright";
  if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is missing: no X server to show the editor on";
  ASSERT_FALSE(ffmpeg.isEmpty()) << "ffmpeg grabs the screen";
  ASSERT_TRUE(QFileInfo(editor).isExecutable()) << editor.toStdString();
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("vcd_pal.mpg");

  cw::test::TempDir dir("cw-shot");
  const QString folder = QString::fromStdString(dir.path().string());
  const QString shot = CW_BINARY_DIR "/clipwright-editor.png";
  const QString stop = folder + "/stop";
  QFile::remove(shot);
  // Grabs the screen once a second until the test has seen enough.
  const QString script = QStringLiteral(
      "\"$0\" \"$1\" \"$2\" & editor=$!\n"
      "while [ ! -e \"$4\" ] && kill -0 $editor 2>/dev/null; do\n"
      "  sleep 1\n"
      "  \"$5\" -v error -y -f x11grab -video_size 1280x1024 -i \"$DISPLAY\" -frames:v 1 "
      "\"$3.tmp.png\" && mv \"$3.tmp.png\" \"$3\"\n"
      "done\n"
      "kill $editor\n");
  QProcess process;
  QProcessEnvironment environment = cw::test::xServerEnvironment();
  environment.insert("XDG_CONFIG_HOME", folder + "/config");
  environment.insert("XDG_CACHE_HOME", folder + "/cache");
  process.setProcessEnvironment(environment);
  process.start(xvfb, {"-a", "-s", "-screen 0 1280x1024x24", "sh", "-c", script, editor,
                       ClipFixture::corpusPath("vcd_ntsc.mpg"),
                       ClipFixture::corpusPath("vcd_pal.mpg"), shot, stop, ffmpeg});
  ASSERT_TRUE(process.waitForStarted());

  std::vector<QRect> thumbnails;
  QImage screen;
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 60000 && process.state() != QProcess::NotRunning) {
    process.waitForFinished(500);
    const QImage grabbed(shot);
    if (grabbed.isNull()) continue;
    screen = grabbed.convertToFormat(QImage::Format_RGB32);
    thumbnails = framedThumbnails(screen);
    if (thumbnails.size() >= 2) break;
  }
  QFile(stop).open(QIODevice::WriteOnly);
  process.waitForFinished(20000);

  ASSERT_FALSE(screen.isNull()) << "no screen grab: "
                                << process.readAllStandardError().toStdString();
  ASSERT_EQ(thumbnails.size(), 2u) << "framed thumbnails on the screen";
  for (const QRect& thumbnail : thumbnails) {
    EXPECT_EQ(thumbnail.size(), QSize(60, 45));
    EXPECT_GT(pictureSpread(screen.copy(thumbnail)), 10.0) << "a blank thumbnail";
  }
  EXPECT_NE(screen.copy(thumbnails[0]), screen.copy(thumbnails[1]));
}

}  // namespace
}  // namespace cw::app::testing
