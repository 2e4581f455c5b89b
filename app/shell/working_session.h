// The working files of one running editor, kept so that a crash loses
// nothing: beside the temporary project and its two journals, TempDir holds
// RecordBaseName.lock (the owner's process id, held while the editor runs)
// and RecordBaseName.state (record mode, history flags, project length and
// the names of the journals, rewritten after every change). Both share the
// project's base name, so the exit's clean-up takes them with the project
// and no other editor picks that number while they are there.
//
// A state file whose lock no living process holds belongs to a run that
// did not end: the next editor offers to recover it.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>
#include <vector>

#include "app/shell/editor_session.h"

namespace cw::app {

// What the state file records.
struct SessionState {
  QString project;    // the temporary project file
  QString extension;  // ProjectExtension
  QString undo;       // the engine's journals
  QString redo;
  int recordMode = 0;
  HistoryFlags history;
  qint64 length = -1;      // the project's length when written; -1 no project
  bool movieSaved = true;  // the recorder's MovieSaved
  bool undoItem = false;   // Edit > Undo Record was enabled
};

QString lockPathOf(const QString& tempDir, const QString& baseName);
QString statePathOf(const QString& tempDir, const QString& baseName);

bool writeSessionState(const QString& path, const SessionState& session);
bool readSessionState(const QString& path, SessionState& session);

// A run that did not end cleanly, with its lock now held by this editor.
struct AbandonedRun {
  QString baseName;
  QString statePath;
  SessionState state;
  std::unique_ptr<QLockFile> lock;
  // The project is there and as long as the state says: it can be opened.
  bool recoverable() const;
  // A record, undo or redo that the crash cut short is rolled back (or
  // completed) from the project's intent record and journals, and the state
  // file is brought in line, before the project is offered. False when the
  // project could not be mended.
  bool mendInterruptedRecord();
};

class WorkingSession {
 public:
  WorkingSession() = default;
  ~WorkingSession();
  WorkingSession(const WorkingSession&) = delete;
  WorkingSession& operator=(const WorkingSession&) = delete;

  // Takes the lock of the names generateUniqueNames chose; when another
  // editor holds them (or names the same journals), chooses again. False
  // when no lock could be taken (the editor then runs without one).
  bool claim(EditorSession& state);
  // Gives up the lock and the state file (the files' clean-up is the exit's).
  void release();
  bool holdsLock() const { return lock_ != nullptr; }
  QString statePath() const { return statePath_; }

  // Rewrites the state file from the application state; with no project file
  // on disk the state still names the journals but no project.
  void update(const EditorSession& state, bool movieSaved, bool undoItem);
  // The same, with what the last update was told of the recorder and the
  // Undo item (after TempDir or the names changed outside a command).
  void refresh(const EditorSession& state) { update(state, movieSaved_, undoItem_); }
  // Called by the engine while a change to the project ends, once the
  // project and journals are durable: the state file gets `history` and the
  // project's new length before the change's intent record goes.
  void persist(const EditorSession& state, const HistoryFlags& history);

  // Moving the working files to another folder, in three steps, so that at
  // every moment one folder holds a locked, consistent set:
  // stageMove takes the lock of this editor's names in `folder` (before the
  // files are copied there; false with the reason when a state file of that
  // name is already there or the lock cannot be taken); writeStagedState
  // writes the state as it will be once the files are there; finishMove
  // gives up the old lock and state file, abandonMove the staged ones.
  // Without a lock of its own the session stages nothing and every step
  // succeeds.
  bool stageMove(const QString& folder, const QString& baseName, QString* reason);
  bool writeStagedState(const EditorSession& state, const QString& project, const QString& undo,
                        const QString& redo);
  void finishMove();
  void abandonMove();

  // Runs of `folder` whose editor is gone, other than this one's.
  std::vector<AbandonedRun> abandonedRuns(const QString& folder) const;
  // Continues an abandoned run: its files become this editor's working files
  // (state names, engine journals, history) and its lock this session's.
  void adopt(EditorSession& state, AbandonedRun& run);
  // Deletes an abandoned run's project, journals, state and lock.
  static void discard(AbandonedRun& run);

 private:
  bool journalsTakenByOthers(const EditorSession& state) const;
  SessionState snapshot(const EditorSession& state) const;

  std::unique_ptr<QLockFile> lock_;
  QString lockPath_;
  QString statePath_;
  // What the last update was told of the recorder and the Undo item.
  bool movieSaved_ = true;
  bool undoItem_ = false;
  // A move under way: the lock and state file in the new folder.
  std::unique_ptr<QLockFile> stagedLock_;
  QString stagedLockPath_;
  QString stagedStatePath_;
};

}  // namespace cw::app
