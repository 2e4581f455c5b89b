// The editor with clips open, driven as a user drives it: thumbnails
// dropped on the player, marks set with the player's keys, Record and Undo
// through their menu items and buttons.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "app_fixture.h"
#include "player/scrub_pane.h"

namespace cw::app::testing {

class RecordFixture : public AppFixture {
 protected:
  // Starts the editor; with `log` as if started with --log.
  MainWindow& startEditor(bool log = false);

  // Opens the files as clips; answers the index of the first.
  int openClips(const QStringList& paths);
  // Drops clip `index`'s thumbnail on the player window.
  void dropOnPlayer(int index);

  player::ScrubPane& playerPane();
  player::ScrubPane& recorderPane();
  // Key presses in the player or recorder window.
  void playerKeys(const QList<Qt::Key>& keys);
  void recorderKeys(const QList<Qt::Key>& keys);
  // Mark In after `in` frames from the start, Mark Out `out` frames before the end.
  void markPlayer(int in, int out);

  void pressRecord();                    // the recorder's Record button
  void trigger(const char* actionName);  // a menu item
  bool enabled(const char* actionName);
  bool checked(const char* actionName);
  // Clicks the Close button of a pane; the unsaved-movie question gets Yes.
  void eject(player::ScrubPane& pane);

  QString project() const;  // the temporary project file
  static QByteArray bytesOf(const QString& path);
  // ffmpeg decodes the file without a word.
  static void expectCleanDecode(const QString& path);
  QStringList logLines() const;
};

}  // namespace cw::app::testing
