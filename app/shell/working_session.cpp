#include "app/shell/working_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "app/shell/saving.h"
#include "app/shell/startup.h"
#include "automation/property_bag.h"
#include "engine/edit/recovery.h"
#include "engine/splicer/history_state.h"
#include "platform/file.h"

namespace cw::app {

namespace {

using automation::PropertyBag;
using automation::Variant;

constexpr int kClaimTries = 64;

std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString fromLocal(const std::string& path) { return QFile::decodeName(path.c_str()); }

QString text(const PropertyBag& bag, const char* key) {
  return QString::fromStdString(bag.read(key, Variant(std::string())).asString());
}

// A lock that only a living holder keeps: no age makes it stale.
std::unique_ptr<QLockFile> takeLock(const QString& path) {
  auto lock = std::make_unique<QLockFile>(path);
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return nullptr;
  return lock;
}

// The first "prefix n .ext" that neither exists nor is another editor's.
QString freeJournal(const QString& folder, const QString& prefix, const QString& ext,
                    const QSet<QString>& taken) {
  for (int n = 1; n < 32767; ++n) {
    const QString path = folder + QLatin1Char('/') + prefix + QString::number(n) + ext;
    if (!QFileInfo::exists(path) && !taken.contains(path)) return path;
  }
  return folder + QLatin1Char('/') + prefix + QStringLiteral("32767") + ext;
}

}  // namespace

QString lockPathOf(const QString& tempDir, const QString& baseName) {
  return tempDir + QLatin1Char('/') + baseName + QStringLiteral(".lock");
}

QString statePathOf(const QString& tempDir, const QString& baseName) {
  return tempDir + QLatin1Char('/') + baseName + QStringLiteral(".state");
}

bool writeSessionState(const QString& path, const SessionState& session) {
  PropertyBag bag;
  bag.write("ProjectFile", Variant(local(session.project)));
  bag.write("ProjectExtension", Variant(session.extension.toStdString()));
  bag.write("UndoFileName", Variant(local(session.undo)));
  bag.write("RedoFileName", Variant(local(session.redo)));
  bag.write("RecordMode", Variant(static_cast<std::int16_t>(session.recordMode)));
  writeHistory(bag, session.history);
  writeProjectLength(bag, session.length);
  bag.write("MovieSaved", Variant::fromBool(session.movieSaved));
  bag.write("UndoItem", Variant::fromBool(session.undoItem));
  // Replaced atomically and durably: a crash finds the old state or the new.
  return platform::replaceFileDurably(local(path), bag.toText());
}

bool readSessionState(const QString& path, SessionState& session) {
  PropertyBag bag;
  if (!bag.load(local(path)).ok()) return false;
  SessionState read;
  read.project = fromLocal(bag.read("ProjectFile", Variant(std::string())).asString());
  read.extension = text(bag, "ProjectExtension");
  read.undo = fromLocal(bag.read("UndoFileName", Variant(std::string())).asString());
  read.redo = fromLocal(bag.read("RedoFileName", Variant(std::string())).asString());
  read.recordMode = bag.read("RecordMode", Variant(std::int16_t{0})).asInt16();
  read.history = readHistory(bag);
  std::int64_t length = -1;
  read.length = readProjectLength(bag, length) ? length : -1;
  read.movieSaved = bag.read("MovieSaved", Variant::fromBool(true)).asBool();
  read.undoItem = bag.read("UndoItem", Variant::fromBool(false)).asBool();
  session = read;
  return true;
}

bool AbandonedRun::recoverable() const {
  const QFileInfo project(state.project);
  return state.length > 0 && project.isFile() && project.size() == state.length;
}

bool AbandonedRun::mendInterruptedRecord() {
  const RecoveryResult result =
      recoverRecord(local(state.project), local(state.undo), local(state.redo));
  switch (result.action) {
    case RecoveryAction::Nothing:
      return true;
    case RecoveryAction::Failed:
      return false;
    case RecoveryAction::RolledBack:
      if (!result.historyKept) state.undoItem = false;
      break;
    case RecoveryAction::RolledForward:
      state.movieSaved = false;
      break;
  }
  state.history = recoveredHistory(state.history, result);
  if (result.action == RecoveryAction::RolledForward) state.undoItem = state.history.undoEnabled;
  state.length = result.length;
  return writeSessionState(statePath, state);
}

WorkingSession::~WorkingSession() { release(); }

bool WorkingSession::claim(EditorSession& state) {
  release();
  for (int attempt = 0; attempt < kClaimTries; ++attempt) {
    if (attempt > 0) generateUniqueNames(state);
    const QString lockPath = lockPathOf(state.tempDir, state.recordBaseName);
    std::unique_ptr<QLockFile> lock = takeLock(lockPath);
    if (!lock) continue;  // another editor holds this number: the next one is free
    lock_ = std::move(lock);
    lockPath_ = lockPath;
    statePath_ = statePathOf(state.tempDir, state.recordBaseName);
    if (journalsTakenByOthers(state)) {
      QSet<QString> taken;
      // Two editors started together choose the same journal numbers; the
      // state files of the others say which ones are theirs.
      QDir dir(state.tempDir);
      for (const QString& name : dir.entryList({QStringLiteral("Rec*.state")}, QDir::Files)) {
        SessionState other;
        if (dir.filePath(name) != statePath_ && readSessionState(dir.filePath(name), other))
          taken << other.undo << other.redo;
      }
      state.splicer->setUndoFileName(
          local(freeJournal(state.tempDir, QStringLiteral("UnDo"), QStringLiteral(".und"), taken)));
      state.splicer->setRedoFileName(
          local(freeJournal(state.tempDir, QStringLiteral("ReDo"), QStringLiteral(".rdo"), taken)));
    }
    update(state, true, false);
    return true;
  }
  return false;
}

bool WorkingSession::journalsTakenByOthers(const EditorSession& state) const {
  const QString undo = fromLocal(state.splicer->undoFileName());
  const QString redo = fromLocal(state.splicer->redoFileName());
  QDir dir(state.tempDir);
  for (const QString& name : dir.entryList({QStringLiteral("Rec*.state")}, QDir::Files)) {
    const QString path = dir.filePath(name);
    SessionState other;
    if (path == statePath_ || !readSessionState(path, other)) continue;
    if (other.undo == undo || other.redo == redo) return true;
  }
  return false;
}

void WorkingSession::release() {
  abandonMove();
  if (!statePath_.isEmpty()) QFile::remove(statePath_);
  statePath_.clear();
  lock_.reset();  // unlocking removes the lock file
  lockPath_.clear();
}

void WorkingSession::update(const EditorSession& state, bool movieSaved, bool undoItem) {
  if (!lock_) return;
  const QString statePath = statePathOf(state.tempDir, state.recordBaseName);
  if (statePath != statePath_) {
    // The working files moved to another folder (or took new names): the
    // lock follows them.
    const QString lockPath = lockPathOf(state.tempDir, state.recordBaseName);
    std::unique_ptr<QLockFile> lock = takeLock(lockPath);
    if (!lock) return;
    release();
    lock_ = std::move(lock);
    lockPath_ = lockPath;
    statePath_ = statePath;
  }
  movieSaved_ = movieSaved;
  undoItem_ = undoItem;
  writeSessionState(statePath_, snapshot(state));
}

void WorkingSession::persist(const EditorSession& state, const HistoryFlags& history) {
  if (!lock_) return;
  SessionState session = snapshot(state);
  session.history = history;
  // What the recorder will show once the command has ended: a change that
  // was given up (all flags cleared) left the project as it was.
  session.movieSaved = movieSaved_ && history == HistoryFlags{};
  session.undoItem = history.undoEnabled;
  writeSessionState(statePath_, session);
}

SessionState WorkingSession::snapshot(const EditorSession& state) const {
  SessionState session;
  session.project = state.recordFilePath;
  session.extension = state.projectExtension;
  session.undo = fromLocal(state.splicer->undoFileName());
  session.redo = fromLocal(state.splicer->redoFileName());
  session.recordMode = state.splicer->recordMode();
  session.history = state.splicer->history();
  const QFileInfo project(state.recordFilePath);
  session.length = project.isFile() ? project.size() : -1;
  session.movieSaved = movieSaved_;
  session.undoItem = undoItem_;
  return session;
}

bool WorkingSession::stageMove(const QString& folder, const QString& baseName, QString* reason) {
  abandonMove();
  if (!lock_) return true;
  const QString statePath = statePathOf(folder, baseName);
  if (QFileInfo::exists(statePath)) {
    // Another run's state (perhaps one waiting to be recovered): never overwritten.
    if (reason) *reason = QStringLiteral("a file of that name is already there");
    return false;
  }
  const QString lockPath = lockPathOf(folder, baseName);
  stagedLock_ = takeLock(lockPath);
  if (!stagedLock_) {
    if (reason) *reason = QStringLiteral("another editor holds that name");
    return false;
  }
  stagedLockPath_ = lockPath;
  stagedStatePath_ = statePath;
  return true;
}

bool WorkingSession::writeStagedState(const EditorSession& state, const QString& project,
                                      const QString& undo, const QString& redo) {
  if (!stagedLock_) return true;
  SessionState session = snapshot(state);
  session.project = project;
  session.undo = undo;
  session.redo = redo;
  return writeSessionState(stagedStatePath_, session);
}

void WorkingSession::finishMove() {
  if (!stagedLock_) return;
  if (!statePath_.isEmpty()) QFile::remove(statePath_);
  lock_ = std::move(stagedLock_);  // the old lock unlocks and its file goes
  lockPath_ = stagedLockPath_;
  statePath_ = stagedStatePath_;
  stagedLockPath_.clear();
  stagedStatePath_.clear();
}

void WorkingSession::abandonMove() {
  if (!stagedStatePath_.isEmpty()) QFile::remove(stagedStatePath_);
  stagedLock_.reset();
  stagedLockPath_.clear();
  stagedStatePath_.clear();
}

std::vector<AbandonedRun> WorkingSession::abandonedRuns(const QString& folder) const {
  std::vector<AbandonedRun> runs;
  QDir dir(folder);
  for (const QString& name : dir.entryList({QStringLiteral("Rec*.state")}, QDir::Files)) {
    const QString statePath = dir.filePath(name);
    if (statePath == statePath_) continue;
    AbandonedRun run;
    run.baseName = QFileInfo(name).completeBaseName();
    run.statePath = statePath;
    // A living editor holds its lock; a dead one's lock is taken over.
    run.lock = takeLock(lockPathOf(folder, run.baseName));
    if (!run.lock || !readSessionState(statePath, run.state)) continue;
    runs.push_back(std::move(run));
  }
  return runs;
}

void WorkingSession::adopt(EditorSession& state, AbandonedRun& run) {
  release();
  lock_ = std::move(run.lock);
  lockPath_ = lockPathOf(state.tempDir, run.baseName);
  statePath_ = run.statePath;
  state.recordBaseName = run.baseName;
  state.recordFilePath = run.state.project;
  state.projectExtension = run.state.extension;
  Splicer& splicer = *state.splicer;
  splicer.setRecordFileName(local(run.state.project));
  splicer.setUndoFileName(local(run.state.undo));
  splicer.setRedoFileName(local(run.state.redo));
  splicer.setRecordMode(static_cast<std::int16_t>(run.state.recordMode));
  splicer.restoreHistory(run.state.history);
}

void WorkingSession::discard(AbandonedRun& run) {
  const QFileInfo state(run.statePath);
  QDir dir = state.absoluteDir();
  removeWorkingFile(run.state.undo);
  removeWorkingFile(run.state.redo);
  removeWorkingFile(run.state.project);
  for (const QString& name : dir.entryList({run.baseName + QStringLiteral(".*")}, QDir::Files)) {
    if (!name.endsWith(QLatin1String(".lock"))) removeWorkingFile(dir.filePath(name));
  }
  run.lock.reset();
}

}  // namespace cw::app
