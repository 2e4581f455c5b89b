// The recorder window's commands: Record, the project's information, the
// recorder's Close button and the sound device rule.
#include <QApplication>
#include <QFile>
#include <cmath>

#include "app/commands/commands.h"
#include "app/controllers/record_controller.h"
#include "app/shell/action_log.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/windows/recorder_window.h"
#include "engine/analysis/stream_info.h"
#include "engine/common/record_mode.h"
#include "player/scrub_pane.h"

namespace cw::app {

namespace {

constexpr int kNoClip = static_cast<int>(player::PlayerMode::NoClip);

void removeFile(const QString& path) {
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.exists()) return;
  file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
  file.remove();
}

QString typeWord(int fileType) {
  switch (fileType) {
    case kTypeSystem:
      return QStringLiteral("System");
    case kTypeVideoOnly:
      return QStringLiteral("Videoonly");
    case kTypeAudioOnly:
      return QStringLiteral("Audioonly");
    case kTypeSystemMulti:
      return QStringLiteral("Multiple");
    default:
      return {};
  }
}

// The declared picture rate, 30 when unknown, cut to three decimals.
double projectPictureRate(float declared) {
  const double rate = declared == -1.0f ? 30.0 : static_cast<double>(declared);
  return std::trunc(rate * 1000.0) / 1000.0;
}

}  // namespace

bool RecordController::onRecordClicked() {
  EditorSession& state = session_;
  if (!actions_.isEnabled(QStringLiteral("menuRecord")) || !playerHoldsClip()) return false;
  // The previewed edit must go first: recorded over, it would be undone by
  // the preview's end afterwards, and the record with it.
  endPreview();
  state.previewMode = false;
  if (!recordClip()) return false;

  Splicer& splicer = *state.splicer;
  const int mode = splicer.recordMode();
  recorderPane_.setCurrExt(state.projectExtension);
  reopenRecorder();
  recorderPane_.setAudioOnly(mode == kModeAudioOnly);

  state.redoArmed = false;
  state.movieMade = false;
  logRecordedLine(session_, state.recordFilePath);
  setRecorderCaption(splicer.lastRecordExact() ? movieCaption(mode) + QStringLiteral(" - Exact Cut")
                                               : movieCaption(mode));

  for (const char* name : {"menuSaveAs", "mnuSaveAndClose", "menuExport", "menuMake"}) {
    actions_.setEnabled(QLatin1String(name), true);
  }
  if (splicer.undoEnabled()) actions_.setEnabled(QStringLiteral("mnuEditUndo"), true);
  lockModeMenus(mode);

  HistoryFlags history = splicer.history();
  history.redoEnabled = false;
  splicer.restoreHistory(history);
  return true;
}

void RecordController::resetRecorderInfo() {
  EditorSession& state = session_;
  state.projectProbe->resetInfoStruct();
  state.recorder = RecorderInfo{};
  state.recorderFileType = kTypeNotAnalysed;
  state.projectByteLength = 0;
}

QString RecordController::generateRecorderInfo(const QString& fileName) {
  EditorSession& state = session_;
  Probe& info = *state.projectProbe;
  RecorderInfo& recorder = state.recorder;
  if (fileName.isEmpty()) {
    info.setShopFileName(std::string());
    recorder = RecorderInfo{};
    state.recorderFileType = kTypeNotAnalysed;
    state.recorderInfoHandle = info.ninfoHand();
    return {};
  }

  recorder.fileName = fileName;
  recorder.folder = state.tempDir;
  recorder.extension = state.projectExtension;
  recorder.fileType = info.shopFileType();
  state.recorderFileType = recorder.fileType;
  recorder.byteLength = info.shopFileBytelenD();
  state.projectByteLength = recorder.byteLength;
  recorder.sizeKB = std::floor(recorder.byteLength / 1024.0);
  recorder.length = recorderPane_.getLenInTimeCode();
  recorder.pictureRate = projectPictureRate(info.shopFileVideoPicrateDeclared());
  state.projectFrameRate = recorder.pictureRate;
  recorder.muxRate = info.shopFileMuxrate();
  recorder.width = info.shopFileVideoHorPicsize();
  recorder.height = info.shopFileVideoVerPicsize();
  recorder.videoByteRate = info.shopFileVideoByterate();
  recorder.audioByteRate = info.shopFileAudioByterate();
  recorder.audioMode = info.shopFileAudioMode();
  recorder.audioLevel = info.shopFileAudioLevel();
  recorder.sampleRate =
      static_cast<std::int32_t>(std::lround(info.shopFileAudioSampfreqDeclared()));
  const bool videoVcd = info.shopFileVideoVCDcomp() == 1;
  const bool audioVcd = info.shopFileAudioVCDcomp() == 1;
  recorder.vcdCompatible = recorder.fileType == kTypeVideoOnly   ? videoVcd
                           : recorder.fileType == kTypeAudioOnly ? audioVcd
                                                                 : videoVcd && audioVcd;
  state.recorderInfoHandle = info.ninfoHand();

  const QString word = typeWord(recorder.fileType);
  recorder.audioOnly = recorder.fileType == kTypeAudioOnly;
  if (!word.isEmpty()) return word;
  recorder.audioOnly = false;
  exclamation({QStringLiteral("File ") + fileName + QStringLiteral(" is not a valid MPEG file!")});
  return QStringLiteral("Wrong");
}

void RecordController::onRecorderEjected() {
  EditorSession& state = session_;
  recorderPane_.freezeFrame(false);
  for (const char* name :
       {"menuSaveAs", "mnuSaveAndClose", "menuExport", "mnuEditUndo", "menuMake"}) {
    actions_.setEnabled(QLatin1String(name), false);
  }
  resetRecorderInfo();
  state.redoArmed = false;
  state.movieMade = false;
  recorderPane_.setMovieSaved(true);
  if (playerHoldsClip()) {
    syncModeMenus(state.currentClip);
  } else {
    clearModeMenus();
    setRecorderCaption(QStringLiteral("Recorder"));
  }
  deleteProjectFiles();
}

// The project and both journals go; a file already missing is no error.
void RecordController::deleteProjectFiles() {
  EditorSession& state = session_;
  removeFile(state.recordFilePath);
  removeFile(QFile::decodeName(state.splicer->undoFileName().c_str()));
  removeFile(QFile::decodeName(state.splicer->redoFileName().c_str()));
}

void RecordController::endPreview() { endPlayingPreview(form_); }

void RecordController::onRecorderNeedsSound() {
  if (recorderPane_.mode() == static_cast<int>(player::PlayerMode::Stopped)) {
    stopOtherPanes(&recorderPane_);
  }
}

bool RecordController::recorderHoldsClip() const { return recorderPane_.mode() != kNoClip; }
bool RecordController::playerHoldsClip() const { return playerPane_.mode() != kNoClip; }

void RecordController::setRecorderCaption(const QString& caption) {
  recorderWindow_.setWindowTitle(caption);
  recorderWindow_.setAccessibleName(caption);
}

}  // namespace cw::app
