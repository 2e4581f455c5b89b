// The main window's save dialog (CommonDialog1) as the commands that write a
// file use it: Qt's own dialog, whose filters match extensions without
// regard to case, and the question before an existing file is replaced.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

namespace cw::app {

// Title, filters, the entry selected (0-based) and the suffix a name typed
// without one gets.
void prepareSaveDialog(QFileDialog& dialog, const QString& title, const QStringList& filters,
                       int selectedFilter, const QString& defaultSuffix);

// Shows the dialog until the user names a new file or agrees to replace the
// one he named; empty when he cancels. `lastFolder` follows his folder.
QString askSaveName(QFileDialog& dialog, QString& lastFolder);

}  // namespace cw::app
