// Audio frames: in the payloads of audio packets, and in the successive
// buffers of an elementary audio file.
#include <cmath>
#include <cstring>
#include <new>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/payload_walk.h"
#include "engine/analysis/scanners.h"
#include "engine/common/errors.h"

namespace cw {
namespace {

constexpr std::uint32_t kHeaderBytes = 4;

std::uint8_t frameMark(const std::uint8_t* header) { return (header[2] & 0x02) ? 'A' : 'a'; }

// Time of frame k counted from `base`.
std::int64_t frameTime(std::int64_t base, const StreamParams& params, std::int64_t k) {
  return base + static_cast<std::int64_t>(std::trunc(static_cast<double>(k) * params.period));
}

ScanEntry frameEntry(std::uint32_t pos, const std::uint8_t* header, std::int64_t time) {
  ScanEntry e;
  e.start = pos;
  e.end = pos;
  e.payload = pos;
  e.kind = frameMark(header);
  e.setTime(time);
  return e;
}

// Every frame header begins with 0xFF: the first such byte in [pos, last),
// or `last`.
std::size_t skipToSyncByte(const std::uint8_t* data, std::size_t pos, std::size_t last) {
  const void* found = std::memchr(data + pos, 0xFF, last - pos);
  return found == nullptr
             ? last
             : static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data);
}

bool usableParams(const StreamParams& params) {
  return params.status == 0 && params.layer != 0 && params.frameLength > 0;
}

// How many bytes at the end of `data` may begin a header of the stream.
int splitHeaderBytes(const StreamParams& params, const std::uint8_t* data, std::uint32_t size) {
  const std::uint8_t* pat = params.pattern;
  if (size >= 3 && data[size - 3] == 0xFF && (data[size - 2] & 0xFE) == pat[1] &&
      (data[size - 1] & 0xFC) == pat[2]) {
    return 3;
  }
  if (size >= 2 && data[size - 2] == 0xFF && (data[size - 1] & 0xFE) == pat[1]) return 2;
  if (size >= 1 && data[size - 1] == 0xFF) return 1;
  return 0;
}

}  // namespace

int scanAudioFramesInPayloads(const ScanBuffer& buf, const ScanList& audioPackets,
                              const StreamParams& params, ScanList& out) {
  if (!usableParams(params)) return kBadAudioHeader;
  try {
    ScanList frames;
    std::size_t packetOfLastFrame = audioPackets.size();
    std::int64_t framesInPacket = 0;
    const int status = scan_detail::walkPayloads(
        buf, audioPackets, kHeaderBytes, skipToSyncByte,
        [&](std::uint32_t pos, std::size_t index, const std::uint8_t* b, std::uint32_t have,
            std::uint32_t& advance) {
          if (have < kHeaderBytes || !matchesAudioFrame(params, b)) return 0;
          if (index != packetOfLastFrame) {
            packetOfLastFrame = index;
            framesInPacket = 0;
          }
          // A frame in a packet without a PTS has no time.
          const std::int64_t pts = audioPackets[index].pts();
          const std::int64_t time =
              pts == kNoTime ? kNoTime : frameTime(pts, params, framesInPacket);
          ++framesInPacket;
          frames.push_back(frameEntry(pos, b, time));
          advance = static_cast<std::uint32_t>(params.frameLength);
          return 0;
        });
    if (status != 0) return status;
    out = std::move(frames);
    return 0;
  } catch (const std::bad_alloc&) {
    return kScanMemory;
  }
}

int scanAudioFramesElementary(ScanBuffer& buf, ScanList& out) {
  const StreamParams& params = buf.audio;
  if (!usableParams(params)) return kBadAudioHeader;
  try {
    const std::uint8_t* data = buf.data.data();
    const std::int64_t size = buf.data.size();
    const std::int64_t frameLength = params.frameLength;
    std::int64_t counter = buf.frameCounter;
    ScanList frames;
    std::int64_t pos = 0;

    // A header split over the end of the previous buffer.
    const int carried = buf.carriedBytes;
    if (carried > 0 && size >= kHeaderBytes - carried) {
      std::uint8_t header[kHeaderBytes];
      for (int i = 0; i < carried; ++i) header[i] = buf.carried[i];
      for (int i = carried; i < static_cast<int>(kHeaderBytes); ++i) header[i] = data[i - carried];
      if (matchesAudioFrame(params, header)) {
        frames.push_back(frameEntry(static_cast<std::uint32_t>(-carried), header,
                                    frameTime(0, params, counter++)));
        pos = frameLength - carried;
      }
    }

    const std::int64_t lastHeader = size - static_cast<std::int64_t>(kHeaderBytes);
    while (pos <= lastHeader) {
      pos = static_cast<std::int64_t>(skipToSyncByte(data, static_cast<std::size_t>(pos),
                                                     static_cast<std::size_t>(lastHeader + 1)));
      if (pos > lastHeader) break;
      const std::uint8_t* p = data + pos;
      if (!matchesAudioFrame(params, p)) {
        ++pos;
        continue;
      }
      frames.push_back(
          frameEntry(static_cast<std::uint32_t>(pos), p, frameTime(0, params, counter++)));
      pos += frameLength;
    }

    const int split = splitHeaderBytes(params, data, static_cast<std::uint32_t>(size));
    out = std::move(frames);
    buf.frameCounter = counter;
    buf.carriedBytes = split;
    for (int i = 0; i < split; ++i) buf.carried[i] = data[size - split + i];
    buf.carriedPadding = split == 3 && (data[size - 1] & 0x02) != 0;
    return 0;
  } catch (const std::bad_alloc&) {
    return kScanMemory;
  }
}

}  // namespace cw
