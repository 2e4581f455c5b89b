// Shared parts of the fuzz targets: the input becomes a file the analyses
// open by name, and records prepared the way the quick analysis leaves them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/analysis/stream_info.h"

namespace cw::fuzz {

// An in-memory file (memfd) reachable through /proc/self/fd, rewritten for
// every input. Aborts when it cannot be set up.
class InputFile {
 public:
  InputFile();
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Replaces the file's contents; returns its path.
  const std::string& write(const std::uint8_t* data, std::size_t size);

 private:
  int fd_ = -1;
  std::string path_;
};

// Runs the quick analysis on `path` into `info`. When it does not classify
// the input as `wantedType` (0 stands for 0 and 3), prepares the record of a
// typical file of that kind instead: stored headers of a VideoCD stream, the
// input's length. The head/tail analyses then run on the damaged bytes as
// they would on a file that changed after it was probed.
void prepareRecord(StreamInfo& info, const std::string& path, std::size_t size,
                   std::int16_t wantedType);

// The analyses leave a record untouched when they fail.
bool sameAnalysis(const StreamDescriptor& a, const StreamDescriptor& b);

// Stops the run with a message: a finding.
[[noreturn]] void fail(const char* what, int value);

}  // namespace cw::fuzz
