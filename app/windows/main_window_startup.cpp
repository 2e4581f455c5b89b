// Start-up of the main window: the first stage (startUp), the settings
// and the second stage that startupTimer runs 2000 ms later.
#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "app/commands/commands.h"
#include "app/controllers/stop_requests.h"
#include "app/shell/editor_session.h"
#include "app/shell/help_files.h"
#include "app/shell/messages.h"
#include "app/shell/settings.h"
#include "app/shell/startup.h"
#include "app/windows/main_window.h"
#include "engine/common/record_mode.h"
#include "player/twips.h"

namespace cw::app {

namespace {

constexpr int kSecondStageMs = 2000;

// The four player controls play through the media layer version the check
// found.
void applyMediaLayer(MainWindow& form, int version) {
  for (const char* name : {"iPlayer", "iRecorder", "iImport", "iPreview"}) {
    if (auto* pane = form.findChild<player::ScrubPane*>(QLatin1String(name)))
      pane->setAmVersion(version);
  }
}

// The Mosaica program: the path set in the settings, else `mosaica` on PATH.
QString findPalettePath() {
  const QString configured = Settings(QStringLiteral("Tools")).text("MosaicaPath", {});
  if (!configured.isEmpty()) return configured;
  return QStandardPaths::findExecutable(QStringLiteral("mosaica"));
}

}  // namespace

bool MainWindow::startUp() {
  EditorSession& state = session();
  state.logEnabled = false;
  const SystemCheck check = checkPlaybackLibraries(playbackLibraries());
  if (!check.usable) {
    critical(check.failure);
    return false;
  }
  state.mediaLayerVersion = static_cast<std::int16_t>(check.mediaLayerVersion);
  state.platformKind = 2;
  applyMediaLayer(*this, state.mediaLayerVersion);
  state.helpFolder = helpFolder();
  state.audioPlaceholder = false;
  setStartingValues();
  loadSettings();
  generateUniqueNames(state);
  startWorkingSession(*this);
  installStopRequests(*this);
  showIntro(*this);
  placeImportWindow(*this);
  resetRecorderAtStart(*this);
  state.splicer->setRecordMode(kModeMpegSystem);
  startupTimer_->setInterval(kSecondStageMs);
  startupTimer_->start();
  progressDialog_->raise();
  return true;
}

void MainWindow::setStartingValues() {
  EditorSession& state = session();
  state.clips.clear();
  ++state.clipTableResets;
  state.paletteIndex = -1;
  state.openingPath.clear();
  state.movieMade = false;
  for (const char* name : {"menuClose", "menuSaveAs", "mnuSaveAndClose", "menuExport",
                           "menuPreview", "menuRecord", "menuMake", "mnuDelete"})
    actions_->setEnabled(QString::fromLatin1(name), false);
  state.openingFiles = false;
  playerWindow_->setWindowTitle(tr("Player"));
  recorderWindow_->setWindowTitle(tr("Recorder"));
  footageWindow_->setWindowTitle(tr("Footage"));
  state.redoArmed = false;
  state.operationShown = false;
}

void MainWindow::loadSettings() {
  EditorSession& state = session();
  Settings settings;
  state.palettePath = findPalettePath();
  placeWindow(playerWindow_, readTwips(settings, "PlayerL", 240),
              readTwips(settings, "PlayerT", 60));
  placeWindow(recorderWindow_, readTwips(settings, "RecorderL", 6870),
              readTwips(settings, "RecorderT", 60));
  placeWindow(footageWindow_, readTwips(settings, "FootageL", 240),
              readTwips(settings, "FootageT", 4950));
  footageWindow_->resize(player::twipsToPixels(readTwips(settings, "FootageW", 6530)),
                         player::twipsToPixels(readTwips(settings, "FootageH", 1300)));
  footageWinSt_ = settings.integer("FootageWinSt", 0);

  QStringList warning;
  state.tempDir = usableTempDir(settings.text("TempDir", QString()), &warning);
  if (!warning.isEmpty()) exclamation(warning);
  QDir::setCurrent(state.tempDir);

  state.previewWinSize = static_cast<std::int16_t>(settings.integer("PreviewWinSize", 320));
  switch (state.previewWinSize) {
    case 640:
      action("menuWindow640")->trigger();
      break;
    case 320:
      action("menuWindow320")->trigger();
      break;
    case 160:
      action("menuWindow160")->trigger();
      break;
    case 0:
      action("menuWindowFull")->trigger();
      break;
    default:
      break;
  }
  // On unless the user turned it off: records start and end on their marks.
  action("mnuPrefExactCuts")->setChecked(settings.integer("ExactCuts", 1) != 0);
  state.splicer->setExactCut(action("mnuPrefExactCuts")->isChecked());
  state.preRoll = static_cast<std::int16_t>(settings.integer("PreRoll", 0));
  switch (state.preRoll) {
    case 0:
      action("menuPrerollFull")->trigger();
      break;
    case 1:
      action("menuPreroll1")->trigger();
      break;
    case 3:
      action("menuPreroll3")->trigger();
      break;
    case 5:
      action("menuPreroll5")->trigger();
      break;
    case 7:
      action("menuPreroll7")->trigger();
      break;
    default:
      break;
  }
}

void MainWindow::saveSettings() {
  const EditorSession& state = session();
  Settings settings;
  const QPoint player = restoredGeometry(playerWindow_).topLeft();
  const QPoint recorder = restoredGeometry(recorderWindow_).topLeft();
  const QRect footage = restoredGeometry(footageWindow_);
  settings.setSingle("PlayerL", twipsFor("PlayerL", player.x()));
  settings.setSingle("PlayerT", twipsFor("PlayerT", player.y()));
  settings.setSingle("RecorderL", twipsFor("RecorderL", recorder.x()));
  settings.setSingle("RecorderT", twipsFor("RecorderT", recorder.y()));
  settings.setSingle("FootageL", twipsFor("FootageL", footage.x()));
  settings.setSingle("FootageT", twipsFor("FootageT", footage.y()));
  settings.setSingle("FootageW", twipsFor("FootageW", footage.width()));
  settings.setSingle("FootageH", twipsFor("FootageH", footage.height()));
  settings.setInteger("FootageWinSt", footageWindow_->isMinimized()   ? 1
                                      : footageWindow_->isMaximized() ? 2
                                                                      : 0);
  settings.setText("TempDir", state.tempDir);
  settings.setInteger("PreviewWinSize", state.previewWinSize);
  settings.setInteger("PreRoll", state.preRoll);
  settings.setInteger("ExactCuts", state.splicer->exactCut() ? 1 : 0);
  settings.sync();
}

double MainWindow::readTwips(const Settings& settings, const char* key, double fallback) {
  const double twips = settings.single(QString::fromLatin1(key), fallback);
  loadedTwips_.insert(QString::fromLatin1(key), twips);
  return twips;
}

double MainWindow::twipsFor(const char* key, int pixels) const {
  const auto loaded = loadedTwips_.constFind(QString::fromLatin1(key));
  if (loaded != loadedTwips_.cend() && player::twipsToPixels(*loaded) == pixels) return *loaded;
  return player::pixelsToTwips(pixels);
}

void MainWindow::finishStartUp() {
  startupTimer_->stop();
  warnLowSpace();
  closeIntro(*this);
  playerWindow_->show();
  recorderWindow_->show();
  footageWindow_->show();
  if (footageWinSt_ == 1) footageWindow_->showMinimized();
  if (footageWinSt_ == 2) footageWindow_->showMaximized();
  for (const char* name :
       {"menuFile", "menuEdit", "mnuTools", "menuWindows", "menuPreferences", "menuHelp"})
    actions_->setEnabled(QString::fromLatin1(name), true);
  offerRecovery(*this);
  openCommandLine();
}

void MainWindow::warnLowSpace() {
  EditorSession& state = session();
  QDir::setCurrent(state.tempDir);
  const QStringList lines = lowSpaceWarning(state.splicer->spaceAvailable());
  if (!lines.isEmpty()) exclamation(lines);
}

void MainWindow::openCommandLine() {
  const QStringList paths = session().commandLineFiles;
  if (paths.isEmpty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  openCommandLineClips(*this, paths);
  QApplication::restoreOverrideCursor();
}

}  // namespace cw::app
