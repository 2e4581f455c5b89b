// An independent model of the system target decoder for MPEG-1 system
// streams, used to validate what the multiplexer writes. It shares no code
// with the engine: the file is parsed afresh here.
//
// Model: the SCR of a pack is the arrival time of the pack's ninth byte;
// every later byte arrives at the pack's mux rate until the next pack header
// sets a new SCR. The payload bytes of a stream enter its buffer as they
// arrive. Access units (a picture with the sequence and GOP headers in front
// of it; an audio frame) leave the buffer whole at their decoding time: the
// DTS, or the PTS when there is no DTS; units without a time stamp are
// placed one picture period or one audio frame after the previous unit.
// The buffer size is the one declared in the P-STD fields of the stream's
// packets (the system header's bound when no packet declares one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cw::tools {

enum class FindingKind {
  Overflow,      // more bytes in the buffer than its declared size
  Underflow,     // an access unit not complete at its decoding time
  ScrBack,       // SCR smaller than that of the previous pack
  DtsBack,       // decoding time smaller than that of the previous unit of the stream
  PtsBack,       // audio PTS smaller than that of the previous frame
  PtsBeforeDts,  // a video PTS earlier than its DTS
  Syntax,        // bytes that are not a pack, system header, packet or end code
};

const char* findingName(FindingKind kind);

struct Finding {
  FindingKind kind;
  std::int64_t offset;  // file offset where it shows
  std::string text;     // one line, without the kind
};

// Per elementary stream, what the replay saw.
struct StreamReport {
  int streamId = 0;
  std::int64_t bufferSize = -1;  // bytes; -1 when none was declared
  std::int64_t accessUnits = 0;
  std::int64_t payloadBytes = 0;
  std::int64_t peakOccupancy = 0;
  std::int64_t overflowingPackets = 0;  // packets during whose arrival the buffer overflows
  double minSlackTicks = 0.0;  // least time between a unit's last byte and its decoding time
};

struct CheckReport {
  bool readable = false;  // false: not an MPEG-1 system stream, or unreadable
  std::string problem;    // why it was not readable
  std::int64_t packs = 0;
  std::vector<StreamReport> streams;
  std::vector<Finding> findings;
};

struct CheckOptions {
  // When a system header sets the constrained-parameters flag, replay the
  // buffers at no more than the sizes such a stream may have (46 KiB video,
  // 4 KiB audio), whatever larger size the packets declare.
  bool constrainedBounds = false;
};

// Checks a whole file.
CheckReport checkSystemStream(const std::string& path, const CheckOptions& options = {});
// Checks bytes held in memory (tests build tricky streams this way).
CheckReport checkSystemStreamBytes(const std::vector<std::uint8_t>& bytes,
                                   const CheckOptions& options = {});

}  // namespace cw::tools
