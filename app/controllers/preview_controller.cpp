// The recorder's Preview button and Edit > Preview: build the record into the
// project file, play it in the preview window, and undo it again when the
// window unloads, so that a following Record can take the engine's redo.
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "app/shell/action_log.h"
#include "app/shell/actions.h"
#include "app/shell/app_state.h"
#include "app/shell/editing_error.h"
#include "app/windows/commands.h"
#include "app/windows/new_preview.h"
#include "app/windows/parent_form.h"
#include "app/windows/record_controller.h"
#include "engine/common/record_mode.h"

namespace cw::app {

namespace {

constexpr int kNoClip = static_cast<int>(player::PlayerMode::NoClip);
constexpr int kStopped = static_cast<int>(player::PlayerMode::Stopped);

bool makesSound(const player::ScrubPane& pane) {
  return pane.mode() == static_cast<int>(player::PlayerMode::Paused) ||
         pane.mode() == static_cast<int>(player::PlayerMode::Playing);
}

class PreviewController : public QObject {
 public:
  explicit PreviewController(ParentForm& form)
      : QObject(&form),
        form_(form),
        actions_(form.actions()),
        newPreview_(new NewPreview(&form)),
        iPreview_(*newPreview_->iPreview()),
        iPlayer_(*form.newPlayer()->iPlayer()),
        iRecorder_(*form.newRecorder()->iRecorder()) {
    setObjectName(QStringLiteral("previewController"));
    connect(actions_.action(QStringLiteral("menuPreview")), &QAction::triggered, this,
            [this] { butPreview_LeftDown(); });
    connect(newPreview_, &NewPreview::unloadRequested, this, [this] { Form_Unload(); });
    connect(&iPreview_, &player::ScrubPane::NeedSound, this, [this] { iPreview_NeedSound(); });
    form.newRecorder()->butPreview()->installEventFilter(this);
  }

 protected:
  // The button acts on the mouse going down: the left button previews, the
  // right one offers the preview preferences.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() == Qt::RightButton) {
      actions_.menu(QStringLiteral("menuPreferencesPreview"))->popup(QCursor::pos());
      return true;
    }
    if (press->button() == Qt::LeftButton) {
      butPreview_LeftDown();
      return true;
    }
    return false;
  }

 private:
  void butPreview_LeftDown() {
    AppState& state = appState();
    if (previewing_ || !actions_.isEnabled(QStringLiteral("menuPreview")) ||
        iPlayer_.mode() == kNoClip) {
      return;
    }
    RecordController* records = form_.findChild<RecordController*>();
    if (!records) return;
    state.PreviewMode = true;
    if (!records->RecordClip()) return;
    previewing_ = true;
    actions_.setEnabled(QStringLiteral("mnuEditUndo"), false);

    iPreview_.setCurrExt(state.ProjectExtension);
    iPreview_.setSource(state.RecordFilePath);
    const bool opened = iPreview_.xOpen() == 0;
    newPreview_->applyWindowSize(state.PreviewWinSize);
    newPreview_->setFullScreenOnShow(state.PreviewWinSize == 0);
    centreOnScreen();
    if (state.PreRoll != 0) {
      iPreview_.xSeek(std::max(0.0, iRecorder_.markOut() - state.PreRoll));
    }
    // A preview that cannot play would never reach its end: without this an
    // audio-only one would leave its edit in the project for good.
    if (!opened || iPreview_.xPlay() != 0) {
      Form_Unload();
      return;
    }
    if (state.Tazo1->recordMode() == kModeAudioOnly) return;
    newPreview_->show();
    newPreview_->raise();
    newPreview_->activateWindow();
  }

  void centreOnScreen() {
    const QScreen* screen = form_.screen() ? form_.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize size = newPreview_->frameGeometry().size();
    newPreview_->move(
        area.left() + static_cast<int>(std::lround((area.width() - size.width()) / 2.0)),
        area.top() + static_cast<int>(std::lround((area.height() - size.height()) / 2.0)));
  }

  // The window goes, the recorder comes back, and the previewed edit is
  // undone when the engine can undo it.
  void Form_Unload() {
    newPreview_->hide();
    if (!previewing_) return;
    previewing_ = false;
    AppState& state = appState();
    Splicer& tazo = *state.Tazo1;
    if (actions_.isChecked(QStringLiteral("menuRecorder"))) form_.newRecorder()->show();
    iPreview_.setFullScreen(false);
    iPreview_.xClose();
    if (tazo.undoEnabled()) {
      logShortBlock(QStringLiteral("UNDO"));
      QApplication::setOverrideCursor(Qt::WaitCursor);
      const int result = state.Operations->run([&tazo] { return tazo.Undo(); });
      QApplication::restoreOverrideCursor();
      if (result != 0) {
        ShowEditingError();
        logPreviewErrorLine(tazo.errorMesNumber(), QString::fromStdString(tazo.errorMes()));
      }
    }
    iRecorder_.xReOpen();
    iRecorder_.freezeFrame(false);
  }

  void iPreview_NeedSound() {
    if (iPreview_.mode() != kStopped) return;
    for (player::ScrubPane* pane :
         {&iPlayer_, &iRecorder_, form_.findChild<player::ScrubPane*>(QStringLiteral("iImport"))}) {
      if (pane && makesSound(*pane)) pane->xStop();
    }
  }

  ParentForm& form_;
  ActionRegistry& actions_;
  NewPreview* newPreview_;
  player::ScrubPane& iPreview_;
  player::ScrubPane& iPlayer_;
  player::ScrubPane& iRecorder_;
  bool previewing_ = false;
};

}  // namespace

void installPreviewCommands(ParentForm& form) { new PreviewController(form); }

NewPreview* previewWindow(ParentForm& form) {
  return form.findChild<NewPreview*>(QStringLiteral("newPreview"));
}

void endPlayingPreview(ParentForm& form) {
  NewPreview* preview = previewWindow(form);
  if (preview && preview->iPreview()->mode() != kNoClip) preview->requestUnload();
}

}  // namespace cw::app
