// The conformance check on arbitrary bytes: whatever it is given, it reports
// problems or none, never crashes, and keeps its counts and lists in step.
#include <cstddef>
#include <cstdint>

#include "engine/edit/stream_check.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  cw::CheckReport report;
  cw::checkBytes(data, size, report);
  if (static_cast<std::int64_t>(report.problems.size()) > report.problemCount())
    cw::fuzz::fail("kept problems", static_cast<int>(report.problems.size()));
  if (size == 0 && report.clean()) cw::fuzz::fail("empty input found clean", 0);
  for (const cw::CheckProblem& p : report.problems)
    if (p.offset < 0 || p.offset > static_cast<std::int64_t>(size))
      cw::fuzz::fail("problem position", static_cast<int>(p.offset));
  (void)cw::checkVerdict(report);
  return 0;
}
