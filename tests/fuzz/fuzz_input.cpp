#include "fuzz_input.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "probe/quick_analysis.h"

namespace cw::fuzz {

namespace {

// Stored headers of a VideoCD stream: 352 x 240 at 29.97, 1 150 000 bit/s;
// layer 2, 224 kbit/s, 44.1 kHz, stereo.
constexpr std::uint8_t kSequenceHeader[12] = {0x00, 0x00, 0x01, 0xB3, 0x16, 0x00,
                                              0xF0, 0x14, 0x02, 0xCE, 0xE0, 0xA0};
constexpr std::uint8_t kAudioHeader[4] = {0xFF, 0xFD, 0xB0, 0x04};
constexpr std::int32_t kVcdMuxRate = 3528;

bool sameArea(const StreamArea& a, const StreamArea& b) {
  return a.packetStart == b.packetStart && a.point == b.point && a.packetEnd == b.packetEnd;
}

void store(StreamDescriptor& d, std::int16_t type, std::int64_t length, std::uint8_t id,
           const std::uint8_t* header, std::size_t bytes) {
  d.type = type;
  d.length = length;
  d.streamId = id;
  std::memset(d.header, 0, sizeof d.header);
  std::memcpy(d.header, header, bytes);
}

}  // namespace

InputFile::InputFile() {
  fd_ = ::memfd_create("cw-fuzz-input", 0);
  if (fd_ < 0) fail("memfd_create failed", errno);
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

const std::string& InputFile::write(const std::uint8_t* data, std::size_t size) {
  if (::ftruncate(fd_, 0) != 0) fail("ftruncate failed", errno);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) fail("pwrite failed", errno);
    done += static_cast<std::size_t>(n);
  }
  return path_;
}

void prepareRecord(StreamInfo& info, const std::string& path, std::size_t size,
                   std::int16_t wantedType) {
  info.fileName = path;
  int status = quickAnalyse(info);
  if (status != 0 && status != 1016 && status != 1001) fail("quick analysis returned", status);
  bool matches =
      wantedType == kTypeSystem ? isSystemType(info.fileType) : info.fileType == wantedType;
  if (matches) return;
  info.reset();
  info.fileName = path;
  info.fileType = wantedType;
  info.stage = 1;
  info.fileLength = static_cast<double>(size);
  auto length = static_cast<std::int64_t>(size);
  bool system = wantedType == kTypeSystem;
  info.muxRateDeclared = system ? kVcdMuxRate : -1;
  info.video.muxRate = info.audio.muxRate = info.muxRateDeclared;
  if (wantedType != kTypeAudioOnly) {
    store(info.video, wantedType, length, 0xE0, kSequenceHeader, sizeof kSequenceHeader);
    info.computeVideoSummary();
  }
  if (wantedType != kTypeVideoOnly) {
    store(info.audio, wantedType, length, 0xC0, kAudioHeader, sizeof kAudioHeader);
    info.computeAudioSummary();
  }
}

bool sameAnalysis(const StreamDescriptor& a, const StreamDescriptor& b) {
  return sameArea(a.head, b.head) && sameArea(a.tail, b.tail) && sameArea(a.workHead, b.workHead) &&
         sameArea(a.workTail, b.workTail) && a.firstTime == b.firstTime &&
         a.lastTime == b.lastTime && a.workFirstTime == b.workFirstTime &&
         a.workLastTime == b.workLastTime;
}

void fail(const char* what, int value) {
  std::fprintf(stderr, "fuzz finding: %s %d\n", what, value);
  std::abort();
}

}  // namespace cw::fuzz
