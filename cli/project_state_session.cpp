#include "cli/project_state_session.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "cli/file_problem.h"
#include "cli/reencoder_module.h"
#include "engine/common/errors.h"

namespace cw::cli {

namespace {

volatile sig_atomic_t g_interrupted = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onInterrupt(int signal) {
  if (g_interrupted == 0) g_interrupted = signal;
}

}  // namespace

InterruptGuard::InterruptGuard() {
  g_interrupted = 0;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kStopSignals[i], &action, &previous_[i]);
}

InterruptGuard::~InterruptGuard() {
  for (int i = 0; i < 3; ++i) sigaction(kStopSignals[i], &previous_[i], nullptr);
}

bool InterruptGuard::interrupted() { return g_interrupted != 0; }

int InterruptGuard::exitStatus() { return 128 + (g_interrupted != 0 ? g_interrupted : SIGINT); }

void ProgressView::show(int percentage) {
  if (percentage == last_) return;
  last_ = percentage;
  if (terminal_) {
    constexpr int kWidth = 40;
    const int filled = percentage * kWidth / 100;
    out_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] "
         << percentage << '%' << std::flush;
  } else if (lines_) {
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

void reportSilence(const Splicer& splicer, std::ostream& err) {
  const double seconds = splicer.silenceAdded();
  if (seconds <= 0.0) return;
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  err << kProgram << ": added " << text << " s of silence where the source has no sound\n";
}

bool ProjectSession::cutExactly(bool on) {
  splicer.setExactCut(on);
  if (!on || reencoder_) return true;
  std::string problem;
  reencoder_ = loadPictureReencoder(problem);
  if (!reencoder_) {
    err << "--exact needs the picture re-encoder " << kReencoderModuleFile
        << ", which could not be loaded: " << problem << "\n";
    return false;
  }
  splicer.setPictureReencoder(reencoder_.get());
  return true;
}

ProjectSession::ProjectSession(std::ostream& out, std::ostream& err)
    : out(out), err(err), view_(err, &err == &std::cerr && ::isatty(STDERR_FILENO)) {
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
  return rc == 0
             ? 0
             : reportFileError(err, path, rc, errorMessage(rc), fileProblem(path, FileUse::Read));
}

int ProjectSession::analyseProject(const std::string& path) {
  project.setShopFileName(path);
  const int rc = project.doQuickAnalys();
  return rc == 0
             ? 0
             : reportFileError(err, path, rc, errorMessage(rc), fileProblem(path, FileUse::Read));
}

bool ProjectSession::run(const std::function<std::int16_t(Splicer&)>& method) {
  cancelSent_ = false;
  const std::int16_t result = method(splicer);
  view_.finish();
  return result == 0;
}

int ProjectSession::reportFailure() {
  const int number = splicer.errorMesNumber();
  const ErrorEntry* error = findError(number);
  std::string path;
  switch (error ? error->file : ErrorFile::None) {
    case ErrorFile::Source:
      path = splicer.sourceFileName();
      break;
    case ErrorFile::Record:
      path = splicer.recordFileName();
      break;
    case ErrorFile::UndoJournal:
      path = splicer.undoFileName();
      break;
    case ErrorFile::RedoJournal:
      path = splicer.redoFileName();
      break;
    case ErrorFile::None:
      reportEngineError(err, number, splicer.errorMes());
      reportStreamSpans(number);
      return kExitFailed;
  }
  return reportFileError(err, path, number, splicer.errorMes(), fileProblem(path, error->access));
}

void ProjectSession::reportStreamSpans(int number) {
  const bool cutError = isCutAreaError(number);
  const StreamSpans spans = streamSpans(source.info());
  if (!cutError || !spans.known) return;
  // Picture and sound that begin and end within a few audio frames of each
  // other are cut together; the note is for streams that do not.
  constexpr double kApart = 0.1;
  const bool apartAtStart = std::fabs(spans.audioStart - spans.videoStart) > kApart;
  const bool apartAtEnd = std::fabs(spans.audioEnd - spans.videoEnd) > kApart;
  if (!apartAtStart && !apartAtEnd) return;
  const auto seconds = [](double s) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(3) << s << " s";
    return text.str();
  };
  err << splicer.sourceFileName() << ": ";
  if (apartAtStart) {
    err << "the sound begins at " << seconds(spans.audioStart) << ", the picture at "
        << seconds(spans.videoStart) << (apartAtEnd ? "; " : "");
  }
  if (apartAtEnd) {
    err << "the sound ends at " << seconds(spans.audioEnd) << ", the picture at "
        << seconds(spans.videoEnd);
  }
  err << "; cut only where both run, from " << seconds(std::max(spans.videoStart, spans.audioStart))
      << " to " << seconds(std::min(spans.videoEnd, spans.audioEnd)) << "\n";
}

}  // namespace cw::cli
