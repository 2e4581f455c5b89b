// The temporary-directory window on a real project: a crop and an append
// recorded by the engine into TempDir, the recorder showing the project, the
// folder chosen in the window's tree and OK pressed.
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStorageInfo>
#include <QTest>

#include "app/dialogs/temp_dir_dialog.h"
#include "app/shell/settings.h"
#include "app/shell/working_session.h"
#include "app_fixture.h"
#include "probe/probe.h"
#include "support/corpus.h"

namespace cw::app::testing {
namespace {

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TempDirFormTest : public AppFixture {
 protected:
  // A project with history, as two records leave it: its bytes after the
  // crop and after the append.
  void recordWithHistory() {
    EditorSession& state = session();
    source_.setShopFileName(cw::test::corpusPath("vcd_ntsc.mpg"));
    ASSERT_EQ(source_.doQuickAnalys(), 0);
    Splicer& engine = *state.splicer;
    engine.setSourceFileName(source_.shopFileName());
    engine.setSrcInfoHand(source_.ninfoHand());
    engine.setRecInfoHand(state.projectProbe->ninfoHand());
    engine.setRecordFileName(state.recordFilePath.toStdString());
    engine.setSourceMarkIn(1.0);
    engine.setSourceMarkOut(3.0);
    ASSERT_EQ(engine.Crop(), 0) << engine.errorMes();
    afterCrop_ = bytesOf(state.recordFilePath);
    engine.setSourceMarkIn(4.0);
    engine.setSourceMarkOut(6.0);
    ASSERT_EQ(engine.AppendCrop(), 0) << engine.errorMes();
    afterAppend_ = bytesOf(state.recordFilePath);
    ASSERT_NE(afterCrop_, afterAppend_);

    player::ScrubPane* recorder = form().recorderWindow()->recorderPane();
    recorder->setSource(state.recordFilePath);
    ASSERT_EQ(recorder->xOpen(), 0);
    recorder->setMovieSaved(false);
  }

  TempDirDialog* openWindow() {
    form().action("menuTemp")->trigger();
    auto* window = form().findChild<TempDirDialog*>();
    EXPECT_NE(window, nullptr);
    return window;
  }

  // Chooses `folder` and presses OK; true when the window closed.
  bool chooseAndConfirm(TempDirDialog* window, const QString& folder) {
    QPointer<TempDirDialog> alive(window);
    window->chooseFolder(folder);
    EXPECT_EQ(window->chosenFolder(), QDir::cleanPath(folder));
    QTest::mouseClick(window->butOK(), Qt::LeftButton);
    QCoreApplication::processEvents();
    return !alive || !alive->isVisible();
  }

  QStringList workingFiles() const {
    const EditorSession& state = session();
    return {state.recordFilePath, QString::fromStdString(state.splicer->undoFileName()),
            QString::fromStdString(state.splicer->redoFileName())};
  }

  QString newFolder(const QString& name) {
    const QString folder = root() + "/" + name;
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder;
  }

  Probe source_;
  QByteArray afterCrop_;
  QByteArray afterAppend_;
};

TEST_F(TempDirFormTest, MovedProjectKeepsUndoAndRedo) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  start();
  ASSERT_NO_FATAL_FAILURE(recordWithHistory());
  const QString oldDir = session().tempDir;
  const QStringList oldFiles = workingFiles();
  const QString target = newFolder("moved");

  EditorSession& state = session();
  const QString base = state.recordBaseName;
  ASSERT_TRUE(QFileInfo::exists(lockPathOf(oldDir, base)));
  ASSERT_TRUE(chooseAndConfirm(openWindow(), target));
  EXPECT_EQ(state.tempDir, target);
  EXPECT_EQ(QDir::currentPath(), target);
  for (const QString& path : workingFiles()) {
    EXPECT_EQ(QFileInfo(path).absolutePath(), target) << path.toStdString();
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
  }
  for (const QString& path : oldFiles) EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
  // Lock and state moved with the files at once (no check of the session
  // has run yet): nothing of the project is left in the old folder.
  EXPECT_EQ(QDir(oldDir).entryList({base + ".*"}, QDir::Files), QStringList());
  EXPECT_TRUE(QFileInfo::exists(lockPathOf(target, base)));
  SessionState saved;
  ASSERT_TRUE(readSessionState(statePathOf(target, base), saved));
  EXPECT_EQ(QStringList({saved.project, saved.undo, saved.redo}), workingFiles());
  EXPECT_EQ(saved.length, afterAppend_.size());
  // Another editor's scan of either folder finds a living run, not one to
  // recover; after a crash the next editor looks in the new folder.
  WorkingSession other;
  EXPECT_TRUE(other.abandonedRuns(target).empty());
  EXPECT_TRUE(other.abandonedRuns(oldDir).empty());
  EXPECT_TRUE(QFileInfo::exists(lockPathOf(target, base)));
  EXPECT_EQ(Settings().text("TempDir", QString()), target);
  EXPECT_EQ(bytesOf(state.recordFilePath), afterAppend_);
  player::ScrubPane* recorder = form().recorderWindow()->recorderPane();
  EXPECT_EQ(recorder->source(), state.recordFilePath);
  EXPECT_NE(recorder->mode(), static_cast<int>(player::PlayerMode::NoClip));

  // The journals answer for the project at its new place.
  recorder->xCloseTemp();
  ASSERT_EQ(state.splicer->Undo(), 0) << state.splicer->errorMes();
  EXPECT_EQ(bytesOf(state.recordFilePath), afterCrop_);
  ASSERT_EQ(state.splicer->Redo(), 0) << state.splicer->errorMes();
  EXPECT_EQ(bytesOf(state.recordFilePath), afterAppend_);
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(TempDirFormTest, SameFolderMovesNothing) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  start();
  ASSERT_NO_FATAL_FAILURE(recordWithHistory());
  const QString oldDir = session().tempDir;
  const QStringList oldFiles = workingFiles();
  // The same folder under another name is still the same folder.
  const QString link = root() + "/same";
  ASSERT_TRUE(QFile::link(oldDir, link));

  for (const QString& folder : {oldDir, link}) {
    ASSERT_TRUE(chooseAndConfirm(openWindow(), folder)) << folder.toStdString();
    EXPECT_EQ(session().tempDir, oldDir);
    EXPECT_EQ(workingFiles(), oldFiles);
    EXPECT_EQ(bytesOf(session().recordFilePath), afterAppend_);
  }
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(TempDirFormTest, FailingCopyLeavesEverythingInTheOldFolder) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  start();
  ASSERT_NO_FATAL_FAILURE(recordWithHistory());
  const QString oldDir = session().tempDir;
  const QStringList oldFiles = workingFiles();
  const QString target = newFolder("blocked");
  // The project copies; the undo journal cannot (a folder holds its name).
  const QString undoName = QFileInfo(oldFiles[1]).fileName();
  ASSERT_TRUE(QDir(target).mkdir(undoName));

  TempDirDialog* window = openWindow();
  EXPECT_FALSE(chooseAndConfirm(window, target));
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(shown[0].text().contains(undoName)) << shown[0].text().toStdString();
  EXPECT_TRUE(shown[0].text().contains(oldDir)) << shown[0].text().toStdString();

  EXPECT_EQ(session().tempDir, oldDir);
  EXPECT_EQ(workingFiles(), oldFiles);
  EXPECT_EQ(QDir::currentPath(), oldDir);
  for (const QString& path : oldFiles) EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
  EXPECT_EQ(bytesOf(session().recordFilePath), afterAppend_);
  // The copies already made are gone again, and so is the lock taken there.
  EXPECT_EQ(QDir(target).entryList(QDir::Files), QStringList());
  EXPECT_TRUE(QFileInfo::exists(lockPathOf(oldDir, session().recordBaseName)));
  EXPECT_TRUE(QFileInfo::exists(statePathOf(oldDir, session().recordBaseName)));
  EXPECT_EQ(form().recorderWindow()->recorderPane()->source(), session().recordFilePath);
  ASSERT_EQ(session().splicer->Undo(), 0) << session().splicer->errorMes();
  EXPECT_EQ(bytesOf(session().recordFilePath), afterCrop_);
  window->close();
}

// The project's name in the new folder is held by another editor: the
// files stay where they are.
TEST_F(TempDirFormTest, NameLockedInTheNewFolderKeepsTheOldFolder) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  start();
  ASSERT_NO_FATAL_FAILURE(recordWithHistory());
  const QString oldDir = session().tempDir;
  const QStringList oldFiles = workingFiles();
  const QString target = newFolder("taken");
  QLockFile other(lockPathOf(target, session().recordBaseName));
  other.setStaleLockTime(0);
  ASSERT_TRUE(other.tryLock(0));

  TempDirDialog* window = openWindow();
  EXPECT_FALSE(chooseAndConfirm(window, target));
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text().contains("another editor")) << shown[0].text().toStdString();
  EXPECT_EQ(session().tempDir, oldDir);
  EXPECT_EQ(workingFiles(), oldFiles);
  EXPECT_EQ(bytesOf(session().recordFilePath), afterAppend_);
  EXPECT_EQ(QDir(target).entryList(QDir::Files), QStringList({session().recordBaseName + ".lock"}));
  EXPECT_TRUE(QFileInfo::exists(statePathOf(oldDir, session().recordBaseName)));
  window->close();
}

TEST_F(TempDirFormTest, WithoutAProjectTheNewNamesAreInTheNewFolder) {
  start();
  const QString target = newFolder("empty");
  const QString withSlash = target + "/";
  ASSERT_TRUE(chooseAndConfirm(openWindow(), withSlash));
  EditorSession& state = session();
  EXPECT_EQ(state.tempDir, target);
  for (const QString& path : workingFiles())
    EXPECT_EQ(QFileInfo(path).absolutePath(), target) << path.toStdString();
  // Only the lock and state of the new names, taken at once.
  const QString base = state.recordBaseName;
  EXPECT_EQ(QDir(target).entryList(QDir::Files, QDir::Name),
            QStringList({base + ".lock", base + ".state"}));
  EXPECT_TRUE(takeMessages().empty());
}

// /proc has no room at all: the engine reports no free space there.
// Also: browsing /proc must not read its files (a read of /proc/kmsg blocks).
TEST_F(TempDirFormTest, FolderWithoutRoomIsRefused) {
  if (QStorageInfo(QStringLiteral("/proc")).bytesAvailable() != 0) GTEST_SKIP() << "/proc has room";
  start();
  const QString oldDir = session().tempDir;
  const QStringList oldFiles = workingFiles();
  TempDirDialog* window = openWindow();
  EXPECT_FALSE(chooseAndConfirm(window, QStringLiteral("/proc")));
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(shown[0].lines, QStringList({"Sorry, you cannot write to the selected drive!",
                                         "Please select another drive for your TEMP directory."}));
  EXPECT_EQ(session().tempDir, oldDir);
  EXPECT_EQ(workingFiles(), oldFiles);
  EXPECT_EQ(QDir::currentPath(), oldDir);
  window->close();
}

}  // namespace
}  // namespace cw::app::testing
