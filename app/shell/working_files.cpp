#include "app/shell/working_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>

#include "app/shell/working_session.h"

namespace cw::app {

namespace {

QString inFolder(const QString& folder, const QString& path) {
  return path.isEmpty() ? QString() : QDir(folder).filePath(QFileInfo(path).fileName());
}

std::array<QString, 3> asList(const WorkingFiles& files) {
  return {files.project, files.undo, files.redo};
}

void removeAll(const QStringList& paths) {
  for (const QString& path : paths) QFile::remove(path);
}

// Every RecordBaseName.* of the old folder: the project may have had
// another extension before its first record fixed it. The lock and the
// state file are the session's to give up.
void removeOldProject(const QString& project, const QString& baseName) {
  const QFileInfo info(project);
  QDir folder = info.absoluteDir();
  const QStringList names = folder.entryList({baseName + QStringLiteral(".*")}, QDir::Files);
  for (const QString& name : names) {
    if (name == baseName + QStringLiteral(".lock") || name == baseName + QStringLiteral(".state"))
      continue;
    QFile file(folder.filePath(name));
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    file.remove();
  }
  QFile::remove(project);
}

}  // namespace

WorkingFiles currentWorkingFiles(const EditorSession& state) {
  return {state.recordFilePath, QString::fromStdString(state.splicer->undoFileName()),
          QString::fromStdString(state.splicer->redoFileName())};
}

WorkingFiles workingFilesIn(const WorkingFiles& files, const QString& folder) {
  return {inFolder(folder, files.project), inFolder(folder, files.undo),
          inFolder(folder, files.redo)};
}

QString tempDirText(const QString& folder) { return QDir::cleanPath(folder); }

bool sameFolder(const QString& a, const QString& b) {
  const QString ca = QFileInfo(a).canonicalFilePath();
  const QString cb = QFileInfo(b).canonicalFilePath();
  if (ca.isEmpty() || cb.isEmpty()) return QDir::cleanPath(a) == QDir::cleanPath(b);
  return ca == cb;
}

MoveOutcome moveWorkingFiles(EditorSession& state, const QString& folder, WorkingSession* session) {
  const WorkingFiles from = currentWorkingFiles(state);
  const WorkingFiles to = workingFilesIn(from, folder);
  const auto sources = asList(from);
  const auto targets = asList(to);
  // The lock first: no other editor takes these names while they fill.
  QString reason;
  if (session && !session->stageMove(folder, state.recordBaseName, &reason))
    return {false, lockPathOf(folder, state.recordBaseName), reason};
  QStringList copied;
  const auto fail = [&](const QString& path, const QString& why) {
    // QFile::copy removes its own partial file; the earlier copies go too.
    removeAll(copied);
    if (session) session->abandonMove();
    return MoveOutcome{false, path, why};
  };
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (sources[i].isEmpty() || !QFileInfo::exists(sources[i])) continue;
    QFile source(sources[i]);
    if (QFileInfo::exists(targets[i]))
      return fail(targets[i], QStringLiteral("a file of that name is already there"));
    if (!source.copy(targets[i])) return fail(targets[i], source.errorString());
    copied << targets[i];
  }
  if (session && !session->writeStagedState(state, to.project, to.undo, to.redo))
    return fail(statePathOf(folder, state.recordBaseName), QStringLiteral("cannot be written"));
  state.recordFilePath = to.project;
  state.splicer->setRecordFileName(to.project.toStdString());
  state.splicer->setUndoFileName(to.undo.toStdString());
  state.splicer->setRedoFileName(to.redo.toStdString());
  removeOldProject(from.project, state.recordBaseName);
  removeAll({from.undo, from.redo});
  if (session) session->finishMove();
  return {};
}

}  // namespace cw::app
