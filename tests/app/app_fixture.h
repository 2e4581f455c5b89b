// The editor built whole and headless for a test: settings, the XDG cache
// and the temporary folder redirected into a fresh folder, message boxes
// answered by the test, the start-up's 2000 ms wait skipped.
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QString>
#include <deque>
#include <memory>
#include <vector>

#include "support/corpus.h"

#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/windows/main_window.h"
#include "support/temp_dir.h"

namespace cw::app::testing {

// The one QApplication of the test program (offscreen unless told otherwise).
QApplication& application();

// Lets queued events, timers and paints run for a while.
void runEventsFor(int milliseconds);

class AppFixture : public ::testing::Test {
 protected:
  AppFixture();
  ~AppFixture() override;

  // Builds the main window and runs the first start-up stage; with
  // `secondStage` the timer's stage runs at once as well.
  MainWindow& start(bool secondStage = true);
  MainWindow& form() { return *form_; }
  // The editor's session: the test's own until start() hands it to the main
  // window, the main window's afterwards.
  EditorSession& session() const { return form_ ? form_->session() : *session_; }
  // Makes the main window the active one, so that keys reach its shortcuts
  // (the splash, closed by the second stage, may keep the focus window).
  void activateMainWindow();

  // Message boxes: answers are taken from the queue (Ok / the default
  // answer when it is empty); every box shown is kept.
  void answer(MessageAnswer next) { answers_.push_back(next); }
  std::vector<MessageBox> takeMessages() { return std::exchange(shown_, {}); }

  // Folders of this test.
  QString root() const;          // the test's own folder
  QString configFolder() const;  // where the settings are written
  QString cacheFolder() const;   // XDG_CACHE_HOME
  QString settingsFile() const;  // the settings file of the editor

  void writeFile(const QString& path, const QByteArray& bytes = "x");

 private:
  cw::test::TempDir dir_{"cw-app"};
  std::unique_ptr<EditorSession> session_ = std::make_unique<EditorSession>();
  std::unique_ptr<MainWindow> form_;
  std::deque<MessageAnswer> answers_;
  std::vector<MessageBox> shown_;
  QByteArray oldCache_;
  QString oldCurrent_;  // start-up makes TempDir current
};

// A corpus file's path as the editor takes it.
inline QString corpus(const char* name) {
  return QString::fromStdString(cw::test::corpusPath(name));
}

}  // namespace cw::app::testing
