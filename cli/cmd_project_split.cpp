// clipwright-cli split SOURCE --at T1 --at T2 ... -o PATTERN [--mode M] [--keep-dead-b]
//
// Cuts SOURCE into consecutive pieces with the Splicer's sequence mode: the
// first piece runs from the start to the cut at T1, the next from there to
// the cut at T2, and the last one to the end of the source. Piece k (from 1)
// is written to PATTERN with k in place of its one %d.
#include <cstdio>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/project_state_options.h"
#include "cli/project_state_session.h"
#include "engine/analysis/stream_info.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

constexpr const char* kUsage =
    "usage: clipwright-cli split SOURCE --at SECONDS [--at SECONDS ...] -o PATTERN\n"
    "                            [--mode mpeg|vcd|vcd-zeroes|video|audio] [--keep-dead-b]\n"
    "                            [--progress] [--exact]\n"
    "\n"
    "Cuts SOURCE at each --at time (in increasing order) into pieces that follow\n"
    "each other without a gap or an overlap; the last piece runs to the end of\n"
    "SOURCE. PATTERN names the pieces with one printf-style number, counted\n"
    "from 1: \"part%02d.mpg\" gives part01.mpg, part02.mpg, ... Write %% for a\n"
    "percent sign.\n"
    "\n"
    "  --mode          record mode of the pieces (default mpeg)\n"
    "  --keep-dead-b   mark an open first GOP broken instead of removing its\n"
    "                  leading B-pictures\n"
    "  --progress      percentage lines on standard error when it is no terminal\n"
    "  --exact         cut on the very pictures at the --at times: the pictures\n"
    "                  between a cut and the nearest group of pictures are\n"
    "                  coded anew, all others copied\n"
    "\n"
    "Ctrl+C cancels the piece being written and removes it (exit status 130).\n"
    "Exit status: 0 all pieces written, 1 failed (\"error NNNN: message\"), 2 usage error.\n";

const OptionSpec kSpec{"split", kUsage, {"--at", "-o", "--mode"}, {"--at", "-o"}, 1, "SOURCE"};

// The names of the pieces: PATTERN with exactly one integer conversion
// (%d, %i or %u with the flags 0 - + and space and a width of at most two
// digits) and otherwise only plain text and %%. Nothing of the pattern
// reaches printf except a conversion rebuilt from those parts.
class PieceNamer {
 public:
  bool parse(const std::string& pattern, std::string& problem) {
    bool seen = false;
    std::string* text = &prefix_;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      if (pattern[i] != '%') {
        *text += pattern[i];
        continue;
      }
      if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
        *text += '%';
        ++i;
        continue;
      }
      if (seen) {
        problem = "PATTERN may hold only one number conversion";
        return false;
      }
      std::size_t at = i + 1;
      std::string conversion = "%";
      while (at < pattern.size() && std::string("0-+ ").find(pattern[at]) != std::string::npos) {
        conversion += pattern[at++];
      }
      const std::size_t widthStart = at;
      while (at < pattern.size() && pattern[at] >= '0' && pattern[at] <= '9') {
        conversion += pattern[at++];
      }
      if (at - widthStart > 2) {
        problem = "the width of PATTERN's number is at most two digits";
        return false;
      }
      if (at == pattern.size() || std::string("diu").find(pattern[at]) == std::string::npos) {
        problem = "PATTERN's conversion must be %d (with optional flags and width)";
        return false;
      }
      conversion_ = conversion + 'd';
      seen = true;
      text = &suffix_;
      i = at;
    }
    if (!seen) problem = "PATTERN needs one %d for the piece number";
    return seen;
  }

  std::string operator()(int piece) const {
    char number[128];
    std::snprintf(number, sizeof number, conversion_.c_str(), piece);
    return prefix_ + number + suffix_;
  }

 private:
  std::string prefix_;
  std::string conversion_;
  std::string suffix_;
};

int parseCuts(const ProjectOptions& o, std::vector<double>& cuts, std::ostream& err) {
  for (const std::string& text : o.values.at("--at")) {
    double t = 0.0;
    if (!parseSeconds(text, t)) return usageError(kSpec, err, "bad --at '" + text + "'");
    if (!cuts.empty() && t <= cuts.back()) {
      return usageError(kSpec, err, "--at times must increase ('" + text + "')");
    }
    cuts.push_back(t);
  }
  return 0;
}

// Piece k (from 1) of the cuts. The sequence mode starts each piece at
// the previous one's GOP-accurate cut-out; exact pieces are crops between
// their two marks, the picture at a cut starting the next piece, and the
// last one runs to the end of the source.
std::int16_t cutPiece(Splicer& sp, bool exact, const std::vector<double>& cuts, int k) {
  const auto piece = static_cast<std::size_t>(k);
  const bool last = piece == cuts.size() + 1;
  if (!exact) return sp.SeqCrop(last);
  sp.setSourceMarkIn(piece == 1 ? 0.0 : cuts[piece - 2]);
  sp.setSourceMarkOut(last ? std::numeric_limits<double>::max() : cuts[piece - 1]);
  return sp.Crop();
}

}  // namespace

int runSplit(const Arguments& args, std::ostream& out, std::ostream& err) {
  ProjectOptions o;
  if (const int rc = parseProjectOptions(args, kSpec, o, out, err)) return rc < 0 ? kExitOk : rc;
  std::vector<double> cuts;
  if (const int rc = parseCuts(o, cuts, err)) return rc;
  PieceNamer name;
  std::string problem;
  if (!name.parse(o.last("-o"), problem)) return usageError(kSpec, err, problem);
  std::int16_t mode = 0;
  if (const int rc = parseModeOption(kSpec, o, mode, err)) return rc;
  const std::string& sourcePath = o.files[0];

  ProjectSession s(out, err);
  s.showProgressLines(o.progress);
  if (const int rc = s.analyseSource(sourcePath)) return rc;
  if (s.source.shopFileType() == kTypeAudioOnly) {
    err << kProgram << " split: " << sourcePath
        << " is an audio stream; it has no pictures to cut at\n";
    return kExitFailed;
  }
  Splicer& splicer = s.splicer;
  splicer.setSourceFileName(sourcePath);
  splicer.setRecordMode(mode);
  splicer.setRemoveDeadBpic(!o.keepDeadB);
  splicer.SetSeqMode();
  if (!s.cutExactly(o.exact)) return kExitFailed;

  InterruptGuard interrupts;
  const int pieces = static_cast<int>(cuts.size()) + 1;
  for (int k = 1; k <= pieces; ++k) {
    const bool last = k == pieces;
    const std::string piece = name(k);
    if (InterruptGuard::interrupted()) {
      err << "cancelled before " << piece << '\n';
      return kExitInterrupted;
    }
    splicer.setRecordFileName(piece);
    if (!last) splicer.setSourceMarkOut(cuts[static_cast<std::size_t>(k - 1)]);
    out << "piece " << k << " of " << pieces << ": " << piece << '\n' << std::flush;
    if (!s.run([&](Splicer& sp) { return cutPiece(sp, o.exact, cuts, k); })) {
      return s.reportFailure();
    }
    if (s.cancelSent() && !platform::fileExists(piece)) {
      err << "cancelled; " << piece << " removed\n";
      return kExitInterrupted;
    }
    out << "File is recorded as: " << piece << " (" << platform::fileSize(piece) << " bytes)\n";
  }
  return kExitOk;
}

}  // namespace cw::cli
