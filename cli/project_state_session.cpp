#include "cli/project_state_session.h"

#include <unistd.h>

#include <iostream>

#include "cli/command.h"
#include "cli/file_problem.h"
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
  return rc == 0 ? 0 : reportFileError(err, path, rc, errorMessage(rc), fileProblem(path, false));
}

int ProjectSession::analyseProject(const std::string& path) {
  project.setShopFileName(path);
  const int rc = project.doQuickAnalys();
  return rc == 0 ? 0 : reportFileError(err, path, rc, errorMessage(rc), fileProblem(path, false));
}

bool ProjectSession::run(const std::function<std::int16_t(Splicer&)>& method) {
  cancelSent_ = false;
  const std::int16_t result = method(splicer);
  view_.finish();
  return result == 0;
}

namespace {

enum class Role { None, Source, Record, Undo, Redo };

struct FileOfError {
  int number;
  Role role;
  bool writing;  // the file was opened or written for writing
};

// The engine errors that one file of the edit caused: opening, reading or
// writing the source, the project or a journal.
constexpr FileOfError kFilesOfErrors[] = {
    {1000, Role::Source, false}, {1015, Role::Record, false}, {1016, Role::Source, false},
    {2002, Role::Record, true},  {2003, Role::Undo, true},    {2005, Role::Undo, false},
    {2006, Role::Record, true},  {2102, Role::Record, true},  {2103, Role::Redo, true},
    {2105, Role::Redo, false},   {2106, Role::Record, true},  {3000, Role::Record, true},
    {3001, Role::Source, false}, {3002, Role::Undo, true},    {3003, Role::Redo, true},
    {3008, Role::Record, false}, {3009, Role::Undo, true},    {3010, Role::Redo, true},
    {3011, Role::Record, true},  {3012, Role::Source, false}, {4000, Role::Record, true},
    {4001, Role::Source, false}, {4002, Role::Undo, true},    {4003, Role::Redo, true},
    {4008, Role::Record, false}, {4009, Role::Undo, true},    {4010, Role::Redo, true},
    {4011, Role::Record, true},  {4012, Role::Source, false}, {6001, Role::Source, false},
    {6002, Role::Record, true},  {7001, Role::Record, true},  {7002, Role::Source, false},
    {7004, Role::Record, true},
};

FileOfError fileOfError(int number) {
  for (const FileOfError& f : kFilesOfErrors)
    if (f.number == number) return f;
  return {number, Role::None, false};
}

}  // namespace

int ProjectSession::reportFailure() {
  const int number = splicer.errorMesNumber();
  const FileOfError f = fileOfError(number);
  std::string path;
  switch (f.role) {
    case Role::Source:
      path = splicer.sourceFileName();
      break;
    case Role::Record:
      path = splicer.recordFileName();
      break;
    case Role::Undo:
      path = splicer.undoFileName();
      break;
    case Role::Redo:
      path = splicer.redoFileName();
      break;
    case Role::None:
      return reportEngineError(err, number, splicer.errorMes());
  }
  return reportFileError(err, path, number, splicer.errorMes(), fileProblem(path, f.writing));
}

}  // namespace cw::cli
