// RecorderInfoDialog: the properties of the project movie, as the recorder's
// information (EditorSession::Recorder) holds them. Delete Thumbnail(s) is off
// while it is open.
#pragma once

#include "app/dialogs/info_dialog.h"
#include "app/shell/actions.h"

namespace cw::app {

struct RecorderInfo;

class RecorderInfoDialog : public InfoDialog {
  Q_OBJECT
 public:
  RecorderInfoDialog(const RecorderInfo& info, ActionRegistry& actions, QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ActionRegistry& actions_;
};

}  // namespace cw::app
