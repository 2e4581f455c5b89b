// Moving the project's working files (the temporary project, its two
// journals, and the lock and state file that keep it recoverable) to another
// temporary directory. The move is all or nothing: the lock is taken in the
// new folder and every file copied first, and only when every copy (and the
// new state file) succeeded do the paths switch and the old files go;
// otherwise the copies are removed and the project stays where it was.
#pragma once

#include <QString>

#include "app/shell/editor_session.h"

namespace cw::app {

class WorkingSession;

// The three working files by full path (a journal that was never written
// does not exist yet and is skipped).
struct WorkingFiles {
  QString project;
  QString undo;
  QString redo;
};

WorkingFiles currentWorkingFiles(const EditorSession& state);
// The same names in `folder`.
WorkingFiles workingFilesIn(const WorkingFiles& files, const QString& folder);

// A temporary directory as stored: clean, without a trailing "/" (the root
// stays "/").
QString tempDirText(const QString& folder);
// Whether two folder paths name the same folder (symbolic links resolved).
bool sameFolder(const QString& a, const QString& b);

struct MoveOutcome {
  bool ok = true;
  QString failedPath;  // the file that could not be copied
  QString reason;      // why
};

// Copies the existing working files of `state` into `folder`, then points
// RecordFilePath and the engine's record and journal names there and
// deletes the old files (RecordBaseName.* and both journals). The session's
// lock and state file move with them. On a failure nothing changes and what
// was already made in `folder` is removed.
MoveOutcome moveWorkingFiles(EditorSession& state, const QString& folder,
                             WorkingSession* session = nullptr);

}  // namespace cw::app
