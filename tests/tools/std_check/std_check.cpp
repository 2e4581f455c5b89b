#include "std_check.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

namespace cw::tools {

namespace {

constexpr double kClock = 90000.0;
// Decoding may come this many ticks before the unit's last byte without a
// finding: multiplexers round their arrival arithmetic to whole ticks.
constexpr double kToleranceTicks = 1.0;

std::string hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

std::string seconds(double ticks) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f s", ticks / kClock);
  return text;
}

std::int64_t timeStamp(const std::uint8_t* b) {
  return (static_cast<std::int64_t>(b[0] & 0x0E) << 29) | (static_cast<std::int64_t>(b[1]) << 22) |
         (static_cast<std::int64_t>(b[2] & 0xFE) << 14) | (static_cast<std::int64_t>(b[3]) << 7) |
         (b[4] >> 1);
}

// A run of one stream's payload bytes inside one packet.
struct PayloadRun {
  std::int64_t esStart;  // offset of its first byte in the elementary stream
  std::int64_t size;
  std::int64_t fileOffset;  // offset of its first byte in the file
  double firstArrival;      // ticks
  double ticksPerByte;
};

// Time stamps of one packet, for the first unit that begins in its payload.
struct PacketStamps {
  std::int64_t esStart;
  std::int64_t esEnd;
  std::int64_t fileOffset;
  std::int64_t pts;
  std::int64_t dts;  // -1 when only a PTS was sent
};

struct AccessUnit {
  std::int64_t start;   // first byte in the elementary stream
  std::int64_t anchor;  // picture start code or audio sync word: what a time stamp points at
  std::int64_t end = 0;
  std::int64_t pts = -1;
  std::int64_t dts = -1;
  double decodeTime = 0.0;
};

constexpr int kPictureRatesMilli[16] = {0, 23976, 24000, 25000, 29970, 30000, 50000, 59940, 60000};

double pictureRate(int code) {
  switch (code) {
    case 1:
      return 24000.0 / 1001.0;
    case 4:
      return 30000.0 / 1001.0;
    case 7:
      return 60000.0 / 1001.0;
    default:
      return kPictureRatesMilli[code & 15] / 1000.0;
  }
}

// Audio frame header: length in bytes and duration in ticks; false when the
// four bytes are not a usable MPEG-1 audio header.
bool audioFrame(const std::uint8_t* h, std::int64_t& length, double& ticks) {
  static const int kRates[3][15] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
  static const int kFrequencies[3] = {44100, 48000, 32000};
  if (h[0] != 0xFF || (h[1] & 0xF8) != 0xF8) return false;  // MPEG-1 sync and ID
  int layerBits = (h[1] >> 1) & 3;
  int rateIndex = h[2] >> 4;
  int frequencyIndex = (h[2] >> 2) & 3;
  if (layerBits == 0 || rateIndex == 0 || rateIndex == 15 || frequencyIndex == 3) return false;
  int layer = 4 - layerBits;
  int kbits = kRates[layer - 1][rateIndex];
  int frequency = kFrequencies[frequencyIndex];
  int padding = (h[2] >> 1) & 1;
  if (layer == 1) {
    length = (12LL * kbits * 1000 / frequency + padding) * 4;
    ticks = 384.0 * kClock / frequency;
  } else {
    length = 144LL * kbits * 1000 / frequency + padding;
    ticks = 1152.0 * kClock / frequency;
  }
  return true;
}

class Stream {
 public:
  explicit Stream(int id) : id_(id), video_(id >= 0xE0) {}

  int id() const { return id_; }
  bool isVideo() const { return video_; }

  void declareSize(std::int64_t bytes) {
    if (declaredSize_ < 0) declaredSize_ = bytes;
  }
  void declareBound(std::int64_t bytes) {
    if (boundSize_ < 0) boundSize_ = bytes;
  }
  void capSize(std::int64_t bytes) { cap_ = bytes; }

  void addPayload(const std::uint8_t* bytes, std::int64_t size, std::int64_t fileOffset,
                  double firstArrival, double ticksPerByte, std::int64_t pts, std::int64_t dts) {
    if (size <= 0) return;
    runs_.push_back({length_, size, fileOffset, firstArrival, ticksPerByte});
    if (pts >= 0) stamps_.push_back({length_, length_ + size, fileOffset, pts, dts});
    for (std::int64_t i = 0; i < size; ++i) {
      if (video_)
        videoByte(bytes[i]);
      else
        audioByte(bytes[i]);
      ++length_;
    }
  }

  // Replays the buffer and appends what is wrong to `findings`.
  StreamReport replay(std::vector<Finding>& findings);

 private:
  void videoByte(std::uint8_t byte) {
    if (sequenceBytes_ > 0 && --sequenceBytes_ == 0 && period_ == 0.0) {
      double rate = pictureRate(byte & 0x0F);
      if (rate > 0.0) period_ = kClock / rate;
    }
    bool startCode = (last3_ & 0xFFFFFF) == 0x000001;
    last3_ = (last3_ << 8) | byte;
    if (!startCode) return;
    std::int64_t at = length_ - 3;
    if (byte == 0xB3 || byte == 0xB8) {
      if (headerStart_ < 0) headerStart_ = at;
      if (byte == 0xB3) sequenceBytes_ = 4;  // the fourth byte after the code holds the rate
    } else if (byte == 0x00) {
      units_.push_back({headerStart_ >= 0 ? headerStart_ : at, at});
      headerStart_ = -1;
    }
  }

  void audioByte(std::uint8_t byte) {
    header_[0] = header_[1];
    header_[1] = header_[2];
    header_[2] = header_[3];
    header_[3] = byte;
    std::int64_t at = length_ - 3;
    if (at < 0) return;
    if (synced_ && at != nextFrame_) return;
    std::int64_t frameLength = 0;
    double ticks = 0.0;
    if (!audioFrame(header_, frameLength, ticks)) {
      if (synced_) {
        synced_ = false;
        ++syncLosses_;
      }
      return;
    }
    if (period_ == 0.0) period_ = ticks;
    units_.push_back({at, at});
    synced_ = true;
    nextFrame_ = at + frameLength;
  }

  double arrivalOf(std::int64_t esOffset) const;
  void assignStamps();
  bool placeInTime(std::vector<Finding>& findings);

  int id_;
  bool video_;
  std::int64_t length_ = 0;
  std::int64_t declaredSize_ = -1;
  std::int64_t boundSize_ = -1;
  std::int64_t cap_ = -1;
  std::vector<PayloadRun> runs_;
  std::vector<PacketStamps> stamps_;
  std::vector<AccessUnit> units_;
  double period_ = 0.0;  // picture period or audio frame duration, ticks
  // video scanner
  std::uint32_t last3_ = 0xFFFFFFFF;
  std::int64_t headerStart_ = -1;
  int sequenceBytes_ = 0;
  // audio scanner
  std::uint8_t header_[4] = {};
  bool synced_ = false;
  std::int64_t nextFrame_ = 0;
  std::int64_t syncLosses_ = 0;
};

double Stream::arrivalOf(std::int64_t esOffset) const {
  if (esOffset <= 0) return runs_.front().firstArrival;
  auto run =
      std::upper_bound(runs_.begin(), runs_.end(), esOffset,
                       [](std::int64_t offset, const PayloadRun& r) { return offset < r.esStart; });
  --run;  // the run holding the byte
  return run->firstArrival + static_cast<double>(esOffset - run->esStart) * run->ticksPerByte;
}

// A packet's time stamps belong to the first unit whose anchor lies in its payload.
void Stream::assignStamps() {
  std::size_t u = 0;
  for (const auto& stamp : stamps_) {
    while (u < units_.size() && units_[u].anchor < stamp.esStart) ++u;
    if (u == units_.size()) break;
    if (units_[u].anchor < stamp.esEnd) {
      units_[u].pts = stamp.pts;
      units_[u].dts = stamp.dts >= 0 ? stamp.dts : stamp.pts;
    }
  }
}

// Gives every unit a decoding time and reports stamps that step back.
bool Stream::placeInTime(std::vector<Finding>& findings) {
  std::size_t firstStamped = units_.size();
  for (std::size_t i = 0; i < units_.size(); ++i) {
    if (units_[i].dts >= 0) {
      firstStamped = i;
      break;
    }
  }
  if (firstStamped == units_.size()) {
    findings.push_back({FindingKind::Syntax, 0, "stream " + hex(id_) + " carries no time stamps"});
    return false;
  }
  double period = period_;
  for (std::size_t i = firstStamped + 1; i-- > 0;)
    units_[i].decodeTime =
        static_cast<double>(units_[firstStamped].dts) - period * (firstStamped - i);
  const AccessUnit* previousStamped = &units_[firstStamped];
  for (std::size_t i = firstStamped + 1; i < units_.size(); ++i) {
    AccessUnit& unit = units_[i];
    if (unit.dts < 0) {
      unit.decodeTime = units_[i - 1].decodeTime + period;
      continue;
    }
    unit.decodeTime = static_cast<double>(unit.dts);
    const char* name = video_ ? "DTS" : "PTS";
    if (unit.dts < previousStamped->dts)
      findings.push_back({video_ ? FindingKind::DtsBack : FindingKind::PtsBack, 0,
                          "stream " + hex(id_) + " " + name + " steps back from " +
                              seconds(static_cast<double>(previousStamped->dts)) + " to " +
                              seconds(static_cast<double>(unit.dts)) + " at unit " +
                              std::to_string(i)});
    previousStamped = &unit;
  }
  if (video_) {
    for (std::size_t i = 0; i < units_.size(); ++i) {
      const AccessUnit& unit = units_[i];
      if (unit.pts >= 0 && unit.pts < unit.dts)
        findings.push_back({FindingKind::PtsBeforeDts, 0,
                            "stream " + hex(id_) + " unit " + std::to_string(i) + " PTS " +
                                seconds(static_cast<double>(unit.pts)) + " before its DTS " +
                                seconds(static_cast<double>(unit.dts))});
    }
  }
  return true;
}

StreamReport Stream::replay(std::vector<Finding>& findings) {
  StreamReport report;
  report.streamId = id_;
  report.payloadBytes = length_;
  report.bufferSize = declaredSize_ >= 0 ? declaredSize_ : boundSize_;
  if (cap_ >= 0 && report.bufferSize > cap_) report.bufferSize = cap_;
  if (syncLosses_ > 0)
    findings.push_back({FindingKind::Syntax, 0,
                        "stream " + hex(id_) + " loses audio frame sync " +
                            std::to_string(syncLosses_) + " time(s)"});
  if (units_.empty() || runs_.empty()) return report;
  for (std::size_t i = 0; i + 1 < units_.size(); ++i) units_[i].end = units_[i + 1].start;
  units_.front().start = 0;
  units_.back().end = length_;
  report.accessUnits = static_cast<std::int64_t>(units_.size());
  assignStamps();
  if (!placeInTime(findings)) return report;

  // Underflow: a unit's last byte arrives after its decoding time.
  report.minSlackTicks = 1e300;
  for (std::size_t i = 0; i < units_.size(); ++i) {
    const AccessUnit& unit = units_[i];
    double lastArrival = arrivalOf(unit.end - 1);
    double slack = unit.decodeTime - lastArrival;
    report.minSlackTicks = std::min(report.minSlackTicks, slack);
    if (slack < -kToleranceTicks)
      findings.push_back({FindingKind::Underflow, 0,
                          "stream " + hex(id_) + " unit " + std::to_string(i) + " decoded at " +
                              seconds(unit.decodeTime) + " but complete only at " +
                              seconds(lastArrival)});
  }

  // Overflow: replay arrivals and removals; the occupancy peaks just before a
  // removal and at the end of a packet.
  const std::int64_t size = report.bufferSize;
  std::int64_t removed = 0;  // elementary-stream bytes taken out so far
  bool overflowing = false;
  std::size_t next = 0;
  auto check = [&](std::int64_t arrived, double when, std::int64_t fileOffset) {
    std::int64_t occupancy = arrived - removed;
    report.peakOccupancy = std::max(report.peakOccupancy, occupancy);
    if (size < 0) return;
    if (occupancy > size && !overflowing)
      findings.push_back({FindingKind::Overflow, fileOffset,
                          "stream " + hex(id_) + " holds " + std::to_string(occupancy) +
                              " bytes in a buffer of " + std::to_string(size) + " at " +
                              seconds(when)});
    overflowing = occupancy > size;
  };
  auto remove = [&](std::int64_t arrived, double when, std::int64_t fileOffset) {
    check(arrived, when, fileOffset);
    removed = std::max(removed, units_[next].end);
    ++next;
  };
  for (const auto& run : runs_) {
    while (next < units_.size() && units_[next].decodeTime < run.firstArrival)
      remove(run.esStart, units_[next].decodeTime, run.fileOffset);
    double lastArrival = run.firstArrival + static_cast<double>(run.size - 1) * run.ticksPerByte;
    bool packetOverflows = false;
    while (next < units_.size() && units_[next].decodeTime <= lastArrival) {
      double when = units_[next].decodeTime;
      auto bytes =
          static_cast<std::int64_t>(std::floor((when - run.firstArrival) / run.ticksPerByte)) + 1;
      remove(run.esStart + bytes, when, run.fileOffset + bytes);
      packetOverflows = packetOverflows || overflowing;
    }
    check(run.esStart + run.size, lastArrival, run.fileOffset + run.size);
    if (packetOverflows || overflowing) ++report.overflowingPackets;
  }
  if (size < 0)
    findings.push_back(
        {FindingKind::Syntax, 0, "stream " + hex(id_) + " declares no P-STD buffer size"});
  return report;
}

// Walks packs, system headers and packets.
class Parser {
 public:
  Parser(const std::uint8_t* bytes, std::int64_t size, const CheckOptions& options)
      : b_(bytes), size_(size), options_(options) {}

  CheckReport run() {
    CheckReport report;
    if (!walk(report)) return report;
    report.readable = true;
    report.packs = packs_;
    for (auto& [id, stream] : streams_) {
      if (constrained_ && options_.constrainedBounds)
        stream->capSize(stream->isVideo() ? 46 * 1024 : 4096);
      report.streams.push_back(stream->replay(report.findings));
    }
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.kind < b.kind; });
    return report;
  }

 private:
  Stream& stream(int id) {
    auto& slot = streams_[id];
    if (!slot) slot = std::make_unique<Stream>(id);
    return *slot;
  }

  bool isStartCode(std::int64_t at) const {
    return at + 4 <= size_ && b_[at] == 0 && b_[at + 1] == 0 && b_[at + 2] == 1;
  }

  void syntax(CheckReport& report, std::int64_t at, const std::string& what) {
    report.findings.push_back({FindingKind::Syntax, at, what + " at offset " + std::to_string(at)});
  }

  // Next pack start from `from`, or size_.
  std::int64_t resync(std::int64_t from) const {
    for (std::int64_t at = from; at + 4 <= size_; ++at)
      if (isStartCode(at) && b_[at + 3] == 0xBA) return at;
    return size_;
  }

  bool walk(CheckReport& report) {
    std::int64_t at = 0;
    while (at < size_ && b_[at] == 0 && !isStartCode(at)) ++at;
    if (!isStartCode(at) || b_[at + 3] != 0xBA) {
      report.problem = "no pack header at the start: not an MPEG-1 system stream";
      return false;
    }
    while (at + 4 <= size_) {
      if (!isStartCode(at)) {
        if (b_[at] == 0) {  // zero fill between packs (VideoCD sectors)
          ++at;
          continue;
        }
        syntax(report, at, "unexpected bytes");
        at = resync(at + 1);
        continue;
      }
      int code = b_[at + 3];
      std::int64_t next = 0;
      if (code == 0xBA)
        next = pack(report, at);
      else if (code == 0xBB)
        next = systemHeader(report, at);
      else if (code == 0xB9)
        next = at + 4;
      else if (code >= 0xBC)
        next = packet(report, at);
      else
        next = -1;
      if (next == -2) return false;
      if (next < 0) {
        syntax(report, at, "start code " + hex(code) + " outside a packet");
        next = resync(at + 4);
      }
      at = next;
    }
    if (packs_ == 0) {
      report.problem = "no pack header";
      return false;
    }
    return true;
  }

  std::int64_t pack(CheckReport& report, std::int64_t at) {
    if (at + 12 > size_) return size_;
    const std::uint8_t* h = b_ + at;
    if ((h[4] & 0xF0) != 0x20) {
      if (packs_ == 0) {
        report.problem = "pack header is not MPEG-1 (an MPEG-2 program stream?)";
        return -2;
      }
      syntax(report, at, "pack header that is not MPEG-1");
      return resync(at + 4);
    }
    std::int64_t scr = timeStamp(h + 4);
    std::int64_t muxRate = ((h[9] & 0x7F) << 15) | (h[10] << 7) | (h[11] >> 1);
    if (muxRate == 0) {
      syntax(report, at, "pack with mux rate 0");
      return at + 12;
    }
    if (packs_ > 0 && scr < scr_)
      report.findings.push_back({FindingKind::ScrBack, at,
                                 "SCR steps back from " + seconds(static_cast<double>(scr_)) +
                                     " to " + seconds(static_cast<double>(scr)) + " at offset " +
                                     std::to_string(at)});
    scr_ = scr;
    scrByte_ = at + 8;
    ticksPerByte_ = kClock / (static_cast<double>(muxRate) * 50.0);
    ++packs_;
    return at + 12;
  }

  std::int64_t systemHeader(CheckReport& report, std::int64_t at) {
    if (at + 12 > size_) return size_;
    std::int64_t end = at + 6 + ((b_[at + 4] << 8) | b_[at + 5]);
    if (end > size_) {
      syntax(report, at, "system header cut short");
      return size_;
    }
    if (b_[at + 9] & 0x01) constrained_ = true;  // CSPS flag
    for (std::int64_t e = at + 12; e + 3 <= end; e += 3) {
      int id = b_[e];
      if (!(id & 0x80)) break;
      std::int64_t bound =
          (((b_[e + 1] & 0x1F) << 8) | b_[e + 2]) * ((b_[e + 1] & 0x20) ? 1024 : 128);
      if (id == 0xB8 || (id >= 0xC0 && id <= 0xDF)) {
        for (int s = 0xC0; s <= 0xDF; ++s)
          if (id == 0xB8 || id == s) bounds_[s] = bound;
      } else if (id == 0xB9 || (id >= 0xE0 && id <= 0xEF)) {
        for (int s = 0xE0; s <= 0xEF; ++s)
          if (id == 0xB9 || id == s) bounds_[s] = bound;
      }
    }
    return end;
  }

  std::int64_t packet(CheckReport& report, std::int64_t at) {
    if (at + 6 > size_) return size_;
    int id = b_[at + 3];
    std::int64_t end = at + 6 + ((b_[at + 4] << 8) | b_[at + 5]);
    if (end > size_) {
      syntax(report, at, "packet cut short by the end of the file");
      return size_;
    }
    if (id < 0xC0 || id > 0xEF) return end;  // padding, private and reserved streams
    if (packs_ == 0) {
      syntax(report, at, "packet before the first pack header");
      return end;
    }
    std::int64_t p = at + 6;
    int stuffing = 0;
    while (p < end && b_[p] == 0xFF && stuffing <= 16) ++p, ++stuffing;
    std::int64_t stdSize = -1;
    if (p + 2 <= end && (b_[p] & 0xC0) == 0x40) {
      stdSize = (((b_[p] & 0x1F) << 8) | b_[p + 1]) * ((b_[p] & 0x20) ? 1024 : 128);
      p += 2;
    }
    std::int64_t pts = -1, dts = -1;
    if (stuffing > 16 || p >= end) {
      syntax(report, at, "incorrect packet header");
      return end;
    }
    if ((b_[p] & 0xF0) == 0x20 && p + 5 <= end) {
      pts = timeStamp(b_ + p);
      p += 5;
    } else if ((b_[p] & 0xF0) == 0x30 && p + 10 <= end) {
      pts = timeStamp(b_ + p);
      dts = timeStamp(b_ + p + 5);
      p += 10;
    } else if (b_[p] == 0x0F) {
      p += 1;
    } else {
      syntax(report, at, "incorrect packet header");
      return end;
    }
    Stream& s = stream(id);
    if (stdSize >= 0) s.declareSize(stdSize);
    if (auto bound = bounds_.find(id); bound != bounds_.end()) s.declareBound(bound->second);
    double firstArrival =
        static_cast<double>(scr_) + static_cast<double>(p - scrByte_) * ticksPerByte_;
    s.addPayload(b_ + p, end - p, p, firstArrival, ticksPerByte_, pts, dts);
    return end;
  }

  const std::uint8_t* b_;
  std::int64_t size_;
  CheckOptions options_;
  bool constrained_ = false;
  std::int64_t packs_ = 0;
  std::int64_t scr_ = 0;
  std::int64_t scrByte_ = 0;
  double ticksPerByte_ = 0.0;
  std::map<int, std::int64_t> bounds_;
  std::map<int, std::unique_ptr<Stream>> streams_;
};

}  // namespace

const char* findingName(FindingKind kind) {
  switch (kind) {
    case FindingKind::Overflow:
      return "overflow";
    case FindingKind::Underflow:
      return "underflow";
    case FindingKind::ScrBack:
      return "scr-back";
    case FindingKind::DtsBack:
      return "dts-back";
    case FindingKind::PtsBack:
      return "pts-back";
    case FindingKind::PtsBeforeDts:
      return "pts-before-dts";
    case FindingKind::Syntax:
      return "syntax";
  }
  return "?";
}

CheckReport checkSystemStreamBytes(const std::vector<std::uint8_t>& bytes,
                                   const CheckOptions& options) {
  return Parser(bytes.data(), static_cast<std::int64_t>(bytes.size()), options).run();
}

CheckReport checkSystemStream(const std::string& path, const CheckOptions& options) {
  CheckReport report;
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    report.problem = "cannot open " + path;
    return report;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size <= 0) {
    ::close(fd);
    report.problem = "cannot read " + path + " or it is empty";
    return report;
  }
  void* map = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) {
    report.problem = "cannot map " + path;
    return report;
  }
  report = Parser(static_cast<const std::uint8_t*>(map), st.st_size, options).run();
  ::munmap(map, static_cast<std::size_t>(st.st_size));
  return report;
}

}  // namespace cw::tools
