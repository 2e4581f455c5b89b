// The editor's session: what one run of the editor knows about its temporary
// files, its project and its clips, with the engine and the runner of long
// operations. The main window owns it and hands it to the controllers,
// windows and commands that need it.
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
  QString fullPath;
  QString folder;    // up to and including the last "/"
  QString fileName;  // the name given to the opening routine
  double byteLength = 0;
  QString extension;           // extension text given to the opening routine
  std::int16_t fileType = -1;  // 0 system, 1 video only, 2 audio only, 3 several streams
  double sizeKB = 0;
  QString alias;
  double pictureRate = 0;
  std::int32_t muxRate = 0;
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::int32_t videoByteRate = 0;
  std::int32_t audioByteRate = 0;
  std::int16_t audioMode = 0;
  std::int16_t audioLevel = 0;
  std::int32_t sampleRate = 0;
  bool vcdCompatible = false;
  std::shared_ptr<Probe> info;  // the InfoSource element; lives as long as the clip
  std::int32_t infoHandle = 0;  // info's NinfoHand, handed to the engine as SrcInfoHand
  QString lengthTimeCode;       // written when the clip is loaded into the player

  // The name shown for the clip: its alias once one is set.
  QString displayName() const { return alias.isEmpty() ? fileName : alias; }
};

// What the recorder knows about the project file (unknown: -1 / empty).
struct RecorderInfo {
  QString fileName;
  QString folder;
  QString extension;
  std::int16_t fileType = -1;
  double byteLength = -1;
  double sizeKB = -1;
  QString length;
  double pictureRate = -1;
  std::int32_t muxRate = -1;
  std::int32_t width = -1;
  std::int32_t height = -1;
  std::int32_t videoByteRate = -1;
  std::int32_t audioByteRate = -1;
  std::int16_t audioMode = -1;
  std::int16_t audioLevel = -1;
  std::int32_t sampleRate = -1;
  bool vcdCompatible = false;
  bool audioOnly = false;
};

struct EditorSession {
  EditorSession();

  // --- Start-up, settings, temporary files ---------------------------------
  QString tempDir;         // without a trailing "/"
  QString recordBaseName;  // "Rec" & n
  QString recordFilePath;  // tempDir/recordBaseName.ext
  QString palettePath;     // the Mosaica program, empty when not installed
  std::int16_t preRoll = 0;
  std::int16_t previewWinSize = 320;
  std::int16_t platformKind = 2;
  std::int16_t mediaLayerVersion = 1;
  bool logEnabled = false;
  QString helpFolder;  // the folder of the help pages

  // --- Editing ---------------------------------------------------------------
  bool operationShown = false;
  bool redoArmed = false;
  bool previewMode = false;
  bool userCancelled = false;
  QString lastAction;
  std::int16_t actionCounter = 0;
  double savedEntry = 0;
  double projectFrameRate = 0;
  QString projectExtension;
  std::int16_t recorderFileType = -1;
  std::int32_t recorderInfoHandle = 0;
  double projectByteLength = 0;
  bool movieMade = false;
  RecorderInfo recorder;

  // --- Clips -----------------------------------------------------------------
  std::int16_t currentClip = 0;
  bool openingFiles = false;         // a File > Open batch runs; Cancel clears it
  QString openingPath;               // the path of the clip being opened
  std::int16_t paletteIndex = -1;    // the footage palette's picked clip
  std::int16_t infoWindowClip = -1;  // the clip whose information form is open; -1 none
  bool audioPlaceholder = false;     // the clip being opened gets the placeholder picture
  std::vector<ClipRecord> clips;     // in the palette's order
  // Counts the times the clip table was emptied (Close All), so that a file
  // whose analysis outlived the table is not added to the new one.
  std::uint32_t clipTableResets = 0;

  // Files named on the command line, opened by the second start-up stage.
  QStringList commandLineFiles;

  // --- Components ------------------------------------------------------------
  // Codes the pictures of exact cuts; handed to the splicer, so it goes first.
  std::unique_ptr<PictureReencoder> reencoder;
  std::unique_ptr<Splicer> splicer;     // the editing engine, one for the whole run
  std::unique_ptr<Probe> projectProbe;  // information on the project file
  // Runs the engine's long calls off the GUI thread, one at a time.
  std::unique_ptr<OperationRunner> operations;
};

}  // namespace cw::app
