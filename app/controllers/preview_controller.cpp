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

#include "app/commands/commands.h"
#include "app/controllers/record_controller.h"
#include "app/shell/action_log.h"
#include "app/shell/actions.h"
#include "app/shell/editing_error.h"
#include "app/shell/editor_session.h"
#include "app/windows/main_window.h"
#include "app/windows/preview_window.h"
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
  explicit PreviewController(MainWindow& form)
      : QObject(&form),
        form_(form),
        session_(form.session()),
        actions_(form.actions()),
        previewWindow_(new PreviewWindow(&form)),
        previewPane_(*previewWindow_->previewPane()),
        playerPane_(*form.playerWindow()->playerPane()),
        recorderPane_(*form.recorderWindow()->recorderPane()) {
    setObjectName(QStringLiteral("previewController"));
    connect(actions_.action(QStringLiteral("menuPreview")), &QAction::triggered, this,
            [this] { onPreviewPressed(); });
    connect(previewWindow_, &PreviewWindow::unloadRequested, this, [this] { unloadPreview(); });
    connect(&previewPane_, &player::ScrubPane::NeedSound, this, [this] { onPreviewNeedsSound(); });
    form.recorderWindow()->previewButton()->installEventFilter(this);
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
      onPreviewPressed();
      return true;
    }
    return false;
  }

 private:
  void onPreviewPressed() {
    EditorSession& state = session_;
    if (previewing_ || !actions_.isEnabled(QStringLiteral("menuPreview")) ||
        playerPane_.mode() == kNoClip) {
      return;
    }
    RecordController* records = form_.findChild<RecordController*>();
    if (!records) return;
    state.previewMode = true;
    if (!records->recordClip()) return;
    previewing_ = true;
    actions_.setEnabled(QStringLiteral("mnuEditUndo"), false);

    previewPane_.setCurrExt(state.projectExtension);
    previewPane_.setSource(state.recordFilePath);
    const bool opened = previewPane_.xOpen() == 0;
    previewWindow_->applyWindowSize(state.previewWinSize);
    previewWindow_->setFullScreenOnShow(state.previewWinSize == 0);
    centreOnScreen();
    if (state.preRoll != 0) {
      previewPane_.xSeek(std::max(0.0, recorderPane_.markOut() - state.preRoll));
    }
    // A preview that cannot play would never reach its end: without this an
    // audio-only one would leave its edit in the project for good.
    if (!opened || previewPane_.xPlay() != 0) {
      unloadPreview();
      return;
    }
    if (state.splicer->recordMode() == kModeAudioOnly) return;
    previewWindow_->show();
    previewWindow_->raise();
    previewWindow_->activateWindow();
  }

  void centreOnScreen() {
    const QScreen* screen = form_.screen() ? form_.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize size = previewWindow_->frameGeometry().size();
    previewWindow_->move(
        area.left() + static_cast<int>(std::lround((area.width() - size.width()) / 2.0)),
        area.top() + static_cast<int>(std::lround((area.height() - size.height()) / 2.0)));
  }

  // The window goes, the recorder comes back, and the previewed edit is
  // undone when the engine can undo it.
  void unloadPreview() {
    previewWindow_->hide();
    if (!previewing_) return;
    previewing_ = false;
    EditorSession& state = session_;
    Splicer& splicer = *state.splicer;
    if (actions_.isChecked(QStringLiteral("menuRecorder"))) form_.recorderWindow()->show();
    previewPane_.setFullScreen(false);
    previewPane_.xClose();
    if (splicer.undoEnabled()) {
      logShortBlock(session_, QStringLiteral("UNDO"));
      QApplication::setOverrideCursor(Qt::WaitCursor);
      const int result = state.operations->run([&splicer] { return splicer.Undo(); });
      QApplication::restoreOverrideCursor();
      if (result != 0) {
        showEditingError(splicer);
        logPreviewErrorLine(session_, splicer.errorMesNumber(),
                            QString::fromStdString(splicer.errorMes()));
      }
    }
    recorderPane_.xReOpen();
    recorderPane_.freezeFrame(false);
  }

  void onPreviewNeedsSound() {
    if (previewPane_.mode() != kStopped) return;
    for (player::ScrubPane* pane :
         {&playerPane_, &recorderPane_,
          form_.findChild<player::ScrubPane*>(QStringLiteral("iImport"))}) {
      if (pane && makesSound(*pane)) pane->xStop();
    }
  }

  MainWindow& form_;
  EditorSession& session_;
  ActionRegistry& actions_;
  PreviewWindow* previewWindow_;
  player::ScrubPane& previewPane_;
  player::ScrubPane& playerPane_;
  player::ScrubPane& recorderPane_;
  bool previewing_ = false;
};

}  // namespace

void installPreviewCommands(MainWindow& form) { new PreviewController(form); }

PreviewWindow* previewWindow(MainWindow& form) {
  return form.findChild<PreviewWindow*>(QStringLiteral("newPreview"));
}

void endPlayingPreview(MainWindow& form) {
  PreviewWindow* preview = previewWindow(form);
  if (preview && preview->previewPane()->mode() != kNoClip) preview->requestUnload();
}

}  // namespace cw::app
