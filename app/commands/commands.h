// Where each owner connects its commands to the main window's actions and
// windows. MainWindow calls every installer once, after it has built its
// menus and windows; each installer lives in its owner's own file.
#pragma once

#include <QPoint>
#include <QStringList>

namespace cw::app {

class ClipInfoDialog;
class ImportWindow;
class PreviewWindow;
class MainWindow;

// Windows, Time Code, Help, Temp Directory, Exit (shell_commands.cpp).
void installShellCommands(MainWindow& form);
// File > Open, thumbnail commands, the palette's signals (clip_commands.cpp).
void installClipCommands(MainWindow& form);
// Record modes, Record, Undo, pre-roll, the engine's events (record_commands.cpp).
void installRecordCommands(MainWindow& form);
// File > Import Cut List..., after the record commands (cut_list_importer.cpp).
void installCutListCommands(MainWindow& form);

// Save As, Save and Close, Close All, Make Movie, the exports and the
// keeping of the working files for recovery (save_install.cpp).
void installSaveCommands(MainWindow& form);
// Locks this editor's working files (start-up, after generateUniqueNames),
// and offers the project of a run that did not end (second stage); at exit,
// once the working files are gone, gives up the lock (session_commands.cpp).
void startWorkingSession(MainWindow& form);
void offerRecovery(MainWindow& form);
void endWorkingSession(MainWindow& form);

// Clip Properties, Temp Directory, About, the player's and recorder's right
// click, the alias shown in the player's caption (form_commands.cpp).
void installFormCommands(MainWindow& form);
// The information form of clip `index`, its top-left corner at a screen
// point (pixels); any other clip's form closes first (form_commands.cpp).
ClipInfoDialog* showClipInfo(MainWindow& form, int index, const QPoint& screenPoint);
// The splash window of start-up: shown by the first stage, closed by the
// second (form_commands.cpp).
void showIntro(MainWindow& form);
void closeIntro(MainWindow& form);

// The recorder's Preview button, Edit > Preview and the preview window
// (preview_commands.cpp).
void installPreviewCommands(MainWindow& form);
PreviewWindow* previewWindow(MainWindow& form);
// Ends a preview that still plays (an audio-only one plays without its
// window); its edit leaves the project file before the caller goes on.
void endPlayingPreview(MainWindow& form);

// Change Thumbnail and the thumbnail chooser (ImportWindow); the chooser is
// placed by start-up, once the player window has its place
// (thumbnail_chooser.cpp).
void installImportCommands(MainWindow& form);
ImportWindow* importWindow(MainWindow& form);
void placeImportWindow(MainWindow& form);
// The player window's photo button: the frame on screen saved as a still
// image (still_image.cpp).
void installStillImageCommands(MainWindow& form);

// Opens the files named on the command line as clips, in order, as the
// second start-up stage does (clip_commands.cpp).
void openCommandLineClips(MainWindow& form, const QStringList& paths);
// Puts the recorder's information in the state without a file, as start-up
// does before the first record (record_commands.cpp).
void resetRecorderAtStart(MainWindow& form);

}  // namespace cw::app
