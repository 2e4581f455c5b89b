// The recorder window's commands: Record, the project's information, the
// recorder's Close button and the sound device rule.
#include <QApplication>
#include <QFile>
#include <cmath>

#include "app/commands/commands.h"
#include "app/controllers/record_controller.h"
#include "app/shell/action_log.h"
#include "app/shell/actions.h"
#include "app/shell/app_state.h"
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
  AppState& state = appState();
  if (!actions_.isEnabled(QStringLiteral("menuRecord")) || !playerHoldsClip()) return false;
  // The previewed edit must go first: recorded over, it would be undone by
  // the preview's end afterwards, and the record with it.
  endPreview();
  state.PreviewMode = false;
  if (!recordClip()) return false;

  Splicer& tazo = *state.Tazo1;
  const int mode = tazo.recordMode();
  recorderPane_.setCurrExt(state.ProjectExtension);
  reopenRecorder();
  recorderPane_.setAudioOnly(mode == kModeAudioOnly);

  state.RedoArmed = false;
  state.MovieMade = false;
  logRecordedLine(state.RecordFilePath);
  setRecorderCaption(tazo.lastRecordExact() ? movieCaption(mode) + QStringLiteral(" - Exact Cut")
                                            : movieCaption(mode));

  for (const char* name : {"menuSaveAs", "mnuSaveAndClose", "menuExport", "menuMake"}) {
    actions_.setEnabled(QLatin1String(name), true);
  }
  if (tazo.undoEnabled()) actions_.setEnabled(QStringLiteral("mnuEditUndo"), true);
  lockModeMenus(mode);

  HistoryFlags history = tazo.history();
  history.redoEnabled = false;
  tazo.restoreHistory(history);
  return true;
}

void RecordController::resetRecorderInfo() {
  AppState& state = appState();
  state.InfoDest->resetInfoStruct();
  state.Recorder = RecorderInfo{};
  state.RecorderFileType = kTypeNotAnalysed;
  state.ProjectByteLength = 0;
}

QString RecordController::generateRecorderInfo(const QString& fileName) {
  AppState& state = appState();
  Probe& info = *state.InfoDest;
  RecorderInfo& recorder = state.Recorder;
  if (fileName.isEmpty()) {
    info.setShopFileName(std::string());
    recorder = RecorderInfo{};
    state.RecorderFileType = kTypeNotAnalysed;
    state.RecorderInfoHandle = info.ninfoHand();
    return {};
  }

  recorder.FileName = fileName;
  recorder.Folder = state.TempDir;
  recorder.Extension = state.ProjectExtension;
  recorder.FileType = info.shopFileType();
  state.RecorderFileType = recorder.FileType;
  recorder.ByteLength = info.shopFileBytelenD();
  state.ProjectByteLength = recorder.ByteLength;
  recorder.SizeKB = std::floor(recorder.ByteLength / 1024.0);
  recorder.Length = recorderPane_.getLenInTimeCode();
  recorder.PictureRate = projectPictureRate(info.shopFileVideoPicrateDeclared());
  state.ProjectFrameRate = recorder.PictureRate;
  recorder.MuxRate = info.shopFileMuxrate();
  recorder.Width = info.shopFileVideoHorPicsize();
  recorder.Height = info.shopFileVideoVerPicsize();
  recorder.VideoByteRate = info.shopFileVideoByterate();
  recorder.AudioByteRate = info.shopFileAudioByterate();
  recorder.AudioMode = info.shopFileAudioMode();
  recorder.AudioLevel = info.shopFileAudioLevel();
  recorder.SampleRate =
      static_cast<std::int32_t>(std::lround(info.shopFileAudioSampfreqDeclared()));
  const bool videoVcd = info.shopFileVideoVCDcomp() == 1;
  const bool audioVcd = info.shopFileAudioVCDcomp() == 1;
  recorder.VcdCompatible = recorder.FileType == kTypeVideoOnly   ? videoVcd
                           : recorder.FileType == kTypeAudioOnly ? audioVcd
                                                                 : videoVcd && audioVcd;
  state.RecorderInfoHandle = info.ninfoHand();

  const QString word = typeWord(recorder.FileType);
  recorder.AudioOnly = recorder.FileType == kTypeAudioOnly;
  if (!word.isEmpty()) return word;
  recorder.AudioOnly = false;
  exclamation({QStringLiteral("File ") + fileName + QStringLiteral(" is not a valid MPEG file!")});
  return QStringLiteral("Wrong");
}

void RecordController::onRecorderEjected() {
  AppState& state = appState();
  recorderPane_.freezeFrame(false);
  for (const char* name :
       {"menuSaveAs", "mnuSaveAndClose", "menuExport", "mnuEditUndo", "menuMake"}) {
    actions_.setEnabled(QLatin1String(name), false);
  }
  resetRecorderInfo();
  state.RedoArmed = false;
  state.MovieMade = false;
  recorderPane_.setMovieSaved(true);
  if (playerHoldsClip()) {
    syncModeMenus(state.CurrentClip);
  } else {
    clearModeMenus();
    setRecorderCaption(QStringLiteral("Recorder"));
  }
  deleteProjectFiles();
}

// The project and both journals go; a file already missing is no error.
void RecordController::deleteProjectFiles() {
  AppState& state = appState();
  removeFile(state.RecordFilePath);
  removeFile(QFile::decodeName(state.Tazo1->undoFileName().c_str()));
  removeFile(QFile::decodeName(state.Tazo1->redoFileName().c_str()));
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
