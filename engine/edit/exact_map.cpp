#include "engine/edit/exact_map.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/analysis/mpeg1.h"
#include "engine/common/errors.h"
#include "engine/edit/demux_packets.h"

namespace cw {

namespace {

constexpr std::size_t kCountBlock = 32768;

// Where one packet's payload landed among a stream's window bytes.
struct Run {
  std::size_t esStart = 0;
  std::int64_t fileAt = 0;  // file position of the payload's first byte
  std::int64_t packetStart = 0;
  std::int64_t packetEnd = 0;
  std::int64_t pts = -1;
  bool used = false;  // an access unit has started in it
};

struct Streams {
  std::vector<Run> video;
  std::vector<std::uint8_t> audioBytes;
  std::vector<Run> audio;
};

int readRange(platform::File& file, std::int64_t from, std::int64_t to,
              std::vector<std::uint8_t>& bytes) {
  bytes.resize(static_cast<std::size_t>(to - from));
  if (bytes.empty()) return 0;
  if (!file.seek(from)) return kErrSourceRead;
  return file.read(bytes.data(), to - from) == to - from ? 0 : kErrSourceRead;
}

Run* runHolding(std::vector<Run>& runs, std::size_t at) {
  auto it = std::upper_bound(runs.begin(), runs.end(), at,
                             [](std::size_t v, const Run& r) { return v < r.esStart; });
  return it == runs.begin() ? nullptr : &*(it - 1);
}

StreamArea areaAt(std::vector<Run>& runs, std::size_t at) {
  const Run* r = runHolding(runs, at);
  if (r == nullptr) return {};
  const std::int64_t point = r->fileAt + static_cast<std::int64_t>(at - r->esStart);
  return {r->packetStart, point, r->packetEnd};
}

// PTS of the access unit starting at `at` when it is the first to start in
// its packet's payload, -1 otherwise.
std::int64_t unitPts(std::vector<Run>& runs, std::size_t at) {
  Run* r = runHolding(runs, at);
  if (r == nullptr || r->used) return -1;
  r->used = true;
  return r->pts;
}

// GOPs and pictures of the window's video bytes. A GOP counts when the next
// GOP header or a sequence end follows it, or the window reached the end.
void listGops(SourceMap& map, std::vector<Run>& runs, double period, bool reachedEnd) {
  const std::vector<std::uint8_t>& b = map.video;
  std::vector<MappedGop> gops;
  bool open = false;
  bool sawIntra = false;
  std::int64_t sequenceAt = -1;
  MappedGop gop;
  const auto close = [&] {
    if (open && sawIntra && gop.pictures > 0) gops.push_back(gop);
    open = false;
  };
  for (std::size_t p = 0; p + 8 <= b.size(); ++p) {
    if (!mpeg1::isStartCode(&b[p])) continue;
    const std::uint8_t code = b[p + 3];
    if (code == mpeg1::kSequenceHeader) {
      if (sequenceAt < 0) sequenceAt = static_cast<std::int64_t>(p);
    } else if (code == mpeg1::kGroupStart) {
      close();
      gop = MappedGop{};
      gop.area = areaAt(runs, p);
      gop.esOffset = sequenceAt >= 0 ? static_cast<std::size_t>(sequenceAt) : p;
      gop.closed = mpeg1::gopClosed(&b[p]);
      open = gop.area.point >= 0;
      sawIntra = false;
      sequenceAt = -1;
    } else if (code == mpeg1::kSequenceEnd) {
      close();
      sequenceAt = -1;
    } else if (code == mpeg1::kPictureStart) {
      sequenceAt = -1;
      const std::int64_t pts = unitPts(runs, p);
      if (!open) continue;
      const char type = mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(&b[p]));
      const int ref = mpeg1::pictureTemporalReference(&b[p]);
      ++gop.pictures;
      if (type == 'B') map.usesB = true;
      if (type == 'I' && !sawIntra) {
        sawIntra = true;
        gop.intraRef = ref;
        gop.intraVbvDelay = mpeg1::pictureVbvDelay(&b[p]);
      }
      if (pts >= 0 && !gop.timed) {
        gop.timed = true;
        gop.firstTime = static_cast<double>(pts) - ref * period;
      }
    }
  }
  if (reachedEnd) close();
  map.gops = std::move(gops);
}

// Display indexes of system-stream GOPs from their times, carried over to
// the GOPs without a time stamp from their neighbours.
bool indexByTime(SourceMap& map, const StreamDescriptor& video, double period) {
  std::vector<MappedGop>& g = map.gops;
  std::size_t anchor = 0;
  while (anchor < g.size() && !g[anchor].timed) ++anchor;
  if (anchor == g.size()) return false;
  for (std::size_t i = anchor; i < g.size(); ++i) {
    if (i > anchor && !g[i].timed) {
      g[i].firstTime = g[i - 1].firstTime + g[i - 1].pictures * period;
    }
    g[i].firstIndex =
        std::llround((g[i].firstTime - static_cast<double>(video.firstTime)) / period);
  }
  for (std::size_t i = anchor; i-- > 0;) {
    g[i].firstTime = g[i + 1].firstTime - g[i].pictures * period;
    g[i].firstIndex = g[i + 1].firstIndex - g[i].pictures;
  }
  return true;
}

void listFrames(SourceMap& map, Streams& s, const StreamParams& params) {
  const std::vector<std::uint8_t>& b = s.audioBytes;
  bool havePrevious = false;
  double previous = 0.0;
  for (std::size_t p = 0; p + 4 <= b.size();) {
    mpeg1::AudioHeader h;
    if (!matchesAudioFrame(params, &b[p]) || mpeg1::decodeAudioHeader(&b[p], h) != 0 ||
        h.frameLength <= 0) {
      ++p;
      continue;
    }
    const std::size_t length =
        static_cast<std::size_t>(h.frameLength + (h.padding ? h.paddingSize : 0));
    const std::int64_t pts = unitPts(s.audio, p);
    if (pts >= 0) {
      previous = static_cast<double>(pts);
      havePrevious = true;
    } else if (havePrevious) {
      previous += params.period;
    }
    if (havePrevious) {
      map.frames.push_back({areaAt(s.audio, p), std::llround(previous)});
    }
    p += length;
  }
}

// The first pack header at or after `from`, so that the packet walk starts
// on a boundary.
std::size_t firstPack(const std::vector<std::uint8_t>& bytes) {
  for (std::size_t p = 0; p + 4 <= bytes.size(); ++p) {
    if (mpeg1::isStartCode(&bytes[p]) && bytes[p + 3] == mpeg1::kPackStart) return p;
  }
  return bytes.size();
}

void addPayload(std::vector<std::uint8_t>& es, std::vector<Run>& runs,
                const std::vector<std::uint8_t>& bytes, std::int64_t from, const DemuxPacket& pk) {
  Run r;
  r.esStart = es.size();
  r.fileAt = from + static_cast<std::int64_t>(pk.payload);
  r.packetStart = from + static_cast<std::int64_t>(pk.start);
  r.packetEnd = from + static_cast<std::int64_t>(pk.end);
  r.pts = pk.pts;
  runs.push_back(r);
  es.insert(es.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pk.payload),
            bytes.begin() + static_cast<std::ptrdiff_t>(pk.end));
}

// Pictures whose start codes begin in [from, to) of a video elementary stream.
int countPictures(platform::File& file, std::int64_t from, std::int64_t to, std::int64_t& count) {
  std::vector<std::uint8_t> block;
  count = 0;
  for (std::int64_t at = from; at < to; at += kCountBlock) {
    const std::int64_t end = std::min(to, at + static_cast<std::int64_t>(kCountBlock));
    // Three bytes more, so that a start code across the block end is seen once.
    const std::int64_t readEnd = std::min(file.length(), end + 3);
    if (const int rc = readRange(file, at, readEnd, block)) return rc;
    const std::size_t own = static_cast<std::size_t>(end - at);
    for (std::size_t p = 0; p < own && p + 4 <= block.size(); ++p) {
      if (mpeg1::isStartCode(&block[p]) && block[p + 3] == mpeg1::kPictureStart) ++count;
    }
  }
  return 0;
}

}  // namespace

std::size_t SourceMap::gopHolding(std::int64_t index) const {
  for (std::size_t i = 0; i < gops.size(); ++i) {
    if (index >= gops[i].firstIndex && index < gops[i].firstIndex + gops[i].pictures) return i;
  }
  return gops.size();
}

double SourceMap::timeOf(std::int64_t index, double period) const {
  if (gops.empty()) return 0.0;
  std::size_t nearest = 0;
  for (std::size_t i = 1; i < gops.size(); ++i) {
    if (std::llabs(gops[i].firstIndex - index) < std::llabs(gops[nearest].firstIndex - index)) {
      nearest = i;
    }
  }
  const MappedGop& g = gops[nearest];
  return g.firstTime + static_cast<double>(index - g.firstIndex) * period;
}

int mapSystemWindow(platform::File& file, std::int64_t from, std::int64_t to,
                    const StreamDescriptor& video, const StreamParams& videoParams,
                    const StreamParams& audioParams, bool withAudio, SourceMap& map) {
  from = std::max<std::int64_t>(0, from);
  to = std::min(file.length(), to);
  std::vector<std::uint8_t> bytes;
  if (const int rc = readRange(file, from, to, bytes)) return rc;
  const std::size_t start = firstPack(bytes);
  std::vector<DemuxPacket> packets;
  std::size_t consumed = 0;
  if (start >= bytes.size() ||
      walkPackets(bytes.data() + start, bytes.size() - start, packets, consumed) != 0) {
    return kErrCutInBadPackets;
  }
  Streams s;
  SourceMap m;
  for (DemuxPacket& pk : packets) {
    pk.start += start;
    pk.payload += start;
    pk.end += start;
    if (pk.id == videoParams.streamId) addPayload(m.video, s.video, bytes, from, pk);
    if (withAudio && pk.id == audioParams.streamId)
      addPayload(s.audioBytes, s.audio, bytes, from, pk);
  }
  listGops(m, s.video, videoParams.period, to >= file.length());
  if (!indexByTime(m, video, videoParams.period)) return kErrCutInVideoTimeStamp;
  if (withAudio) listFrames(m, s, audioParams);
  map = std::move(m);
  return 0;
}

int mapVideoWindow(platform::File& file, std::int64_t from, std::int64_t to, SourceMap& map) {
  from = std::max<std::int64_t>(0, from);
  to = std::min(file.length(), to);
  SourceMap m;
  if (const int rc = readRange(file, from, to, m.video)) return rc;
  std::vector<Run> runs(1);
  runs[0].fileAt = from;
  listGops(m, runs, 1.0, to >= file.length());
  for (MappedGop& g : m.gops) g.area.packetStart = g.area.packetEnd = g.area.point;
  if (m.gops.empty()) return kErrCutInNoPictures;
  std::int64_t before = 0;
  if (const int rc = countPictures(file, 0, m.gops.front().area.point, before)) return rc;
  for (std::size_t i = 0; i < m.gops.size(); ++i) {
    m.gops[i].firstIndex = i == 0 ? before : m.gops[i - 1].firstIndex + m.gops[i - 1].pictures;
  }
  map = std::move(m);
  return 0;
}

}  // namespace cw
