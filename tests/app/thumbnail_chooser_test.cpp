// Change Thumbnail: the clip opens in the chooser, the user moves to a frame
// and takes it; the palette shows that frame in the selected frame.
#include <QMenu>
#include <QTest>

#include "app/commands/commands.h"
#include "app/dialogs/clip_info_dialog.h"
#include "app/windows/import_window.h"
#include "app/windows/thumbnail_frame.h"
#include "clip_fixture.h"
#include "player/twips.h"

namespace cw::app::testing {
namespace {

constexpr double kNtscFrame = 1001.0 / 30000.0;

class ThumbnailChooser : public ClipFixture {
 protected:
  ImportWindow& chooser() { return *importWindow(form()); }
  player::ScrubPane& importPane() { return *chooser().importPane(); }

  // The thumbnail's context menu, then its Change Thumbnail item.
  void changeThumbnail(int index) {
    QTest::mousePress(palette().thumbnail(index), Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(palette().thumbnail(index), Qt::RightButton, {}, QPoint(5, 5));
    QMenu* menu = form().actions().menu("menuPopUp");
    ASSERT_TRUE(menu->isVisible());
    menu->hide();
    ASSERT_TRUE(form().actions().isEnabled("menuPopUpChangeThumbnail"));
    form().action("menuPopUpChangeThumbnail")->trigger();
    QApplication::processEvents();
  }

  void keys(const QList<Qt::Key>& list) {
    for (Qt::Key key : list) QTest::keyClick(&chooser(), key);
  }

  // The thumbnail's rings are the selected frame's colours.
  void expectYellowFrame(int index) {
    const QImage shown = shownThumbnail(index);
    const FrameColors& yellow = yellowFrameColors();
    const int right = shown.width() - 1;
    const int bottom = shown.height() - 1;
    EXPECT_EQ(QColor(shown.pixel(0, 0)), yellow.light);
    EXPECT_EQ(QColor(shown.pixel(1, 1)), yellow.middle);
    EXPECT_EQ(QColor(shown.pixel(2, 2)), yellow.dark);
    EXPECT_EQ(QColor(shown.pixel(right, bottom / 2)), yellow.dark);
    EXPECT_EQ(QColor(shown.pixel(right - 2, bottom / 2)), yellow.light);
    EXPECT_EQ(QColor(shown.pixel(right / 2, bottom)), yellow.dark);
  }
};

// Inside the rings, as the palette shows it.
QImage inner(const QImage& thumbnail) {
  return thumbnail.copy(thumbnail.rect().adjusted(3, 3, -3, -3));
}

// A decoded picture as a thumbnail's inside shows it.
QImage asThumbnail(const QImage& picture, QSize thumbnail) {
  return inner(picture.scaled(thumbnail, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

TEST_F(ThumbnailChooser, TheFrameOnScreenBecomesTheThumbnail) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  openPaths({corpus("vcd_ntsc.mpg")});
  ASSERT_EQ(clipCount(), 1);
  const QImage before = shownThumbnail(0);

  changeThumbnail(0);
  ASSERT_TRUE(chooser().isVisible());
  EXPECT_EQ(chooser().windowTitle(), "Customize Thumbnail");
  ASSERT_NE(importPane().mode(), 0);
  EXPECT_EQ(importPane().source(), corpus("vcd_ntsc.mpg"));
  EXPECT_NEAR(importPane().stepSize(), kNtscFrame, 1e-4);
  EXPECT_TRUE(importPane().sliderVisible());
  EXPECT_EQ(importPane().xCapture().bitmap.size(),
            QSize(player::twipsToPixels(2940), player::twipsToPixels(2055)));
  // The clip in the chooser cannot be deleted from the palette meanwhile.
  QTest::mousePress(palette().thumbnail(0), Qt::RightButton, {}, QPoint(5, 5));
  form().actions().menu("menuPopUp")->hide();
  EXPECT_FALSE(form().actions().isEnabled("menuPopUpDelete"));

  // To picture 60, then two steps on.
  ASSERT_EQ(importPane().xSeek(60.4 * kNtscFrame), 0);
  keys({Qt::Key_Right, Qt::Key_Right});
  const int shownIndex = static_cast<int>(importPane().position() / kNtscFrame + 0.5);
  EXPECT_EQ(shownIndex, 62);
  QTest::mouseClick(chooser().recordButton(), Qt::LeftButton);

  EXPECT_FALSE(chooser().isVisible());
  EXPECT_EQ(importPane().mode(), 0);
  const QImage after = shownThumbnail(0);
  ASSERT_EQ(after.size(), palette().thumbnailSize());
  expectYellowFrame(0);
  // The new thumbnail is the picture at that time, not the old middle one.
  const std::vector<QImage> pictures = decodedPictures(corpus("vcd_ntsc.mpg"), 56, 13);
  ASSERT_EQ(pictures.size(), 13u);
  const QImage expected = asThumbnail(pictures[6], after.size());
  const double toExpected = meanDifference(inner(after), expected);
  EXPECT_LT(toExpected, 6.0);
  for (int other : {0, 12})
    EXPECT_LT(toExpected, meanDifference(inner(after), asThumbnail(pictures[other], after.size())))
        << "picture " << 56 + other << " is as close";
  EXPECT_GT(meanDifference(inner(after), inner(before)), 2 * toExpected);

  // The clip can be deleted again now that the chooser has let it go.
  QTest::mousePress(palette().thumbnail(0), Qt::RightButton, {}, QPoint(5, 5));
  form().actions().menu("menuPopUp")->hide();
  EXPECT_TRUE(form().actions().isEnabled("menuPopUpDelete"));
}

// The picture goes to the clip on screen, even when another thumbnail has
// been pressed since, and stays with it; closing the chooser changes
// nothing; a right click on the picture shows the properties of the clip on
// screen.
TEST_F(ThumbnailChooser, ThePictureGoesToTheClipOnScreen) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  startEditor();
  openPaths({corpus("vcd_ntsc.mpg"), corpus("vcd_pal.mpg")});
  ASSERT_EQ(clipCount(), 2);
  const QImage first = shownThumbnail(0);
  const QImage second = shownThumbnail(1);

  changeThumbnail(1);
  ASSERT_EQ(importPane().source(), corpus("vcd_pal.mpg"));
  chooser().close();
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_EQ(importPane().mode(), 0);
  EXPECT_EQ(inner(shownThumbnail(1)), inner(second));

  changeThumbnail(1);
  ASSERT_EQ(importPane().xSeek(2.0), 0);
  // A right click on the picture: the properties of the clip on screen.
  QTest::mousePress(palette().thumbnail(0), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(session().paletteIndex, 0);
  auto* area = importPane().findChild<QWidget*>("Picture1");
  ASSERT_NE(area, nullptr);
  QTest::mousePress(area, Qt::RightButton, {}, QPoint(20, 20));
  QApplication::processEvents();
  EXPECT_EQ(session().paletteIndex, 1);
  ClipInfoDialog* info = form().findChild<ClipInfoDialog*>();
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(info->isVisible());
  EXPECT_EQ(info->clipIndex(), 1);
  info->close();

  // Thumbnail 0 is pressed again before the frame is taken.
  QTest::mousePress(palette().thumbnail(0), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(chooser().recordButton(), Qt::LeftButton);
  EXPECT_EQ(inner(shownThumbnail(0)), inner(first));
  const QImage chosen = inner(shownThumbnail(1));
  EXPECT_NE(chosen, inner(second));
  expectYellowFrame(1);

  // The chosen picture stays with its clip when the clips before it go.
  session().paletteIndex = 0;
  form().action("menuPopUpDelete")->trigger();
  ASSERT_EQ(clipCount(), 1);
  EXPECT_EQ(inner(shownThumbnail(0)), chosen);

  // Close All closes the chooser's clip with the others.
  changeThumbnail(0);
  ASSERT_NE(importPane().mode(), 0);
  form().action("menuClose")->trigger();
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_EQ(importPane().mode(), 0);
  EXPECT_TRUE(importPane().source().isEmpty());
}

}  // namespace
}  // namespace cw::app::testing
