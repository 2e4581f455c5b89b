// Record commands: record modes, Record, Undo, pre-roll, the engine's
// events and the player and recorder windows' events.
#include "app/controllers/record_controller.h"
#include "app/commands/commands.h"
#include "app/controllers/transport_keys.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "app/windows/main_window.h"

namespace cw::app {

RecordController::RecordController(MainWindow& form)
    : QObject(&form),
      form_(form),
      session_(form.session()),
      actions_(form.actions()),
      playerWindow_(*form.playerWindow()),
      recorderWindow_(*form.recorderWindow()),
      progressDialog_(*form.progressDialog()),
      playerPane_(*form.playerWindow()->playerPane()),
      recorderPane_(*form.recorderWindow()->recorderPane()) {
  setObjectName(QStringLiteral("recordController"));
  connectEngine();
  connectModeMenus();
  connectWindows();
}

RecordController::~RecordController() {
  automation::EventSource& events = session_.splicer->events();
  for (automation::ConnectionId id : {progressConnection_, doneConnection_, errConnection_}) {
    if (id) events.disconnect(id);
  }
}

void RecordController::connectWindows() {
  auto on = [this](const char* name, auto handler) {
    connect(actions_.action(QLatin1String(name)), &QAction::triggered, this, handler);
  };
  on("menuRecord", [this] { onRecordClicked(); });
  on("mnuEditUndo", [this] { onUndoRecord(); });
  on("menuPreroll1", [this] { setPreRoll(1); });
  on("menuPreroll3", [this] { setPreRoll(3); });
  on("menuPreroll5", [this] { setPreRoll(5); });
  on("menuPreroll7", [this] { setPreRoll(7); });
  on("menuPrerollFull", [this] { setPreRoll(0); });
  on("mnuPrefExactCuts", [this] {
    session_.splicer->setExactCut(actions_.isChecked(QStringLiteral("mnuPrefExactCuts")));
  });

  connect(recorderWindow_.recordButton(), &QPushButton::clicked, this,
          [this] { onRecordClicked(); });
  connect(&recorderPane_, &player::ScrubPane::Ejected, this, [this] { onRecorderEjected(); });
  connect(&recorderPane_, &player::ScrubPane::MarkOutChanged, this,
          [this] { session_.redoArmed = false; });
  connect(&recorderPane_, &player::ScrubPane::NeedSound, this, [this] { onRecorderNeedsSound(); });
  // Escape in the recorder ends the preview, the one way to stop an
  // audio-only preview, which plays without its window.
  connect(&recorderWindow_, &RecorderWindow::escapePressed, this, [this] { endPreview(); });

  connect(&playerWindow_, &PlayerWindow::clipDropped, this, [this](int clip) { loadClip(clip); });
  connect(form_.footageWindow(), &FootageWindow::clipActivated, this,
          [this](int clip) { loadClip(clip); });
  connect(&playerPane_, &player::ScrubPane::Ejected, this, [this] { onPlayerEjected(); });
  for (auto changed : {&player::ScrubPane::MarkInChanged, &player::ScrubPane::MarkOutChanged}) {
    connect(&playerPane_, changed, this, [this] { session_.redoArmed = false; });
  }
  connect(&playerPane_, &player::ScrubPane::NeedSound, this, [this] { onPlayerNeedsSound(); });

  // Closing the player or recorder window hides it through its Windows item.
  connect(&playerWindow_, &PlayerWindow::closeRequested, this,
          [this] { actions_.action(QStringLiteral("menuPlayer"))->trigger(); });
  connect(&recorderWindow_, &RecorderWindow::closeRequested, this,
          [this] { actions_.action(QStringLiteral("menuRecorder"))->trigger(); });

  new TransportKeys(&playerWindow_, &playerPane_);
  new TransportKeys(&recorderWindow_, &recorderPane_);
}

void installRecordCommands(MainWindow& form) { new RecordController(form); }

void resetRecorderAtStart(MainWindow& form) {
  if (auto* controller = form.findChild<RecordController*>()) {
    controller->generateRecorderInfo(QString());
  }
}

}  // namespace cw::app
