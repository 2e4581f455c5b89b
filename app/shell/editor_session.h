// The editor's application state: one set per running program, shared by the
// main window, the child windows and the commands. Names follow the editor's
// own vocabulary (TempDir, ClipCount, RedoArmed ...) so that every command
// reads the same variables.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/shell/operation_runner.h"
#include "engine/splicer/splicer.h"
#include "probe/probe.h"
#include "reencode/mpeg1_reencoder.h"

namespace cw::app {

// One opened clip: a row of the clip table with the Probe that analysed it.
struct ClipRecord {
  QString FullPath;
  QString Folder;    // up to and including the last "/"
  QString FileName;  // the name given to the opening routine
  double ByteLength = 0;
  QString Extension;           // extension text given to the opening routine
  std::int16_t FileType = -1;  // 0 system, 1 video only, 2 audio only, 3 several streams
  double SizeKB = 0;
  QString Alias;
  double PictureRate = 0;
  std::int32_t MuxRate = 0;
  std::int16_t Width = 0;
  std::int16_t Height = 0;
  std::int32_t VideoByteRate = 0;
  std::int32_t AudioByteRate = 0;
  std::int16_t AudioMode = 0;
  std::int16_t AudioLevel = 0;
  std::int32_t SampleRate = 0;
  bool VcdCompatible = false;
  std::shared_ptr<Probe> Info;  // the InfoSource element; lives as long as the clip
  std::int32_t InfoHandle = 0;  // Info's NinfoHand, handed to the engine as SrcInfoHand
  QString LengthTimeCode;       // written when the clip is loaded into the player

  // The name shown for the clip: its alias once one is set.
  QString displayName() const { return Alias.isEmpty() ? FileName : Alias; }
};

// What the recorder knows about the project file (unknown: -1 / empty).
struct RecorderInfo {
  QString FileName;
  QString Folder;
  QString Extension;
  std::int16_t FileType = -1;
  double ByteLength = -1;
  double SizeKB = -1;
  QString Length;
  double PictureRate = -1;
  std::int32_t MuxRate = -1;
  std::int32_t Width = -1;
  std::int32_t Height = -1;
  std::int32_t VideoByteRate = -1;
  std::int32_t AudioByteRate = -1;
  std::int16_t AudioMode = -1;
  std::int16_t AudioLevel = -1;
  std::int32_t SampleRate = -1;
  bool VcdCompatible = false;
  bool AudioOnly = false;
};

struct AppState {
  AppState();

  // --- Start-up, settings, temporary files ---------------------------------
  QString TempDir;         // without a trailing "/"
  QString RecordBaseName;  // "Rec" & n
  QString RecordFilePath;  // TempDir/RecordBaseName.ext
  QString PalettePath;     // the Mosaica program, empty when not installed
  std::int16_t PreRoll = 0;
  std::int16_t PreviewWinSize = 320;
  std::int16_t PlatformKind = 2;
  std::int16_t MediaLayerVersion = 1;
  bool LogEnabled = false;
  QString HelpFolder;  // the folder of the help pages

  // --- Editing ---------------------------------------------------------------
  bool OperationShown = false;
  bool RedoArmed = false;
  bool PreviewMode = false;
  bool UserCancelled = false;
  QString LastAction;
  std::int16_t ActionCounter = 0;
  double SavedEntry = 0;
  double ProjectFrameRate = 0;
  QString ProjectExtension;
  std::int16_t RecorderFileType = -1;
  std::int32_t RecorderInfoHandle = 0;
  double ProjectByteLength = 0;
  bool MovieMade = false;
  RecorderInfo Recorder;

  // --- Clips -----------------------------------------------------------------
  std::int16_t CurrentClip = 0;
  std::int16_t ClipCount = -1;       // index of the last clip; -1 when none
  bool OpeningFiles = false;         // a File > Open batch runs; Cancel clears it
  QString OpeningPath;               // the path of the clip being opened
  std::int16_t PaletteIndex = -1;    // the footage palette's picked clip
  std::int16_t InfoWindowClip = -1;  // the clip whose information form is open; -1 none
  bool AudioPlaceholder = false;     // the clip being opened gets the placeholder picture
  std::vector<ClipRecord> Clips;     // indices 0 .. ClipCount

  // Files named on the command line, opened by the second start-up stage.
  QStringList CommandLineFiles;

  // --- Components ------------------------------------------------------------
  // Codes the pictures of exact cuts; handed to Tazo1, so it goes after it.
  std::unique_ptr<PictureReencoder> Reencoder;
  std::unique_ptr<Splicer> Tazo1;   // the editing engine, one for the whole run
  std::unique_ptr<Probe> InfoDest;  // information on the project file
  // Runs the engine's long calls off the GUI thread, one at a time.
  std::unique_ptr<OperationRunner> Operations;
};

// The one state of the running program.
AppState& appState();
// Starts the state afresh (a new program run; tests call it between cases).
void resetAppState();

}  // namespace cw::app
