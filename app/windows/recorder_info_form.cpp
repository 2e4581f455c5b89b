#include "app/windows/recorder_info_form.h"

#include <QCloseEvent>

#include "app/shell/app_state.h"

namespace cw::app {

RecorderInfoForm::RecorderInfoForm(ActionRegistry& actions, QWidget* parent)
    : InfoForm("RecorderInfoForm", parent), actions_(actions) {
  actions_.setEnabled("mnuDelete", false);
  const RecorderInfo& info = appState().Recorder;
  fill(info.FileName, factsOf(info, info.FileName, info.Length));
}

void RecorderInfoForm::closeEvent(QCloseEvent* event) {
  actions_.setEnabled("mnuDelete", true);
  InfoForm::closeEvent(event);
}

}  // namespace cw::app
