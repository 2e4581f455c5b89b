// Where each owner connects its commands to the main window's actions and
// windows. ParentForm calls every installer once, after it has built its
// menus and windows; each installer lives in its owner's own file.
#pragma once

#include <QPoint>
#include <QStringList>

namespace cw::app {

class ClipInfoForm;
class NewImport;
class NewPreview;
class ParentForm;

// Windows, Time Code, Help, Temp Directory, Exit (shell_commands.cpp).
void installShellCommands(ParentForm& form);
// File > Open, thumbnail commands, the palette's signals (clip_commands.cpp).
void installClipCommands(ParentForm& form);
// Record modes, Record, Undo, pre-roll, the engine's events (record_commands.cpp).
void installRecordCommands(ParentForm& form);

// Save As, Save and Close, Close All, Make Movie, the exports and the
// keeping of the working files for recovery (save_install.cpp).
void installSaveCommands(ParentForm& form);
// Locks this editor's working files (start-up, after generateUniqueNames),
// and offers the project of a run that did not end (second stage); at exit,
// once the working files are gone, gives up the lock (session_commands.cpp).
void startWorkingSession(ParentForm& form);
void offerRecovery(ParentForm& form);
void endWorkingSession(ParentForm& form);

// Clip Properties, Temp Directory, About, the player's and recorder's right
// click, the alias shown in the player's caption (form_commands.cpp).
void installFormCommands(ParentForm& form);
// The information form of clip `index`, its top-left corner at a screen
// point (pixels); any other clip's form closes first (form_commands.cpp).
ClipInfoForm* showClipInfo(ParentForm& form, int index, const QPoint& screenPoint);
// The splash window of start-up: shown by the first stage, closed by the
// second (form_commands.cpp).
void showIntro(ParentForm& form);
void closeIntro(ParentForm& form);

// The recorder's Preview button, Edit > Preview and the preview window
// (preview_commands.cpp).
void installPreviewCommands(ParentForm& form);
NewPreview* previewWindow(ParentForm& form);
// Ends a preview that still plays (an audio-only one plays without its
// window); its edit leaves the project file before the caller goes on.
void endPlayingPreview(ParentForm& form);

// Change Thumbnail and the thumbnail chooser newImport; the chooser is
// placed by start-up, once the player window has its place
// (thumbnail_chooser.cpp).
void installImportCommands(ParentForm& form);
NewImport* importWindow(ParentForm& form);
void placeImportWindow(ParentForm& form);
// The player window's photo button: the frame on screen saved as a still
// image (still_image.cpp).
void installStillImageCommands(ParentForm& form);

// Opens the files named on the command line as clips, in order, as the
// second start-up stage does (clip_commands.cpp).
void openCommandLineClips(ParentForm& form, const QStringList& paths);
// Puts the recorder's information in the state without a file, as start-up
// does before the first record (record_commands.cpp).
void resetRecorderAtStart(ParentForm& form);

}  // namespace cw::app
