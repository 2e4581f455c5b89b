// clipwright-cli check [--json] FILE...
#include <algorithm>
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "cli/file_arguments.h"
#include "cli/file_problem.h"
#include "cli/json_writer.h"
#include "engine/common/errors.h"
#include "engine/edit/check_es.h"
#include "engine/edit/stream_check.h"

namespace cw::cli {

namespace {

constexpr const char* kUsage =
    "usage: clipwright-cli check [--json] FILE...\n"
    "\n"
    "Checks that each FILE is a correct MPEG-1 stream: a system stream's packs\n"
    "are replayed against the decoder buffers (overflows, underflows, the peak\n"
    "against the declared size), its clock and time stamps, pack and packet\n"
    "syntax, the VideoCD layout when the file claims it, the sequence and GOP\n"
    "structure and the audio frames. Elementary streams get the checks that\n"
    "apply to them. Each problem is shown with its time and byte position.\n"
    "\n"
    "  --json  one JSON object per file and line\n"
    "\n"
    "Exit status: 0 when every file is clean, 1 otherwise, 2 on usage errors.\n";

struct Options {
  bool json = false;
  Arguments files;
};

// 0 and the options, -1 after --help, or kExitUsage (already reported).
int parseOptions(const Arguments& args, Options& options, std::ostream& out, std::ostream& err) {
  return parseFileArguments(
      args, "check", kUsage,
      [&](const std::string& arg) {
        options.json = options.json || arg == "--json";
        return arg == "--json";
      },
      options.files, out, err);
}

std::vector<const CheckProblem*> inFileOrder(const CheckReport& report) {
  std::vector<const CheckProblem*> list;
  for (const CheckProblem& p : report.problems) list.push_back(&p);
  std::stable_sort(list.begin(), list.end(), [](const CheckProblem* a, const CheckProblem* b) {
    return a->offset < b->offset;
  });
  return list;
}

std::string problemLine(const CheckProblem& p) {
  std::ostringstream line;
  line << checkKindName(p.kind) << " at ";
  if (p.seconds >= 0.0) {
    line.setf(std::ios::fixed);
    line.precision(3);
    line << p.seconds << " s, ";
  }
  line << "byte " << p.offset << ": " << p.text;
  return line.str();
}

void writeText(std::ostream& out, const std::string& path, const CheckReport& report) {
  out << path << ": " << report.fileKind;
  if (report.packs > 0) out << ", " << report.packs << " packs";
  const std::int64_t count = report.problemCount();
  if (count == 0) {
    out << ": no problems\n";
  } else {
    out << ": " << count << (count == 1 ? " problem" : " problems") << " (";
    bool firstKind = true;
    for (std::size_t k = 0; k < kCheckKinds; ++k) {
      if (report.counts[k] == 0) continue;
      out << (firstKind ? "" : ", ") << checkKindName(static_cast<CheckKind>(k)) << ' '
          << report.counts[k];
      firstKind = false;
    }
    out << ")\n";
  }
  for (const CheckedBuffer& b : report.buffers)
    out << "  " << streamName(b.streamId) << ": buffer " << b.size << " bytes, peak " << b.peak
        << ", " << b.units << " units" << '\n';
  for (const CheckProblem* p : inFileOrder(report)) out << "  " << problemLine(*p) << '\n';
  if (static_cast<std::int64_t>(report.problems.size()) < count)
    out << "  (" << count - static_cast<std::int64_t>(report.problems.size())
        << " more not shown)\n";
}

std::string toJson(const std::string& path, const CheckReport& report) {
  JsonObject counts;
  for (std::size_t k = 0; k < kCheckKinds; ++k)
    counts.add(checkKindName(static_cast<CheckKind>(k)), report.counts[k]);
  std::string buffers = "[";
  for (const CheckedBuffer& b : report.buffers) {
    if (buffers.size() > 1) buffers += ',';
    buffers += JsonObject()
                   .add("stream", b.streamId)
                   .add("size", b.size)
                   .add("peak", b.peak)
                   .add("units", b.units)
                   .add("overflowingPackets", b.overflowingPackets)
                   .str();
  }
  buffers += ']';
  std::string problems = "[";
  for (const CheckProblem* p : inFileOrder(report)) {
    if (problems.size() > 1) problems += ',';
    JsonObject o;
    o.add("kind", checkKindName(p->kind)).add("offset", p->offset);
    if (p->seconds >= 0.0) o.add("seconds", p->seconds);
    problems += o.add("text", p->text).str();
  }
  problems += ']';
  return JsonObject()
      .add("path", path)
      .add("kind", report.fileKind)
      .addRaw("clean", report.clean() ? "true" : "false")
      .add("packs", report.packs)
      .add("problemCount", report.problemCount())
      .addRaw("counts", counts.str())
      .addRaw("buffers", buffers)
      .addRaw("problems", problems)
      .str();
}

}  // namespace

int runCheck(const Arguments& args, std::ostream& out, std::ostream& err) {
  Options options;
  const int parsed = parseOptions(args, options, out, err);
  if (parsed < 0) return kExitOk;  // --help
  if (parsed != 0) return parsed;
  bool allClean = true;
  for (const std::string& path : options.files) {
    CheckReport report;
    const int status = checkFile(path, report);
    if (status != kErrOk) {
      reportFileError(err, path, status, errorMessage(status), fileProblem(path, FileUse::Read));
      allClean = false;
      if (!options.json) continue;
    }
    if (options.json)
      out << toJson(path, report) << '\n';
    else
      writeText(out, path, report);
    if (!report.clean()) allClean = false;
  }
  out.flush();
  return allClean ? kExitOk : kExitFailed;
}

}  // namespace cw::cli
