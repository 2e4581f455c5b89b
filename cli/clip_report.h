// What clipwright-cli probe prints for one file: the fields of a clip
// information form as text, or one JSON object per file.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "probe/probe.h"

namespace cw::cli {

// One probed file and the outcome of its analyses.
struct ProbedFile {
  std::string path;
  int quickStatus = 0;       // DoQuickAnalys: 0, 1016 or 1001
  double duration = -1.0;    // ShopFileTimelenD
  int durationStatus = -1;   // engine error of the head/tail analysis behind it
  bool analysed = false;     // --analyse: show head and tail areas
  int audioOnlyStatus = -1;  // --analyse on an audio-only file: its own head/tail analysis
};

// "System stream", "Video-only stream", "Audio-only stream", "System stream
// with several streams", or "not editable: <reason>".
std::string fileTypeWords(std::int16_t fileType);
std::string notEditableReason(std::int16_t fileType);

void writeText(std::ostream& out, const ProbedFile& file, Probe& probe);
std::string toJson(const ProbedFile& file, Probe& probe);
// The object for a file the quick analysis could not read.
std::string failureJson(const std::string& path, int errorNumber);

}  // namespace cw::cli
