// The preview on real corpus files through the editor's windows: the
// previewed record is built, shown, and taken back when the window unloads;
// a Record right after takes the engine's redo instead of cutting again.
#include <QApplication>
#include <QMenu>
#include <QTest>

#include "app/commands/commands.h"
#include "app/windows/preview_window.h"
#include "record_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {

namespace {}  // namespace

class Preview : public RecordFixture {
 protected:
  PreviewWindow& window() { return *previewWindow(form()); }
  player::ScrubPane& previewPane() { return *window().previewPane(); }

  void pressPreview(Qt::MouseButton button) {
    QTest::mousePress(form().recorderWindow()->previewButton(), button);
    runEventsFor(30);
  }

  // Every button and label the pane shows lies wholly inside the window.
  void expectNothingCutOff() {
    const QRect inside = window().rect();
    for (QWidget* child : previewPane().findChildren<QWidget*>()) {
      if (!child->isVisibleTo(&window()) || child->width() == 0) continue;
      const QRect where(child->mapTo(&window(), QPoint(0, 0)), child->size());
      EXPECT_TRUE(inside.contains(where))
          << child->objectName().toStdString() << " at " << where.y() << "+" << where.height()
          << " in a window " << inside.height() << " high";
    }
  }

  // The window size items act on the open window; Full Screen waits for
  // the next preview.
  void expectSizeItemsActOnTheOpenWindow() {
    trigger("menuWindow640");
    EXPECT_EQ(window().size(), QSize(650, 506));
    EXPECT_EQ(previewPane().clipWidth(), 9660);  // 644 pixels in twips
    EXPECT_EQ(previewPane().clipHeight(), 7260);
    expectNothingCutOff();
    trigger("menuWindowFull");
    EXPECT_TRUE(checked("menuWindowFull"));
    EXPECT_FALSE(checked("menuWindow640"));
    EXPECT_EQ(window().size(), QSize(650, 506));
    EXPECT_FALSE(window().isFullScreen());
    EXPECT_EQ(previewPane().mode(), static_cast<int>(player::PlayerMode::Playing));
  }

  // Lines of the action log from `first` on, without the date of the
  // action lines.
  QStringList logFrom(int first) {
    QStringList lines = logLines().mid(first);
    for (QString& line : lines) {
      if (line.startsWith(QLatin1String("Action: "))) line = line.section(QLatin1Char(' '), 0, 1);
    }
    return lines;
  }
};

TEST_F(Preview, OfAnAppendIsTakenBackAndRecordThenRedoes) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor(/*log=*/true);
  const int clip = openClips({corpus("vcd_ntsc.mpg"), corpus("mjpeg_vcd.mpg")});
  dropOnPlayer(clip);
  markPlayer(15, 20);
  pressRecord();
  dropOnPlayer(clip + 1);
  markPlayer(10, 10);
  pressRecord();
  ASSERT_TRUE(enabled("mnuEditUndo"));
  // New marks: the next record is a fresh append. Mark In lies in the
  // clip's second GOP: the project's sound now ends before its picture, and
  // a cut in the first GOP would need sound from before the clip's first
  // audio frame (error 1410).
  markPlayer(20, 30);
  trigger("menuWindow160");
  trigger("menuPreroll3");
  const QByteArray before = bytesOf(project());
  const double entry = recorderPane().markOut();
  const int logged = logLines().size();

  // The right button only offers the preview preferences.
  pressPreview(Qt::RightButton);
  QMenu* preferences = form().actions().menu(QStringLiteral("menuPreferencesPreview"));
  EXPECT_TRUE(preferences->isVisible());
  preferences->hide();
  EXPECT_EQ(bytesOf(project()), before);
  EXPECT_FALSE(window().isVisible());

  takeMessages();
  pressPreview(Qt::LeftButton);
  for (const MessageBox& box : takeMessages()) ADD_FAILURE() << box.text().toStdString();
  ASSERT_TRUE(window().isVisible());
  EXPECT_TRUE(window().isModal());
  EXPECT_EQ(window().size(), QSize(170, 146));  // 164 x 124 clip area and the frame
  EXPECT_EQ(previewPane().source(), project());
  EXPECT_EQ(previewPane().mode(), static_cast<int>(player::PlayerMode::Playing));
  EXPECT_GE(previewPane().position(), entry - 3 - 0.1);  // the pre-roll's seek
  EXPECT_LT(previewPane().position(), entry);
  EXPECT_EQ(recorderPane().mode(), 0);  // the project file is the preview's now
  EXPECT_FALSE(enabled("mnuEditUndo"));
  const QByteArray previewed = bytesOf(project());
  EXPECT_GT(previewed.size(), before.size());

  expectSizeItemsActOnTheOpenWindow();

  QTest::keyClick(&previewPane(), Qt::Key_Escape);  // the pane has the focus
  runEventsFor(30);
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(previewPane().mode(), 0);
  EXPECT_EQ(bytesOf(project()), before);
  EXPECT_FALSE(enabled("mnuEditUndo"));
  EXPECT_TRUE(session().redoArmed);
  EXPECT_NE(recorderPane().mode(), 0);
  EXPECT_EQ(recorderPane().source(), project());

  // Record with the same marks: the engine's redo, no new cut.
  pressRecord();
  EXPECT_EQ(bytesOf(project()), previewed);
  EXPECT_TRUE(enabled("mnuEditUndo"));
  const QString recorded = QStringLiteral("File is recorded as: ") + project();
  const QStringList log = logFrom(logged);
  ASSERT_EQ(log.size(), 15) << log.join('\n').toStdString();
  EXPECT_EQ(log.mid(0, 2), QStringList({"3...", "Action: APPENDCROP"}));
  EXPECT_EQ(log[7], "doProcess");
  EXPECT_EQ(log.mid(8, 3), QStringList({"4...", "Action: UNDO", "doProcess"}));
  EXPECT_EQ(log.mid(11), QStringList({"5...", "Action: REDO", "doProcess", recorded}));
}

// Full Screen: the picture fills the screen while the preview plays, and
// no full-screen window outlives the preview.
TEST_F(Preview, FullScreenPlaysOnTheWholeScreenAndEndsWithThePreview) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  const int clip = openClips({corpus("mjpeg_vcd.mpg")});
  dropOnPlayer(clip);
  markPlayer(10, 10);
  pressRecord();
  markPlayer(20, 30);
  trigger("menuWindowFull");
  trigger("menuPreroll1");
  const QByteArray before = bytesOf(project());
  const auto fullScreenWindows = [] {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
      count += widget->isVisible() && widget->isFullScreen();
    return count;
  };

  pressPreview(Qt::LeftButton);
  for (const MessageBox& box : takeMessages()) ADD_FAILURE() << box.text().toStdString();
  ASSERT_TRUE(window().isVisible());
  EXPECT_TRUE(previewPane().fullScreen());
  EXPECT_EQ(fullScreenWindows(), 1);

  // One Escape on the full-screen picture ends the preview.
  QWidget* picture = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && widget->isFullScreen()) picture = widget;
  }
  ASSERT_NE(picture, nullptr);
  QTest::keyClick(picture, Qt::Key_Escape);
  runEventsFor(30);
  EXPECT_FALSE(window().isVisible());
  EXPECT_FALSE(previewPane().fullScreen());
  EXPECT_EQ(previewPane().mode(), 0);
  EXPECT_EQ(fullScreenWindows(), 0);
  EXPECT_EQ(bytesOf(project()), before);
  EXPECT_NE(recorderPane().mode(), 0);

  // The next preview in a window again shows no full-screen picture.
  trigger("menuWindow320");
  pressPreview(Qt::LeftButton);
  ASSERT_TRUE(window().isVisible());
  EXPECT_FALSE(previewPane().fullScreen());
  EXPECT_EQ(fullScreenWindows(), 0);
  QTest::keyClick(&previewPane(), Qt::Key_Escape);  // the pane has the focus
  runEventsFor(30);
  EXPECT_EQ(bytesOf(project()), before);
}

TEST_F(Preview, AudioOnlyPlaysUnseenAndUndoesAtItsEnd) {
  CW_REQUIRE_CORPUS("audio_only.mpa");
  startEditor();
  const int clip = openClips({corpus("audio_only.mpa")});
  dropOnPlayer(clip);
  markPlayer(5, 5);
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);
  ASSERT_EQ(session().splicer->recordMode(), 4);
  // A short stretch from the end, previewed from one second before the join.
  QList<Qt::Key> keys{Qt::Key_End};
  for (int i = 0; i < 30; ++i) keys << Qt::Key_Left;
  keys << Qt::Key_I << Qt::Key_End << Qt::Key_O;
  playerKeys(keys);
  trigger("menuPreroll1");
  const QByteArray before = bytesOf(project());

  trigger("menuPreview");
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(previewPane().mode(), static_cast<int>(player::PlayerMode::Playing));
  EXPECT_GT(bytesOf(project()).size(), before.size());
  ASSERT_TRUE(QTest::qWaitFor([&] { return previewPane().mode() == 0; }, 20000));
  runEventsFor(20);
  EXPECT_EQ(bytesOf(project()), before);
  EXPECT_FALSE(window().isVisible());
  EXPECT_NE(recorderPane().mode(), 0);
}

// An unseen audio-only preview ends with Escape in the recorder; Record and
// the player's Close button end it first: left playing, its end would undo
// the record, and the closed recorder would pass for an empty project.
TEST_F(Preview, AudioOnlyEndsWithEscapeInTheRecorderAndBeforeARecord) {
  CW_REQUIRE_CORPUS("audio_only.mpa");
  startEditor(/*log=*/true);
  const int clip = openClips({corpus("audio_only.mpa")});
  dropOnPlayer(clip);
  markPlayer(5, 5);
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);
  QList<Qt::Key> keys{Qt::Key_End};
  for (int i = 0; i < 30; ++i) keys << Qt::Key_Left;
  keys << Qt::Key_I << Qt::Key_End << Qt::Key_O;
  playerKeys(keys);
  const QByteArray before = bytesOf(project());
  constexpr int kPlaying = static_cast<int>(player::PlayerMode::Playing);

  trigger("menuPreview");
  ASSERT_EQ(previewPane().mode(), kPlaying);
  recorderKeys({Qt::Key_Escape});
  EXPECT_EQ(previewPane().mode(), 0);
  EXPECT_EQ(bytesOf(project()), before);
  EXPECT_NE(recorderPane().mode(), 0);

  // The same with the recorder's pane holding the focus, as it does after a
  // click on the picture: the pane takes the key.
  trigger("menuPreview");
  ASSERT_EQ(previewPane().mode(), kPlaying);
  form().activateWindow();
  form().recorderWindow()->setFocus();
  recorderPane().setFocus();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return QApplication::focusWidget() == &recorderPane(); }, 2000));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_EQ(previewPane().mode(), 0);
  EXPECT_EQ(bytesOf(project()), before);

  // Closing the player's clip while it plays leaves the project's mode.
  trigger("menuPreview");
  ASSERT_EQ(previewPane().mode(), kPlaying);
  eject(playerPane());
  EXPECT_EQ(previewPane().mode(), 0);
  EXPECT_EQ(bytesOf(project()), before);
  EXPECT_EQ(session().splicer->recordMode(), 4);
  EXPECT_TRUE(enabled("mnuRecModeAudio"));
  EXPECT_TRUE(checked("mnuRecModeAudio"));

  dropOnPlayer(clip);
  playerKeys(keys);
  trigger("menuPreview");
  ASSERT_EQ(previewPane().mode(), kPlaying);
  const QByteArray previewed = bytesOf(project());
  ASSERT_GT(previewed.size(), before.size());
  pressRecord();
  EXPECT_EQ(previewPane().mode(), 0);
  EXPECT_EQ(bytesOf(project()), previewed);
  EXPECT_TRUE(enabled("mnuEditUndo"));
  const QStringList tail = logFrom(logLines().size() - 6);
  EXPECT_EQ(tail, QStringList({"Action: UNDO", "doProcess", "10...", "Action: REDO", "doProcess",
                               "File is recorded as: " + project()}));
  expectCleanDecode(project());
}

}  // namespace cw::app::testing
