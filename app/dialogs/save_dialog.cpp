#include "app/dialogs/save_dialog.h"

#include <QFileInfo>

#include "app/shell/messages.h"
#include "app/shell/saving.h"

namespace cw::app {

void prepareSaveDialog(QFileDialog& dialog, const QString& title, const QStringList& filters,
                       int selectedFilter, const QString& defaultSuffix) {
  dialog.setWindowTitle(title);
  dialog.setObjectName(QStringLiteral("CommonDialog1"));
  dialog.setAccessibleName(title);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(filters.value(selectedFilter));
  dialog.setDefaultSuffix(defaultSuffix);
  // The question is the editor's own (a message box tests can answer).
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
}

QString askSaveName(QFileDialog& dialog, QString& lastFolder) {
  for (;;) {
    if (dialog.exec() != QDialog::Accepted) return {};
    const QString path = dialog.selectedFiles().value(0);
    if (path.isEmpty()) return {};
    lastFolder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(path)) return path;
    const MessageAnswer replace =
        askYesNo(replaceFileLines(path), MessageIcon::Exclamation, MessageAnswer::No);
    if (replace == MessageAnswer::Yes) return path;
    dialog.setDirectory(lastFolder);
  }
}

}  // namespace cw::app
