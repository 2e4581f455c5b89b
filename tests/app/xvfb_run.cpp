#include "xvfb_run.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

namespace cw::app::testing {

XvfbRun runUnderXvfb(const QString& gtestFilter, const QString& variable, const QString& value) {
  XvfbRun run;
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  run.available = !xvfb.isEmpty();
  if (!run.available) return run;
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "xcb");
  environment.insert(variable, value);
  // Under the leak checker the X client libraries' own caches would count.
  environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") +
                                         (environment.contains("ASAN_OPTIONS") ? ":" : "") +
                                         "detect_leaks=0");
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
