// ClipInfoDialog: the properties of one clip of the footage palette, with the
// clip's alias (its display name) editable in txtAlias. While it is open the
// clip is marked as having its information window, and Delete Thumbnail(s)
// is off.
#pragma once

#include <QLineEdit>

#include "app/dialogs/info_dialog.h"
#include "app/shell/actions.h"

namespace cw::app {

struct EditorSession;

class ClipInfoDialog : public InfoDialog {
  Q_OBJECT
 public:
  ClipInfoDialog(EditorSession& session, ActionRegistry& actions, int clipIndex,
                 QWidget* parent = nullptr);

  int clipIndex() const { return clipIndex_; }
  QLineEdit* txtAlias() const { return txtAlias_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void onAliasEdited(const QString& text);

  EditorSession& session_;
  ActionRegistry& actions_;
  int clipIndex_;
  QLineEdit* txtAlias_ = nullptr;
};

}  // namespace cw::app
