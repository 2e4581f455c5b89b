#include "app/controllers/stop_requests.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>

#include "app/shell/editor_session.h"
#include "app/shell/operation_runner.h"
#include "app/windows/main_window.h"

namespace cw::app {

namespace {

int g_signalPipe[2] = {-1, -1};
int g_pendingSignal = 0;

extern "C" void onStopSignal(int signal) {
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &number, 1);
}

[[noreturn]] void endNow(int signal) { ::_exit(128 + signal); }

// Runs on the main loop while a record may run on the worker thread: the
// record is asked to cancel as the progress window's Cancel asks it (the
// engine takes it on its own thread), and the process ends once the engine
// has put the project back and returned.
void stopRequested(const Splicer& engine, OperationRunner& operations, int signal) {
  if (!engine.busy()) endNow(signal);
  g_pendingSignal = signal;
  operations.requestCancel();
}

// The handler only writes the signal's number into a pipe that the main
// loop watches; it is installed once per process.
bool openSignalPipe() {
  if (g_signalPipe[0] >= 0) return true;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return false;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  return true;
}

void installSignalPipe(MainWindow& form) {
  if (!openSignalPipe()) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &form);
  Splicer* engine = form.session().splicer.get();
  OperationRunner* operations = form.session().operations.get();
  QObject::connect(notifier, &QSocketNotifier::activated, &form, [engine, operations] {
    unsigned char number = 0;
    if (::read(g_signalPipe[0], &number, 1) == 1) stopRequested(*engine, *operations, number);
  });
  // The engine's last event of a method: a cancelled record is restored by then.
  const auto finished = [](automation::Args&) {
    if (g_pendingSignal != 0) endNow(g_pendingSignal);
  };
  engine->events().connect("Done", finished);
  engine->events().connect("Err", finished);
}

}  // namespace

void installStopRequests(MainWindow& form) {
  installSignalPipe(form);
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr) return;
  QObject::connect(app, &QGuiApplication::commitDataRequest, &form,
                   [&form](QSessionManager& manager) {
                     const bool mayAsk = manager.allowsInteraction();
                     const bool ends = answerQuitRequest(form, mayAsk);
                     if (mayAsk) manager.release();
                     if (!ends) manager.cancel();
                   });
}

bool answerQuitRequest(MainWindow& form, bool mayAsk) {
  if (!mayAsk) return true;
  form.onExit();
  return form.ended();
}

}  // namespace cw::app
