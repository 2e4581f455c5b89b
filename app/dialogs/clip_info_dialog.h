// ClipInfoForm: the properties of one clip of the footage palette, with the
// clip's alias (its display name) editable in txtAlias. While it is open the
// clip is marked as having its information window, and Delete Thumbnail(s)
// is off.
#pragma once

#include <QLineEdit>

#include "app/shell/actions.h"
#include "app/windows/info_form.h"

namespace cw::app {

class ClipInfoForm : public InfoForm {
  Q_OBJECT
 public:
  ClipInfoForm(ActionRegistry& actions, int clipIndex, QWidget* parent = nullptr);

  int clipIndex() const { return clipIndex_; }
  QLineEdit* txtAlias() const { return txtAlias_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void txtAlias_Change(const QString& text);

  ActionRegistry& actions_;
  int clipIndex_;
  QLineEdit* txtAlias_ = nullptr;
};

}  // namespace cw::app
