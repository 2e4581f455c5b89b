#include "xvfb_run.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include "support/screen_grab.h"

namespace cw::app::testing {

XvfbRun runUnderXvfb(const QString& gtestFilter, const QString& variable, const QString& value) {
  XvfbRun run;
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  run.available = !xvfb.isEmpty();
  if (!run.available) return run;
  QProcess process;
  QProcessEnvironment environment = cw::test::xServerEnvironment();
  environment.insert("QT_QPA_PLATFORM", "xcb");
  environment.insert(variable, value);
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(xvfb, {"-a", "-s", "-screen 0 1280x1024x24",
                       QCoreApplication::applicationFilePath(), "--gtest_filter=" + gtestFilter});
  run.finished = process.waitForFinished(120000);
  run.exitCode = process.exitCode();
  run.output = process.readAll().toStdString();
  return run;
}

}  // namespace cw::app::testing
