// clipwright: the editor. --help and --version answer before any window
// exists; the files named on the command line open as clips once the main
// window's second start-up stage runs.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>

#include "app/shell/command_line.h"
#include "app/shell/editor_session.h"
#include "app/shell/settings.h"
#include "app/windows/main_window.h"

int main(int argc, char** argv) {
  using namespace cw::app;
  const CommandLine line = parseCommandLine(argc, argv);
  if (!line.error.isEmpty()) {
    std::fprintf(stderr, "clipwright: %s\n%s", qPrintable(line.error), qPrintable(usageText()));
    return 2;
  }
  if (line.help || line.version) {
    std::fputs(qPrintable(line.help ? usageText() : versionText()), stdout);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("clipwright"));
  QApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationName));
  // The desktop matches windows to clipwright.desktop by this name; the icon
  // comes from the installed theme, or from the program itself when run from
  // a build folder.
  QGuiApplication::setDesktopFileName(QStringLiteral("clipwright"));
  QIcon builtIn;
  for (const char* size : {"48", "128", "256"})
    builtIn.addFile(QStringLiteral(":/icons/clipwright-%1.png").arg(QLatin1String(size)));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("clipwright"), builtIn));
  auto session = std::make_unique<EditorSession>();
  session->commandLineFiles = line.files;

  MainWindow form(std::move(session));
  QObject::connect(&form, &MainWindow::exitRequested, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  if (!form.startUp()) return 1;
  if (line.log) form.session().logEnabled = true;
  form.resize(1000, 720);
  form.show();
  return app.exec();
}
