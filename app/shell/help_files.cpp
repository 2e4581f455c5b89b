#include "app/shell/help_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace cw::app {

QString helpFolder() {
  const QString exeDir = QCoreApplication::applicationDirPath();
  for (const QString& candidate :
       {exeDir + QStringLiteral("/../share/clipwright/help"), exeDir + QStringLiteral("/help")}) {
    if (QFileInfo::exists(candidate + QLatin1Char('/') + contentsPage()))
      return QDir::cleanPath(candidate);
  }
  return {};
}

QString contentsPage() { return QStringLiteral("contents.html"); }

QString searchPage() { return QStringLiteral("search.html"); }

QString topicPage(int topic) { return QStringLiteral("topic-%1.html").arg(topic); }

}  // namespace cw::app
