// Keeps the working project recoverable: takes the lock of the working files
// at start-up, rewrites their state file after every record, undo, save and
// close (and looks for other changes every two seconds), and at the second
// start-up stage offers to recover the project of a run that did not end.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "app/shell/working_session.h"

namespace cw::app {

class MainWindow;
struct EditorSession;

class SessionKeeper : public QObject {
  Q_OBJECT
 public:
  explicit SessionKeeper(MainWindow& form);

  // After generateUniqueNames: this editor's working files are locked.
  void claim();
  // Rewrites the state file when anything it records has changed.
  void update();
  // Asks about the project of every run of TempDir that did not end; Yes
  // opens one in the recorder, No deletes its files.
  void offerRecovery();

  WorkingSession& session() { return session_; }

 private:
  bool openRecovered(const SessionState& recovered);
  QString signature() const;

  MainWindow& form_;
  EditorSession& editorSession_;
  WorkingSession session_;
  QTimer timer_;
  QString written_;
};

}  // namespace cw::app
