// The footage palette on real clips: where the thumbnails go, selection by
// plain, Ctrl and Shift presses with the frames it paints, the context menu,
// the delete commands, and what a thumbnail hands on (drag data, activation).
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "app/commands/commands.h"
#include "app/dialogs/clip_info_dialog.h"
#include "app/shell/editor_session.h"
#include "app/windows/thumbnail_frame.h"
#include "clip_fixture.h"

namespace cw::app::testing {
namespace {

class FootageFormTest : public ClipFixture {
 protected:
  // Opens `count` clips, cycling over a few corpus files under links of
  // their own so that no duplicate question comes up.
  void openClips(int count, int first = 0) {
    const char* names[] = {"vcd_ntsc.mpg", "vcd_pal.mpg", "sys_open.mpg", "video_only.mpv"};
    QStringList paths;
    for (int i = first; i < first + count; ++i) {
      const QString link = root() + QString("/clip%1.mpg").arg(i);
      QFile::link(corpus(names[i % 4]), link);
      paths << link;
    }
    openPaths(paths);
    ASSERT_EQ(clipCount(), first + count);
  }

  void press(int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(palette().thumbnail(index), button, modifiers, QPoint(10, 10));
    QTest::mouseRelease(palette().thumbnail(index), button, modifiers, QPoint(10, 10));
  }

  std::vector<int> selected() {
    std::vector<int> indices;
    const auto& flags = form().footageWindow()->selection();
    for (std::size_t i = 0; i < flags.size(); ++i)
      if (flags[i]) indices.push_back(static_cast<int>(i));
    return indices;
  }

  // The three rings of thumbnail `index` as the screen shows them.
  void expectFrame(int index, const FrameColors& colors) {
    const QImage shown = shownThumbnail(index);
    const int w = shown.width();
    const int h = shown.height();
    const auto at = [&](int x, int y) { return QColor(shown.pixel(x, y)); };
    SCOPED_TRACE("thumbnail " + std::to_string(index));
    EXPECT_EQ(at(w / 2, 0), colors.light);
    EXPECT_EQ(at(0, h / 2), colors.light);
    EXPECT_EQ(at(w / 2, h - 1), colors.dark);
    EXPECT_EQ(at(w - 1, h / 2), colors.dark);
    EXPECT_EQ(at(w / 2, 1), colors.middle);
    EXPECT_EQ(at(w - 2, h / 2), colors.middle);
    EXPECT_EQ(at(2, h / 2), colors.dark);
    EXPECT_EQ(at(w / 2, 2), colors.dark);
    EXPECT_EQ(at(w / 2, h - 3), colors.light);
    EXPECT_EQ(at(w - 3, h / 2), colors.light);
  }
};

TEST_F(FootageFormTest, ThumbnailsFlowInRowsAndTheBarScrollsThem) {
  startEditor();
  EXPECT_FALSE(palette().scrollBar()->isVisible());
  EXPECT_FALSE(form().actions().isEnabled("mnuDelete"));
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  // A row fits the palette's starting height.
  openClips(2);
  EXPECT_FALSE(palette().scrollBar()->isVisible());
  EXPECT_LE(palette().thumbnail(0)->geometry().bottom(), palette().widget()->height());
  openClips(3, 2);
  const QSize size = palette().thumbnailSize();

  // Wide enough for three in a row: 4 px (60 twips) margins and gaps.
  palette().resize(3 * size.width() + 4 * 4 + 40 + palette().scrollBar()->sizeHint().width(), 400);
  QApplication::processEvents();
  EXPECT_EQ(palette().thumbnail(0)->pos(), QPoint(4, 4));
  EXPECT_EQ(palette().thumbnail(1)->pos(), QPoint(8 + size.width(), 4));
  EXPECT_EQ(palette().thumbnail(2)->pos(), QPoint(12 + 2 * size.width(), 4));
  EXPECT_EQ(palette().thumbnail(3)->pos(), QPoint(4, 8 + size.height()));
  EXPECT_FALSE(palette().scrollBar()->isVisible());

  // Narrow: one per row, and the rows are taller than the window.
  palette().resize(size.width() + 60, 200);
  QApplication::processEvents();
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(palette().thumbnail(i)->pos(), QPoint(4, 4 + i * (size.height() + 4))) << i;
  QScrollBar& bar = *palette().scrollBar();
  ASSERT_TRUE(bar.isVisible());
  const int backgroundHeight = 4 + 5 * (size.height() + 4) + 4;
  EXPECT_EQ(bar.maximum(), backgroundHeight - palette().widget()->height());
  bar.setValue(bar.maximum());
  EXPECT_EQ(palette().thumbnailArea()->y(), -bar.maximum());
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(palette().thumbnail(i)->isVisible());
}

TEST_F(FootageFormTest, PressesSelectAndPaintTheFrames) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  openClips(6);
  for (int i = 0; i < 6; ++i) expectFrame(i, grayFrameColors());

  // Shift with nothing selected yet selects the pressed one alone.
  press(1, Qt::ShiftModifier);
  EXPECT_EQ(selected(), std::vector<int>({1}));
  press(5);
  EXPECT_EQ(selected(), std::vector<int>({5}));
  EXPECT_EQ(session().paletteIndex, 5);
  EXPECT_TRUE(form().actions().isEnabled("mnuDelete"));
  press(2, Qt::ShiftModifier);
  EXPECT_EQ(selected(), std::vector<int>({2, 3, 4, 5}));
  press(0);
  EXPECT_EQ(selected(), std::vector<int>({0}));
  press(4, Qt::ControlModifier);
  EXPECT_EQ(selected(), std::vector<int>({0, 4}));
  press(2, Qt::ShiftModifier);  // from both selected ones to the pressed one
  EXPECT_EQ(selected(), std::vector<int>({0, 1, 2, 3, 4}));
  for (int i = 0; i < 5; ++i) expectFrame(i, yellowFrameColors());
  expectFrame(5, grayFrameColors());

  // Ctrl on a selected thumbnail deselects it; the last one takes mnuDelete.
  press(0);
  press(0, Qt::ControlModifier);
  EXPECT_TRUE(selected().empty());
  expectFrame(0, grayFrameColors());
  EXPECT_FALSE(form().actions().isEnabled("mnuDelete"));
}

TEST_F(FootageFormTest, DeleteThumbnailsKeepsTheClipsOfThePlayers) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  openClips(5);
  const auto& clips = session().clips;
  const QString second = clips[1].fullPath;
  const QString fourth = clips[3].fullPath;
  const QString fifth = clips[4].fullPath;
  // The player holds clip 3.
  form().playerWindow()->playerPane()->setSource(fourth);
  session().currentClip = 3;

  press(0);
  press(2, Qt::ControlModifier);
  press(3, Qt::ControlModifier);
  form().action("mnuDelete")->trigger();
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text(), "Cannot delete thumbnail of the opened file!");
  ASSERT_EQ(clipCount(), 3);
  EXPECT_EQ(palette().thumbnailCount(), 3);
  EXPECT_EQ(clips[0].fullPath, second);
  EXPECT_EQ(clips[1].fullPath, fourth);
  EXPECT_EQ(clips[2].fullPath, fifth);
  // The player's clip is still the one the player holds.
  EXPECT_EQ(session().currentClip, 1);
  EXPECT_EQ(selected(), std::vector<int>({1}));
  expectFrame(1, yellowFrameColors());
  expectFrame(0, grayFrameColors());
  EXPECT_EQ(palette().thumbnail(2)->accessibleName(), QFileInfo(fifth).fileName());
  EXPECT_EQ(palette().thumbnail(1)->pos(), QPoint(8 + palette().thumbnailSize().width(), 4));
}

TEST_F(FootageFormTest, TheContextMenuOffersWhatTheClipAllows) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("audio_only.mpa");
  startEditor();
  openClips(2);
  openPaths({corpus("audio_only.mpa")});
  ActionRegistry& actions = form().actions();
  QMenu* menu = actions.menu("menuPopUp");
  form().playerWindow()->playerPane()->setSource(session().clips[0].fullPath);

  press(0, Qt::NoModifier, Qt::RightButton);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_FALSE(actions.isEnabled("menuPopUpDelete"));
  EXPECT_TRUE(actions.isEnabled("menuPopUpChangeThumbnail"));
  EXPECT_TRUE(actions.isEnabled("menuPopUpPreferences"));
  menu->hide();
  press(2, Qt::NoModifier, Qt::RightButton);
  EXPECT_TRUE(actions.isEnabled("menuPopUpDelete"));
  EXPECT_FALSE(actions.isEnabled("menuPopUpChangeThumbnail"));
  menu->hide();

  // Delete takes the pressed clip, whichever are selected.
  press(1, Qt::NoModifier, Qt::RightButton);
  menu->hide();
  actions.action("menuPopUpDelete")->trigger();
  ASSERT_EQ(clipCount(), 2);
  EXPECT_EQ(session().clips[1].fileName, "audio_only.mpa");
  // The last clips go one by one down to an empty table.
  session().paletteIndex = 1;
  actions.action("menuPopUpDelete")->trigger();
  session().paletteIndex = 0;
  actions.action("menuPopUpDelete")->trigger();
  EXPECT_EQ(clipCount(), 0);
  EXPECT_EQ(palette().thumbnailCount(), 0);
  EXPECT_TRUE(session().clips.empty());
}

// A keyboard user sees which thumbnail Enter loads: Tab draws a dotted mark
// inside the frame, which a mouse press (the frame shows that) does not.
TEST_F(FootageFormTest, TabMarksTheThumbnailThatEnterLoads) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  openClips(2);
  const auto changedPixels = [&](int index, bool* onlyInside) {
    const QImage shown = shownThumbnail(index);
    const QImage picture =
        palette().thumbnail(index)->picture().toImage().convertToFormat(QImage::Format_RGB32);
    int changed = 0;
    *onlyInside = true;
    for (int y = 0; y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) {
        if (shown.pixel(x, y) == picture.pixel(x, y)) continue;
        ++changed;
        const bool onMark = x == 4 || y == 4 || x == shown.width() - 5 || y == shown.height() - 5;
        if (!onMark) *onlyInside = false;
      }
    }
    return changed;
  };
  bool inside = true;
  palette().activateWindow();
  palette().thumbnail(0)->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  ASSERT_TRUE(palette().thumbnail(0)->hasFocus());
  EXPECT_GT(changedPixels(0, &inside), 40);
  EXPECT_TRUE(inside) << "the mark must leave the frame's rings and the picture alone";
  expectFrame(0, grayFrameColors());

  press(1);
  palette().thumbnail(1)->setFocus(Qt::MouseFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(changedPixels(0, &inside), 0);
  EXPECT_EQ(changedPixels(1, &inside), 0);
}

TEST_F(FootageFormTest, ThumbnailsLoadTheirClipIntoThePlayer) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  openClips(3);
  player::ScrubPane& pane = *form().playerWindow()->playerPane();
  Thumbnail& third = *palette().thumbnail(2);
  EXPECT_EQ(third.accessibleName(), "clip2.mpg");
  EXPECT_EQ(third.toolTip(), "clip2.mpg");

  // What a drag of the second thumbnail carries, dropped on the player.
  const auto data = palette().thumbnail(1)->dragData();
  EXPECT_EQ(data->data(kClipMimeType), "1");
  const QPoint at = form().playerWindow()->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                        Qt::NoModifier);
  QApplication::sendEvent(form().playerWindow(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form().playerWindow(), &drop);
  QApplication::processEvents();
  EXPECT_EQ(pane.source(), session().clips[1].fullPath);
  EXPECT_EQ(session().currentClip, 1);
  EXPECT_EQ(form().playerWindow()->windowTitle(), "Player: clip1.mpg");

  // A double-click and Enter load the same way.
  QSignalSpy activated(&palette(), &FootageWindow::clipActivated);
  QTest::mouseDClick(&third, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_EQ(pane.source(), session().clips[2].fullPath);
  EXPECT_EQ(session().currentClip, 2);
  palette().thumbnail(0)->setFocus();
  QTest::keyClick(palette().thumbnail(0), Qt::Key_Return);
  EXPECT_EQ(session().currentClip, 0);
  ASSERT_EQ(activated.size(), 2);
  EXPECT_EQ(activated[0][0].toInt(), 2);
  EXPECT_EQ(activated[1][0].toInt(), 0);

  // Anything but files is refused by the palette.
  QMimeData text;
  text.setText("not a file");
  QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&palette(), &textEnter);
  EXPECT_FALSE(textEnter.isAccepted());
}

TEST_F(FootageFormTest, AnOpenClipFormKeepsItsClipThroughDeletes) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  openClips(4);
  const QString third = session().clips[2].fullPath;
  ClipInfoDialog* info = showClipInfo(form(), 2, QPoint(40, 40));
  ASSERT_TRUE(info);
  EXPECT_FALSE(form().actions().isEnabled("mnuDelete"));

  // Pressing thumbnails while the form is open leaves Delete Thumbnail(s) off.
  press(1);
  press(3, Qt::ShiftModifier);
  EXPECT_FALSE(form().actions().isEnabled("mnuDelete"));

  // Another clip deleted from its context menu: the form's clip moves down,
  // and the alias typed into the form still names that clip.
  press(0, Qt::NoModifier, Qt::RightButton);
  form().actions().menu("menuPopUp")->hide();
  form().action("menuPopUpDelete")->trigger();
  ASSERT_EQ(clipCount(), 3);
  ASSERT_EQ(session().clips[1].fullPath, third);
  EXPECT_EQ(session().infoWindowClip, 1);
  QTest::keyClicks(info->txtAlias(), "X");
  EXPECT_EQ(session().clips[1].displayName(), "clip2.mpgX");
  EXPECT_EQ(palette().thumbnail(1)->accessibleName(), "clip2.mpgX");
  EXPECT_TRUE(session().clips[0].alias.isEmpty());
  EXPECT_TRUE(session().clips[2].alias.isEmpty());

  info->close();
  EXPECT_EQ(session().infoWindowClip, -1);
  EXPECT_TRUE(form().actions().isEnabled("mnuDelete"));
}

}  // namespace
}  // namespace cw::app::testing
