// Start-up of the main window: the first stage (MDIForm_Load), the settings
// and the second stage that Timer1 runs 2000 ms later.
#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "app/shell/app_state.h"
#include "app/shell/help_files.h"
#include "app/shell/messages.h"
#include "app/shell/settings.h"
#include "app/shell/startup.h"
#include "app/windows/commands.h"
#include "app/windows/parent_form.h"
#include "app/windows/stop_requests.h"
#include "engine/common/record_mode.h"
#include "player/twips.h"

namespace cw::app {

namespace {

constexpr int kSecondStageMs = 2000;

// The four player controls play through the media layer version the check
// found.
void applyMediaLayer(ParentForm& form, int version) {
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

bool ParentForm::MDIForm_Load() {
  AppState& state = appState();
  state.LogEnabled = false;
  const SystemCheck check = checkPlaybackLibraries(playbackLibraries());
  if (!check.usable) {
    critical(check.failure);
    return false;
  }
  state.MediaLayerVersion = static_cast<std::int16_t>(check.mediaLayerVersion);
  state.PlatformKind = 2;
  applyMediaLayer(*this, state.MediaLayerVersion);
  state.HelpFolder = helpFolder();
  state.AudioPlaceholder = false;
  StartingValues();
  LoadSettings();
  generateUniqueNames(state);
  startWorkingSession(*this);
  installStopRequests(*this);
  showIntro(*this);
  placeImportWindow(*this);
  resetRecorderAtStart(*this);
  state.Tazo1->setRecordMode(kModeMpegSystem);
  timer1_->setInterval(kSecondStageMs);
  timer1_->start();
  newProgress_->raise();
  return true;
}

void ParentForm::StartingValues() {
  AppState& state = appState();
  state.ClipCount = -1;
  state.Clips.clear();
  state.PaletteIndex = -1;
  state.OpeningPath.clear();
  state.MovieMade = false;
  for (const char* name : {"menuClose", "menuSaveAs", "mnuSaveAndClose", "menuExport",
                           "menuPreview", "menuRecord", "menuMake", "mnuDelete"})
    actions_->setEnabled(QString::fromLatin1(name), false);
  state.OpeningFiles = false;
  newPlayer_->setWindowTitle(tr("Player"));
  newRecorder_->setWindowTitle(tr("Recorder"));
  footageForm_->setWindowTitle(tr("Footage"));
  state.RedoArmed = false;
  state.OperationShown = false;
}

void ParentForm::LoadSettings() {
  AppState& state = appState();
  Settings settings;
  state.PalettePath = findPalettePath();
  placeWindow(newPlayer_, readTwips(settings, "PlayerL", 240), readTwips(settings, "PlayerT", 60));
  placeWindow(newRecorder_, readTwips(settings, "RecorderL", 6870),
              readTwips(settings, "RecorderT", 60));
  placeWindow(footageForm_, readTwips(settings, "FootageL", 240),
              readTwips(settings, "FootageT", 4950));
  footageForm_->resize(player::twipsToPixels(readTwips(settings, "FootageW", 6530)),
                       player::twipsToPixels(readTwips(settings, "FootageH", 1300)));
  footageWinSt_ = settings.integer("FootageWinSt", 0);

  QStringList warning;
  state.TempDir = usableTempDir(settings.text("TempDir", QString()), &warning);
  if (!warning.isEmpty()) exclamation(warning);
  QDir::setCurrent(state.TempDir);

  state.PreviewWinSize = static_cast<std::int16_t>(settings.integer("PreviewWinSize", 320));
  switch (state.PreviewWinSize) {
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
  state.Tazo1->setExactCut(action("mnuPrefExactCuts")->isChecked());
  state.PreRoll = static_cast<std::int16_t>(settings.integer("PreRoll", 0));
  switch (state.PreRoll) {
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

void ParentForm::SaveSettings() {
  const AppState& state = appState();
  Settings settings;
  const QPoint player = restoredGeometry(newPlayer_).topLeft();
  const QPoint recorder = restoredGeometry(newRecorder_).topLeft();
  const QRect footage = restoredGeometry(footageForm_);
  settings.setSingle("PlayerL", twipsFor("PlayerL", player.x()));
  settings.setSingle("PlayerT", twipsFor("PlayerT", player.y()));
  settings.setSingle("RecorderL", twipsFor("RecorderL", recorder.x()));
  settings.setSingle("RecorderT", twipsFor("RecorderT", recorder.y()));
  settings.setSingle("FootageL", twipsFor("FootageL", footage.x()));
  settings.setSingle("FootageT", twipsFor("FootageT", footage.y()));
  settings.setSingle("FootageW", twipsFor("FootageW", footage.width()));
  settings.setSingle("FootageH", twipsFor("FootageH", footage.height()));
  settings.setInteger("FootageWinSt", footageForm_->isMinimized()   ? 1
                                      : footageForm_->isMaximized() ? 2
                                                                    : 0);
  settings.setText("TempDir", state.TempDir);
  settings.setInteger("PreviewWinSize", state.PreviewWinSize);
  settings.setInteger("PreRoll", state.PreRoll);
  settings.setInteger("ExactCuts", state.Tazo1->exactCut() ? 1 : 0);
  settings.sync();
}

double ParentForm::readTwips(const Settings& settings, const char* key, double fallback) {
  const double twips = settings.single(QString::fromLatin1(key), fallback);
  loadedTwips_.insert(QString::fromLatin1(key), twips);
  return twips;
}

double ParentForm::twipsFor(const char* key, int pixels) const {
  const auto loaded = loadedTwips_.constFind(QString::fromLatin1(key));
  if (loaded != loadedTwips_.cend() && player::twipsToPixels(*loaded) == pixels) return *loaded;
  return player::pixelsToTwips(pixels);
}

void ParentForm::Timer1_Timer() {
  timer1_->stop();
  warnLowSpace();
  closeIntro(*this);
  newPlayer_->show();
  newRecorder_->show();
  footageForm_->show();
  if (footageWinSt_ == 1) footageForm_->showMinimized();
  if (footageWinSt_ == 2) footageForm_->showMaximized();
  for (const char* name :
       {"menuFile", "menuEdit", "mnuTools", "menuWindows", "menuPreferences", "menuHelp"})
    actions_->setEnabled(QString::fromLatin1(name), true);
  offerRecovery(*this);
  openCommandLine();
}

void ParentForm::warnLowSpace() {
  AppState& state = appState();
  QDir::setCurrent(state.TempDir);
  const QStringList lines = lowSpaceWarning(state.Tazo1->spaceAvailable());
  if (!lines.isEmpty()) exclamation(lines);
}

void ParentForm::openCommandLine() {
  const QStringList paths = appState().CommandLineFiles;
  if (paths.isEmpty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  openCommandLineClips(*this, paths);
  QApplication::restoreOverrideCursor();
}

}  // namespace cw::app
