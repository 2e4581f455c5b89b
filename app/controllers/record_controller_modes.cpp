// Record modes: the Recorder Mode and VideoCD Mode menus, the compatibility
// test of a clip against the project, and the recorder's caption.
#include <array>

#include "app/controllers/record_controller.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "engine/analysis/stream_info.h"
#include "engine/common/record_mode.h"
#include "player/scrub_pane.h"

namespace cw::app {

namespace {

const QString kMpegSystem = QStringLiteral("mnuRecModeMPEGSystem");
const QString kVideoOnly = QStringLiteral("mnuRecModeVideo");
const QString kAudioOnly = QStringLiteral("mnuRecModeAudio");
const QString kVcdNone = QStringLiteral("mnuVideoCDNone");
const QString kVcd = QStringLiteral("mnuVideoCDVCD");
const QString kVcdZeroes = QStringLiteral("mnuVideoCDVCD20");

const std::array<QString, 6> kModeItems = {kVcdNone,    kVcd,       kVcdZeroes,
                                           kMpegSystem, kVideoOnly, kAudioOnly};

const char* const kModeNames[] = {"MPEG System", "VideoCD", "VideoCD (Zeroes)", "Video Only",
                                  "Audio Only"};

// The two items of each record mode: its VideoCD item and its Recorder Mode item.
std::array<QString, 2> itemsOfMode(int recordMode) {
  switch (recordMode) {
    case kModeVideoCd:
      return {kVcd, kMpegSystem};
    case kModeVideoCdZeroes:
      return {kVcdZeroes, kMpegSystem};
    case kModeVideoOnly:
      return {kVcdNone, kVideoOnly};
    case kModeAudioOnly:
      return {kVcdNone, kAudioOnly};
    default:
      return {kVcdNone, kMpegSystem};
  }
}

// Checks the mode's two items and unchecks the other four.
void checkOnly(ActionRegistry& actions, int recordMode) {
  const auto on = itemsOfMode(recordMode);
  for (const QString& name : kModeItems) {
    actions.setChecked(name, name == on[0] || name == on[1]);
  }
}

void setAll(ActionRegistry& actions, std::initializer_list<QString> names, bool enabled) {
  for (const QString& name : names) actions.setEnabled(name, enabled);
}

}  // namespace

QString RecordController::modeCaption(int recordMode) {
  if (recordMode < kModeMpegSystem || recordMode > kModeAudioOnly) recordMode = kModeMpegSystem;
  return QStringLiteral("Recorder Mode: ") + QLatin1String(kModeNames[recordMode]);
}

QString RecordController::movieCaption(int recordMode) {
  if (recordMode < kModeMpegSystem || recordMode > kModeAudioOnly) recordMode = kModeMpegSystem;
  return QStringLiteral("Recorder: NEW MOVIE (") + QLatin1String(kModeNames[recordMode]) +
         QLatin1Char(')');
}

void RecordController::connectModeMenus() {
  const std::array<std::pair<QString, void (RecordController::*)()>, 6> handlers = {{
      {kMpegSystem, &RecordController::onModeMpegSystem},
      {kVideoOnly, &RecordController::onModeVideoOnly},
      {kAudioOnly, &RecordController::onModeAudioOnly},
      {kVcdNone, &RecordController::onVideoCdNone},
      {kVcd, &RecordController::onVideoCd},
      {kVcdZeroes, &RecordController::onVideoCdZeroes},
  }};
  for (const auto& [name, handler] : handlers) {
    QAction* item = actions_.action(name);
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, handler);
  }
}

// ---- compatibility ----------------------------------------------------------

bool RecordController::checkClipCompatible(int clip) {
  const ClipRecord* record = clipAt(clip);
  if (!record) return false;
  if (recorderHoldsClip()) return evaluateCompatibility(*record);
  chooseModeForClip(*record, true);
  setRecorderCaption(modeCaption(session_.splicer->recordMode()));
  return true;
}

bool RecordController::evaluateCompatibility(const ClipRecord& clip) {
  EditorSession& state = session_;
  Splicer& splicer = *state.splicer;
  const int type = clip.fileType;
  splicer.setRecInfoHand(state.recorderInfoHandle);
  switch (state.recorderFileType) {
    case kTypeVideoOnly:
      if (type == kTypeAudioOnly) return false;
      splicer.setSrcInfoHand(clip.infoHandle);
      return splicer.VideoCompat();
    case kTypeAudioOnly:
      if (type == kTypeVideoOnly) return false;
      splicer.setSrcInfoHand(clip.infoHandle);
      return splicer.AudioCompat();
    default: {
      if (type == kTypeVideoOnly) return false;
      splicer.setSrcInfoHand(clip.infoHandle);
      const bool audio = splicer.AudioCompat();
      const bool video = splicer.VideoCompat();
      if (!audio || !video) return false;
      const int mode = splicer.recordMode();
      return (mode == kModeVideoCd || mode == kModeVideoCdZeroes) ? clip.vcdCompatible : true;
    }
  }
}

// With an empty recorder the clip's type sets the mode and the menus. A
// system stream enables the VideoCD items by its VideoCD compatibility;
// `noneAlwaysEnabled` keeps None enabled whatever the clip.
void RecordController::chooseModeForClip(const ClipRecord& clip, bool noneAlwaysEnabled) {
  Splicer& splicer = *session_.splicer;
  switch (clip.fileType) {
    case kTypeSystem:
      setAll(actions_, {kMpegSystem, kVideoOnly, kAudioOnly}, true);
      actions_.setEnabled(kVcdNone, noneAlwaysEnabled || clip.vcdCompatible);
      setAll(actions_, {kVcd, kVcdZeroes}, clip.vcdCompatible);
      if (noneAlwaysEnabled) {
        checkOnly(actions_, kModeMpegSystem);
        splicer.setRecordMode(kModeMpegSystem);
      }
      break;
    case kTypeVideoOnly:
    case kTypeAudioOnly: {
      const QString only = clip.fileType == kTypeVideoOnly ? kVideoOnly : kAudioOnly;
      for (const QString& name : kModeItems)
        actions_.setEnabled(name, name == kVcdNone || name == only);
      const int mode = clip.fileType == kTypeVideoOnly ? kModeVideoOnly : kModeAudioOnly;
      checkOnly(actions_, mode);
      splicer.setRecordMode(static_cast<std::int16_t>(mode));
      break;
    }
    default:
      break;  // several streams: the menus stay as they are
  }
}

void RecordController::syncModeMenus(int clip) {
  if (recorderHoldsClip()) {
    // The project's mode is locked: a mode command may have enabled items of
    // other modes (MPEG System enables the VideoCD items), and a record in
    // another mode would join two kinds of stream in one movie.
    lockModeMenus(session_.splicer->recordMode());
    return;
  }
  if (const ClipRecord* record = clipAt(clip)) chooseModeForClip(*record, false);
  const int mode = session_.splicer->recordMode();
  setRecorderCaption(modeCaption(mode));
  switch (mode) {
    case kModeVideoCd:
    case kModeVideoCdZeroes:
      actions_.setEnabled(kMpegSystem, true);
      setAll(actions_, {kVideoOnly, kAudioOnly}, false);
      break;
    case kModeVideoOnly:
    case kModeAudioOnly:
      actions_.setEnabled(kVcdNone, true);
      setAll(actions_, {kVcd, kVcdZeroes}, false);
      break;
    default:
      break;
  }
  checkOnly(actions_, mode);
}

// ---- the six mode commands ------------------------------------------------

void RecordController::modeChanged(int recordMode) {
  EditorSession& state = session_;
  if (state.splicer->recordMode() != recordMode) {
    state.redoArmed = false;
    state.splicer->setRecordMode(static_cast<std::int16_t>(recordMode));
  }
  setRecorderCaption(modeCaption(recordMode));
  syncModeMenus(state.currentClip);
}

void RecordController::onModeMpegSystem() {
  actions_.setChecked(kMpegSystem, true);
  actions_.setChecked(kVideoOnly, false);
  actions_.setChecked(kAudioOnly, false);
  setAll(actions_, {kVcd, kVcdZeroes}, true);
  const int mode = actions_.isChecked(kVcd)         ? kModeVideoCd
                   : actions_.isChecked(kVcdZeroes) ? kModeVideoCdZeroes
                                                    : kModeMpegSystem;
  modeChanged(mode);
}

void RecordController::onModeVideoOnly() {
  actions_.setChecked(kVideoOnly, true);
  actions_.setChecked(kMpegSystem, false);
  actions_.setChecked(kAudioOnly, false);
  setAll(actions_, {kVcd, kVcdZeroes}, false);
  modeChanged(kModeVideoOnly);
}

void RecordController::onModeAudioOnly() {
  actions_.setChecked(kAudioOnly, true);
  actions_.setChecked(kMpegSystem, false);
  actions_.setChecked(kVideoOnly, false);
  setAll(actions_, {kVcd, kVcdZeroes}, false);
  modeChanged(kModeAudioOnly);
}

void RecordController::onVideoCdNone() {
  actions_.setChecked(kVcdNone, true);
  actions_.setChecked(kVcd, false);
  actions_.setChecked(kVcdZeroes, false);
  const int mode = actions_.isChecked(kVideoOnly)   ? kModeVideoOnly
                   : actions_.isChecked(kAudioOnly) ? kModeAudioOnly
                                                    : kModeMpegSystem;
  modeChanged(mode);
}

void RecordController::onVideoCd() {
  actions_.setChecked(kVcd, true);
  actions_.setChecked(kVcdNone, false);
  actions_.setChecked(kVcdZeroes, false);
  setAll(actions_, {kVideoOnly, kAudioOnly}, false);
  modeChanged(kModeVideoCd);
}

void RecordController::onVideoCdZeroes() {
  actions_.setChecked(kVcdZeroes, true);
  actions_.setChecked(kVcdNone, false);
  actions_.setChecked(kVcd, false);
  setAll(actions_, {kVideoOnly, kAudioOnly}, false);
  modeChanged(kModeVideoCdZeroes);
}

void RecordController::lockModeMenus(int recordMode) {
  const auto on = itemsOfMode(recordMode);
  for (const QString& name : kModeItems) {
    const bool keep = name == on[0] || name == on[1];
    actions_.setEnabled(name, keep);
    actions_.setChecked(name, keep);
  }
}

void RecordController::clearModeMenus() {
  session_.splicer->setRecordMode(kModeMpegSystem);
  for (const QString& name : kModeItems) {
    actions_.setChecked(name, false);
    actions_.setEnabled(name, false);
  }
}

}  // namespace cw::app
