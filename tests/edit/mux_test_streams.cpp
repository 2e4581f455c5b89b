#include "mux_test_streams.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "support/temp_dir.h"

namespace cw::test {

int runCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  std::array<char, 4096> block{};
  std::size_t n = 0;
  while ((n = fread(block.data(), 1, block.size(), pipe)) > 0) output.append(block.data(), n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTool(const std::string& name) {
  std::string out;
  return runCommand("command -v " + name, out) == 0;
}

std::string muxWorkDir() { return processScratchDir().path().string(); }

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool loadVideoSource(const std::string& path, EsSource& out) {
  EsSource s;
  if (!readWholeFile(path, s.bytes) || s.bytes.size() < 12) return false;
  const std::vector<std::uint8_t>& b = s.bytes;
  if (!mpeg1::isStartCode(b.data()) || b[3] != mpeg1::kSequenceHeader) return false;
  std::copy(b.begin(), b.begin() + 12, s.header);
  s.params = makeStreamParams(mpeg1::kVideoStream0, s.header);
  if (s.params.status != 0) return false;
  const double t = s.params.period;
  std::int64_t decodeIndex = 0;
  std::int64_t gopBase = 0;
  for (std::size_t i = 0; i + 6 <= b.size(); ++i) {
    if (!mpeg1::isStartCode(&b[i])) continue;
    if (b[i + 3] == mpeg1::kGroupStart) gopBase = decodeIndex;
    if (b[i + 3] != mpeg1::kPictureStart) continue;
    ScanEntry u;
    u.start = u.end = u.payload = static_cast<std::uint32_t>(i);
    u.kind = static_cast<std::uint8_t>(mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(&b[i])));
    const int ref = mpeg1::pictureTemporalReference(&b[i]);
    u.dts() = std::llround(decodeIndex * t);
    u.pts() = std::llround((gopBase + ref + 1) * t);
    if (u.kind == 'B') u.pts() = u.dts();
    s.units.push_back(u);
    ++decodeIndex;
    i += 3;
  }
  out = std::move(s);
  return !out.units.empty();
}

bool loadAudioSource(const std::string& path, EsSource& out) {
  EsSource s;
  if (!readWholeFile(path, s.bytes) || s.bytes.size() < 4) return false;
  const std::vector<std::uint8_t>& b = s.bytes;
  std::copy(b.begin(), b.begin() + 4, s.header);
  s.params = makeStreamParams(mpeg1::kAudioStream0, s.header);
  if (s.params.status != 0) return false;
  std::int64_t k = 0;
  std::size_t at = 0;
  while (at + 4 <= b.size()) {
    mpeg1::AudioHeader h;
    if (!mpeg1::isAudioSync(&b[at]) || mpeg1::decodeAudioHeader(&b[at], h) != 0) return false;
    ScanEntry u;
    u.start = u.end = u.payload = static_cast<std::uint32_t>(at);
    u.kind = h.padding ? 'A' : 'a';
    u.pts() = u.dts() = std::llround(k * s.params.period);
    s.units.push_back(u);
    at += h.frameLength + (h.padding ? h.paddingSize : 0);
    ++k;
  }
  out = std::move(s);
  return !out.units.empty();
}

EsPair makeEsPair(const std::string& name) {
  if (!haveTool("ffmpeg")) return {};
  const std::string dir = muxWorkDir();
  EsPair pair{dir + "/" + name + ".m1v", dir + "/" + name + ".mp2"};
  struct stat st {};
  if (stat(pair.video.c_str(), &st) == 0 && stat(pair.audio.c_str(), &st) == 0) return pair;
  std::string video, audio;
  const std::string ff = "ffmpeg -nostdin -hide_banner -v error -y ";
  if (name == "vcd") {
    video = ff +
            "-f lavfi -i testsrc2=size=352x240:rate=30000/1001:duration=8 "
            "-c:v mpeg1video -b:v 1150k -minrate 1150k -maxrate 1150k -bufsize 320k "
            "-bf 2 -g 15 -f mpeg1video ";
    audio = ff +
            "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=8 -ac 2 "
            "-c:a mp2 -b:a 224k -f mp2 ";
  } else {
    video = ff +
            "-f lavfi -i testsrc2=size=160x120:rate=25:duration=6 "
            "-c:v mpeg1video -b:v 100k -minrate 100k -maxrate 100k -bufsize 160k "
            "-bf 2 -g 12 -f mpeg1video ";
    audio = ff +
            "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=6 -ac 2 "
            "-c:a mp2 -b:a 384k -f mp2 ";
  }
  std::string log;
  if (runCommand(video + "'" + pair.video + ".tmp'", log) != 0 ||
      runCommand(audio + "'" + pair.audio + ".tmp'", log) != 0) {
    return {};
  }
  std::rename((pair.video + ".tmp").c_str(), pair.video.c_str());
  std::rename((pair.audio + ".tmp").c_str(), pair.audio.c_str());
  return pair;
}

int EsFeeder::step() {
  esCompact(*buffer);
  if (position >= source->bytes.size()) {
    esFinish(*buffer);
    return 0;
  }
  const std::size_t n = std::min(blockSize, source->bytes.size() - position);
  if (const int rc = esAppend(*buffer, source->bytes.data() + position, n)) return rc;
  buffer->fill += buffer->held;
  buffer->held = 0;
  const std::int64_t base = buffer->dropped;
  while (nextUnit < source->units.size() && source->units[nextUnit].start < position + n) {
    ScanEntry u = source->units[nextUnit++];
    u.start = u.end = u.payload = static_cast<std::uint32_t>(u.start - base);
    buffer->units.push_back(u);
  }
  position += n;
  if (position >= source->bytes.size()) buffer->endOfData = true;
  return 0;
}

namespace {

bool parsePacket(const std::vector<std::uint8_t>& out, std::size_t at, OutPacket& p,
                 std::string& error) {
  const std::uint8_t* b = out.data() + at;
  p.packetLength = b[4] << 8 | b[5];
  std::size_t i = 6;
  while (b[i] == 0xFF) {
    ++p.stuffing;
    ++i;
  }
  if (p.stuffing > 16) {
    error = "more than 16 stuffing bytes";
    return false;
  }
  if ((b[i] & 0xC0) == 0x40) {
    p.hasStd = true;
    p.stdScale = (b[i] >> 5) & 1;
    p.stdSize = (b[i] & 0x1F) << 8 | b[i + 1];
    i += 2;
  }
  if ((b[i] & 0xF0) == 0x20) {
    p.pts = mpeg1::decodeTimeStamp(b + i);
    i += 5;
  } else if ((b[i] & 0xF0) == 0x30) {
    p.pts = mpeg1::decodeTimeStamp(b + i);
    if ((b[i + 5] & 0xF0) != 0x10) {
      error = "DTS prefix";
      return false;
    }
    p.dts = mpeg1::decodeTimeStamp(b + i + 5);
    i += 10;
  } else if (b[i] == 0x0F) {
    i += 1;
  } else {
    error = "bad packet header byte";
    return false;
  }
  p.payloadAt = at + i;
  p.payloadSize = 6 + p.packetLength - i;
  return true;
}

}  // namespace

ParsedOutput parseOutput(const std::vector<std::uint8_t>& out) {
  ParsedOutput r;
  std::size_t at = 0;
  auto fail = [&](const std::string& what) {
    r.error = what + " at " + std::to_string(at);
    return r;
  };
  while (at < out.size()) {
    if (at + 12 > out.size() || !mpeg1::isStartCode(&out[at]) || out[at + 3] != mpeg1::kPackStart) {
      return fail("no pack header");
    }
    OutPack pack;
    pack.offset = at;
    pack.scr = mpeg1::packScr(&out[at]);
    pack.muxRate = mpeg1::packMuxRate(&out[at]);
    std::size_t i = at + 12;
    while (i + 4 <= out.size() && mpeg1::isStartCode(&out[i]) && out[i + 3] != mpeg1::kPackStart) {
      const std::uint8_t code = out[i + 3];
      if (code == mpeg1::kEndCode) {
        pack.endCode = true;
        i += 4;
        break;
      }
      if (i + 6 > out.size()) return fail("cut packet");
      const std::size_t length = 6 + (out[i + 4] << 8 | out[i + 5]);
      if (i + length > out.size()) return fail("packet past the end");
      if (code == mpeg1::kSystemHeader) {
        pack.systemHeader = true;
      } else if (code == mpeg1::kVideoStream0 || code == mpeg1::kAudioStream0) {
        OutPacket p;
        p.id = code;
        p.packOffset = at;
        p.scr = pack.scr;
        if (!parsePacket(out, i, p, r.error)) return fail(r.error);
        std::vector<std::uint8_t>& es = code == mpeg1::kVideoStream0 ? r.video : r.audio;
        es.insert(es.end(), out.begin() + p.payloadAt, out.begin() + p.payloadAt + p.payloadSize);
        r.packets.push_back(p);
        pack.dataId = code;
      } else if (code != mpeg1::kPaddingStream) {
        return fail("unexpected start code");
      }
      i += length;
    }
    pack.size = i - at;
    std::size_t zeros = 0;
    while (i + zeros < out.size() && out[i + zeros] == 0 &&
           !(i + zeros + 4 <= out.size() && mpeg1::isStartCode(&out[i + zeros]))) {
      ++zeros;
    }
    pack.zeroFill = zeros;
    r.packs.push_back(pack);
    at = i + zeros;
  }
  return r;
}

namespace {

struct Arrival {
  std::size_t esStart = 0;  // offset of the packet's payload in the stream
  std::size_t size = 0;
  double firstByte = 0.0;  // arrival time of its first payload byte
  double perByte = 0.0;
  std::int64_t pts = -1, dts = -1;
};

struct Unit {
  std::size_t start = 0, end = 0;
  double dts = 0.0;
};

double arrivalOf(const std::vector<Arrival>& a, std::size_t esOffset) {
  auto it = std::upper_bound(a.begin(), a.end(), esOffset,
                             [](std::size_t v, const Arrival& x) { return v < x.esStart; });
  const Arrival& x = *(it - 1);
  return x.firstByte + (esOffset - x.esStart) * x.perByte;
}

// Bytes of the stream arrived by time t.
double arrivedBy(const std::vector<Arrival>& a, double t) {
  double total = 0;
  for (const Arrival& x : a) {
    if (t < x.firstByte) break;
    total += std::min<double>(x.size, std::floor((t - x.firstByte) / x.perByte) + 1);
  }
  return total;
}

StdReplay replay(const ParsedOutput& p, std::uint8_t id, int muxRate, double period,
                 std::int64_t bufferSize, const std::vector<std::size_t>& starts) {
  StdReplay r;
  const double perByte = 90000.0 / (50.0 * muxRate);
  std::vector<Arrival> arrivals;
  std::size_t esAt = 0;
  for (const OutPacket& k : p.packets) {
    if (k.id != id) continue;
    Arrival a;
    a.esStart = esAt;
    a.size = k.payloadSize;
    a.perByte = perByte;
    a.firstByte = k.scr + (static_cast<double>(k.payloadAt - k.packOffset) - 8) * perByte;
    a.pts = k.pts;
    a.dts = k.dts >= 0 ? k.dts : k.pts;
    arrivals.push_back(a);
    esAt += k.payloadSize;
  }
  if (arrivals.empty() || starts.empty()) {
    r.error = "no data";
    return r;
  }
  std::vector<Unit> units;
  std::size_t packet = 0;
  double previous = 0;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    Unit u;
    u.start = i == 0 ? 0 : starts[i];
    u.end = i + 1 < starts.size() ? starts[i + 1] : esAt;
    while (packet + 1 < arrivals.size() && arrivals[packet + 1].esStart <= starts[i]) ++packet;
    // Stamped when it is the first unit starting in a packet carrying stamps.
    const Arrival& a = arrivals[packet];
    const bool first = i == 0 || starts[i - 1] < a.esStart;
    if (first && a.pts >= 0) {
      u.dts = static_cast<double>(a.dts);
    } else if (i == 0) {
      r.error = "first unit has no time stamp";
      return r;
    } else {
      u.dts = previous + period;
    }
    previous = u.dts;
    units.push_back(u);
  }
  r.units = units.size();
  std::size_t removed = 0;
  for (const Unit& u : units) {
    const double lastByte = arrivalOf(arrivals, u.end - 1);
    r.worstLateTicks = std::max(r.worstLateTicks, lastByte - u.dts);
    const double before = arrivedBy(arrivals, u.dts - 1e-6) - removed;
    r.peak = std::max(r.peak, static_cast<std::int64_t>(before));
    removed += u.end - u.start;
  }
  // Occupancy when each packet has arrived completely.
  for (const Arrival& a : arrivals) {
    const double t = a.firstByte + (a.size - 1) * a.perByte;
    std::size_t gone = 0;
    for (const Unit& u : units) {
      if (u.dts > t) break;
      gone += u.end - u.start;
    }
    const double in = arrivedBy(arrivals, t) - gone;
    r.peak = std::max(r.peak, static_cast<std::int64_t>(in));
  }
  if (r.peak > bufferSize) r.error = "buffer overflow: " + std::to_string(r.peak);
  return r;
}

}  // namespace

StdReplay replayVideoBuffer(const ParsedOutput& p, int muxRate, double period) {
  std::vector<std::size_t> starts;
  const std::vector<std::uint8_t>& v = p.video;
  for (std::size_t i = 0; i + 4 <= v.size(); ++i) {
    if (mpeg1::isStartCode(&v[i]) && v[i + 3] == mpeg1::kPictureStart) starts.push_back(i);
  }
  return replay(p, mpeg1::kVideoStream0, muxRate, period, 47104, starts);
}

StdReplay replayAudioBuffer(const ParsedOutput& p, int muxRate, double period) {
  std::vector<std::size_t> starts;
  const std::vector<std::uint8_t>& a = p.audio;
  std::size_t at = 0;
  while (at + 4 <= a.size()) {
    mpeg1::AudioHeader h;
    if (!mpeg1::isAudioSync(&a[at]) || mpeg1::decodeAudioHeader(&a[at], h) != 0) break;
    starts.push_back(at);
    at += h.frameLength + (h.padding ? h.paddingSize : 0);
  }
  return replay(p, mpeg1::kAudioStream0, muxRate, period, 4096, starts);
}

}  // namespace cw::test
