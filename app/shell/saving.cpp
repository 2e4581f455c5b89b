#include "app/shell/saving.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "app/shell/startup.h"
#include "engine/analysis/stream_info.h"

namespace cw::app {

namespace {

constexpr qint64 kBlock = 1 << 20;
int nextRenameError = 0;

// The path with links and "." / ".." resolved; for a file not there yet,
// its folder's canonical path and its name.
QString canonical(const QString& path) {
  const QFileInfo info(path);
  const QString existing = info.canonicalFilePath();
  if (!existing.isEmpty()) return existing;
  const QString folder = info.absoluteDir().canonicalPath();
  if (folder.isEmpty()) return QDir::cleanPath(info.absoluteFilePath());
  return folder + QLatin1Char('/') + info.fileName();
}

int renameFile(const QString& from, const QString& to) {
  if (nextRenameError != 0) {
    const int error = std::exchange(nextRenameError, 0);
    errno = error;
    return -1;
  }
  return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData());
}

}  // namespace

SaveDialogSetup saveDialogSetup(int recorderFileType, const QString& projectExtension) {
  switch (recorderFileType) {
    case kTypeSystem:
    case kTypeSystemMulti: {
      const QString ext = projectExtension.toLower();
      const int index = ext == QLatin1String("mpg")   ? 1
                        : ext == QLatin1String("m15") ? 4
                        : ext == QLatin1String("m75") ? 5
                                                      : 6;
      return {index, projectExtension};
    }
    case kTypeVideoOnly:
      return {2, QStringLiteral("mpv")};
    case kTypeAudioOnly:
      return {3, QStringLiteral("mpa")};
    default:
      return {6, projectExtension};
  }
}

QStringList saveDialogFilters() { return qtFilter(mpegDialogFilter()).split(QStringLiteral(";;")); }

bool samePath(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty()) return false;
  return canonical(a) == canonical(b);
}

QStringList playerFileLines() {
  return {QStringLiteral("You are trying to overwrite the file that is currently"),
          QStringLiteral("opened into Player window. Please eject file from Player window first!")};
}

QStringList temporaryFileLines() {
  return {QStringLiteral("You are trying to save the temporary project file."),
          QStringLiteral("Use 'Save and Close' function for this operation.")};
}

bool roomFor(double freeBytes, double projectBytes) { return freeBytes > projectBytes; }

QStringList notEnoughSpaceLines(double projectBytes) {
  const auto kilobytes = static_cast<qint64>(std::floor(projectBytes / 1024.0));
  return {QStringLiteral("There's not enough space on selected drive."),
          QStringLiteral("You will need ") + QString::number(kilobytes) +
              QStringLiteral(" Kilobytes to save this file."),
          QStringLiteral("Please clean space required, or use"),
          QStringLiteral("'Save and Close' function instead.")};
}

QStringList driveFullLines() { return {QStringLiteral("Your drive is full!")}; }

QStringList replaceFileLines(const QString& path) {
  return {QFileInfo(path).fileName() + QStringLiteral(" already exists."),
          QStringLiteral("Do you want to replace it?")};
}

CopyOutcome copyInBlocks(const QString& from, const QString& to, const CopyProgress& progress,
                         QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return CopyOutcome::Failed;
  };
  QFile source(from);
  if (!source.open(QIODevice::ReadOnly)) return fail(source.errorString());
  // The copy goes to a temporary file beside `to`; commit() renames it over
  // `to` only when every byte is written and flushed to the disk.
  QSaveFile target(to);
  if (!target.open(QIODevice::WriteOnly)) return fail(target.errorString());
  const qint64 total = source.size();
  std::vector<char> block(kBlock);
  qint64 done = 0;
  while (done < total) {
    const qint64 got = source.read(block.data(), kBlock);
    if (got <= 0) {
      target.cancelWriting();
      return fail(source.errorString());
    }
    if (target.write(block.data(), got) != got) {
      target.cancelWriting();
      return fail(target.errorString());
    }
    done += got;
    if (progress && !progress(done, total)) {
      target.cancelWriting();
      return CopyOutcome::Cancelled;
    }
  }
  if (!target.commit()) return fail(target.errorString());
  return CopyOutcome::Done;
}

MoveOutcome moveProjectFile(const QString& from, const QString& to,
                            const std::function<bool()>& roomForCopy, QString* error) {
  if (renameFile(from, to) == 0) return MoveOutcome::Moved;
  const int why = errno;
  if (why != EXDEV) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(why));
    return MoveOutcome::Failed;
  }
  // Another file system: copy, and give up the source only once the copy is
  // complete.
  if (roomForCopy && !roomForCopy()) return MoveOutcome::NoRoom;
  if (copyInBlocks(from, to, nullptr, error) != CopyOutcome::Done) return MoveOutcome::Failed;
  QFile::remove(from);
  return MoveOutcome::Copied;
}

void removeWorkingFile(const QString& path) {
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.exists()) return;
  file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
  file.remove();
}

void failNextRenameWith(int errorNumber) { nextRenameError = errorNumber; }

}  // namespace cw::app
