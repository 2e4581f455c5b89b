// Keeping the working project recoverable: the session of the working files
// and the recovery question at start-up.
#include <QFile>
#include <QFileInfo>

#include "app/commands/commands.h"
#include "app/controllers/record_controller.h"
#include "app/controllers/save_controller.h"
#include "app/controllers/session_keeper.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/shell/operation_runner.h"
#include "app/windows/main_window.h"
#include "engine/common/record_mode.h"
#include "player/scrub_pane.h"

namespace cw::app {

namespace {

constexpr int kCheckMs = 2000;

SessionKeeper* keeperOf(MainWindow& form) {
  return form.findChild<SessionKeeper*>(QStringLiteral("sessionKeeper"));
}

QStringList recoveryQuestion(const SessionState& run) {
  return {QStringLiteral("Clipwright Editor did not end normally when it last ran."),
          QStringLiteral("Its unsaved project (") + QString::number(run.length / 1024) +
              QStringLiteral(" Kilobytes) is still in the temporary folder."),
          QStringLiteral("Do you want to recover it?")};
}

}  // namespace

SessionKeeper::SessionKeeper(MainWindow& form)
    : QObject(&form), form_(form), editorSession_(form.session()) {
  setObjectName(QStringLiteral("sessionKeeper"));
  timer_.setInterval(kCheckMs);
  connect(&timer_, &QTimer::timeout, this, &SessionKeeper::update);
  // Connected after the record commands: these run when a command has ended.
  ActionRegistry& actions = form.actions();
  for (const char* name : {"menuRecord", "mnuEditUndo", "menuPreview", "menuMake"})
    connect(actions.action(QLatin1String(name)), &QAction::triggered, this, &SessionKeeper::update);
  RecorderWindow& recorder = *form.recorderWindow();
  for (QPushButton* button :
       {recorder.recordButton(), recorder.previewButton(), recorder.makeButton()})
    connect(button, &QPushButton::clicked, this, &SessionKeeper::update);
  connect(recorder.recorderPane(), &player::ScrubPane::Ejected, this, &SessionKeeper::update);
  if (auto* saving = form.findChild<SaveController*>())
    connect(saving, &SaveController::projectChanged, this, &SessionKeeper::update);
}

void SessionKeeper::claim() {
  session_.claim(editorSession_);
  // The state file follows every change as soon as the project is durable.
  editorSession_.splicer->setPersistHandler(
      [this](const HistoryFlags& history) { session_.persist(editorSession_, history); });
  written_ = signature();
  timer_.start();
}

QString SessionKeeper::signature() const {
  const EditorSession& state = editorSession_;
  const HistoryFlags flags = state.splicer->history();
  const QFileInfo project(state.recordFilePath);
  return QStringList{state.tempDir,
                     state.recordFilePath,
                     state.projectExtension,
                     QString::fromStdString(state.splicer->undoFileName()),
                     QString::fromStdString(state.splicer->redoFileName()),
                     QString::number(state.splicer->recordMode()),
                     QString::number(flags.undoEnabled),
                     QString::number(flags.redoEnabled),
                     QString::number(flags.undoFileValid),
                     QString::number(flags.redoFileValid),
                     QString::number(project.isFile() ? project.size() : -1),
                     QString::number(form_.recorderWindow()->recorderPane()->movieSaved()),
                     QString::number(form_.action(QStringLiteral("mnuEditUndo"))->isEnabled()),
                     QString::number(state.previewMode)}
      .join(QLatin1Char('\n'));
}

void SessionKeeper::update() {
  if (form_.ended() || !session_.holdsLock()) return;
  // While the engine works every command is locked, Undo Record too: the
  // menus say nothing of the history then. The engine keeps the state file
  // current itself (the persist handler), and the command's end updates it.
  const OperationRunner* operations = editorSession_.operations.get();
  if (operations && operations->running()) return;
  const QString now = signature();
  if (now == written_) return;
  // A preview holds its edit in the project until its window closes: a run
  // that ends with a preview open comes back with that edit undoable.
  const EditorSession& state = editorSession_;
  const bool undoItem = form_.action(QStringLiteral("mnuEditUndo"))->isEnabled() ||
                        (state.previewMode && state.splicer->undoEnabled());
  session_.update(state, form_.recorderWindow()->recorderPane()->movieSaved(), undoItem);
  written_ = now;
}

void SessionKeeper::offerRecovery() {
  EditorSession& state = editorSession_;
  std::vector<AbandonedRun> runs = session_.abandonedRuns(state.tempDir);
  bool opened = false;
  for (AbandonedRun& run : runs) {
    // A project that cannot be mended now is left for a later start.
    if (!run.mendInterruptedRecord()) continue;
    if (!run.recoverable()) {
      WorkingSession::discard(run);
      continue;
    }
    if (opened) continue;  // one project at a time: the others wait for the next start
    if (askYesNo(recoveryQuestion(run.state)) == MessageAnswer::Yes) {
      const SessionState recovered = run.state;
      session_.adopt(state, run);
      opened = openRecovered(recovered);
    } else {
      WorkingSession::discard(run);
    }
  }
  written_.clear();
  update();
}

// The recovered project in the recorder as after its last record, with Undo
// and Redo as they were.
bool SessionKeeper::openRecovered(const SessionState& recovered) {
  EditorSession& state = editorSession_;
  auto* records = form_.findChild<RecordController*>();
  if (!records) return false;
  state.projectProbe->setShopFileName(QFile::encodeName(state.recordFilePath).toStdString());
  state.projectProbe->doQuickAnalys();
  player::ScrubPane& recorder = *form_.recorderWindow()->recorderPane();
  recorder.setCurrExt(state.projectExtension);
  recorder.setSource(state.recordFilePath);
  recorder.xOpen();
  records->generateRecorderInfo(recorder.source());
  // Undo works on the project's information as the last record left it.
  state.splicer->setRecInfoHand(state.recorderInfoHandle);
  if (state.projectFrameRate > 0) recorder.setStepSize(1.0 / state.projectFrameRate);
  recorder.setMovieSaved(recovered.movieSaved);
  recorder.setAudioOnly(recovered.recordMode == kModeAudioOnly);
  state.redoArmed = false;
  state.movieMade = false;
  const QString caption = RecordController::movieCaption(recovered.recordMode);
  form_.recorderWindow()->setWindowTitle(caption);
  form_.recorderWindow()->setAccessibleName(caption);
  ActionRegistry& actions = form_.actions();
  for (const char* name : {"menuSaveAs", "mnuSaveAndClose", "menuExport", "menuMake"})
    actions.setEnabled(QLatin1String(name), true);
  actions.setEnabled(QStringLiteral("mnuEditUndo"),
                     recovered.undoItem && recovered.history.undoEnabled);
  records->lockModeMenus(recovered.recordMode);
  return true;
}

void startWorkingSession(MainWindow& form) {
  if (SessionKeeper* keeper = keeperOf(form)) keeper->claim();
}

void offerRecovery(MainWindow& form) {
  if (SessionKeeper* keeper = keeperOf(form)) keeper->offerRecovery();
}

void endWorkingSession(MainWindow& form) {
  if (SessionKeeper* keeper = keeperOf(form)) keeper->session().release();
}

}  // namespace cw::app
