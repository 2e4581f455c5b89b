// File > Save As, Save and Close and Close All.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "app/commands/commands.h"
#include "app/controllers/record_controller.h"
#include "app/controllers/save_controller.h"
#include "app/dialogs/save_dialog.h"
#include "app/shell/action_log.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/shell/saving.h"
#include "app/shell/startup.h"
#include "app/windows/main_window.h"
#include "player/scrub_pane.h"

namespace cw::app {

namespace {

constexpr int kNoClip = static_cast<int>(player::PlayerMode::NoClip);

class Hourglass {
 public:
  Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Hourglass() { QApplication::restoreOverrideCursor(); }
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;
};

}  // namespace

SaveController::SaveController(MainWindow& form)
    : QObject(&form),
      form_(form),
      session_(form.session()),
      actions_(form.actions()),
      playerPane_(*form.playerWindow()->playerPane()),
      recorderPane_(*form.recorderWindow()->recorderPane()) {
  setObjectName(QStringLiteral("saveController"));
}

RecordController* SaveController::recordController() const {
  return form_.findChild<RecordController*>();
}

QString SaveController::askSavePath(const QString& title) {
  const EditorSession& state = session_;
  const SaveDialogSetup setup = saveDialogSetup(state.recorderFileType, state.projectExtension);
  QFileDialog dialog(&form_, title, lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_);
  prepareSaveDialog(dialog, title, saveDialogFilters(), setup.filterIndex - 1, setup.defaultSuffix);
  return askSaveName(dialog, lastFolder_);
}

bool SaveController::refusedAsPlayerFile(const QString& path) {
  if (!samePath(path, playerPane_.source())) return false;
  exclamation(playerFileLines());
  return true;
}

bool SaveController::roomInFolderOf(const QString& path) {
  EditorSession& state = session_;
  QDir::setCurrent(QFileInfo(path).absolutePath());
  const bool room = roomFor(state.splicer->spaceAvailable(), state.projectByteLength);
  QDir::setCurrent(state.tempDir);
  return room;
}

void SaveController::onSaveAs() {
  EditorSession& state = session_;
  if (recorderPane_.mode() == kNoClip) return;
  const QString path = askSavePath(QStringLiteral("Save file as..."));
  if (path.isEmpty() || refusedAsPlayerFile(path)) return;
  if (samePath(path, state.recordFilePath)) {
    exclamation(temporaryFileLines());
    return;
  }
  if (!roomInFolderOf(path)) {
    exclamation(notEnoughSpaceLines(state.projectByteLength));
    return;
  }
  if (!copyProject(path)) {
    emit projectChanged();
    return;
  }
  savedFilePath_ = path;
  savedFileTitle_ = QFileInfo(path).fileName();
  recorderPane_.setMovieSaved(true);
  actions_.setEnabled(QStringLiteral("mnuEditUndo"), false);
  logSavedLine(session_, path);
  emit projectChanged();
}

// The copy runs in blocks behind the progress window; its Cancel stops the
// copy and leaves no partial file.
bool SaveController::copyProject(const QString& path) {
  EditorSession& state = session_;
  ProgressDialog& progress = *form_.progressDialog();
  Hourglass hourglass;
  progress.prepare(tr("Saving..."), 0, QStringLiteral("0 %"));
  progress.show();
  progress.raise();
  QString error;
  CopyOutcome outcome = CopyOutcome::Failed;
  OperationRunner& operations = *state.operations;
  const QString from = state.recordFilePath;
  int shown = -1;  // the worker's own
  operations.run([&] {
    outcome = copyInBlocks(
        from, path,
        [&](qint64 done, qint64 total) {
          const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
          if (percent != shown) {
            shown = percent;
            operations.report([&progress, percent] {
              progress.progressBar()->setValue(percent);
              progress.percentLabel()->setText(QString::number(percent) + QStringLiteral(" %"));
            });
          }
          return !operations.cancelRequested();
        },
        &error);
    return 0;
  });
  progress.hide();
  if (outcome == CopyOutcome::Done) return true;
  if (outcome == CopyOutcome::Failed) {
    actions_.setEnabled(QStringLiteral("menuSaveAs"), true);
    critical(driveFullLines());
  }
  return false;
}

void SaveController::onSaveAndClose() {
  EditorSession& state = session_;
  if (recorderPane_.mode() == kNoClip) return;
  const QString path = askSavePath(QStringLiteral("Save file as...(Recorder file will be closed)"));
  if (path.isEmpty() || refusedAsPlayerFile(path)) return;
  form_.footageWindow()->setThumbnailPicture(recorderPane_.xCapture().bitmap);
  recorderPane_.xClose();
  if (!moveProject(path)) {
    // The project stays where it was: the recorder shows it again.
    recorderPane_.setSource(state.recordFilePath);
    recorderPane_.xOpen();
    actions_.setEnabled(QStringLiteral("mnuSaveAndClose"), true);
    critical(driveFullLines());
    emit projectChanged();
    return;
  }
  closeSavedProject(path);
  emit projectChanged();
}

// A rename when the folder is on the temporary directory's file system;
// elsewhere a copy, when there is room for it, and the temporary file goes.
bool SaveController::moveProject(const QString& path) {
  EditorSession& state = session_;
  Hourglass hourglass;
  const MoveOutcome outcome =
      moveProjectFile(state.recordFilePath, path, [this, &path] { return roomInFolderOf(path); });
  return outcome == MoveOutcome::Moved || outcome == MoveOutcome::Copied;
}

void SaveController::closeSavedProject(const QString& path) {
  EditorSession& state = session_;
  Splicer& splicer = *state.splicer;
  savedFilePath_ = path;
  savedFileTitle_ = QFileInfo(path).fileName();
  state.redoArmed = false;
  recorderPane_.setMovieSaved(true);
  recorderPane_.freezeFrame(true);
  form_.recorderWindow()->setWindowTitle(QStringLiteral("Recorder"));
  RecordController* records = recordController();
  if (records) records->resetRecorderInfo();
  actions_.setEnabled(QStringLiteral("mnuEditUndo"), false);
  if (playerPane_.mode() != kNoClip) {
    if (records) records->syncModeMenus(state.currentClip);
  } else {
    if (records) records->clearModeMenus();
    form_.recorderWindow()->setWindowTitle(QStringLiteral("Recorder"));
  }
  removeWorkingFile(QFile::decodeName(splicer.undoFileName().c_str()));
  removeWorkingFile(QFile::decodeName(splicer.redoFileName().c_str()));
  HistoryFlags none;
  splicer.restoreHistory(none);  // the journals are gone, and with them the history
  logSavedLine(session_, path);
  generateUniqueNames(state);
  state.redoArmed = false;
  recorderPane_.setSource(QString());
  for (const char* name : {"mnuSaveAndClose", "menuSaveAs", "menuExport", "menuMake"})
    actions_.setEnabled(QLatin1String(name), false);
}

void SaveController::onCloseAll() {
  EditorSession& state = session_;
  if (!recorderPane_.movieSaved()) {
    const MessageAnswer answer = askYesNo({QStringLiteral("Recorder contains an unsaved movie."),
                                           QStringLiteral("Do you want to save it first?")},
                                          MessageIcon::Critical);
    if (answer == MessageAnswer::Yes) {
      onSaveAndClose();
      return;
    }
  }
  // Closing the chooser closes its clip too: hidden, it would go on playing.
  if (QWidget* import = form_.findChild<QWidget*>(QStringLiteral("newImport"))) import->close();
  for (const char* name : {"menuSaveAs", "mnuSaveAndClose", "menuExport"})
    actions_.setEnabled(QLatin1String(name), false);
  RecordController* records = recordController();
  playerPane_.xClose();
  if (records) records->onPlayerEjected();
  recorderPane_.xClose();
  recorderPane_.setSource(QString());
  if (records) records->onRecorderEjected();
  playerPane_.setSource(QString());
  state.currentClip = -1;
  form_.footageWindow()->removeAllThumbnails();
  form_.setStartingValues();
  emit projectChanged();
}

}  // namespace cw::app
