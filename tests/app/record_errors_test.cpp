// Records that must not happen or cannot finish: an incompatible clip, a
// source gone from the disk, Cancel in the progress window, and a redo
// with no movie to redo.
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/dialogs/progress_dialog.h"
#include "app/shell/editing_error.h"
#include "record_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {

namespace {

// Clicks the progress window's Cancel as soon as the window comes up; the
// click is a queued event, so it runs where the record lets messages run.
class CancelOnShow : public QObject {
 public:
  explicit CancelOnShow(ProgressDialog* progress) : progress_(progress) {
    progress->installEventFilter(this);
  }
  bool clicked = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show && !clicked) {
      clicked = true;
      QTimer::singleShot(0, progress_,
                         [p = progress_] { QTest::mouseClick(p->cancelButton(), Qt::LeftButton); });
    }
    return false;
  }

 private:
  ProgressDialog* progress_;
};

}  // namespace

class RecordErrors : public RecordFixture {
 protected:
  // A cropped NTSC VideoCD movie in the recorder; messages so far dropped.
  void cropFirstClip() {
    CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
    dropOnPlayer(openClips({corpus("vcd_ntsc.mpg")}));
    pressRecord();
    ASSERT_NE(recorderPane().mode(), 0);
    takeMessages();
  }
};

TEST_F(RecordErrors, IncompatibleClipIsAskedAboutAndRefused) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  startEditor(/*log=*/true);
  cropFirstClip();
  const QByteArray movie = bytesOf(project());
  const int logSize = logLines().size();
  const QString pal = corpus("vcd_pal.mpg");
  const int clip = openClips({pal});

  answer(MessageAnswer::Yes);
  dropOnPlayer(clip);
  std::vector<MessageBox> shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines,
            QStringList({"The file: " + pal, "is not compatible with your current project. Please ",
                         "check file properties for more information.",
                         "Do you still want to open this file?"}));
  EXPECT_EQ(shown[0].defaultAnswer, MessageAnswer::No);
  ASSERT_EQ(playerPane().source(), pal);

  pressRecord();
  shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(shown[0].lines,
            QStringList({"The file: " + pal, "is not compatible with your current project. Please ",
                         "check file properties for more information."}));
  EXPECT_EQ(bytesOf(project()), movie);
  EXPECT_EQ(logLines().size(), logSize);  // no engine action was started
  EXPECT_NE(recorderPane().mode(), 0);
  EXPECT_TRUE(enabled("menuRecord"));
}

TEST_F(RecordErrors, SourceDeletedAfterOpeningShowsTheEditingErrorAndRestores) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor(/*log=*/true);
  cropFirstClip();
  const QByteArray movie = bytesOf(project());
  const QString gone = root() + "/gone.mpg";
  ASSERT_TRUE(QFile::copy(corpus("mjpeg_vcd.mpg"), gone));
  dropOnPlayer(openClips({gone}));
  ASSERT_EQ(playerPane().source(), gone);
  ASSERT_TRUE(QFile::remove(gone));

  pressRecord();
  Splicer& tazo = *session().splicer;
  const int number = tazo.errorMesNumber();
  ASSERT_NE(number, 0);
  const EditingErrorText expected =
      editingErrorText(number, QString::fromStdString(tazo.errorMes()));
  const std::vector<MessageBox> shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines, expected.lines);
  EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
  EXPECT_EQ(shown[0].helpTopic, expected.helpTopic);

  // The recorder shows the unchanged movie again, ready for the next record.
  EXPECT_EQ(bytesOf(project()), movie);
  EXPECT_NE(recorderPane().mode(), 0);
  EXPECT_EQ(recorderPane().source(), project());
  EXPECT_EQ(recorderPane().markOut(), recorderPane().length());
  EXPECT_FALSE(session().redoArmed);
  EXPECT_TRUE(enabled("menuRecord"));
  EXPECT_FALSE(form().progressDialog()->isVisible());
  EXPECT_EQ(logLines().last(), QStringLiteral("ERROR: ") + QString::fromStdString(tazo.errorMes()) +
                                   "     " + QString::number(number));
}

TEST_F(RecordErrors, CancelDuringAnAppendLeavesTheProjectAsItWas) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor(/*log=*/true);
  cropFirstClip();
  const QByteArray movie = bytesOf(project());
  dropOnPlayer(openClips({corpus("mjpeg_vcd.mpg")}));

  CancelOnShow cancel(form().progressDialog());
  pressRecord();
  ASSERT_TRUE(cancel.clicked);
  EXPECT_TRUE(takeMessages().empty());
  EXPECT_EQ(bytesOf(project()), movie);
  EXPECT_EQ(logLines().last(), "User Canceled APPENDCROP");
  EXPECT_NE(recorderPane().mode(), 0);
  EXPECT_EQ(recorderPane().source(), project());
  EXPECT_FALSE(form().progressDialog()->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(enabled("menuRecord"));
  expectCleanDecode(project());

  // The next record runs again in full.
  pressRecord();
  EXPECT_EQ(logLines().last(), QStringLiteral("File is recorded as: ") + project());
  EXPECT_GT(bytesOf(project()).size(), movie.size());
}

// While a record runs the progress window keeps every other window from the
// user; once all is written (100 %) Cancel no longer takes the record back
// in the user's eyes while the engine keeps it in the project.
TEST_F(RecordErrors, OnlyCancelIsOpenDuringARecordAndNotOnceAllIsWritten) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor(/*log=*/true);
  cropFirstClip();
  const QByteArray movie = bytesOf(project());
  dropOnPlayer(openClips({corpus("mjpeg_vcd.mpg")}));
  ProgressDialog* progress = form().progressDialog();
  int shownSteps = 0;
  bool modal = true;
  QObject::connect(progress->progressBar(), &QProgressBar::valueChanged, progress, [&](int value) {
    if (!progress->isVisible()) return;
    ++shownSteps;
    modal = modal && QApplication::activeModalWidget() == progress;
    if (value == 100) QTest::mouseClick(progress->cancelButton(), Qt::LeftButton);
  });
  pressRecord();
  ASSERT_GT(shownSteps, 0);
  EXPECT_TRUE(modal);
  EXPECT_EQ(logLines().last(), QStringLiteral("File is recorded as: ") + project());
  EXPECT_GT(bytesOf(project()).size(), movie.size());
  // Exact Cuts is on by default: the append was exact.
  EXPECT_EQ(form().recorderWindow()->windowTitle(), "Recorder: NEW MOVIE (MPEG System) - Exact Cut");
  EXPECT_TRUE(enabled("mnuEditUndo"));
  EXPECT_FALSE(progress->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  // Opening files and exporting show the window too, and leave the editor open.
  EXPECT_EQ(progress->windowModality(), Qt::NonModal);
  expectCleanDecode(project());
}

// Undo lets window messages run before it calls the engine: a second Undo
// waiting among them (a key pressed twice) must not undo once more.
TEST_F(RecordErrors, UndoPressedTwiceUndoesOnce) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor(/*log=*/true);
  cropFirstClip();
  const QByteArray movie = bytesOf(project());
  dropOnPlayer(openClips({corpus("mjpeg_vcd.mpg")}));
  pressRecord();
  ASSERT_TRUE(enabled("mnuEditUndo"));
  QTimer::singleShot(0, &form(), [this] { form().action("mnuEditUndo")->trigger(); });
  trigger("mnuEditUndo");
  EXPECT_TRUE(takeMessages().empty());
  EXPECT_EQ(bytesOf(project()), movie);
  EXPECT_EQ(logLines().filter("Action: UNDO").size(), 1);
  EXPECT_NE(recorderPane().mode(), 0);
}

// A redo into an empty recorder counts on the movie a preview left behind;
// with no such file the stretch is cut again instead of "succeeding" empty.
TEST_F(RecordErrors, ArmedRedoWithoutAProjectFileCropsAgain) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor(/*log=*/true);
  dropOnPlayer(openClips({corpus("vcd_ntsc.mpg")}));
  session().redoArmed = true;
  ASSERT_FALSE(QFile::exists(project()));
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);
  EXPECT_GT(QFile(project()).size(), 100000);
  EXPECT_TRUE(logLines().contains("doProcess"));
  expectCleanDecode(project());
}

// A file whose sound ends seconds before its picture: a Mark Out where only
// the picture runs is recorded all the same, silence filling the sound, and
// without a word to the user; a record appended behind it works as well.
TEST_F(RecordErrors, MarkBeyondTheEndOfTheSoundRecordsWithSilence) {
  CW_REQUIRE_CORPUS("vcd_short_sound.mpg");
  startEditor();
  dropOnPlayer(openClips({corpus("vcd_short_sound.mpg")}));
  markPlayer(15, 0);
  pressRecord();
  EXPECT_TRUE(takeMessages().empty());
  ASSERT_NE(recorderPane().mode(), 0);
  expectCleanDecode(project());

  markPlayer(15, 200);
  pressRecord();
  EXPECT_TRUE(takeMessages().empty());
  EXPECT_NE(recorderPane().mode(), 0);
  expectCleanDecode(project());
}

}  // namespace cw::app::testing
