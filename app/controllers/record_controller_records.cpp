// One record from the player's marked stretch into the project, the restore
// after a failed or cancelled record, Undo Record and the pre-roll items.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/controllers/record_controller.h"
#include "app/dialogs/progress_dialog.h"
#include "app/shell/action_log.h"
#include "app/shell/actions.h"
#include "app/shell/editing_error.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "player/scrub_pane.h"

namespace cw::app {

namespace {

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

void makeWritable(const QString& path) {
  QFile file(path);
  if (file.exists()) file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
}

// A project file that holds a movie: the redo of an empty recorder counts on
// one left behind by a preview of the first crop.
bool projectFileHoldsMovie(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() && info.size() > 0;
}

// The progress window is application-modal for one record; other users of
// the window (a batch of files being opened) leave the editor open. The
// window is hidden before and after a record, when its modality can change.
class ModalWhileRecording {
 public:
  explicit ModalWhileRecording(QWidget& window) : window_(window) {
    window_.setWindowModality(Qt::ApplicationModal);
  }
  ~ModalWhileRecording() { window_.setWindowModality(Qt::NonModal); }

 private:
  QWidget& window_;
};

}  // namespace

bool RecordController::recordClip() {
  EditorSession& state = session_;
  Splicer& splicer = *state.splicer;
  const ClipRecord* clip = clipAt(state.currentClip);
  const bool recorderFull = recorderHoldsClip();
  if (recorderFull && !checkClipCompatible(state.currentClip)) {
    exclamation({QStringLiteral("The file: ") + (clip ? clip->fullPath : playerPane_.source()),
                 QStringLiteral("is not compatible with your current project. Please "),
                 QStringLiteral("check file properties for more information.")});
    return false;
  }

  setHourglass(true);
  QDir::setCurrent(state.tempDir);
  state.lastAction.clear();
  actions_.setEnabled(QStringLiteral("menuPreview"), false);
  actions_.setEnabled(QStringLiteral("menuRecord"), false);

  if (recorderFull) {
    state.projectExtension = recorderPane_.currExt();
  } else {
    state.projectExtension = playerPane_.currExt();
    state.recordFilePath = state.tempDir + QLatin1Char('/') + state.recordBaseName +
                           QLatin1Char('.') + state.projectExtension;
  }
  state.operationShown = false;
  makeWritable(state.recordFilePath);

  const double entry = recorderPane_.markOut();
  splicer.setSourceFileName(localPath(playerPane_.source()));
  splicer.setSourceMarkIn(playerPane_.markIn());
  splicer.setSourceMarkOut(playerPane_.markOut());
  splicer.setRecordFileName(localPath(state.recordFilePath));
  splicer.setRecordMarkEntry(entry);
  splicer.setSrcInfoHand(clip ? clip->infoHandle : 0);
  splicer.setRecInfoHand(state.recorderInfoHandle);

  const QString recording = recordingCaption_.isEmpty() ? tr("Recording...") : recordingCaption_;
  progressDialog_.prepare(state.previewMode ? tr("Building preview...") : recording, 0,
                          QStringLiteral("0 %"));
  // While the engine works, Cancel is the one thing the user may press: the
  // windows keep running, and any other command would reach the engine or
  // the project file in the middle of the work.
  ModalWhileRecording modal(progressDialog_);
  // A Cancel of an earlier operation must not be taken for this one's.
  state.userCancelled = false;

  const int result = runEngineOperation(recorderFull, entry);

  if (state.userCancelled) {
    logCancelLine(session_);
    restoreRecorder();
    return false;
  }
  if (result == 0) {
    state.redoArmed = true;
    setHourglass(false);
    actions_.setEnabled(QStringLiteral("menuPreview"), true);
    actions_.setEnabled(QStringLiteral("menuRecord"), true);
    return true;
  }
  showEditingError(splicer);
  logErrorLine(session_, QString::fromStdString(splicer.errorMes()), splicer.errorMesNumber());
  if (clip) {
    const QStringList notice = streamSpanNotice(*clip, playerPane_.markIn(), playerPane_.markOut());
    if (!notice.isEmpty()) exclamation(notice);
  }
  restoreRecorder();
  return false;
}

// Crop into an empty project; append or entry crop (or the engine's redo of
// the undone record) into a project that holds a movie.
int RecordController::runEngineOperation(bool recorderFull, double entry) {
  EditorSession& state = session_;
  Splicer& splicer = *state.splicer;
  const QString source = playerPane_.source();
  const QString project = state.recordFilePath;
  if (!recorderFull) {
    // A redo needs the movie a preview left in the project file; without one
    // the stretch is cut again.
    if (state.redoArmed && projectFileHoldsMovie(project)) return 0;
    QFile::remove(project);
    logCropBlock(session_, source, project, playerPane_.markIn(), playerPane_.markOut(),
                 splicer.recordMode());
    return runEngine(&Splicer::Crop);
  }

  const double length = recorderPane_.length();
  recorderPane_.freezeFrame(true);
  state.savedEntry = entry;
  state.previewMode ? recorderPane_.xCloseTemp() : recorderPane_.xClose();
  const bool redo = splicer.redoEnabled() && state.redoArmed;
  if (redo) return runRedo();
  if (length == entry) {
    logJoinBlock(session_, QStringLiteral("APPENDCROP"), source, project, playerPane_.markIn(),
                 playerPane_.markOut(), entry);
    return runEngine(&Splicer::AppendCrop);
  }
  logJoinBlock(session_, QStringLiteral("ENTRYCROP"), source, project, playerPane_.markIn(),
               playerPane_.markOut(), entry);
  return runEngine(&Splicer::EntryCrop);
}

// A cancelled call restores the project and answers 0: UserCancelled tells
// it from a finished one. A Cancel that reached the engine only after it had
// written everything comes too late, and the record is shown as done.
int RecordController::runEngine(std::int16_t (Splicer::*call)()) {
  EditorSession& state = session_;
  Splicer& engine = *state.splicer;
  cancelDelivered_ = false;
  const int result = state.operations->run([&engine, call] { return (engine.*call)(); });
  state.userCancelled = cancelDelivered_;
  return result;
}

int RecordController::runRedo() {
  logShortBlock(session_, QStringLiteral("REDO"));
  setHourglass(true);
  const int result = runEngine(&Splicer::Redo);
  setHourglass(false);
  return result;
}

void RecordController::restoreRecorder() {
  EditorSession& state = session_;
  state.redoArmed = false;
  actions_.setEnabled(QStringLiteral("menuPreview"), true);
  actions_.setEnabled(QStringLiteral("menuRecord"), true);
  progressDialog_.hide();
  if (state.lastAction != QLatin1String("CROP")) {
    if (state.previewMode) {
      recorderPane_.xReOpen();
      recorderPane_.freezeFrame(false);
    } else {
      recorderPane_.setCurrExt(state.projectExtension);
      reopenRecorder();
      recorderPane_.setMarkOut(recorderPane_.length());
    }
  }
  setHourglass(false);
}

// Opens the project file in the recorder and reads its information again.
void RecordController::reopenRecorder() {
  EditorSession& state = session_;
  recorderPane_.setSource(state.recordFilePath);
  recorderPane_.xOpen();
  generateRecorderInfo(recorderPane_.source());
  if (state.projectFrameRate > 0) recorderPane_.setStepSize(1.0 / state.projectFrameRate);
  recorderPane_.setMovieSaved(false);
}

void RecordController::onUndoRecord() {
  EditorSession& state = session_;
  Splicer& splicer = *state.splicer;
  if (!actions_.isEnabled(QStringLiteral("mnuEditUndo"))) return;
  // Off before the engine runs: a second Undo waiting among the window's
  // events would reach the engine with nothing left to undo.
  actions_.setEnabled(QStringLiteral("mnuEditUndo"), false);
  recorderPane_.xClose();
  logShortBlock(session_, QStringLiteral("UNDO"));
  setHourglass(true);
  const int result = runEngine(&Splicer::Undo);
  setHourglass(false);
  if (result != 0) {
    showEditingError(splicer);
    logErrorLine(session_, QString::fromStdString(splicer.errorMes()), splicer.errorMesNumber());
  }
  reopenRecorder();
  recorderPane_.setMarkOut(state.savedEntry);
  recorderPane_.pressMarkOut();
  state.redoArmed = true;
}

void RecordController::setPreRoll(int seconds) {
  static const std::pair<int, const char*> kItems[] = {{1, "menuPreroll1"},
                                                       {3, "menuPreroll3"},
                                                       {5, "menuPreroll5"},
                                                       {7, "menuPreroll7"},
                                                       {0, "menuPrerollFull"}};
  for (const auto& [value, name] : kItems) {
    QAction* item = actions_.action(QLatin1String(name));
    item->setCheckable(true);
    item->setChecked(value == seconds);
  }
  session_.preRoll = static_cast<std::int16_t>(seconds);
}

void RecordController::setHourglass(bool on) {
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++hourglassDepth_;
    return;
  }
  for (; hourglassDepth_ > 0; --hourglassDepth_) QApplication::restoreOverrideCursor();
}

}  // namespace cw::app
