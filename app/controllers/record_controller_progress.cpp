// The engine's events while a record runs: the progress window comes up
// with the first Progress event and follows the percentage; its Cancel
// button reaches the engine at the next report.
#include <QApplication>

#include "app/controllers/record_controller.h"
#include "app/dialogs/progress_dialog.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "player/scrub_pane.h"

namespace cw::app {

// The events come from the worker thread that runs the engine: the window
// work goes to the GUI thread, and a Cancel pressed there reaches the engine
// from its own thread.
void RecordController::connectEngine() {
  Splicer* engine = session_.splicer.get();
  OperationRunner* operations = session_.operations.get();
  progressConnection_ =
      engine->events().connect("Progress", [this, engine, operations](automation::Args& args) {
        const int status = args.at(0).asInt16();
        const int percentage = args.at(1).asInt16();
        if (percentage != lastReported_) {
          lastReported_ = percentage;
          operations->report([this, status, percentage] { onEngineProgress(status, percentage); });
        }
        // The engine looks at a Cancel right after each report below 100 %;
        // one that comes later would leave a finished record reported as
        // cancelled.
        if (percentage < 100 && !cancelDelivered_ && operations->cancelRequested()) {
          engine->Cancel();
          cancelDelivered_ = true;
        }
      });
  doneConnection_ = engine->events().connect("Done", [this, operations](automation::Args&) {
    lastReported_ = -1;
    operations->report([this] { onEngineDone(); });
  });
  errConnection_ =
      engine->events().connect("Err", [this](automation::Args&) { lastReported_ = -1; });
}

void RecordController::onEngineProgress(int status, int percentage) {
  (void)status;
  EditorSession& state = session_;
  if (!state.operationShown) {
    progressDialog_.show();
    progressDialog_.raise();
    progressDialog_.repaint();
    state.operationShown = true;
    setHourglass(false);  // the pointer must let the user reach Cancel
  }
  // At 100 % the engine has written everything and no longer looks at
  // Cancel: a click now would report a finished record as cancelled.
  progressDialog_.cancelButton()->setEnabled(percentage < 100);
  progressDialog_.percentLabel()->setText(QLatin1Char(' ') + QString::number(percentage) +
                                          QStringLiteral(" %"));
  progressDialog_.progressBar()->setValue(percentage);
}

void RecordController::onEngineDone() {
  session_.operationShown = false;
  progressDialog_.hide();
  if (playerHoldsClip()) {
    actions_.setEnabled(QStringLiteral("menuPreview"), true);
    actions_.setEnabled(QStringLiteral("menuRecord"), true);
  }
}

}  // namespace cw::app
