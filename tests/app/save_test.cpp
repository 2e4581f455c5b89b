// Save As, Save and Close, Close All and Make Movie through the editor's
// windows on corpus files: the dialog set-up by project type, the refusals,
// the space test, the copy and the move (also to another file system).
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>
#include <cerrno>

#include "app/commands/commands.h"
#include "app/controllers/save_controller.h"
#include "app/shell/saving.h"
#include "app/windows/preview_window.h"
#include "save_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {

namespace {

dev_t deviceOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_dev : 0;
}

// Every box shown since the last look, one line each.
std::string texts(const std::vector<MessageBox>& shown) {
  std::string all;
  for (const MessageBox& box : shown) all += box.text().toStdString() + " | ";
  return all;
}

bool hasLine(const std::vector<MessageBox>& shown, const QString& line) {
  for (const MessageBox& box : shown)
    if (box.lines.contains(line)) return true;
  return false;
}

}  // namespace

TEST(SaveDialogSetup, FilterEntryAndExtensionByProjectType) {
  struct Row {
    int type;
    const char* extension;
    int entry;
    const char* suffix;
  };
  const Row rows[] = {
      {0, "mpg", 1, "mpg"}, {3, "mpg", 1, "mpg"}, {0, "m15", 4, "m15"},
      {3, "m75", 5, "m75"}, {0, "M75", 5, "M75"}, {0, "dat", 6, "dat"},
      {1, "m15", 2, "mpv"}, {2, "mpg", 3, "mpa"}, {-1, "mpg", 6, "mpg"},
  };
  const QStringList filters = saveDialogFilters();
  ASSERT_EQ(filters.size(), 6);
  EXPECT_EQ(filters[0], QStringLiteral("MPEG files (*.mpg)"));
  EXPECT_EQ(filters[4], QStringLiteral("7.5 Frames/Second (*.m75)"));
  for (const Row& row : rows) {
    const SaveDialogSetup setup = saveDialogSetup(row.type, QLatin1String(row.extension));
    EXPECT_EQ(setup.filterIndex, row.entry) << row.type << " " << row.extension;
    EXPECT_EQ(setup.defaultSuffix, QLatin1String(row.suffix)) << row.type << " " << row.extension;
  }
}

// A cancelled or failed copy leaves no partial file and an existing
// destination as it was.
TEST(CopyInBlocks, CancelAndFailureLeaveNoPartialFile) {
  cw::test::TempDir dir{"cw-copy"};
  const QString root = QString::fromStdString(dir.path().string());
  const QString from = root + "/from.mpg";
  QFile source(from);
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write(QByteArray(3 << 20, 'a'));
  source.close();
  const QString to = root + "/to.mpg";
  QFile old(to);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old movie");
  old.close();

  int calls = 0;
  EXPECT_EQ(copyInBlocks(from, to, [&calls](qint64, qint64) { return ++calls < 2; }),
            CopyOutcome::Cancelled);
  EXPECT_EQ(calls, 2);
  QFile kept(to);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("old movie"));
  EXPECT_EQ(QDir(root).entryList(QDir::Files).size(), 2) << "a temporary file stayed";

  EXPECT_EQ(copyInBlocks(from, root + "/missing/to.mpg", nullptr), CopyOutcome::Failed);
  EXPECT_EQ(copyInBlocks(from, to, nullptr), CopyOutcome::Done);
  EXPECT_EQ(QFileInfo(to).size(), 3 << 20);
}

class SaveCommands : public SaveFixture {};

TEST_F(SaveCommands, DialogProposesTheProjectsTypeAndExtension) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  CW_REQUIRE_CORPUS("video_only.mpv");
  startEditor();
  const QString m75 = root() + "/slow.m75";
  ASSERT_TRUE(QFile::copy(corpus("mjpeg_vcd.mpg"), m75));
  record(m75);
  answerSaveDialog(root() + "/kept");
  trigger("menuSaveAs");
  EXPECT_EQ(dialogTitle, QStringLiteral("Save file as..."));
  EXPECT_EQ(dialogFilter, QStringLiteral("7.5 Frames/Second (*.m75)"));
  EXPECT_EQ(dialogSuffix, QStringLiteral("m75"));
  EXPECT_EQ(bytesOf(root() + "/kept.m75"), bytesOf(project()));

  eject(recorderPane());
  record(corpus("video_only.mpv"));
  answerSaveDialog(QString());  // cancelled: nothing happens
  trigger("mnuSaveAndClose");
  EXPECT_EQ(dialogTitle, QStringLiteral("Save file as...(Recorder file will be closed)"));
  EXPECT_EQ(dialogFilter, QStringLiteral("Video Only (*.mpv)"));
  EXPECT_EQ(dialogSuffix, QStringLiteral("mpv"));
  EXPECT_NE(recorderPane().mode(), 0);
  {
    const auto unexpected = takeMessages();
    EXPECT_TRUE(unexpected.empty()) << texts(unexpected);
  }
}

TEST_F(SaveCommands, SaveAsRefusesThePlayersFileTheProjectAndTooLittleSpace) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor(/*log=*/true);
  const QString clip = root() + "/clip.mpg";
  ASSERT_TRUE(QFile::copy(corpus("mjpeg_vcd.mpg"), clip));
  record(clip);
  const QByteArray clipBytes = bytesOf(clip);
  const double size = session().projectByteLength;
  ASSERT_EQ(size, QFileInfo(project()).size());
  fakeFreeSpace(size + 1);

  // The player's file, named through a link: refused before any space test
  // (after the dialog's question about replacing it).
  ASSERT_TRUE(QFile::link(root(), root() + "/via"));
  answer(MessageAnswer::Yes);
  answerSaveDialog(root() + "/via/./clip.mpg");
  trigger("menuSaveAs");
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].lines.value(1), QStringLiteral("Do you want to replace it?"));
  EXPECT_EQ(shown[1].lines, playerFileLines());
  EXPECT_EQ(shown[1].icon, MessageIcon::Exclamation);
  EXPECT_EQ(spaceReads, 0);
  EXPECT_EQ(bytesOf(clip), clipBytes);

  // The temporary project, named through "..".
  const QString temp = QFileInfo(project()).absolutePath();
  answer(MessageAnswer::Yes);
  answerSaveDialog(temp + "/../" + QFileInfo(temp).fileName() + "/" +
                   QFileInfo(project()).fileName());
  trigger("menuSaveAs");
  shown = takeMessages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].lines, temporaryFileLines());

  // Free space exactly the project's size is not enough.
  fakeFreeSpace(size);
  answerSaveDialog(root() + "/kept.mpg");
  trigger("menuSaveAs");
  shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines, notEnoughSpaceLines(size));
  EXPECT_EQ(shown[0].lines[1], QStringLiteral("You will need ") +
                                   QString::number(static_cast<qint64>(size) / 1024) +
                                   QStringLiteral(" Kilobytes to save this file."));
  EXPECT_FALSE(QFileInfo::exists(root() + "/kept.mpg"));
  EXPECT_FALSE(recorderPane().movieSaved());

  // One byte more: the copy is made and the project stays open.
  fakeFreeSpace(size + 1);
  answerSaveDialog(root() + "/kept.mpg");
  trigger("menuSaveAs");
  {
    const auto unexpected = takeMessages();
    EXPECT_TRUE(unexpected.empty()) << texts(unexpected);
  }
  EXPECT_EQ(bytesOf(root() + "/kept.mpg"), bytesOf(project()));
  EXPECT_TRUE(recorderPane().movieSaved());
  EXPECT_EQ(recorderPane().source(), project());
  EXPECT_NE(recorderPane().mode(), 0);
  EXPECT_FALSE(enabled("mnuEditUndo"));
  EXPECT_TRUE(enabled("mnuSaveAndClose"));
  EXPECT_TRUE(logLines().contains(QStringLiteral("File is saved as: ") + root() + "/kept.mpg"));
}

TEST_F(SaveCommands, SaveAndCloseMovesTheFileAndStartsANewProject) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  record(corpus("mjpeg_vcd.mpg"), 5, 40);
  record(corpus("mjpeg_vcd.mpg"), 40, 5);  // an append: both journals exist
  ASSERT_TRUE(enabled("mnuEditUndo"));
  const QString undo = QString::fromStdString(session().splicer->undoFileName());
  const QString redo = QString::fromStdString(session().splicer->redoFileName());
  ASSERT_TRUE(QFileInfo::exists(undo));
  const QString moved = project();
  const QString baseName = session().recordBaseName;
  const QByteArray movie = bytesOf(moved);

  answerSaveDialog(root() + "/movie.mpg");
  trigger("mnuSaveAndClose");
  {
    const auto unexpected = takeMessages();
    EXPECT_TRUE(unexpected.empty()) << texts(unexpected);
  }
  EXPECT_EQ(bytesOf(root() + "/movie.mpg"), movie);
  EXPECT_FALSE(QFileInfo::exists(moved));
  EXPECT_FALSE(QFileInfo::exists(undo));
  EXPECT_FALSE(QFileInfo::exists(redo));
  EXPECT_FALSE(enabled("mnuEditUndo"));
  EXPECT_FALSE(enabled("menuSaveAs"));
  EXPECT_FALSE(enabled("menuMake"));
  EXPECT_EQ(recorderPane().mode(), 0);
  EXPECT_TRUE(recorderPane().source().isEmpty());
  EXPECT_NE(session().recordBaseName, baseName);
  EXPECT_FALSE(form().recorderWindow()->windowTitle().contains("NEW MOVIE"));

  // The next record is a new project under the new names.
  record(corpus("mjpeg_vcd.mpg"));
  EXPECT_NE(project(), moved);
  EXPECT_FALSE(enabled("mnuEditUndo"));
}

// Rename cannot cross file systems; the move copies instead.
TEST_F(SaveCommands, SaveAndCloseToAnotherFileSystem) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  const QString shm = QStringLiteral("/dev/shm");
  const bool otherDisk = QFileInfo(shm).isWritable() && deviceOf(shm) != deviceOf(root());
  QString folder = root() + "/other";
  if (otherDisk) {
    folder = shm + "/cw-save-" + QString::number(QCoreApplication::applicationPid());
  }
  ASSERT_TRUE(QDir().mkpath(folder));

  for (const bool injected : {false, true}) {
    SCOPED_TRACE(injected ? "rename fails with EXDEV" : "other file system");
    if (!injected && !otherDisk) continue;
    record(corpus("mjpeg_vcd.mpg"));
    const QString moved = project();
    const QByteArray movie = bytesOf(moved);
    if (injected) failNextRenameWith(EXDEV);
    const QString target = folder + (injected ? "/injected.mpg" : "/movie.mpg");
    answerSaveDialog(target);
    trigger("mnuSaveAndClose");
    {
      const auto unexpected = takeMessages();
      EXPECT_TRUE(unexpected.empty()) << texts(unexpected);
    }
    EXPECT_EQ(bytesOf(target), movie);
    EXPECT_FALSE(QFileInfo::exists(moved));
    EXPECT_EQ(recorderPane().mode(), 0);
  }

  // No room there: the project stays, whole and open.
  record(corpus("mjpeg_vcd.mpg"));
  const QByteArray movie = bytesOf(project());
  fakeFreeSpace(0);
  failNextRenameWith(EXDEV);
  answerSaveDialog(folder + "/full.mpg");
  trigger("mnuSaveAndClose");
  const auto shown = takeMessages();
  EXPECT_TRUE(hasLine(shown, QStringLiteral("Your drive is full!")));
  EXPECT_FALSE(QFileInfo::exists(folder + "/full.mpg"));
  EXPECT_EQ(bytesOf(project()), movie);
  EXPECT_EQ(recorderPane().source(), project());
  EXPECT_NE(recorderPane().mode(), 0);
  EXPECT_TRUE(enabled("mnuSaveAndClose"));
  if (otherDisk) QDir(folder).removeRecursively();
}

TEST_F(SaveCommands, CloseAllAsksAboutAnUnsavedMovieFirst) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  record(corpus("mjpeg_vcd.mpg"));
  const QString movie = project();

  // Yes: Save and Close runs; its dialog cancelled, nothing closes.
  answer(MessageAnswer::Yes);
  answerSaveDialog(QString());
  trigger("menuClose");
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines,
            QStringList({"Recorder contains an unsaved movie.", "Do you want to save it first?"}));
  EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
  EXPECT_EQ(dialogTitle, QStringLiteral("Save file as...(Recorder file will be closed)"));
  EXPECT_NE(recorderPane().mode(), 0);
  EXPECT_EQ(session().clips.size(), 1u);

  // No: everything closes and the project's files go.
  answer(MessageAnswer::No);
  trigger("menuClose");
  EXPECT_EQ(takeMessages().size(), 1u);
  EXPECT_EQ(recorderPane().mode(), 0);
  EXPECT_EQ(playerPane().mode(), 0);
  EXPECT_EQ(session().clips.size(), 0u);
  EXPECT_EQ(session().currentClip, -1);
  EXPECT_FALSE(QFileInfo::exists(movie));
  EXPECT_FALSE(enabled("menuSaveAs"));
  EXPECT_FALSE(enabled("menuClose"));
}

TEST_F(SaveCommands, MakeMovieSavesFirstAndAddsTheMovieOnce) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  record(corpus("mjpeg_vcd.mpg"));
  ASSERT_EQ(session().clips.size(), 1u);
  QPushButton* make = form().recorderWindow()->makeButton();

  answerSaveDialog(QString());  // the save is cancelled: nothing joins
  QTest::mouseClick(make, Qt::LeftButton);
  runEventsFor(20);
  EXPECT_EQ(session().clips.size(), 1u);

  answerSaveDialog(root() + "/made.mpg");
  QTest::mouseClick(make, Qt::LeftButton);
  runEventsFor(20);
  ASSERT_EQ(session().clips.size(), 2u);
  EXPECT_EQ(session().clips[1].fullPath, root() + "/made.mpg");
  EXPECT_FALSE(session().clips[1].lengthTimeCode.isEmpty());
  QTest::mouseClick(make, Qt::LeftButton);
  trigger("menuMake");
  EXPECT_EQ(session().clips.size(), 2u);
}

}  // namespace cw::app::testing

namespace cw::app::testing {

TEST_F(SaveCommands, ExportHandsTheMovieToMosaica) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  record(corpus("mjpeg_vcd.mpg"));
  QList<QUrl> opened;
  SaveController::setDocumentOpener([&opened](const QUrl& url) {
    opened << url;
    return true;
  });

  // Not installed: OK and Cancel; Cancel opens nothing, OK the tool's page.
  session().palettePath.clear();
  answer(MessageAnswer::Cancel);
  trigger("mnuExportAsRealMedia");
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines, QStringList({"Mosaica is not installed on your system",
                                         "Press 'OK' to learn more about Mosaica."}));
  EXPECT_EQ(shown[0].buttons, MessageButtons::OkCancel);
  EXPECT_TRUE(opened.isEmpty());
  answer(MessageAnswer::Ok);
  trigger("mnuToolsMediaPallete");
  EXPECT_EQ(takeMessages().size(), 1u);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_TRUE(opened[0].toLocalFile().endsWith("/mosaica.html"));
  SaveController::setDocumentOpener(nullptr);

  // Installed in a folder with a space: the path and the switch arrive as
  // one argument, through no shell.
  const QString tool = root() + "/my tools/mosaica";
  ASSERT_TRUE(QDir().mkpath(root() + "/my tools"));
  writeFile(tool, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n");
  QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner);
  session().palettePath = tool;
  trigger("mnuExportAsRealMedia");
  for (int waited = 0; waited < 5000 && !QFileInfo::exists(tool + ".args"); waited += 20)
    runEventsFor(20);
  EXPECT_EQ(bytesOf(tool + ".args"), (project() + "/zmo\n").toLocal8Bit());
  {
    const auto unexpected = takeMessages();
    EXPECT_TRUE(unexpected.empty()) << texts(unexpected);
  }
}

}  // namespace cw::app::testing

namespace cw::app::testing {

// An audio-only preview plays unseen with its edit in the project file:
// Save As while it plays ends it first and saves the movie without it.
TEST_F(SaveCommands, SaveAsDuringAnAudioOnlyPreviewSavesTheRecordedMovie) {
  CW_REQUIRE_CORPUS("audio_only.mpa");
  startEditor();
  record(corpus("audio_only.mpa"));
  const QByteArray movie = bytesOf(project());
  playerKeys({Qt::Key_End, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left,
              Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_I});
  trigger("menuPreview");
  player::ScrubPane& previewPane = *previewWindow(form())->previewPane();
  ASSERT_EQ(previewPane.mode(), static_cast<int>(player::PlayerMode::Playing));
  ASSERT_NE(bytesOf(project()), movie);

  answerSaveDialog(root() + "/kept");
  trigger("menuSaveAs");
  EXPECT_EQ(previewPane.mode(), 0);
  EXPECT_EQ(bytesOf(root() + "/kept.mpa"), movie);
  EXPECT_EQ(bytesOf(project()), movie);
}

}  // namespace cw::app::testing
