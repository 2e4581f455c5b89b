// One run of a clipwright-cli editing command around the Splicer control, as
// the editor drives it: a Probe control analyses the source and another the
// project, their handles go to the Splicer, and the Splicer's Progress event
// feeds a progress view. Ctrl+C, SIGTERM (a shutdown, a service manager,
// timeout) and SIGHUP (a closed terminal) only raise a flag; the next
// Progress event passes it on as Cancel, so the engine stops after its
// current chunk and leaves the project as it was, and the command exits with
// 128 + the signal's number.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "engine/edit/picture_reencoder.h"
#include "engine/splicer/splicer.h"
#include "probe/probe.h"

namespace cw::cli {

inline constexpr int kExitInterrupted = 130;  // the shell's status for a Ctrl+C

// Installs the handler of the stop signals (SIGINT, SIGTERM, SIGHUP) for its
// lifetime.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // True once a stop signal came while the guard was in place.
  static bool interrupted();
  // The exit status for it: 128 + the signal's number.
  static int exitStatus();

 private:
  struct sigaction previous_[3]{};
};

// Shows progress: one line redrawn in place on a terminal; elsewhere (a
// log, a pipe) nothing, or one line per new percentage when asked for.
class ProgressView {
 public:
  ProgressView(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
  void setLines(bool on) { lines_ = on; }
  void show(int percentage);
  // Ends the bar's line and starts counting afresh.
  void finish();

 private:
  std::ostream& out_;
  bool terminal_;
  bool lines_ = false;
  int last_ = -1;
};

// Prints "error NNNN: message" for an engine error number.
int reportEngineError(std::ostream& err, int number, const std::string& message);

// Tells how much silence the last edit wrote where the sound ended before
// the pictures (nothing when it wrote none).
void reportSilence(const Splicer& splicer, std::ostream& err);

class ProjectSession {
 public:
  ProjectSession(std::ostream& out, std::ostream& err);
  ProjectSession(const ProjectSession&) = delete;
  ProjectSession& operator=(const ProjectSession&) = delete;

  // Quick analysis of a file into the source or the project Probe, whose
  // handle then goes to the Splicer. 0, or kExitFailed after printing the
  // engine error.
  int analyseSource(const std::string& path);
  int analyseProject(const std::string& path);

  // --progress: percentage lines on standard error when it is no terminal.
  void showProgressLines(bool on) { view_.setLines(on); }
  // --exact: the Splicer codes the pictures between each mark and the
  // nearest GOP boundary anew, so that cuts fall on the marked pictures. The
  // re-encoder module is loaded only then; false after saying why it could
  // not be.
  [[nodiscard]] bool cutExactly(bool on);

  // Calls one editing method of the Splicer with the progress view and the
  // Ctrl+C handler in place. True when it returned 0.
  bool run(const std::function<std::int16_t(Splicer&)>& method);
  // True when the last run passed a Ctrl+C on to the engine.
  bool cancelSent() const { return cancelSent_; }
  // Prints the Splicer's error properties; kExitFailed.
  int reportFailure();
  // After a failed cut (error `number`) in a source whose picture and sound
  // begin or end apart: says where each of them begins or ends.
  void reportStreamSpans(int number);

  std::ostream& out;
  std::ostream& err;
  Splicer splicer;
  Probe source;
  Probe project;

 private:
  ProgressView view_;
  std::unique_ptr<PictureReencoder> reencoder_;
  bool cancelSent_ = false;
};

}  // namespace cw::cli
