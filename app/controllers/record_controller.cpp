// Record commands: record modes, Record, Undo, pre-roll, the engine's
// events and the player and recorder windows' events.
#include "app/shell/actions.h"
#include "app/shell/app_state.h"
#include "app/windows/commands.h"
#include "app/windows/parent_form.h"
#include "app/windows/record_controller.h"
#include "app/windows/transport_keys.h"

namespace cw::app {

RecordController::RecordController(ParentForm& form)
    : QObject(&form),
      form_(form),
      actions_(form.actions()),
      newPlayer_(*form.newPlayer()),
      newRecorder_(*form.newRecorder()),
      newProgress_(*form.newProgress()),
      iPlayer_(*form.newPlayer()->iPlayer()),
      iRecorder_(*form.newRecorder()->iRecorder()) {
  setObjectName(QStringLiteral("recordController"));
  connectEngine();
  connectModeMenus();
  connectWindows();
}

RecordController::~RecordController() {
  automation::EventSource& events = appState().Tazo1->events();
  for (automation::ConnectionId id : {progressConnection_, doneConnection_, errConnection_}) {
    if (id) events.disconnect(id);
  }
}

void RecordController::connectWindows() {
  auto on = [this](const char* name, auto handler) {
    connect(actions_.action(QLatin1String(name)), &QAction::triggered, this, handler);
  };
  on("menuRecord", [this] { butRecord_Click(); });
  on("mnuEditUndo", [this] { mnuEditUndo_Click(); });
  on("menuPreroll1", [this] { setPreRoll(1); });
  on("menuPreroll3", [this] { setPreRoll(3); });
  on("menuPreroll5", [this] { setPreRoll(5); });
  on("menuPreroll7", [this] { setPreRoll(7); });
  on("menuPrerollFull", [this] { setPreRoll(0); });
  on("mnuPrefExactCuts", [this] {
    appState().Tazo1->setExactCut(actions_.isChecked(QStringLiteral("mnuPrefExactCuts")));
  });

  connect(newRecorder_.butRecord(), &QPushButton::clicked, this, [this] { butRecord_Click(); });
  connect(&iRecorder_, &player::ScrubPane::Ejected, this, [this] { iRecorder_Ejected(); });
  connect(&iRecorder_, &player::ScrubPane::MarkOutChanged, this,
          [] { appState().RedoArmed = false; });
  connect(&iRecorder_, &player::ScrubPane::NeedSound, this, [this] { iRecorder_NeedSound(); });
  // Escape in the recorder ends the preview, the one way to stop an
  // audio-only preview, which plays without its window.
  connect(&newRecorder_, &NewRecorder::escapePressed, this, [this] { endPreview(); });

  connect(&newPlayer_, &NewPlayer::clipDropped, this, [this](int clip) { loadClip(clip); });
  connect(form_.footageForm(), &FootageForm::clipActivated, this,
          [this](int clip) { loadClip(clip); });
  connect(&iPlayer_, &player::ScrubPane::Ejected, this, [this] { iPlayer_Ejected(); });
  for (auto changed : {&player::ScrubPane::MarkInChanged, &player::ScrubPane::MarkOutChanged}) {
    connect(&iPlayer_, changed, this, [] { appState().RedoArmed = false; });
  }
  connect(&iPlayer_, &player::ScrubPane::NeedSound, this, [this] { iPlayer_NeedSound(); });

  // Closing the player or recorder window hides it through its Windows item.
  connect(&newPlayer_, &NewPlayer::closeRequested, this,
          [this] { actions_.action(QStringLiteral("menuPlayer"))->trigger(); });
  connect(&newRecorder_, &NewRecorder::closeRequested, this,
          [this] { actions_.action(QStringLiteral("menuRecorder"))->trigger(); });

  new TransportKeys(&newPlayer_, &iPlayer_);
  new TransportKeys(&newRecorder_, &iRecorder_);
}

void installRecordCommands(ParentForm& form) { new RecordController(form); }

void resetRecorderAtStart(ParentForm& form) {
  if (auto* controller = form.findChild<RecordController*>()) {
    controller->generateRecorderInfo(QString());
  }
}

}  // namespace cw::app
