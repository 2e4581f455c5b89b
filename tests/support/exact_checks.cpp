#include "support/exact_checks.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "support/cli.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/validation.h"

namespace cw::test {

Identity identify(const std::vector<Luma>& source, const std::vector<Luma>& output,
                  std::size_t first, std::size_t from, std::size_t count) {
  Identity id;
  double sum = 0.0;
  const std::size_t end = std::min(output.size(), from + std::min(count, output.size()));
  for (std::size_t i = from; i < end; ++i) {
    const std::size_t at = first + (i - from);
    if (at >= source.size()) {
      ++id.wrongPlace;
      continue;
    }
    const double own = lumaPsnr(output[i], source[at]);
    sum += own;
    id.lowest = std::min(id.lowest, own);
    if (own == 99.0) ++id.copied;
    bool nearerNeighbour = false;
    for (const std::size_t n : {at - 1, at + 1}) {
      if (at == 0 && n == at - 1) continue;
      if (n < source.size() && lumaPsnr(output[i], source[n]) >= own && own < 99.0) {
        nearerNeighbour = true;
      }
    }
    if (own < 30.0 || nearerNeighbour) ++id.wrongPlace;
  }
  if (end > from) id.average = sum / static_cast<double>(end - from);
  return id;
}

std::string vcdimagerComplaints(const std::string& record, const std::string& workDir) {
  const CommandResult r =
      runCommand("cd " + shellQuote(workDir) + " && vcdimager -t vcd2 -c image.cue -b image.bin " +
                 shellQuote(record) + " 2>&1; s=$?; rm -f image.cue image.bin; exit $s");
  if (r.exitCode != 0 || r.out.find("finished ok") == std::string::npos) return r.out;
  std::string complaints;
  for (const std::string& line : splitLines(r.out)) {
    if (line.find("WARN") == std::string::npos) continue;
    if (line.find("padded on the fly") != std::string::npos) continue;
    if (line.find("autopadding requires") != std::string::npos) continue;
    complaints += line + "\n";
  }
  return complaints;
}

bool stampsRise(const std::string& record) {
  const std::vector<ProbeFrame> frames = ffprobeFrames(record);
  for (std::size_t i = 1; i < frames.size(); ++i) {
    if (frames[i].pktDts >= 0 && frames[i - 1].pktDts >= 0 &&
        frames[i].pktDts <= frames[i - 1].pktDts) {
      return false;
    }
  }
  return true;
}

namespace {

void checkPictures(const std::vector<Luma>& sourcePictures, int gop,
                   const std::vector<Luma>& pictures, const std::vector<SourceStretch>& stretches,
                   std::ostream& problems) {
  std::size_t wanted = 0;
  for (const SourceStretch& s : stretches) wanted += s.count;
  if (pictures.size() != wanted) {
    problems << pictures.size() << " pictures, not " << wanted << "\n";
    return;
  }
  std::size_t from = 0;
  for (const SourceStretch& s : stretches) {
    const Identity id = identify(sourcePictures, pictures, s.first, from, s.count);
    if (id.wrongPlace != 0 || id.lowest < 30.0) {
      problems << "stretch from picture " << s.first << ": " << id.wrongPlace
               << " pictures not the source's at their place, lowest " << id.lowest << " dB\n";
    }
    const auto recoded = static_cast<int>(s.count) - id.copied;
    if (recoded > 2 * gop) {
      problems << "stretch from picture " << s.first << ": " << recoded
               << " pictures differ from the source's, more than two GOPs\n";
    }
    from += s.count;
  }
}

// What ffmpeg reports when decoding, less its null muxer's remark on the
// decoding times it guesses for pictures without a time stamp.
std::string decoderComplaints(const std::string& record) {
  std::string complaints;
  for (const std::string& line : splitLines(ffmpegDecodeErrors(record))) {
    if (line.find("non monotonically increasing dts to muxer") != std::string::npos) continue;
    complaints += line + "\n";
  }
  return complaints;
}

}  // namespace

ExactSource exactSource(const std::string& path) {
  ExactSource source;
  source.pictures = pictureLumas(path);
  source.gop = longestGop(ffprobeFrames(path));
  source.stampsRise = stampsRise(path);
  return source;
}

std::string exactRecordProblems(const ExactSource& source, const std::string& record,
                                const std::string& mode,
                                const std::vector<SourceStretch>& stretches,
                                const std::string& workDir) {
  std::ostringstream problems;
  if (const std::string errors = decoderComplaints(record); !errors.empty()) {
    problems << "decoder: " << errors;
  }
  checkPictures(source.pictures, source.gop, pictureLumas(record), stretches, problems);
  if (mode != "video") {
    const StdCheckResult independent = runStdCheck(record);
    if (independent.exitCode != 0) {
      problems << "cw-std-check: "
               << (independent.findings.empty() ? "?" : independent.findings.front()) << "\n";
    }
    const CommandResult own = runCli({"check", record});
    if (own.exitCode != 0) problems << "check: " << own.out << "\n";
  }
  if (mode.rfind("vcd", 0) == 0) {
    if (const std::string c = vcdimagerComplaints(record, workDir); !c.empty()) {
      problems << "vcdimager: " << c << "\n";
    }
  }
  if (source.stampsRise && !stampsRise(record)) problems << "decoding times step back\n";
  return problems.str();
}

SourceStretch stretchOf(double in, double out, double rate) {
  // The engine's own rounding guard: a mark on a picture's time selects it.
  const auto first = static_cast<std::size_t>(std::floor(in * rate + 1e-6));
  const auto last = static_cast<std::size_t>(std::floor(out * rate + 1e-6));
  return {first, last - first};
}

}  // namespace cw::test
