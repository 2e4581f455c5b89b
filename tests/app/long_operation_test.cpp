// Engine work runs beside the windows: they go on painting during a long
// record, the progress window's Cancel and File > Exit reach the work, the
// commands stay off meanwhile, and no window code pumps events by hand.
#include <QDirIterator>
#include <QFile>
#include <QProgressBar>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "app/shell/operation_runner.h"
#include "record_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {
namespace {

// Files below the source folders `folders` that contain `word`.
QStringList sourcesContaining(std::initializer_list<const char*> folders, const QByteArray& word) {
  QStringList found;
  for (const char* folder : folders) {
    QDirIterator files(QStringLiteral(CW_SOURCE_DIR "/") + QLatin1String(folder),
                       {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
      QFile file(files.next());
      if (!file.open(QIODevice::ReadOnly))
        found << file.fileName() + QStringLiteral(" (unreadable)");
      else if (file.readAll().contains(word))
        found << file.fileName();
    }
  }
  return found;
}

TEST(EventPumping, NoWindowCodeRunsTheEventLoopByHand) {
  EXPECT_EQ(sourcesContaining({"app", "player"}, "processEvents"), QStringList());
}

// The form-era handler names stay gone (slots say what they do), and so does
// the global state: the main window owns the session and hands it on.
TEST(EditorNames, NoFormEraHandlerNamesNorGlobalState) {
  for (const char* word : {"_Click(", "Timer1", "Form_Load", "appState()"})
    EXPECT_EQ(sourcesContaining({"app", "player", "cli"}, word), QStringList()) << word;
}

class OperationRunnerTest : public AppFixture {};

// The work runs on another thread; meanwhile every command but Exit is off,
// and what the program switches in the meantime holds afterwards.
TEST_F(OperationRunnerTest, CommandsAreOffWhileWorkRunsAndKeepWhatWasSetMeanwhile) {
  MainWindow& main = start();
  OperationRunner& runner = *session().operations;
  ActionRegistry& actions = main.actions();
  actions.setEnabled("menuRecord", false);
  actions.setEnabled("menuOpen", true);
  const QThread* gui = QThread::currentThread();
  bool offMeanwhile = false;
  bool cancelSeen = false;
  const QThread* worker = nullptr;
  const int result = runner.run([&] {
    worker = QThread::currentThread();
    runner.report([&] {
      offMeanwhile =
          !actions.isEnabled("menuOpen") && actions.isEnabled("menuExit") && runner.running();
      actions.setEnabled("menuRecord", true);
      actions.setEnabled("menuOpen", false);
      runner.requestCancel();
    });
    cancelSeen = runner.cancelRequested();
    return 7;
  });
  EXPECT_EQ(result, 7);
  EXPECT_NE(worker, gui);
  EXPECT_TRUE(offMeanwhile);
  EXPECT_TRUE(cancelSeen);
  EXPECT_FALSE(runner.running());
  EXPECT_TRUE(actions.isEnabled("menuRecord"));
  EXPECT_FALSE(actions.isEnabled("menuOpen"));
  EXPECT_TRUE(actions.isEnabled("menuExit"));
  EXPECT_EQ(runner.run([] { return 0; }), 0);
  EXPECT_FALSE(runner.cancelRequested());  // each work starts uncancelled
}

// Half an hour of VideoCD (made on request: CW_CORPUS_LONG=1).
class LongRecord : public RecordFixture {
 protected:
  void SetUp() override {
    if (!cw::test::hasCorpusFile("long_vcd.mpg"))
      GTEST_SKIP() << "long_vcd.mpg is made on request (CW_CORPUS_LONG=1)";
  }

  // A short project, then the long clip in the player.
  void projectAndLongClip() {
    CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
    startEditor(/*log=*/true);
    dropOnPlayer(openClips({corpus("vcd_ntsc.mpg")}));
    pressRecord();
    ASSERT_NE(recorderPane().mode(), 0);
    dropOnPlayer(openClips({corpus("long_vcd.mpg")}));
    takeMessages();
  }

  // Calls `act` once, from the GUI thread, when the record has passed `percent`.
  void atPercent(int percent, std::function<void()> act) {
    QProgressBar* bar = form().progressDialog()->progressBar();
    QObject::connect(bar, &QProgressBar::valueChanged, bar,
                     [percent, act, done = false](int value) mutable {
                       if (done || value < percent) return;
                       done = true;
                       act();
                     });
  }
};

TEST_F(LongRecord, WindowsRepaintWhileTheWholeClipIsRecorded) {
  projectAndLongClip();
  const QByteArray movie = bytesOf(project());
  int ticks = 0;
  QTimer counter;
  counter.setInterval(20);
  QObject::connect(&counter, &QTimer::timeout, [&] {
    if (form().progressDialog()->isVisible()) ++ticks;
  });
  counter.start();
  pressRecord();
  EXPECT_GT(ticks, 10);
  EXPECT_EQ(logLines().last(), QStringLiteral("File is recorded as: ") + project());
  EXPECT_GT(bytesOf(project()).size(), 300'000'000 + movie.size() / 2);
  EXPECT_TRUE(enabled("mnuEditUndo"));
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(LongRecord, CancelHalfWayLeavesTheProjectAsItWas) {
  projectAndLongClip();
  const QByteArray movie = bytesOf(project());
  atPercent(20, [this] {
    EXPECT_FALSE(enabled("menuOpen"));
    QTest::mouseClick(form().progressDialog()->cancelButton(), Qt::LeftButton);
  });
  pressRecord();
  EXPECT_EQ(logLines().last(), "User Canceled APPENDCROP");
  EXPECT_EQ(bytesOf(project()), movie);
  EXPECT_EQ(recorderPane().source(), project());
  EXPECT_TRUE(enabled("menuRecord"));
  EXPECT_TRUE(enabled("menuOpen"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(form().progressDialog()->isVisible());
}

// File > Exit while a record runs asks, cancels the record, restores the
// project and then exits as it always does (asking about the unsaved movie).
TEST_F(LongRecord, ExitDuringARecordAsksCancelsThenExits) {
  projectAndLongClip();
  const QByteArray movie = bytesOf(project());
  answer(MessageAnswer::Yes);  // cancel the record and exit
  answer(MessageAnswer::No);   // do not save the movie first
  bool restoredBeforeExit = false;
  QObject::connect(&form(), &MainWindow::exitRequested, &form(),
                   [&] { restoredBeforeExit = logLines().last() == "User Canceled APPENDCROP"; });
  atPercent(20, [this] { form().action("menuExit")->trigger(); });
  pressRecord();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ended(); }, 5000));
  EXPECT_TRUE(restoredBeforeExit);
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text(), "An operation is still running.\nDo you want to cancel it and exit?");
  EXPECT_EQ(shown[1].text(), "Recorder contains an unsaved movie.\nDo you want to save it first?");
  EXPECT_FALSE(QFile::exists(project()));
}

}  // namespace
}  // namespace cw::app::testing
