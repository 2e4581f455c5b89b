// Start-up pieces that need no window: the temporary directory, the unique
// names of the temporary project and journals, the playback library check,
// the low-space warning text and the open dialog's filter.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "app/shell/editor_session.h"

namespace cw::app {

// --- Temporary directory ------------------------------------------------------
// The user's cache folder for the program (XDG cache, "clipwright"), made when
// missing.
QString defaultTempDir();
// The TempDir to use for a setting: the setting without a trailing "/", or,
// when that folder cannot be made or written, the default; `warning` then
// holds the lines of the warning to show (empty otherwise).
QString usableTempDir(const QString& setting, QStringList* warning);

// Chooses RecordBaseName / RecordFilePath and the engine's journal names in
// TempDir: the first free "Rec" n (any extension blocks n), "UnDo" n ".und",
// "ReDo" n ".rdo".
void generateUniqueNames(EditorSession& state);

// --- Playback libraries ---------------------------------------------------------
struct LibraryVersion {
  QString name;          // "libavformat"
  unsigned runtime = 0;  // the loaded library's version (0: did not load)
  unsigned built = 0;    // the version the program was built against
};

struct SystemCheck {
  bool usable = false;
  QString productVersion;     // "61.7.100" of libavformat
  int mediaLayerVersion = 1;  // 2 when the first digit is 5 or more
  QStringList failure;        // the lines of the failure box
};

// The FFmpeg libraries the player plays through, as loaded in this process.
std::vector<LibraryVersion> playbackLibraries();
// Usable when every library loaded with the major version it was built for.
SystemCheck checkPlaybackLibraries(const std::vector<LibraryVersion>& libraries);

// --- Second stage -------------------------------------------------------------
inline constexpr double kLowSpaceBytes = 5242880;  // 5 MiB
// The three lines of the low-space warning, empty when there is enough room.
QStringList lowSpaceWarning(double freeBytes);

// The open dialog's filter ("MPEG files (*.mpg)|*.mpg|...") and the same as a
// Qt name filter list ("MPEG files (*.mpg);;...").
QString mpegDialogFilter();
QString qtFilter(const QString& dialogFilter);

}  // namespace cw::app
