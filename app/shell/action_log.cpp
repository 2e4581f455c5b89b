#include "app/shell/action_log.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

#include "app/shell/editor_session.h"

namespace cw::app {

QString logFilePath(EditorSession& session) {
  return session.tempDir + QLatin1Char('/') + QString::fromLatin1(kLogFileName);
}

void writeLog(EditorSession& session, const QString& line) {
  if (!session.logEnabled) return;
  QFile file(logFilePath(session));
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

void logHead(EditorSession& session, const QString& action) {
  session.lastAction = action;
  logCounterLine(session);
  logActionLine(session);
}

}  // namespace

void logCounterLine(EditorSession& session) {
  writeLog(session, QString::number(session.actionCounter) + QStringLiteral("..."));
}

void logActionLine(EditorSession& session) {
  writeLog(session, QStringLiteral("Action: ") + session.lastAction + QStringLiteral("    ") +
                        generalDateTime());
}

void logStartLine(EditorSession& session) { writeLog(session, QStringLiteral("doProcess")); }

void logCropBlock(EditorSession& session, const QString& source, const QString& destination,
                  double markIn, double markOut, int recordMode) {
  session.actionCounter = 1;
  logHead(session, QStringLiteral("CROP"));
  writeLog(session, QStringLiteral("Source = ") + source);
  writeLog(session, QStringLiteral("Destination = ") + destination);
  writeLog(session, QStringLiteral("Mark In = ") + logNumber(markIn));
  writeLog(session, QStringLiteral("Mark Out = ") + logNumber(markOut));
  writeLog(session, QStringLiteral("Record Mode = ") + QString::number(recordMode));
  logStartLine(session);
}

void logJoinBlock(EditorSession& session, const QString& action, const QString& source,
                  const QString& destination, double markIn, double markOut, double entry) {
  ++session.actionCounter;
  logHead(session, action);
  writeLog(session, QStringLiteral("Source = ") + source);
  writeLog(session, QStringLiteral("Destination = ") + destination);
  writeLog(session, QStringLiteral("Player Mark In = ") + logNumber(markIn));
  writeLog(session, QStringLiteral("Player Mark Out = ") + logNumber(markOut));
  writeLog(session, QStringLiteral("Recorder Entry = ") + logNumber(entry));
  logStartLine(session);
}

void logShortBlock(EditorSession& session, const QString& action) {
  ++session.actionCounter;
  logHead(session, action);
  logStartLine(session);
}

void logCancelLine(EditorSession& session) {
  writeLog(session, QStringLiteral("User Canceled ") + session.lastAction);
}

void logErrorLine(EditorSession& session, const QString& errorMes, int errorNumber) {
  writeLog(session, QStringLiteral("ERROR: ") + errorMes + QStringLiteral("     ") +
                        QString::number(errorNumber));
}

void logRecordedLine(EditorSession& session, const QString& projectPath) {
  writeLog(session, QStringLiteral("File is recorded as: ") + projectPath);
}

void logPreviewErrorLine(EditorSession& session, int errorNumber, const QString& errorMes) {
  writeLog(session, QStringLiteral("Tazo ERROR:   ") + QString::number(errorNumber) +
                        QStringLiteral("\r\n") + errorMes);
}

void logSavedLine(EditorSession& session, const QString& path) {
  writeLog(session, QStringLiteral("File is saved as: ") + path);
}

void logOpenFailure(EditorSession& session, const QString& path, int fileType) {
  writeLog(session, QString());
  writeLog(session, QStringLiteral("CAN'T OPEN   ") + path);
  writeLog(session, QStringLiteral("ShopFileType = ") + QString::number(fileType));
}

}  // namespace cw::app
