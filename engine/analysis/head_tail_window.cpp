#include "engine/analysis/head_tail_window.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/payload_walk.h"
#include "engine/analysis/scanners.h"
#include "engine/common/errors.h"

namespace cw::window_detail {

namespace {

// True when nothing after the last listed packet was cut off by the end of
// the buffer: only whole packets, pack headers and the end code follow.
bool endsWithWholePackets(const ScanBuffer& buf) {
  const std::uint8_t* data = buf.data.data();
  const std::size_t size = buf.data.size();
  if (size < 4) return true;
  std::size_t pos = buf.packets.empty() ? 0 : buf.packets.back().end;
  const std::size_t last = size - 3;  // first position without room for a code
  while (pos < last) {
    pos = scan_detail::findStartCode(data, pos, last);
    if (pos == last) break;
    const std::uint8_t id = data[pos + 3];
    if (id == mpeg1::kEndCode) return true;
    if (id == mpeg1::kPackStart) {
      pos += mpeg1::kPackHeaderSize;
    } else if (mpeg1::isPacketId(id)) {
      if (pos + 6 > size) return false;
      pos += 6 + static_cast<std::size_t>(mpeg1::packetLength(data + pos));
      if (pos > size) return false;
    } else {
      pos += scan_detail::stepPastCode(data + pos);
    }
  }
  return true;
}

}  // namespace

bool lastGopIsWhole(const VideoScan& video, std::uint32_t end) {
  auto gop = std::find_if(video.codes.rbegin(), video.codes.rend(),
                          [](const ScanEntry& c) { return c.kind == mpeg1::kGroupStart; });
  if (gop == video.codes.rend()) return false;
  const std::size_t first = firstAtOrAfter(video.pictures, gop->start);
  if (first == video.pictures.size() || video.pictures[first].kind != 'I') return false;
  std::vector<bool> seen;
  for (std::size_t i = first; i < video.pictures.size() && video.pictures[i].start < end; ++i) {
    seen.push_back(false);
  }
  for (std::size_t i = first; i < first + seen.size(); ++i) {
    const std::int64_t r = video.pictures[i].temporalReference();
    if (r < 0 || r >= static_cast<std::int64_t>(seen.size()) || seen[r]) return false;
    seen[r] = true;
  }
  return true;
}

std::int32_t declaredMuxRate(const StreamInfo& info) {
  if (info.muxRateDeclared > 0) return info.muxRateDeclared;
  if (info.video.muxRate > 0) return info.video.muxRate;
  return -1;
}

std::int64_t windowSizeFor(const StreamInfo& info, std::int64_t floor, std::int64_t length) {
  const std::int32_t muxRate = declaredMuxRate(info);
  std::int64_t size = floor;
  if (muxRate > 0) size = std::max<std::int64_t>(std::int64_t{muxRate} * 125, floor);
  return std::max<std::int64_t>(0, std::min({size, length, kMaxWindow}));
}

int readWindow(platform::File& file, std::int64_t offset, std::int64_t size, ScanBuffer& buf) {
  try {
    buf.data.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
  buf.fileOffset = offset;
  buf.packets.clear();
  if (size > 0 && !file.readAt(offset, buf.data.data(), size)) return kErrSourceRead;
  return 0;
}

int scanWindowVideo(ScanBuffer& buf, const VideoScanErrors& errors, VideoScan& out) {
  int status = listPackets(buf);
  if (status == kScanMemory) return kErrMemory;
  if (status == kScanNoPackets) return errors.noPackets;
  if (status != 0) return errors.badPackets;

  VideoScan scan;
  status = filterPacketsPtsDts(buf, buf.packets, mpeg1::kVideoStream0, scan.packets);
  if (status != 0) return kErrMemory;
  if (scan.packets.empty() && errors.noVideoPackets != 0) return errors.noVideoPackets;

  status = scanPicturesAndCodes(buf, scan.packets, scan.pictures, scan.codes);
  if (status == kForbiddenPicture) return errors.forbiddenPicture;
  if (status != 0) return kErrMemory;
  if (scan.pictures.empty() && errors.noPictures != 0) return errors.noPictures;
  if (scan.codes.empty() && errors.noCodes != 0) return errors.noCodes;
  out = std::move(scan);
  return 0;
}

bool closeStreamAtFileEnd(const ScanBuffer& buf, std::int64_t fileLength, VideoScan& video) {
  if (buf.fileOffset + static_cast<std::int64_t>(buf.data.size()) != fileLength) return false;
  if (video.packets.empty() || video.codes.empty()) return false;
  if (video.codes.back().kind == mpeg1::kSequenceEnd) return false;
  const std::uint32_t end = video.packets.back().end;
  if (!endsWithWholePackets(buf)) return false;
  if (!lastGopIsWhole(video, end)) return false;
  ScanEntry code;
  code.start = code.end = code.payload = end;
  code.kind = mpeg1::kSequenceEnd;
  video.codes.push_back(code);
  return true;
}

std::int64_t grownWindow(std::int64_t size, std::int64_t length) {
  return std::min({size * 2, length, kMaxWindow});
}

int scanWindowAudio(const ScanBuffer& buf, const StreamParams& params, int noPackets, int noFrames,
                    AudioScan& out) {
  AudioScan scan;
  if (filterPacketsPts(buf, buf.packets, mpeg1::kAudioStream0, scan.packets) != 0) {
    return kErrMemory;
  }
  if (scan.packets.empty()) return noPackets;
  if (scanAudioFramesInPayloads(buf, scan.packets, params, scan.frames) != 0) return kErrMemory;
  if (scan.frames.empty()) return noFrames;
  out = std::move(scan);
  return 0;
}

std::uint32_t packetStart(const ScanBuffer& buf, const ScanEntry& filtered) {
  // Packets are listed in buffer order and their ends are distinct.
  const auto found =
      std::lower_bound(buf.packets.begin(), buf.packets.end(), filtered.end,
                       [](const ScanEntry& e, std::uint32_t end) { return e.end < end; });
  if (found != buf.packets.end() && found->end == filtered.end) return found->start;
  return filtered.start;
}

StreamArea areaIn(const ScanBuffer& buf, const ScanEntry& filtered, std::uint32_t at) {
  StreamArea area;
  area.packetStart = buf.fileOffset + packetStart(buf, filtered);
  area.point = buf.fileOffset + at;
  area.packetEnd = buf.fileOffset + filtered.end;
  return area;
}

int holdingPacket(const ScanList& streamPackets, std::uint32_t at) {
  if (!streamPackets.empty() && at == streamPackets.back().end) {
    return static_cast<int>(streamPackets.size()) - 1;
  }
  return packetHolding(streamPackets, at);
}

std::size_t firstAtOrAfter(const ScanList& list, std::uint32_t at) {
  const auto found =
      std::lower_bound(list.begin(), list.end(), at,
                       [](const ScanEntry& e, std::uint32_t pos) { return e.start < pos; });
  return static_cast<std::size_t>(found - list.begin());
}

}  // namespace cw::window_detail
