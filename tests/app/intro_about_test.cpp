// The splash window of start-up and the About box.
#include <QGuiApplication>
#include <QScreen>

#include "app/dialogs/about_dialog.h"
#include "app/shell/library_notices.h"
#include "app/windows/intro.h"
#include "app_fixture.h"

namespace cw::app::testing {
namespace {

class IntroAboutTest : public AppFixture {};

TEST_F(IntroAboutTest, IntroShowsAboveTheMiddleUntilTheSecondStage) {
  MainWindow& main = start(false);
  auto* intro = main.findChild<Intro*>();
  ASSERT_NE(intro, nullptr);
  EXPECT_TRUE(intro->isVisible());
  const QRect screen = intro->screen()->geometry();
  // 500 twips are 33 pixels.
  EXPECT_EQ(intro->pos(), QPoint(screen.left() + (screen.width() - intro->width()) / 2,
                                 screen.top() + (screen.height() - intro->height()) / 2 - 33));
  EXPECT_FALSE(intro->picIntro()->pixmap().isNull());

  main.finishStartUp();
  EXPECT_FALSE(intro->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(main.findChild<Intro*>(), nullptr);
}

TEST_F(IntroAboutTest, AboutNamesTheProgramVersionAndLibraryLicences) {
  MainWindow& main = start();
  main.action("menuAbout")->trigger();
  auto* about = main.findChild<AboutDialog*>();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(about->labTitle()->text(), "Clipwright Editor");
  EXPECT_EQ(about->labVersion()->text(), "Version " + programVersion());
  const QString libraries = about->labLibraries()->text();
  EXPECT_TRUE(libraries.contains(QStringLiteral("Qt ") + qVersion() + ": GNU LGPL version 3"))
      << libraries.toStdString();
  for (const char* name : {"libavformat", "libavcodec", "libavutil", "libswscale"})
    EXPECT_TRUE(libraries.contains(name)) << name;
  // Debian builds FFmpeg with its GPL parts; the loaded library says which.
  EXPECT_TRUE(libraries.contains("GPL version 2 or later") ||
              libraries.contains("LGPL version 2.1 or later"))
      << libraries.toStdString();
  about->butOK()->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(main.findChild<AboutDialog*>(), nullptr);
}

}  // namespace
}  // namespace cw::app::testing
