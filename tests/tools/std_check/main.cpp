// cw-std-check FILE: replays an MPEG-1 system stream through a model of the
// system target decoder and prints what is wrong, one finding per line:
//   <kind>: <what>
// with kind one of overflow, underflow, scr-back, dts-back, pts-back,
// pts-before-dts, syntax. A summary of each stream goes to stderr.
// Exit status: 0 clean, 1 findings, 2 not readable as an MPEG-1 system stream.
#include <cstdio>
#include <cstring>
#include <map>

#include "std_check.h"

namespace {

constexpr int kMaxPerKind = 50;

void usage() {
  std::fprintf(stderr,
               "usage: cw-std-check [--all] [--csps] FILE\n"
               "  Checks the buffers of the system target decoder for an MPEG-1 system stream.\n"
               "  --all  print every finding (default: at most %d of each kind)\n"
               "  --csps replay at no more than 46 KiB video / 4 KiB audio when the\n"
               "         system header sets the constrained-parameters flag\n",
               kMaxPerKind);
}

}  // namespace

int main(int argc, char** argv) {
  bool all = false;
  cw::tools::CheckOptions options;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--all") == 0) {
      all = true;
    } else if (std::strcmp(argv[i], "--csps") == 0) {
      options.constrainedBounds = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage();
      return 0;
    } else if (!path && argv[i][0] != '-') {
      path = argv[i];
    } else {
      usage();
      return 2;
    }
  }
  if (!path) {
    usage();
    return 2;
  }
  cw::tools::CheckReport report = cw::tools::checkSystemStream(path, options);
  if (!report.readable) {
    std::fprintf(stderr, "cw-std-check: %s: %s\n", path, report.problem.c_str());
    return 2;
  }
  std::map<cw::tools::FindingKind, int> printed;
  for (const auto& finding : report.findings) {
    int& count = printed[finding.kind];
    if (all || count < kMaxPerKind)
      std::printf("%s: %s\n", cw::tools::findingName(finding.kind), finding.text.c_str());
    ++count;
  }
  for (const auto& [kind, count] : printed)
    if (!all && count > kMaxPerKind)
      std::printf("%s: %d more not shown\n", cw::tools::findingName(kind), count - kMaxPerKind);
  std::fprintf(stderr, "cw-std-check: %s: %lld packs\n", path,
               static_cast<long long>(report.packs));
  for (const auto& s : report.streams)
    std::fprintf(
        stderr,
        "  stream 0x%02X: %lld units, %lld bytes, buffer %lld, peak %lld, least slack %.1f ticks, "
        "%lld overflowing packets\n",
        s.streamId, static_cast<long long>(s.accessUnits), static_cast<long long>(s.payloadBytes),
        static_cast<long long>(s.bufferSize), static_cast<long long>(s.peakOccupancy),
        s.minSlackTicks, static_cast<long long>(s.overflowingPackets));
  return report.findings.empty() ? 0 : 1;
}
