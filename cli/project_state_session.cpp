#include "cli/project_state_session.h"

#include <unistd.h>

#include <iostream>

#include "cli/command.h"
#include "engine/edit/errors.h"

namespace cw::cli {

namespace {

volatile sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

}  // namespace

InterruptGuard::InterruptGuard() {
  g_interrupted = 0;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }

bool InterruptGuard::interrupted() { return g_interrupted != 0; }

void ProgressView::show(int percentage) {
  if (percentage == last_) return;
  last_ = percentage;
  if (terminal_) {
    constexpr int kWidth = 40;
    const int filled = percentage * kWidth / 100;
    out_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] "
         << percentage << '%' << std::flush;
  } else {
    out_ << percentage << "%\n" << std::flush;
  }
}

void ProgressView::finish() {
  if (terminal_ && last_ >= 0) out_ << '\n';
  last_ = -1;
}

int reportEngineError(std::ostream& err, int number, const std::string& message) {
  err << "error " << number << ": " << message << '\n';
  return kExitFailed;
}

ProjectSession::ProjectSession(std::ostream& out, std::ostream& err)
    : out(out), err(err), view_(out, &out == &std::cout && ::isatty(STDOUT_FILENO)) {
  splicer.setSrcInfoHand(source.ninfoHand());
  splicer.setRecInfoHand(project.ninfoHand());
  splicer.events().connect("Progress", [this](automation::Args& args) {
    view_.show(args[1].asInt16());
    if (InterruptGuard::interrupted() && !cancelSent_) {
      splicer.Cancel();
      cancelSent_ = true;
    }
  });
}

int ProjectSession::analyseSource(const std::string& path) {
  source.setShopFileName(path);
  const int rc = source.doQuickAnalys();
  return rc == 0 ? 0 : reportEngineError(err, rc, errorMessage(rc));
}

int ProjectSession::analyseProject(const std::string& path) {
  project.setShopFileName(path);
  const int rc = project.doQuickAnalys();
  return rc == 0 ? 0 : reportEngineError(err, rc, errorMessage(rc));
}

bool ProjectSession::run(const std::function<std::int16_t(Splicer&)>& method) {
  cancelSent_ = false;
  const std::int16_t result = method(splicer);
  view_.finish();
  return result == 0;
}

int ProjectSession::reportFailure() {
  return reportEngineError(err, splicer.errorMesNumber(), splicer.errorMes());
}

}  // namespace cw::cli
