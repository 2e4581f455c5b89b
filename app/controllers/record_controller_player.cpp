// The player window's commands: loading a clip of the clip table (dropped
// from the footage palette or activated there), the player's Close button
// and the sound device rule.
#include <QApplication>
#include <vector>

#include "app/controllers/record_controller.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/windows/main_window.h"
#include "app/windows/player_window.h"
#include "engine/analysis/stream_info.h"
#include "player/scrub_pane.h"

namespace cw::app {

namespace {

bool makesSound(const player::ScrubPane& pane) {
  const int mode = pane.mode();
  return mode == static_cast<int>(player::PlayerMode::Paused) ||
         mode == static_cast<int>(player::PlayerMode::Playing);
}

}  // namespace

const ClipRecord* RecordController::clipAt(int clip) const {
  const EditorSession& state = session_;
  if (clip < 0 || clip >= static_cast<int>(state.clips.size())) {
    return nullptr;
  }
  return &state.clips[static_cast<std::size_t>(clip)];
}

void RecordController::loadClip(int clip) {
  EditorSession& state = session_;
  const ClipRecord* record = clipAt(clip);
  if (!record || (playerPane_.source() == record->fullPath && playerHoldsClip())) return;
  // A playing preview has the recorder closed: the clip would take it for
  // an empty project and set the record mode from itself.
  endPreview();
  if (!checkClipCompatible(clip)) {
    const MessageAnswer answer =
        askYesNo({QStringLiteral("The file: ") + record->fullPath,
                  QStringLiteral("is not compatible with your current project. Please "),
                  QStringLiteral("check file properties for more information."),
                  QStringLiteral("Do you still want to open this file?")},
                 MessageIcon::Question, MessageAnswer::No);
    if (answer != MessageAnswer::Yes) return;
  }
  state.currentClip = static_cast<std::int16_t>(clip);
  playerPane_.setSource(record->fullPath);
  playerPane_.setCurrExt(record->extension);
  if (record->pictureRate > 0) playerPane_.setStepSize(1.0 / record->pictureRate);
  if (playerPane_.xOpen() != 0) {
    // The player has said why and holds no clip now, the one it had included.
    onPlayerEjected();
    return;
  }
  state.clips[static_cast<std::size_t>(clip)].lengthTimeCode = playerPane_.getLenInTimeCode();
  playerPane_.setAudioOnly(record->fileType == kTypeAudioOnly);
  state.redoArmed = false;
  setPlayerCaption(QStringLiteral("Player: ") + record->displayName());
  actions_.setEnabled(QStringLiteral("menuPreview"), true);
  actions_.setEnabled(QStringLiteral("menuRecord"), true);
}

void RecordController::onPlayerEjected() {
  EditorSession& state = session_;
  endPreview();  // else the project's mode menus would be cleared as for an empty recorder
  state.redoArmed = false;
  setPlayerCaption(QStringLiteral("Player"));
  actions_.setEnabled(QStringLiteral("menuPreview"), false);
  actions_.setEnabled(QStringLiteral("menuRecord"), false);
  if (!recorderHoldsClip()) clearModeMenus();
  state.currentClip = -1;
}

void RecordController::onPlayerNeedsSound() {
  if (playerPane_.mode() == static_cast<int>(player::PlayerMode::Stopped)) {
    stopOtherPanes(&playerPane_);
  }
}

// Frees the sound device for `except`: every other pane that is paused or
// playing stops.
void RecordController::stopOtherPanes(player::ScrubPane* except) {
  std::vector<player::ScrubPane*> panes{&playerPane_, &recorderPane_};
  for (const char* name : {"iImport", "iPreview"}) {
    if (auto* pane = form_.findChild<player::ScrubPane*>(QLatin1String(name)))
      panes.push_back(pane);
  }
  for (player::ScrubPane* pane : panes) {
    if (pane != except && makesSound(*pane)) pane->xStop();
  }
}

void RecordController::setPlayerCaption(const QString& caption) {
  playerWindow_.setWindowTitle(caption);
  playerWindow_.setAccessibleName(caption);
}

}  // namespace cw::app
