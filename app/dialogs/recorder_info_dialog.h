// RecorderInfoForm: the properties of the project movie, as the recorder's
// information (AppState::Recorder) holds them. Delete Thumbnail(s) is off
// while it is open.
#pragma once

#include "app/shell/actions.h"
#include "app/windows/info_form.h"

namespace cw::app {

class RecorderInfoForm : public InfoForm {
  Q_OBJECT
 public:
  explicit RecorderInfoForm(ActionRegistry& actions, QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ActionRegistry& actions_;
};

}  // namespace cw::app
