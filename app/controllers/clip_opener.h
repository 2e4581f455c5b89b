// Opening files as clips: the analysis into the clip table, the thumbnail
// picture from the middle of the file, the batch with its progress window and
// Cancel, File > Open, and the thumbnail commands that take clips away.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "player/picture.h"

namespace cw::app {

class MainWindow;
struct EditorSession;

// How a batch shows itself: the progress window (File > Open with several
// files) or the hourglass only (command line, drops, one file).
enum class OpenDisplay { Hourglass, ProgressWindow };

class ClipOpener : public QObject {
  Q_OBJECT
 public:
  explicit ClipOpener(MainWindow& form);

  // Opens the paths as clips, in order. Skips the temporary project and, when
  // the user says so, files that are already clips; stops before the next
  // file once the progress window's Cancel has been pressed. Answers the
  // number of clips opened. Called while a batch runs, the paths join that
  // batch and the answer is 0.
  int openClipList(const QStringList& paths, OpenDisplay display);

  // One file as the next clip: analysis and picture.
  bool openClip(const QString& path, const QString& fileName, const QString& extension);

  // File > Open.
  void onOpen();
  // The paths the open dialog returns; empty when it was cancelled.
  QStringList askForFiles();

  // Thumbnail commands.
  void onDeleteThumbnail();
  void onDeleteSelected();
  void deleteClip(int index);

 private:
  bool openOne(const QString& path);
  void reportProgress(int percent);
  bool isInAPlayer(const QString& path) const;

  MainWindow& form_;
  EditorSession& state_;
  QString lastFolder_;
  QStringList batch_;
  bool batchRunning_ = false;
};

}  // namespace cw::app
