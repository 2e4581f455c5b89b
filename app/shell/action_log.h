// The action log "TazoLog.txt" in the temporary directory: a plain-text trace
// of every engine action with its inputs and outcome. Nothing is written
// unless the session's logEnabled is set (Ctrl+Alt+F12 in the footage
// palette, or --log).
// Each line is appended with CR LF; the file is opened and closed per line.
#pragma once

#include <QString>

namespace cw::app {

struct EditorSession;

inline constexpr const char* kLogFileName = "TazoLog.txt";

// The log file's path: tempDir/TazoLog.txt.
QString logFilePath(EditorSession& session);

// Appends one line when the session's log is on.
void writeLog(EditorSession& session, const QString& line);

// A number as the log writes it: decimal text, shortest form ("12.5", "-1").
QString logNumber(double value);

// --- The blocks written before an engine call -------------------------------
// Each sets lastAction and counts actionCounter as the record commands do
// before calling; the caller only names the action.

// "CROP": counter, action, source, destination, Mark In / Mark Out / Record
// Mode, "doProcess". Starts the counter at 1.
void logCropBlock(EditorSession& session, const QString& source, const QString& destination,
                  double markIn, double markOut, int recordMode);
// "APPENDCROP" or "ENTRYCROP": counter, action, source, destination, Player
// Mark In / Player Mark Out / Recorder Entry, "doProcess". Counts one more.
void logJoinBlock(EditorSession& session, const QString& action, const QString& source,
                  const QString& destination, double markIn, double markOut, double entry);
// "REDO" or "UNDO": counter, action, "doProcess". Counts one more.
void logShortBlock(EditorSession& session, const QString& action);

// --- Single lines ------------------------------------------------------------
// actionCounter & "..."
void logCounterLine(EditorSession& session);
// "Action: " & lastAction & four spaces & date and time
void logActionLine(EditorSession& session);
// "doProcess"
void logStartLine(EditorSession& session);
// "User Canceled " & lastAction
void logCancelLine(EditorSession& session);
// "ERROR: " & the engine's text & five spaces & its number
void logErrorLine(EditorSession& session, const QString& errorMes, int errorNumber);
// "File is recorded as: " & the project
void logRecordedLine(EditorSession& session, const QString& projectPath);
// "Tazo ERROR:   " & number, then the engine's text on a line of its own
void logPreviewErrorLine(EditorSession& session, int errorNumber, const QString& errorMes);
// "File is saved as: " & path
void logSavedLine(EditorSession& session, const QString& path);
// An empty line, "CAN'T OPEN   " & path, "ShopFileType = " & type
void logOpenFailure(EditorSession& session, const QString& path, int fileType);

}  // namespace cw::app
