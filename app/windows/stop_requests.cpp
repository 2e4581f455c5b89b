#include "app/windows/stop_requests.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>

#include "app/shell/app_state.h"
#include "app/windows/parent_form.h"

namespace cw::app {

namespace {

int g_signalPipe[2] = {-1, -1};
int g_pendingSignal = 0;

extern "C" void onStopSignal(int signal) {
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &number, 1);
}

[[noreturn]] void endNow(int signal) { ::_exit(128 + signal); }

// Runs on the main loop, also inside a record's progress handler: there the
// record is cancelled, and the process ends once the engine has put the
// project back and returned.
void stopRequested(int signal) {
  Splicer& engine = *appState().Tazo1;
  if (!engine.busy()) endNow(signal);
  g_pendingSignal = signal;
  engine.Cancel();
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

void installSignalPipe(ParentForm& form) {
  if (!openSignalPipe()) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &form);
  QObject::connect(notifier, &QSocketNotifier::activated, &form, [] {
    unsigned char number = 0;
    if (::read(g_signalPipe[0], &number, 1) == 1) stopRequested(number);
  });
  // The engine's last event of a method: a cancelled record is restored by then.
  const auto finished = [](automation::Args&) {
    if (g_pendingSignal != 0) endNow(g_pendingSignal);
  };
  appState().Tazo1->events().connect("Done", finished);
  appState().Tazo1->events().connect("Err", finished);
}

}  // namespace

void installStopRequests(ParentForm& form) {
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

bool answerQuitRequest(ParentForm& form, bool mayAsk) {
  if (!mayAsk) return true;
  form.menuExit_Click();
  return form.ended();
}

}  // namespace cw::app
