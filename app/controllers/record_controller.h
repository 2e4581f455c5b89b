// The record/undo cycle of the editor and the two windows around it: the
// record modes and their menus, one record from the player's marked stretch
// into the project (crop, append, entry crop or the engine's redo), undo,
// the engine's progress, and the player and recorder windows' buttons and
// events. One instance per main window, created by installRecordCommands.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "automation/events.h"

namespace cw {
class Splicer;
}
namespace cw::player {
class ScrubPane;
}

namespace cw::app {

class ActionRegistry;
class PlayerWindow;
class ProgressDialog;
class RecorderWindow;
class MainWindow;
struct EditorSession;
struct ClipRecord;

class RecordController : public QObject {
  Q_OBJECT
 public:
  explicit RecordController(MainWindow& form);
  ~RecordController() override;

  // --- Records and undo (record_clip.cpp) ----------------------------------
  // One record from the player's clip into the project; true on success.
  bool recordClip();
  // After a cancelled or failed record: menus and the recorder as before.
  void restoreRecorder();
  void onUndoRecord();
  void setPreRoll(int seconds);

  // --- Record modes (record_modes.cpp) -------------------------------------
  // May this clip be recorded into the project? With an empty recorder the
  // clip chooses the record mode (and the answer is yes).
  bool checkClipCompatible(int clip);
  void syncModeMenus(int clip);
  void onModeMpegSystem();
  void onModeVideoOnly();
  void onModeAudioOnly();
  void onVideoCdNone();
  void onVideoCd();
  void onVideoCdZeroes();
  // Only the current mode's items stay enabled, and checked.
  void lockModeMenus(int recordMode);
  // Record mode 0 with all six mode items unchecked and disabled.
  void clearModeMenus();

  // --- Engine events (record_progress.cpp) ---------------------------------
  void onEngineProgress(int status, int percentage);
  void onEngineDone();

  // --- Recorder window (recorder_window.cpp) -------------------------------
  // Records the player's marked stretch; true when it is in the project.
  bool onRecordClicked();
  // The progress window's text while recording (empty: "Recording...").
  void setRecordingCaption(const QString& caption) { recordingCaption_ = caption; }
  // Empty name: binds the project's information control and forgets every
  // value. A name: reads the control's results; returns "System",
  // "Videoonly", "Audioonly", "Multiple" or "Wrong".
  QString generateRecorderInfo(const QString& fileName);
  void resetRecorderInfo();
  void onRecorderEjected();
  void onRecorderNeedsSound();
  // Ends a preview that is still playing (an audio-only one plays without
  // its window); its edit is undone before anything else touches the project.
  void endPreview();

  // --- Player window (player_window.cpp) -----------------------------------
  // Loads clip `clip` of the clip table into the player (a dropped or an
  // activated thumbnail).
  void loadClip(int clip);
  void onPlayerEjected();
  void onPlayerNeedsSound();

  // After a failed record: when a mark lies where the source has only its
  // picture or only its sound, the lines that say where each runs; empty
  // otherwise (record_stream_spans.cpp).
  static QStringList streamSpanNotice(const ClipRecord& clip, double markIn, double markOut);

  // The recorder's caption for a record mode, before and after a record.
  static QString modeCaption(int recordMode);
  static QString movieCaption(int recordMode);

 private:
  void connectEngine();
  void connectModeMenus();
  void connectWindows();

  // Shared steps.
  const ClipRecord* clipAt(int clip) const;
  bool recorderHoldsClip() const;
  bool playerHoldsClip() const;
  void setRecorderCaption(const QString& caption);
  void setPlayerCaption(const QString& caption);
  void setHourglass(bool on);
  int runEngineOperation(bool recorderFull, double entry);
  int runRedo();
  // Runs one engine call off the GUI thread (the windows keep painting).
  int runEngine(std::int16_t (Splicer::*call)());
  void reopenRecorder();
  bool evaluateCompatibility(const ClipRecord& clip);
  void chooseModeForClip(const ClipRecord& clip, bool noneAlwaysEnabled);
  void modeChanged(int recordMode);
  void stopOtherPanes(player::ScrubPane* except);
  void deleteProjectFiles();

  MainWindow& form_;
  EditorSession& session_;
  ActionRegistry& actions_;
  PlayerWindow& playerWindow_;
  RecorderWindow& recorderWindow_;
  ProgressDialog& progressDialog_;
  player::ScrubPane& playerPane_;
  player::ScrubPane& recorderPane_;
  int hourglassDepth_ = 0;
  automation::ConnectionId progressConnection_ = 0;
  automation::ConnectionId doneConnection_ = 0;
  automation::ConnectionId errConnection_ = 0;
  // The last percentage sent to the window, and whether the engine took a
  // Cancel (written on the engine's thread while it runs).
  int lastReported_ = -1;
  bool cancelDelivered_ = false;
  QString recordingCaption_;
};

}  // namespace cw::app
