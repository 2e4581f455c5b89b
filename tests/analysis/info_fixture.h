// Test helpers for the stream analyses: corpus files, a minimal filling of a
// stream information record from a file's first headers (what the quick
// analysis would store), and files made of pieces of real streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/analysis/stream_info.h"
#include "support/corpus.h"

namespace cw::test {

std::vector<std::uint8_t> readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Stores the type, declared mux rate and the first sequence and audio
// headers of the file in `info` and derives the summaries. False when the
// file is not recognised.
bool fillRecord(const std::string& path, StreamInfo& info);

// A scratch directory for one test, removed by the caller's TearDown.
std::string scratchDir(const std::string& testName);

// Duration of the video stream as ffprobe reports it, seconds; -1 when
// ffprobe is not available.
double probedVideoDuration(const std::string& path);

}  // namespace cw::test
