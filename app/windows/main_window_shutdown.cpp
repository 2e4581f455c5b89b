// Shutdown: closing the main window asks first; Exit asks about an unsaved
// movie, deletes the temporary project and both journals and writes the
// settings.
#include <QCloseEvent>
#include <QDir>
#include <QFile>

#include "app/commands/commands.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/windows/main_window.h"

namespace cw::app {

namespace {

// The temporary project (any extension) and the two journals. A file that
// cannot be deleted does not stop the exit. The lock is the session's to
// give up: it goes last, once the files it guards are gone.
void deleteTemporaryFiles(const EditorSession& state) {
  QFile::setPermissions(state.recordFilePath,
                        QFile::permissions(state.recordFilePath) | QFile::WriteOwner);
  QDir dir(state.tempDir);
  const QString lock = state.recordBaseName + QStringLiteral(".lock");
  for (const QString& name : dir.entryList({state.recordBaseName + QStringLiteral(".*")},
                                           QDir::Files | QDir::Hidden | QDir::System))
    if (name != lock) dir.remove(name);
  QFile::remove(QString::fromStdString(state.splicer->undoFileName()));
  QFile::remove(QString::fromStdString(state.splicer->redoFileName()));
}

}  // namespace

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ended_) {
    event->accept();
    return;
  }
  event->ignore();
  const MessageAnswer answer =
      askYesNo({tr("This will close the application."), tr("Do you really want to exit?")});
  if (answer == MessageAnswer::Yes) onExit();
}

void MainWindow::onExit() {
  if (session().operations->running()) {
    const MessageAnswer answer =
        askYesNo({tr("An operation is still running."), tr("Do you want to cancel it and exit?")});
    if (answer != MessageAnswer::Yes) return;
    exitWhenIdle_ = true;
    progressDialog_->onCancelClicked();
    return;
  }
  if (!recorderWindow_->recorderPane()->movieSaved()) {
    const MessageAnswer answer =
        askYesNo({tr("Recorder contains an unsaved movie."), tr("Do you want to save it first?")},
                 MessageIcon::Critical);
    if (answer == MessageAnswer::Yes) {
      action("mnuSaveAndClose")->trigger();
      return;
    }
  }
  playerWindow_->playerPane()->xClose();
  recorderWindow_->recorderPane()->xClose();
  emit closeHelpRequested();
  deleteTemporaryFiles(session());
  endWorkingSession(*this);
  saveSettings();
  ended_ = true;
  hide();
  emit exitRequested();
}

}  // namespace cw::app
