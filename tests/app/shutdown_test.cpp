// Shutdown: closing the main window asks first; Exit asks about an unsaved
// movie, deletes the temporary project and both journals and writes the
// settings.
#include <QDir>
#include <QFile>
#include <QSettings>

#include "app_fixture.h"

namespace cw::app::testing {
namespace {

class ShutdownTest : public AppFixture {
 protected:
  // The working files of a project in the temporary folder, and others.
  void makeWorkingFiles() {
    const EditorSession& state = session();
    writeFile(state.tempDir + "/" + state.recordBaseName + ".mpv");
    writeFile(state.tempDir + "/" + state.recordBaseName + ".mpg");
    QFile::setPermissions(state.tempDir + "/" + state.recordBaseName + ".mpg", QFile::ReadOwner);
    writeFile(QString::fromStdString(state.splicer->undoFileName()));
    writeFile(QString::fromStdString(state.splicer->redoFileName()));
    writeFile(state.tempDir + "/" + state.recordBaseName + "0.mpg");  // another project's
    writeFile(state.tempDir + "/TazoLog.txt");
  }
  QStringList tempFiles() { return QDir(session().tempDir).entryList(QDir::Files, QDir::Name); }
};

// The warnings Qt prints while a scope runs.
class QtWarnings {
 public:
  QtWarnings() { previous_ = qInstallMessageHandler(&QtWarnings::keep); }
  ~QtWarnings() { qInstallMessageHandler(previous_); }
  QStringList take() { return std::exchange(kept(), {}); }

 private:
  static QStringList& kept() {
    static QStringList lines;
    return lines;
  }
  static void keep(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) kept() << text;
  }
  QtMessageHandler previous_ = nullptr;
};

TEST_F(ShutdownTest, ClosingTheMainWindowAsksFirst) {
  MainWindow& main = start();
  answer(MessageAnswer::No);
  EXPECT_FALSE(main.close());
  EXPECT_TRUE(main.isVisible());
  EXPECT_FALSE(main.ended());
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text(), "This will close the application.\nDo you really want to exit?");
  EXPECT_EQ(shown[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(shown[0].icon, MessageIcon::Question);
  EXPECT_FALSE(QFile::exists(settingsFile()));

  answer(MessageAnswer::Yes);
  main.close();
  EXPECT_TRUE(main.ended());
  EXPECT_TRUE(QFile::exists(settingsFile()));
  EXPECT_FALSE(main.isVisible());
}

TEST_F(ShutdownTest, ExitDeletesTheProjectAndBothJournalsAndWritesTheSettings) {
  MainWindow& main = start();
  makeWorkingFiles();
  bool exitSignalled = false;
  QObject::connect(&main, &MainWindow::exitRequested, [&] { exitSignalled = true; });
  QtWarnings warnings;
  main.action("menuExit")->trigger();
  EXPECT_TRUE(exitSignalled);
  EXPECT_EQ(tempFiles(), QStringList({"Rec10.mpg", "TazoLog.txt"}));
  // The lock goes with the session, not from under it.
  EXPECT_EQ(warnings.take(), QStringList());
  QSettings stored(settingsFile(), QSettings::IniFormat);
  EXPECT_EQ(stored.childGroups(), QStringList{"Startup"});
  EXPECT_EQ(stored.allKeys().size(), 13);  // the twelve keys and ExactCuts
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(ShutdownTest, AnUnsavedMovieIsOfferedForSavingFirst) {
  MainWindow& main = start();
  makeWorkingFiles();
  main.recorderWindow()->recorderPane()->setMovieSaved(false);
  int saveAndClose = 0;
  QObject::connect(main.action("mnuSaveAndClose"), &QAction::triggered, [&] { ++saveAndClose; });
  main.action("mnuSaveAndClose")->setEnabled(true);

  answer(MessageAnswer::Yes);  // exit?
  answer(MessageAnswer::Yes);  // save first?
  main.close();
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text(), "Recorder contains an unsaved movie.\nDo you want to save it first?");
  EXPECT_EQ(shown[1].icon, MessageIcon::Critical);
  EXPECT_EQ(saveAndClose, 1);
  EXPECT_FALSE(main.ended());
  EXPECT_EQ(tempFiles().size(), 8);  // with this run's lock and state files

  answer(MessageAnswer::Yes);
  answer(MessageAnswer::No);  // leave it unsaved
  main.close();
  EXPECT_TRUE(main.ended());
  EXPECT_EQ(tempFiles(), QStringList({"Rec10.mpg", "TazoLog.txt"}));
}

}  // namespace
}  // namespace cw::app::testing
