#include "app/windows/help_window.h"

#include <QFileInfo>
#include <QUrl>
#include <QVBoxLayout>

#include "app/shell/editor_session.h"
#include "app/shell/help_files.h"
#include "app/shell/messages.h"

namespace cw::app {

HelpWindow::HelpWindow(const EditorSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(tr("Clipwright Editor Help"));
  setAccessibleName(windowTitle());
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setAccessibleName(tr("Help"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(640, 520);
}

bool HelpWindow::showPage(const QString& page) {
  QString folder = session_.helpFolder;
  if (folder.isEmpty()) folder = helpFolder();
  const QString path = folder + QLatin1Char('/') + page;
  if (folder.isEmpty() || !QFileInfo::exists(path)) {
    exclamation({tr("Cannot find the help page %1.").arg(page)});
    return false;
  }
  browser_->setSearchPaths({folder});
  browser_->setSource(QUrl::fromLocalFile(path));
  show();
  raise();
  activateWindow();
  return true;
}

bool HelpWindow::showContents() { return showPage(contentsPage()); }

bool HelpWindow::showSearch() { return showPage(searchPage()); }

bool HelpWindow::showTopic(int topic) { return showPage(topicPage(topic)); }

}  // namespace cw::app
