// The engine's events while a record runs: the progress window comes up
// with the first Progress event and follows the percentage; its Cancel
// button reaches the engine at the next report.
#include <QApplication>

#include "app/shell/actions.h"
#include "app/shell/app_state.h"
#include "app/windows/new_progress.h"
#include "app/windows/record_controller.h"
#include "player/scrub_pane.h"

namespace cw::app {

// The events come from the worker thread that runs the engine: the window
// work goes to the GUI thread, and a Cancel pressed there reaches the engine
// from its own thread.
void RecordController::connectEngine() {
  Splicer* engine = appState().Tazo1.get();
  OperationRunner* operations = appState().Operations.get();
  progressConnection_ =
      engine->events().connect("Progress", [this, engine, operations](automation::Args& args) {
        const int status = args.at(0).asInt16();
        const int percentage = args.at(1).asInt16();
        if (percentage != lastReported_) {
          lastReported_ = percentage;
          operations->report([this, status, percentage] { Tazo1_Progress(status, percentage); });
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
    operations->report([this] { Tazo1_Done(); });
  });
  errConnection_ =
      engine->events().connect("Err", [this](automation::Args&) { lastReported_ = -1; });
}

void RecordController::Tazo1_Progress(int status, int percentage) {
  (void)status;
  AppState& state = appState();
  if (!state.OperationShown) {
    newProgress_.show();
    newProgress_.raise();
    newProgress_.repaint();
    state.OperationShown = true;
    setHourglass(false);  // the pointer must let the user reach Cancel
  }
  // At 100 % the engine has written everything and no longer looks at
  // Cancel: a click now would report a finished record as cancelled.
  newProgress_.butCancel()->setEnabled(percentage < 100);
  newProgress_.labPercent()->setText(QLatin1Char(' ') + QString::number(percentage) +
                                     QStringLiteral(" %"));
  newProgress_.ProgressBar1()->setValue(percentage);
}

void RecordController::Tazo1_Done() {
  appState().OperationShown = false;
  newProgress_.hide();
  if (playerHoldsClip()) {
    actions_.setEnabled(QStringLiteral("menuPreview"), true);
    actions_.setEnabled(QStringLiteral("menuRecord"), true);
  }
}

}  // namespace cw::app
