// clipwright-cli crop SOURCE RECORD --in SECONDS --out SECONDS [--mode M] [--keep-dead-b]
//
// Records the marked stretch of SOURCE as a new project file RECORD, the
// way the editor's first record of a project does. Progress goes to standard
// output: a bar on a terminal, one percentage line per step otherwise.
// Ctrl+C cancels after the current chunk; the record file is then removed.
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "engine/analysis/stream_info.h"
#include "engine/edit/crop.h"
#include "engine/edit/errors.h"
#include "engine/edit/operation_context.h"
#include "probe/quick_analysis.h"

namespace cw::cli {

namespace {

constexpr int kExitInterrupted = 130;  // the shell's status for a Ctrl+C
constexpr int kCancelled = 6006;

constexpr const char* kUsage =
    "usage: clipwright-cli crop SOURCE RECORD --in SECONDS --out SECONDS\n"
    "                           [--mode mpeg|vcd|vcd-zeroes|video|audio] [--keep-dead-b]\n"
    "\n"
    "Copies the stretch from --in to --out (seconds from the start of SOURCE)\n"
    "into a new RECORD without re-encoding. The cut points move to the nearest\n"
    "group of pictures and the audio frame in step with it. An existing RECORD\n"
    "is replaced.\n"
    "\n"
    "  --mode          record mode (default mpeg): MPEG system stream, VideoCD,\n"
    "                  VideoCD with zero-padded audio packs, video only, audio\n"
    "                  only; an elementary-stream SOURCE gives its own kind\n"
    "  --keep-dead-b   keep the B-pictures of an open first GOP and mark it\n"
    "                  broken instead of removing them\n"
    "\n"
    "Ctrl+C cancels and removes RECORD (exit status 130).\n"
    "Exit status: 0 recorded, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

struct ModeName {
  const char* name;
  std::int16_t mode;
};
constexpr ModeName kModes[] = {
    {"mpeg", 0}, {"vcd", 1}, {"vcd-zeroes", 2}, {"video", 3}, {"audio", 4},
};

struct Options {
  std::string source;
  std::string record;
  double in = 0.0;
  double out = 0.0;
  bool haveIn = false;
  bool haveOut = false;
  std::int16_t mode = 0;
  bool keepDeadB = false;
};

bool parseSeconds(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseMode(const std::string& text, std::int16_t& mode) {
  for (const ModeName& m : kModes) {
    if (text == m.name) {
      mode = m.mode;
      return true;
    }
  }
  return false;
}

int usageError(std::ostream& err, const std::string& problem) {
  err << kProgram << " crop: " << problem << "\n" << kUsage;
  return kExitUsage;
}

// 0 with the options, -1 after printing the help, or kExitUsage.
int parseOptions(const Arguments& args, Options& o, std::ostream& out, std::ostream& err) {
  Arguments files;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--in" || arg == "--out" || arg == "--mode";
    if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
      files.push_back(arg);
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "--help" || arg == "-h") {
      out << kUsage;
      return -1;
    } else if (arg == "--keep-dead-b") {
      o.keepDeadB = true;
    } else if (takesValue && i + 1 >= args.size()) {
      return usageError(err, arg + " needs a value");
    } else if (arg == "--in") {
      if (!parseSeconds(args[++i], o.in)) return usageError(err, "bad --in '" + args[i] + "'");
      o.haveIn = true;
    } else if (arg == "--out") {
      if (!parseSeconds(args[++i], o.out)) return usageError(err, "bad --out '" + args[i] + "'");
      o.haveOut = true;
    } else if (arg == "--mode") {
      if (!parseMode(args[++i], o.mode)) return usageError(err, "bad --mode '" + args[i] + "'");
    } else {
      return usageError(err, "unknown option '" + arg + "'");
    }
  }
  if (files.size() != 2) return usageError(err, "SOURCE and RECORD are needed");
  if (!o.haveIn || !o.haveOut) return usageError(err, "--in and --out are needed");
  o.source = files[0];
  o.record = files[1];
  return 0;
}

// Ctrl+C only raises this flag; the progress report passes it on to the
// engine, which stops after the chunk it is writing.
volatile sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

// Installs the Ctrl+C handler for its lifetime.
class InterruptGuard {
 public:
  InterruptGuard() {
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
  }
  ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  struct sigaction previous_ {};
};

// Shows the progress reports: a redrawn bar on a terminal, otherwise one
// line per new percentage.
class ProgressView {
 public:
  ProgressView(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

  void show(int percentage) {
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
  void finish() {
    if (terminal_ && last_ >= 0) out_ << '\n';
  }

 private:
  std::ostream& out_;
  bool terminal_;
  int last_ = -1;
};

int reportError(std::ostream& err, int number) {
  err << "error " << number << ": " << errorMessage(number) << '\n';
  return kExitFailed;
}

// The stream information records the engine works on, registered for the
// run so that the context can name them by handle.
class RegisteredInfo {
 public:
  RegisteredInfo() : handle_(registerStreamInfo(&info)) {}
  ~RegisteredInfo() { unregisterStreamInfo(handle_); }
  RegisteredInfo(const RegisteredInfo&) = delete;
  RegisteredInfo& operator=(const RegisteredInfo&) = delete;

  std::int32_t handle() const { return handle_; }
  StreamInfo info;

 private:
  std::int32_t handle_;
};

}  // namespace

int runCrop(const Arguments& args, std::ostream& out, std::ostream& err) {
  Options o;
  if (const int rc = parseOptions(args, o, out, err)) return rc < 0 ? kExitOk : rc;

  RegisteredInfo source;
  RegisteredInfo record;
  source.info.fileName = o.source;
  if (const int rc = quickAnalyse(source.info)) return reportError(err, rc);

  OperationContext ctx;
  ctx.sourceFileName = o.source;
  ctx.recordFileName = o.record;
  ctx.sourceMarkIn = o.in;
  ctx.sourceMarkOut = o.out;
  ctx.recordMode = o.mode;
  ctx.removeDeadBpic = !o.keepDeadB;
  ctx.srcInfoHand = source.handle();
  ctx.recInfoHand = record.handle();

  ProgressView view(out, &out == &std::cout && ::isatty(STDOUT_FILENO));
  InterruptGuard interrupts;
  ctx.onProgress = [&ctx, &view](int, int percentage) {
    view.show(percentage);
    if (g_interrupted) ctx.Cancel();
  };
  out << "cropping " << o.source << " from " << o.in << " s to " << o.out << " s\n" << std::flush;
  const int rc = Crop(ctx);
  view.finish();

  if (rc != 0) return reportError(err, rc);
  if (ctx.error.number == kCancelled) {
    err << "cancelled; " << o.record << " removed\n";
    return kExitInterrupted;
  }
  out << "File is recorded as: " << o.record << " ("
      << static_cast<std::int64_t>(record.info.fileLength) << " bytes)\n";
  return kExitOk;
}

}  // namespace cw::cli
