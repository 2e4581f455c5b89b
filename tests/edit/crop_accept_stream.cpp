#include "crop_accept_stream.h"

#include <algorithm>

#include "support/process.h"

namespace cw::test::accept {

namespace {

using u8 = std::uint8_t;

constexpr u8 kPackStart = 0xBA;
constexpr u8 kSystemHeader = 0xBB;
constexpr u8 kPadding = 0xBE;
constexpr u8 kEndCode = 0xB9;
constexpr u8 kVideo0 = 0xE0;
constexpr u8 kAudio0 = 0xC0;

u8 at(const std::string& s, std::int64_t i) {
  return static_cast<u8>(s[static_cast<std::size_t>(i)]);
}
std::int64_t size(const std::string& s) { return static_cast<std::int64_t>(s.size()); }

bool startCodeAt(const std::string& s, std::int64_t i) {
  return i + 4 <= size(s) && at(s, i) == 0 && at(s, i + 1) == 0 && at(s, i + 2) == 1;
}

// 33-bit clock value of a 5-byte SCR, PTS or DTS field.
std::int64_t clockField(const std::string& s, std::int64_t i) {
  return (std::int64_t{(at(s, i) >> 1) & 7} << 30) | (std::int64_t{at(s, i + 1)} << 22) |
         (std::int64_t{at(s, i + 2) >> 1} << 15) | (std::int64_t{at(s, i + 3)} << 7) |
         (at(s, i + 4) >> 1);
}

// Parses the header of a data packet at `p` (length field read by the
// caller). Returns the payload offset, or -1 when the header is malformed.
std::int64_t parseDataPacket(const std::string& s, std::int64_t p, std::int64_t end,
                             Packet& packet) {
  std::int64_t i = p + 6;
  int stuffing = 0;
  while (i < end && at(s, i) == 0xFF) {
    ++i;
    if (++stuffing > 16) return -1;
  }
  if (i < end && (at(s, i) & 0xC0) == 0x40) i += 2;  // STD buffer fields
  if (i >= end) return -1;
  const u8 flags = at(s, i) & 0xF0;
  if (flags == 0x20 && i + 5 <= end) {
    packet.pts = clockField(s, i);
    return i + 5;
  }
  if (flags == 0x30 && i + 10 <= end) {
    packet.pts = clockField(s, i);
    packet.dts = clockField(s, i + 5);
    return i + 10;
  }
  if (at(s, i) == 0x0F) return i + 1;
  return -1;
}

void addPiece(EsMap& map, const std::string& s, std::int64_t from, std::int64_t to) {
  map.pieces.push_back({size(map.bytes), from, to - from});
  map.bytes.append(s, static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

// Reads the packets of the pack at `start`; returns the offset behind its
// last packet (or end code), or -1 with `error` set.
std::int64_t readPack(const std::string& s, std::int64_t start, SystemStream& out,
                      std::string& error) {
  Pack pack;
  pack.offset = start;
  pack.scr = clockField(s, start + 4);
  pack.muxRate =
      ((at(s, start + 9) & 0x7F) << 15) | (at(s, start + 10) << 7) | (at(s, start + 11) >> 1);
  std::int64_t i = start + 12;
  while (startCodeAt(s, i) && at(s, i + 3) != kPackStart) {
    const u8 code = at(s, i + 3);
    if (code == kEndCode) {
      pack.endCode = true;
      i += 4;
      break;
    }
    if (code < kSystemHeader || i + 6 > size(s)) {
      error = "unexpected start code";
      return -1;
    }
    const std::int64_t end = i + 6 + (at(s, i + 4) << 8 | at(s, i + 5));
    if (end > size(s)) {
      error = "packet past the end of the file";
      return -1;
    }
    if (code == kSystemHeader) {
      pack.systemHeader = true;
    } else if (code == kPadding) {
      ++pack.paddingPackets;
    } else if (code == kVideo0 || code == kAudio0) {
      Packet packet;
      packet.id = code;
      const std::int64_t payload = parseDataPacket(s, i, end, packet);
      if (payload < 0) {
        error = "malformed packet header";
        return -1;
      }
      addPiece(code == kVideo0 ? out.video : out.audio, s, payload, end);
      out.packets.push_back(packet);
      pack.dataId = code;
    }
    i = end;
  }
  pack.size = i - start;
  out.packs.push_back(pack);
  return i;
}

}  // namespace

std::int64_t EsMap::esOffsetOf(std::int64_t fileOffset) const {
  for (const Piece& p : pieces) {
    if (fileOffset >= p.fileOffset && fileOffset < p.fileOffset + p.size) {
      return p.esOffset + fileOffset - p.fileOffset;
    }
  }
  for (const Piece& p : pieces) {
    if (fileOffset == p.fileOffset + p.size) return p.esOffset + p.size;
  }
  return -1;
}

std::string EsMap::slice(std::int64_t fromFile, std::int64_t toFile) const {
  const std::int64_t from = esOffsetOf(fromFile);
  const std::int64_t to = esOffsetOf(toFile);
  if (from < 0 || to < from) return {};
  return bytes.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

SystemStream readSystemStream(const std::string& s, bool strict) {
  SystemStream out;
  std::int64_t i = 0;
  while (i < size(s)) {
    if (!(startCodeAt(s, i) && at(s, i + 3) == kPackStart && i + 12 <= size(s))) {
      if (strict) {
        out.error = "no pack header at " + std::to_string(i);
        return out;
      }
      ++i;
      continue;
    }
    std::string error;
    const std::int64_t next = readPack(s, i, out, error);
    if (next < 0) {
      out.error = error + " in the pack at " + std::to_string(i);
      return out;
    }
    std::int64_t zeros = 0;
    while (next + zeros < size(s) && at(s, next + zeros) == 0 && !startCodeAt(s, next + zeros)) {
      ++zeros;
    }
    out.packs.back().zeroFill = zeros;
    i = next + zeros;
  }
  return out;
}

EsMap wholeFile(const std::string& file) {
  EsMap map;
  map.bytes = file;
  map.pieces.push_back({0, 0, size(file)});
  return map;
}

VideoSyntax readVideoSyntax(const std::string& es) {
  static const char kTypes[] = "?IPBD???";
  VideoSyntax v;
  for (std::int64_t i = 0; i + 8 <= size(es); ++i) {
    if (!startCodeAt(es, i)) continue;
    const u8 code = at(es, i + 3);
    if (code == 0x00) {
      Picture p;
      p.offset = i;
      p.temporalReference = at(es, i + 4) << 2 | at(es, i + 5) >> 6;
      p.type = kTypes[(at(es, i + 5) >> 3) & 7];
      v.pictures.push_back(p);
    } else if (code == 0xB8) {
      v.gops.push_back({i, (at(es, i + 7) & 0x40) != 0, (at(es, i + 7) & 0x20) != 0});
    }
  }
  return v;
}

int picturesBetween(const VideoSyntax& v, std::int64_t from, std::int64_t to) {
  return static_cast<int>(
      std::count_if(v.pictures.begin(), v.pictures.end(),
                    [&](const Picture& p) { return p.offset >= from && p.offset < to; }));
}

const GopHeader* gopAtOrAfter(const VideoSyntax& v, std::int64_t from) {
  for (const GopHeader& g : v.gops) {
    if (g.offset >= from) return &g;
  }
  return nullptr;
}

int deadBPictures(const VideoSyntax& v, std::int64_t cutIn) {
  const GopHeader* gop = gopAtOrAfter(v, cutIn);
  if (gop == nullptr || gop->closed) return 0;
  auto p = std::find_if(v.pictures.begin(), v.pictures.end(),
                        [&](const Picture& x) { return x.offset > gop->offset; });
  if (p == v.pictures.end() || p->type != 'I' || p->temporalReference == 0) return 0;
  int dead = 0;
  for (++p; p != v.pictures.end() && p->type == 'B'; ++p) ++dead;
  return dead;
}

int countAudioFrames(const std::string& es) {
  static const int kKbps[3][15] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
  static const int kRates[3] = {44100, 48000, 32000};
  int frames = 0;
  std::int64_t i = 0;
  while (i < size(es)) {
    if (i + 4 > size(es) || at(es, i) != 0xFF || (at(es, i + 1) & 0xF8) != 0xF8) return -1;
    const int layerBits = (at(es, i + 1) >> 1) & 3;
    const int rateIndex = at(es, i + 2) >> 4;
    const int rateCode = (at(es, i + 2) >> 2) & 3;
    if (layerBits == 0 || rateIndex == 0 || rateIndex == 15 || rateCode == 3) return -1;
    const int layer = 4 - layerBits;
    const int kbps = kKbps[layer - 1][rateIndex];
    const int padding = (at(es, i + 2) >> 1) & 1;
    i += layer == 1 ? (12000 * kbps / kRates[rateCode] + padding) * 4
                    : 144000 * kbps / kRates[rateCode] + padding;
    ++frames;
  }
  return i == size(es) ? frames : -1;
}

std::string md5OfFile(const std::string& path) {
  const CommandResult r = runProgram({"md5sum", "-b", path});
  if (r.exitCode != 0 || r.out.size() < 32) return {};
  return r.out.substr(0, 32);
}

}  // namespace cw::test::accept
