// The action log "TazoLog.txt" in the temporary directory: a plain-text trace
// of every engine action with its inputs and outcome. Nothing is written
// unless LogEnabled is set (Ctrl+Alt+F12 in the footage palette, or --log).
// Each line is appended with CR LF; the file is opened and closed per line.
#pragma once

#include <QString>

namespace cw::app {

inline constexpr const char* kLogFileName = "TazoLog.txt";

// The log file's path: TempDir/TazoLog.txt.
QString logFilePath();

// Appends one line when the log is on.
void WriteLog(const QString& line);

// A number as the log writes it: decimal text, shortest form ("12.5", "-1").
QString logNumber(double value);

// --- The blocks written before an engine call -------------------------------
// Each sets LastAction and counts ActionCounter as the record commands do
// before calling; the caller only names the action.

// "CROP": counter, action, source, destination, Mark In / Mark Out / Record
// Mode, "doProcess". Starts the counter at 1.
void logCropBlock(const QString& source, const QString& destination, double markIn, double markOut,
                  int recordMode);
// "APPENDCROP" or "ENTRYCROP": counter, action, source, destination, Player
// Mark In / Player Mark Out / Recorder Entry, "doProcess". Counts one more.
void logJoinBlock(const QString& action, const QString& source, const QString& destination,
                  double markIn, double markOut, double entry);
// "REDO" or "UNDO": counter, action, "doProcess". Counts one more.
void logShortBlock(const QString& action);

// --- Single lines ------------------------------------------------------------
void logCounterLine();  // ActionCounter & "..."
void logActionLine();   // "Action: " & LastAction & four spaces & date and time
void logStartLine();    // "doProcess"
void logCancelLine();   // "User Canceled " & LastAction
void logErrorLine(const QString& errorMes, int errorNumber);         // "ERROR: " ...
void logRecordedLine(const QString& projectPath);                    // "File is recorded as: "
void logPreviewErrorLine(int errorNumber, const QString& errorMes);  // "Tazo ERROR:   " ...
void logSavedLine(const QString& path);                              // "File is saved as: "
void logOpenFailure(const QString& path, int fileType);              // "", "CAN'T OPEN   ", type

}  // namespace cw::app
