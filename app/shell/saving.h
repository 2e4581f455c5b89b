// Saving the project movie without windows: the save dialog's filter entry
// and default extension for a project, the refusal and space texts, the
// comparison of two paths that may name one file, and the two ways a
// project file reaches the user's folder: a copy in blocks that can be
// cancelled, and a move that copies when the folder is on another file
// system.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace cw::app {

// --- The save dialog ------------------------------------------------------------
struct SaveDialogSetup {
  int filterIndex = 1;    // 1-based entry of the MPEG filter list
  QString defaultSuffix;  // added when the typed name has no extension
};

// By the project's file type (0 system, 1 video only, 2 audio only, 3 several
// streams) and extension: "mpg" entry 1, "m15" entry 4, "m75" entry 5, video
// only "mpv" (2), audio only "mpa" (3), anything else "All files" (6).
SaveDialogSetup saveDialogSetup(int recorderFileType, const QString& projectExtension);
// The dialog's name filters in Qt's form ("MPEG files (*.mpg)" ...).
QStringList saveDialogFilters();

// --- Refusals -----------------------------------------------------------------------
// Whether the two paths name the same file: symbolic links, "." and ".."
// resolved; a path that does not exist yet is compared through its folder.
bool samePath(const QString& a, const QString& b);

QStringList playerFileLines();     // "You are trying to overwrite the file ..."
QStringList temporaryFileLines();  // "You are trying to save the temporary ..."
// Room for a copy of `projectBytes` bytes: strictly more free bytes.
bool roomFor(double freeBytes, double projectBytes);
QStringList notEnoughSpaceLines(double projectBytes);
QStringList driveFullLines();  // "Your drive is full!"
// The question before a file chosen in a save dialog is replaced.
QStringList replaceFileLines(const QString& path);

// --- Copy and move ------------------------------------------------------------------
enum class CopyOutcome { Done, Cancelled, Failed };

// Called after every block with the bytes copied and the total; answering
// false cancels.
using CopyProgress = std::function<bool(qint64 done, qint64 total)>;

// Copies `from` to `to` through a temporary file beside `to` that replaces
// it only when the copy is complete: a cancelled or failed copy leaves no
// partial file and an existing `to` as it was. `error` says why it failed.
CopyOutcome copyInBlocks(const QString& from, const QString& to, const CopyProgress& progress,
                         QString* error = nullptr);

// Moves `from` to `to` (replacing `to`). Across file systems the move is a
// copy, made only when `roomForCopy` agrees, then the removal of `from`; the
// source stays whole on every failure.
enum class MoveOutcome { Moved, Copied, NoRoom, Failed };
MoveOutcome moveProjectFile(const QString& from, const QString& to,
                            const std::function<bool()>& roomForCopy, QString* error = nullptr);

// Deletes a working file even when it is read-only; a missing file is no
// error.
void removeWorkingFile(const QString& path);

// Tests: the next rename fails with this errno value (0 disarms).
void failNextRenameWith(int errorNumber);

}  // namespace cw::app
