// Long engine work (a record, an undo, a file's analysis, a project copy)
// runs on a worker thread while the GUI thread goes on painting and serving
// the progress window. The caller waits in a local event loop and gets the
// work's result as if it had run in line.
//
// While work runs, every command of the registry is off except Exit (through
// a disabled action group: enabled states the program sets meanwhile take
// effect when the work ends).
// The work reaches the GUI only through queued calls (post()).
#pragma once

#include <QActionGroup>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

namespace cw::app {

class ActionRegistry;

class OperationRunner : public QObject {
  Q_OBJECT
 public:
  explicit OperationRunner(QObject* parent = nullptr);
  ~OperationRunner() override;

  // The commands to turn off while work runs (the main window's registry).
  void setCommands(ActionRegistry* actions);

  bool running() const { return running_; }

  // Runs `work` on a worker thread and returns its result; -1 without
  // running it when other work is still running.
  int run(const std::function<int()>& work);

  // Asks the running work to stop; it polls cancelRequested(). Cleared when
  // the next work starts.
  void requestCancel() { cancel_.store(true); }
  bool cancelRequested() const { return cancel_.load(); }

  // From the work: runs `call` on the GUI thread and waits until the GUI
  // thread has also handled what the call posted (a click queued while the
  // progress window came up), so that the work sees a Cancel pressed in
  // answer to its report. From the GUI thread: calls it at once.
  void report(const std::function<void()>& call);

 signals:
  void runningChanged(bool running);

 private:
  void lockCommands();
  void unlockCommands();

  QPointer<ActionRegistry> actions_;
  QActionGroup* locked_ = nullptr;
  bool running_ = false;
  std::atomic<bool> cancel_{false};
};

}  // namespace cw::app
