// The engine's events while a record runs: the progress window comes up
// with the first Progress event, follows the percentage and lets window
// messages run so that its Cancel button can reach the engine.
#include <QApplication>

#include "app/shell/actions.h"
#include "app/shell/app_state.h"
#include "app/windows/new_progress.h"
#include "app/windows/record_controller.h"
#include "player/scrub_pane.h"

namespace cw::app {

void RecordController::connectEngine() {
  automation::EventSource& events = appState().Tazo1->events();
  progressConnection_ = events.connect("Progress", [this](automation::Args& args) {
    Tazo1_Progress(args.at(0).asInt16(), args.at(1).asInt16());
  });
  doneConnection_ = events.connect("Done", [this](automation::Args&) { Tazo1_Done(); });
  errConnection_ = events.connect("Err", [this](automation::Args&) { Tazo1_Err(); });
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
  QCoreApplication::processEvents();
  newProgress_.ProgressBar1()->setValue(percentage);
  QCoreApplication::processEvents();
}

void RecordController::Tazo1_Done() {
  QCoreApplication::processEvents();
  appState().OperationShown = false;
  newProgress_.hide();
  if (playerHoldsClip()) {
    actions_.setEnabled(QStringLiteral("menuPreview"), true);
    actions_.setEnabled(QStringLiteral("menuRecord"), true);
  }
  QCoreApplication::processEvents();
}

}  // namespace cw::app
