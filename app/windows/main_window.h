// The editor's main window: menus, the MDI area with the player, recorder
// and footage windows, the progress window and the one-shot start-up timer.
// It stays thin: commands live with their owners (see commands.h). It owns
// the session (EditorSession) and hands it to the controllers and windows.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QMdiArea>
#include <QTimer>
#include <memory>

#include "app/dialogs/progress_dialog.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "app/windows/footage_window.h"
#include "app/windows/player_window.h"
#include "app/windows/recorder_window.h"

namespace cw::app {

class Settings;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Starts a session of its own unless one is given (a test, or the
  // program with its command line already read into it).
  explicit MainWindow(std::unique_ptr<EditorSession> session = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  EditorSession& session() const { return *session_; }
  ActionRegistry& actions() const { return *actions_; }
  QAction* action(const QString& name) const { return actions_->action(name); }
  QMdiArea* mdiArea() const { return mdiArea_; }
  PlayerWindow* playerWindow() const { return playerWindow_; }
  RecorderWindow* recorderWindow() const { return recorderWindow_; }
  FootageWindow* footageWindow() const { return footageWindow_; }
  ProgressDialog* progressDialog() const { return progressDialog_; }
  QTimer* startupTimer() const { return startupTimer_; }

  // --- Start-up and settings (parent_form_startup.cpp) -----------------------
  // First stage; false when the system check failed (the program ends).
  bool startUp();
  // Second stage, once, when startupTimer fires (tests may call it at once).
  void finishStartUp();
  void setStartingValues();
  void loadSettings();
  void saveSettings();

  // --- Shutdown (parent_form_shutdown.cpp) -----------------------------------
  void onExit();
  // The program has ended (a test sees this instead of the process ending).
  bool ended() const { return ended_; }

 signals:
  // onExit has run to its end: the program should quit.
  void exitRequested();
  // Exit closes the help window.
  void closeHelpRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void placeWindow(QMdiSubWindow* window, double leftTwips, double topTwips);
  void applyWindowSettings();
  void warnLowSpace();
  void openCommandLine();

  std::unique_ptr<EditorSession> session_;
  ActionRegistry* actions_ = nullptr;
  QMdiArea* mdiArea_ = nullptr;
  PlayerWindow* playerWindow_ = nullptr;
  RecorderWindow* recorderWindow_ = nullptr;
  FootageWindow* footageWindow_ = nullptr;
  ProgressDialog* progressDialog_ = nullptr;
  QTimer* startupTimer_ = nullptr;
  // The positions as read, in twips: written back unchanged while the window
  // stays on the same pixel, so that the settings do not drift by rounding.
  QHash<QString, double> loadedTwips_;
  double readTwips(const Settings& settings, const char* key, double fallback);
  double twipsFor(const char* key, int pixels) const;
  // A child window's place and size as it is, or, while it is minimised or
  // maximised, as it will be restored: what the settings keep.
  static QRect restoredGeometry(const QMdiSubWindow* window);
  int footageWinSt_ = 0;  // 0 normal, 1 minimised, 2 maximised
  bool ended_ = false;
  bool exitWhenIdle_ = false;  // Exit was chosen while work ran
};

}  // namespace cw::app
