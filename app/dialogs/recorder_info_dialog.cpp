#include "app/dialogs/recorder_info_dialog.h"

#include <QCloseEvent>
#include <QFile>

#include "app/shell/editor_session.h"
#include "engine/edit/stream_check.h"

namespace cw::app {

namespace {

// The project checked against the decoder buffers and the stream syntax:
// "Checked: no problems" or the first problem found.
QString checkedText(const QString& path) {
  CheckReport report;
  if (checkFile(QFile::encodeName(path).toStdString(), report) != 0)
    return QStringLiteral("Checked: the project could not be read");
  return QStringLiteral("Checked: ") + QString::fromStdString(checkVerdict(report));
}

}  // namespace

RecorderInfoDialog::RecorderInfoDialog(const RecorderInfo& info, ActionRegistry& actions,
                                       QWidget* parent)
    : InfoDialog("RecorderInfoForm", parent), actions_(actions) {
  actions_.setEnabled("mnuDelete", false);
  fill(info.fileName, factsOf(info, info.fileName, info.length));
  if (info.fileName.isEmpty()) return;
  auto* checked = new QLabel(checkedText(info.fileName), this);
  checked->setObjectName(QStringLiteral("labChecked"));
  checked->setWordWrap(true);
  grid()->addWidget(checked, grid()->rowCount(), 0, 1, 2);
}

void RecorderInfoDialog::closeEvent(QCloseEvent* event) {
  actions_.setEnabled("mnuDelete", true);
  InfoDialog::closeEvent(event);
}

}  // namespace cw::app
