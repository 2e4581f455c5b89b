#include "app/shell/action_log.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

#include "app/shell/app_state.h"

namespace cw::app {

QString logFilePath() {
  return appState().TempDir + QLatin1Char('/') + QString::fromLatin1(kLogFileName);
}

void WriteLog(const QString& line) {
  if (!appState().LogEnabled) return;
  QFile file(logFilePath());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
  file.write(line.toUtf8());
  file.write("\r\n");
}

QString logNumber(double value) { return QString::number(value, 'g', 15); }

namespace {

// The date and time in the system's general format: short date, then the time
// with seconds.
QString generalDateTime() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale = QLocale::system();
  return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(now.time(), QStringLiteral("HH:mm:ss"));
}

void logHead(const QString& action) {
  appState().LastAction = action;
  logCounterLine();
  logActionLine();
}

}  // namespace

void logCounterLine() {
  WriteLog(QString::number(appState().ActionCounter) + QStringLiteral("..."));
}

void logActionLine() {
  WriteLog(QStringLiteral("Action: ") + appState().LastAction + QStringLiteral("    ") +
           generalDateTime());
}

void logStartLine() { WriteLog(QStringLiteral("doProcess")); }

void logCropBlock(const QString& source, const QString& destination, double markIn, double markOut,
                  int recordMode) {
  appState().ActionCounter = 1;
  logHead(QStringLiteral("CROP"));
  WriteLog(QStringLiteral("Source = ") + source);
  WriteLog(QStringLiteral("Destination = ") + destination);
  WriteLog(QStringLiteral("Mark In = ") + logNumber(markIn));
  WriteLog(QStringLiteral("Mark Out = ") + logNumber(markOut));
  WriteLog(QStringLiteral("Record Mode = ") + QString::number(recordMode));
  logStartLine();
}

void logJoinBlock(const QString& action, const QString& source, const QString& destination,
                  double markIn, double markOut, double entry) {
  ++appState().ActionCounter;
  logHead(action);
  WriteLog(QStringLiteral("Source = ") + source);
  WriteLog(QStringLiteral("Destination = ") + destination);
  WriteLog(QStringLiteral("Player Mark In = ") + logNumber(markIn));
  WriteLog(QStringLiteral("Player Mark Out = ") + logNumber(markOut));
  WriteLog(QStringLiteral("Recorder Entry = ") + logNumber(entry));
  logStartLine();
}

void logShortBlock(const QString& action) {
  ++appState().ActionCounter;
  logHead(action);
  logStartLine();
}

void logCancelLine() { WriteLog(QStringLiteral("User Canceled ") + appState().LastAction); }

void logErrorLine(const QString& errorMes, int errorNumber) {
  WriteLog(QStringLiteral("ERROR: ") + errorMes + QStringLiteral("     ") +
           QString::number(errorNumber));
}

void logRecordedLine(const QString& projectPath) {
  WriteLog(QStringLiteral("File is recorded as: ") + projectPath);
}

void logPreviewErrorLine(int errorNumber, const QString& errorMes) {
  WriteLog(QStringLiteral("Tazo ERROR:   ") + QString::number(errorNumber) +
           QStringLiteral("\r\n") + errorMes);
}

void logSavedLine(const QString& path) { WriteLog(QStringLiteral("File is saved as: ") + path); }

void logOpenFailure(const QString& path, int fileType) {
  WriteLog(QString());
  WriteLog(QStringLiteral("CAN'T OPEN   ") + path);
  WriteLog(QStringLiteral("ShopFileType = ") + QString::number(fileType));
}

}  // namespace cw::app
