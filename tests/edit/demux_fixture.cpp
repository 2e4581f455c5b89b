#include "demux_fixture.h"

#include "support/temp_dir.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/analysis/mpeg1.h"

namespace cw::demuxtest {

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::string scratchPath(const std::string& name) {
  return cw::test::processScratchDir().file(name);
}

std::string ffmpegDecodeErrors(const std::string& path, const std::string& format) {
  const std::string command =
      "ffmpeg -nostdin -hide_banner -v error -f " + format + " -i '" + path + "' -f null - 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[512];
    while (std::size_t n = fread(chunk, 1, sizeof chunk, pipe)) out.append(chunk, n);
    if (pclose(pipe) != 0 && out.empty()) out = "ffmpeg failed";
  } else {
    out = "ffmpeg could not run";
  }
  return out;
}

namespace {

std::int64_t stamp(const std::uint8_t* b) {
  return static_cast<std::int64_t>((b[0] >> 1) & 0x07) << 30 | b[1] << 22 | (b[2] >> 1) << 15 |
         b[3] << 7 | b[4] >> 1;
}

// Packets of the file in order, with their payloads and time stamps.
std::vector<MapPacket> listPackets(const std::vector<std::uint8_t>& f) {
  std::vector<MapPacket> out;
  std::size_t i = 0;
  while (i + 6 <= f.size()) {
    if (!(f[i] == 0 && f[i + 1] == 0 && f[i + 2] == 1)) {
      ++i;
      continue;
    }
    const std::uint8_t id = f[i + 3];
    if (id == 0xBA) {
      i += 12;
      continue;
    }
    if (id < 0xBB) {
      i += 4;
      continue;
    }
    const std::size_t end = i + 6 + (f[i + 4] << 8 | f[i + 5]);
    if (id >= 0xBC && end <= f.size()) {
      MapPacket p;
      p.start = static_cast<std::int64_t>(i);
      p.end = static_cast<std::int64_t>(end);
      p.id = id;
      std::size_t j = i + 6;
      if (id == 0xC0 || id == 0xE0) {
        while (f[j] == 0xFF) ++j;
        if ((f[j] & 0xC0) == 0x40) j += 2;
        if ((f[j] >> 4) == 2) {
          p.pts = stamp(&f[j]);
          j += 5;
        } else if ((f[j] >> 4) == 3) {
          p.pts = stamp(&f[j]);
          p.dts = stamp(&f[j + 5]);
          j += 10;
        } else {
          j += 1;
        }
      }
      p.payload = static_cast<std::int64_t>(j);
      out.push_back(p);
    }
    i = end;
  }
  return out;
}

// The payloads of one stream joined, with where each payload came from.
struct Joined {
  struct Piece {
    std::size_t at;        // offset in `bytes`
    std::int64_t filePos;  // file position of that byte
    int packet;
  };
  std::vector<std::uint8_t> bytes;
  std::vector<Piece> pieces;

  const Piece& pieceOf(std::size_t i) const {
    auto it = std::upper_bound(pieces.begin(), pieces.end(), i,
                               [](std::size_t v, const Piece& p) { return v < p.at; });
    return *(it - 1);
  }
  std::int64_t filePos(std::size_t i) const {
    const Piece& p = pieceOf(i);
    return p.filePos + static_cast<std::int64_t>(i - p.at);
  }
  int packet(std::size_t i) const { return pieceOf(i).packet; }
};

Joined join(const StreamMap& map, std::uint8_t id) {
  Joined j;
  for (std::size_t k = 0; k < map.packets.size(); ++k) {
    const MapPacket& p = map.packets[k];
    if (p.id != id || p.payload >= p.end) continue;
    j.pieces.push_back({j.bytes.size(), p.payload, static_cast<int>(k)});
    j.bytes.insert(j.bytes.end(), map.file.begin() + p.payload, map.file.begin() + p.end);
  }
  return j;
}

void mapVideo(StreamMap& map) {
  const Joined v = join(map, 0xE0);
  const auto& b = v.bytes;
  bool haveSequence = false;
  for (std::size_t i = 0; i + 8 <= b.size(); ++i) {
    if (!(b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1)) continue;
    const std::uint8_t code = b[i + 3];
    if (code == 0xB3 && !haveSequence) {
      std::copy(b.begin() + i, b.begin() + i + 12, map.sequenceHeader);
      map.sequenceHeader[11] &= 0xFC;
      haveSequence = true;
    } else if (code == 0xB8) {
      if (map.gops.empty()) map.dropFrame = (b[i + 4] & 0x80) != 0;
      map.gops.push_back({v.filePos(i), v.packet(i), (b[i + 7] & 0x40) != 0,
                          static_cast<int>(map.pictures.size())});
    } else if (code == 0x00) {
      MapPicture p;
      p.at = v.filePos(i);
      p.packet = v.packet(i);
      p.ref = mpeg1::pictureTemporalReference(&b[i]);
      p.type = mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(&b[i]));
      p.vbvDelay = mpeg1::pictureVbvDelay(&b[i]);
      map.pictures.push_back(p);
    }
  }
  map.period = 90000.0 / mpeg1::pictureRateOfCode(map.sequenceHeader[7] & 0x0F);
  map.roundedPeriod = std::llround(map.period);
  // Decoding times run on from the first picture whose packet carries a DTS.
  std::size_t anchor = 0;
  while (anchor < map.pictures.size() && map.packets[map.pictures[anchor].packet].dts < 0) {
    ++anchor;
  }
  const std::int64_t base = map.packets[map.pictures[anchor].packet].dts;
  for (std::size_t k = 0; k < map.pictures.size(); ++k) {
    const double offset = (static_cast<double>(k) - static_cast<double>(anchor)) * map.period;
    map.pictures[k].decode = base + std::llround(offset);
  }
}

void mapAudio(StreamMap& map) {
  const Joined a = join(map, 0xC0);
  const auto& b = a.bytes;
  mpeg1::AudioHeader first;
  std::size_t i = 0;
  while (i + 4 <= b.size() && mpeg1::decodeAudioHeader(&b[i], first) != 0) ++i;
  if (i + 4 > b.size()) return;
  std::copy(b.begin() + i, b.begin() + i + 4, map.audioHeader);
  map.audioPeriod = first.samplesPerFrame * 90000.0 / first.sampleRate;
  int lastPacket = -1;
  int inPacket = 0;
  while (i + 4 <= b.size()) {
    mpeg1::AudioHeader h;
    if (mpeg1::decodeAudioHeader(&b[i], h) != 0 || h.layer != first.layer ||
        h.sampleRate != first.sampleRate) {
      ++i;
      continue;
    }
    const int packet = a.packet(i);
    inPacket = packet == lastPacket ? inPacket + 1 : 0;
    lastPacket = packet;
    const std::int64_t pts = map.packets[packet].pts;
    MapFrame frame{a.filePos(i), packet, -1};
    if (pts >= 0) frame.time = pts + static_cast<std::int64_t>(inPacket * map.audioPeriod);
    map.frames.push_back(frame);
    i += static_cast<std::size_t>(h.frameLength + (h.padding ? h.paddingSize : 0));
  }
  // Frames of packets without a PTS run on from the frame before.
  for (std::size_t k = 1; k < map.frames.size(); ++k) {
    if (map.frames[k].time < 0) {
      map.frames[k].time = map.frames[k - 1].time + std::llround(map.audioPeriod);
    }
  }
}

StreamArea areaAt(const StreamMap& map, int packet, std::int64_t point) {
  const MapPacket& p = map.packets[static_cast<std::size_t>(packet)];
  return {p.start, point, p.end};
}

}  // namespace

StreamMap mapSystemStream(const std::vector<std::uint8_t>& file) {
  StreamMap map;
  map.file = file;
  map.packets = listPackets(map.file);
  mapVideo(map);
  mapAudio(map);
  return map;
}

void setCutAreas(const StreamMap& map, int gopIn, int gopOut, bool removeDeadB, StreamInfo& info) {
  StreamDescriptor& v = info.video;
  StreamDescriptor& a = info.audio;
  v.handle = a.handle = 7;
  v.streamId = 0xE0;
  a.streamId = 0xC0;
  std::copy(std::begin(map.sequenceHeader), std::end(map.sequenceHeader), v.header);
  std::copy(std::begin(map.audioHeader), std::end(map.audioHeader), a.header);
  v.dropFrame = map.dropFrame ? 0x80 : 0;

  const MapGop& in = map.gops[static_cast<std::size_t>(gopIn)];
  const MapGop& out = map.gops[static_cast<std::size_t>(gopOut)];
  const MapPicture& intra = map.pictures[static_cast<std::size_t>(in.firstPicture)];
  const int lead = removeDeadB && !in.closed ? intra.ref + 1 : 1;
  v.workHead = areaAt(map, in.packet, in.at);
  v.workFirstTime = intra.decode + std::llround(lead * map.period);
  v.vbvDelay = intra.vbvDelay;
  v.workTail = areaAt(map, out.packet, out.at);
  const MapPicture& last = map.pictures[static_cast<std::size_t>(out.firstPicture - 1)];
  v.workLastTime = last.decode + 2 * map.roundedPeriod;

  const auto firstFrom = [&](std::int64_t t) {
    return std::find_if(map.frames.begin(), map.frames.end(),
                        [t](const MapFrame& f) { return f.time >= t; });
  };
  const auto audioIn = firstFrom(v.workFirstTime);
  const auto audioOut = firstFrom(v.workLastTime + 1);
  a.workHead = areaAt(map, audioIn->packet, audioIn->at);
  a.workFirstTime = audioIn->time;
  a.workTail = areaAt(map, audioOut->packet, audioOut->at);
  a.workLastTime = audioOut->time;
}

int picturesBetween(const StreamMap& map, int gopIn, int gopOut) {
  return map.gops[static_cast<std::size_t>(gopOut)].firstPicture -
         map.gops[static_cast<std::size_t>(gopIn)].firstPicture;
}

int framesInCut(const StreamMap& map, const StreamDescriptor& audio) {
  return static_cast<int>(
      std::count_if(map.frames.begin(), map.frames.end(), [&](const MapFrame& f) {
        return f.at >= audio.workHead.point && f.at < audio.workTail.point;
      }));
}

void drain(EsBuffer& buf, Drained& out) {
  const std::size_t base = out.bytes.size();
  out.bytes.insert(out.bytes.end(), buf.bytes.begin() + static_cast<std::ptrdiff_t>(buf.readPos),
                   buf.bytes.begin() + static_cast<std::ptrdiff_t>(buf.fill));
  for (ScanEntry u : buf.units) {
    u.start = static_cast<std::uint32_t>(u.start - buf.readPos + base);
    out.units.push_back(u);
  }
  buf.units.clear();
  buf.readPos = buf.fill;
}

void scanElementaryVideo(const std::vector<std::uint8_t>& es, std::vector<EsGop>& gops,
                         std::vector<EsPicture>& pictures) {
  for (std::size_t i = 0; i + 8 <= es.size(); ++i) {
    if (!(es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1)) continue;
    if (es[i + 3] == 0xB8) {
      gops.push_back({i, mpeg1::decodeGopTimeCode(&es[i]), mpeg1::gopClosed(&es[i]),
                      mpeg1::gopBrokenLink(&es[i])});
    } else if (es[i + 3] == 0x00) {
      pictures.push_back({i, mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(&es[i])),
                          mpeg1::pictureTemporalReference(&es[i]), mpeg1::pictureVbvDelay(&es[i])});
    }
  }
}

}  // namespace cw::demuxtest
