// The conformance check of a finished file: a system stream's packs are
// replayed against the decoder buffers with the multiplexer's own buffer
// model (std_model.h), and the clock, the time stamps, the pack and packet
// syntax, the VideoCD layout (when the file claims it), the sequence and GOP
// structure and the audio frames are checked. Elementary streams get the
// checks that apply to them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cw {

enum class CheckKind {
  Syntax,     // bytes that are not a pack, packet, header or end code as they must be
  Overflow,   // a decoder buffer holds more than its declared size
  Underflow,  // an access unit is not complete at its decoding time
  TimeStamp,  // SCR, DTS or PTS stepping back, PTS before DTS, stray stamps
  Clock,      // SCR rising faster than the declared mux rate
  VideoCd,    // a file that claims the VideoCD layout breaks its limits
  Structure,  // sequence and GOP structure
  Sound,      // audio frames
};
inline constexpr std::size_t kCheckKinds = 8;
const char* checkKindName(CheckKind kind);  // "syntax", "overflow", ...

struct CheckProblem {
  CheckKind kind = CheckKind::Syntax;
  std::int64_t offset = 0;  // byte position in the file
  double seconds = -1.0;    // time on the file's clock; -1 when unknown
  std::string text;
};

// One decoder buffer as the replay saw it.
struct CheckedBuffer {
  int streamId = 0;
  std::int64_t size = -1;  // declared, bytes; -1 when none was declared
  std::int64_t peak = 0;   // most bytes it held
  std::int64_t units = 0;  // access units
  std::int64_t overflowingPackets = 0;
};

struct CheckReport {
  std::string fileKind;  // "system stream", "VideoCD system stream", "video stream", "audio stream"
  std::int64_t packs = 0;
  std::vector<CheckedBuffer> buffers;
  // Problems in file order per kind; at most kKeptPerKind of each are kept,
  // all are counted.
  std::vector<CheckProblem> problems;
  std::array<std::int64_t, kCheckKinds> counts{};

  static constexpr std::int64_t kKeptPerKind = 200;

  std::int64_t problemCount() const;
  std::int64_t count(CheckKind kind) const { return counts[static_cast<std::size_t>(kind)]; }
  bool clean() const { return problemCount() == 0; }
  void add(CheckKind kind, std::int64_t offset, double seconds, std::string text);
  // The first problem in file order; nullptr when clean.
  const CheckProblem* first() const;
};

// Checks the file at `path`: 0, or kErrFileRead when it cannot be opened or
// read (what was read before a read error is checked and reported).
int checkFile(const std::string& path, CheckReport& report);

// Checks bytes held in memory.
void checkBytes(const std::uint8_t* data, std::size_t size, CheckReport& report);

// One line for a person: "no problems", or the first problem with its time
// and position.
std::string checkVerdict(const CheckReport& report);

}  // namespace cw
