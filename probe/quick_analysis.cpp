#include "probe/quick_analysis.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/payload_walk.h"
#include "engine/analysis/scanners.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/errors.h"
#include "platform/file.h"

namespace cw {

namespace {

constexpr std::int64_t kShortestFile = 1024;
constexpr std::int64_t kPackSearchBytes = 102400;
constexpr std::int64_t kPackSearchTail = 201;  // a pack header needs room behind it
constexpr std::int64_t kMinWindow = 262144;
// A corrupt pack header can declare up to 4 Mi x 50 bytes/s; the window is
// held in memory and addressed with 32-bit offsets, so it is capped.
constexpr std::int64_t kMaxWindow = std::int64_t{64} << 20;
constexpr std::uint32_t kAudioSearchLimit = 1020;
constexpr int kSequenceHeaderBytes = 12;
constexpr int kAudioHeaderBytes = 4;

// The headers found in the window, for the record's descriptors.
struct FoundHeaders {
  bool video = false;
  std::uint8_t videoHeader[kStoredHeaderBytes] = {};
  bool audio = false;
  std::uint8_t audioHeader[kAudioHeaderBytes] = {};
};

// Keeps the whole sequence header, with the quantiser matrices it loads:
// every cut of the stream starts with it. `available` bytes can be read at
// `header`; a header whose matrices lie beyond them is kept as its first
// 12 bytes with the load flags cleared (the default matrices).
void keepVideoHeader(FoundHeaders& found, const std::uint8_t* header, std::size_t available) {
  const std::size_t size = mpeg1::sequenceHeaderSize(header, available);
  std::memset(found.videoHeader, 0, sizeof found.videoHeader);
  if (size <= available) {
    std::memcpy(found.videoHeader, header, size);
  } else {
    std::memcpy(found.videoHeader, header, kSequenceHeaderBytes);
    found.videoHeader[11] &= 0xFC;
  }
  found.video = true;
}

void keepAudioHeader(FoundHeaders& found, const std::uint8_t* header) {
  std::memcpy(found.audioHeader, header, kAudioHeaderBytes);
  found.audio = true;
}

bool refusedAudio(const StreamParams& audio, std::uint32_t layer3Option) {
  return audio.bitRate < 0.0 || (audio.layer == 3 && layer3Option == 0);
}

// --- Reading ------------------------------------------------------------------

// Reads the first 100 KB of the file into `buf` (the start of the window that
// follows) and looks for a pack header there: `packFound`, and the mux rate
// it declares (-1 when there is none).
int findDeclaredMuxRate(platform::File& file, std::int64_t length, ScanBuffer& buf, bool& packFound,
                        std::int32_t& muxRate) {
  const std::int64_t count = std::min(kPackSearchBytes, length);
  buf.data.resize(static_cast<std::size_t>(count));
  buf.fileOffset = 0;
  if (!file.readAt(0, buf.data.data(), count)) return kErrFileRead;
  packFound = false;
  muxRate = -1;
  const std::uint8_t* head = buf.data.data();
  const auto last =
      static_cast<std::size_t>(std::max<std::int64_t>(0, count - kPackSearchTail + 1));
  for (std::size_t at = 0; at < last; ++at) {
    at = scan_detail::findStartCode(head, at, last);
    if (at < last && head[at + 3] == mpeg1::kPackStart) {
      packFound = true;
      muxRate = mpeg1::packMuxRate(head + at);
      break;
    }
  }
  return kErrOk;
}

std::int64_t windowSize(std::int32_t muxRate, std::int64_t length) {
  std::int64_t size = kMinWindow;
  if (muxRate > 0) size = std::max(size, std::int64_t{muxRate} * 125);
  return std::min({size, length, kMaxWindow});
}

// Completes the window behind the bytes the pack search has read.
int readWindow(platform::File& file, std::int64_t size, ScanBuffer& buf) {
  const std::int64_t have = static_cast<std::int64_t>(buf.data.size());
  buf.data.resize(static_cast<std::size_t>(size));
  if (size <= have) return kErrOk;
  return file.readAt(have, buf.data.data() + have, size - have) ? kErrOk : kErrFileRead;
}

// --- Elementary streams --------------------------------------------------------

// Offset of a sequence header that follows nothing but zero bytes, or -1.
std::int64_t leadingSequenceHeader(const ScanBuffer& buf) {
  const std::uint8_t* d = buf.data.data();
  const std::int64_t lastStart = static_cast<std::int64_t>(buf.size()) - kSequenceHeaderBytes;
  std::int64_t firstNonZero = 0;
  while (firstNonZero < lastStart + 2 && d[firstNonZero] == 0) ++firstNonZero;
  const std::int64_t start = firstNonZero - 2;  // 00 00 of the start code
  if (start < 0 || start > lastStart) return -1;
  return d[firstNonZero] == 0x01 && d[firstNonZero + 1] == mpeg1::kSequenceHeader ? start : -1;
}

// The frame of `audio` at `at` is confirmed when the next header of the same
// stream follows it, allowing for a padding slot or two. Layer 1 frames are
// whole 4-byte slots, so its nominal length is also tried rounded down to one.
bool confirmedBySecondHeader(const ScanBuffer& buf, std::uint32_t at, const StreamParams& audio) {
  const int slot = audio.layer == 1 ? 4 : 1;
  std::vector<std::int64_t> lengths{audio.frameLength};
  if (audio.layer == 1 && audio.frameLength % 4 != 0) lengths.push_back(audio.frameLength & ~3);
  const std::int64_t lastHeader = static_cast<std::int64_t>(buf.size()) - kAudioHeaderBytes;
  for (std::int64_t length : lengths) {
    for (int k = 0; k < 3; ++k) {
      const std::int64_t next = at + length + k * slot;
      if (next > lastHeader) break;
      if (matchesAudioFrame(audio, buf.data.data() + next)) return true;
    }
  }
  return false;
}

std::int16_t classifyElementaryAudio(const ScanBuffer& buf, std::uint32_t layer3Option,
                                     FoundHeaders& found) {
  const std::uint8_t* d = buf.data.data();
  const std::uint32_t limit = std::min(buf.size() - kAudioHeaderBytes, kAudioSearchLimit);
  for (std::uint32_t at = 0; at < limit; ++at) {
    if (!mpeg1::isAudioSync(d + at)) continue;
    const StreamParams audio = makeStreamParams(mpeg1::kAudioStream0, d + at);
    if (audio.status != 0) return kTypeBadAudioHeader;
    if (refusedAudio(audio, layer3Option)) {
      keepAudioHeader(found, d + at);
      return kTypeAudioUnsupported;
    }
    if (!confirmedBySecondHeader(buf, at, audio)) return kTypeNotRecognised;
    keepAudioHeader(found, d + at);
    return kTypeAudioOnly;
  }
  return kTypeNotRecognised;
}

std::int16_t classifyElementary(const ScanBuffer& buf, std::uint32_t layer3Option,
                                FoundHeaders& found) {
  if (buf.size() >= 4 && std::memcmp(buf.data.data(), "RIFF", 4) == 0) return kTypeRiff;
  const std::int64_t sequence = leadingSequenceHeader(buf);
  if (sequence >= 0) {
    keepVideoHeader(found, buf.data.data() + sequence,
                    buf.size() - static_cast<std::size_t>(sequence));
    const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, found.videoHeader);
    if (video.status != 0) return kTypeBadVideoHeader;
    return video.bitRate < 0.0 ? kTypeVideoVariable : std::int16_t{kTypeVideoOnly};
  }
  return classifyElementaryAudio(buf, layer3Option, found);
}

// --- System streams ------------------------------------------------------------------

bool listsStream(const ScanList& packets, std::uint8_t id) {
  return std::any_of(packets.begin(), packets.end(),
                     [id](const ScanEntry& p) { return p.kind == id; });
}

bool listsFurtherStreams(const ScanList& packets) {
  return std::any_of(packets.begin(), packets.end(), [](const ScanEntry& p) {
    return (p.kind > mpeg1::kAudioStream0 && mpeg1::isAudioId(p.kind)) ||
           (p.kind > mpeg1::kVideoStream0 && mpeg1::isVideoId(p.kind));
  });
}

// Either a file type in `type` (result 0) or the memory error.
struct SystemVerdict {
  int error = kErrOk;
  std::int16_t type = kTypeBadSystem;
};

SystemVerdict classified(std::int16_t type) { return SystemVerdict{kErrOk, type}; }
SystemVerdict outOfMemory() { return SystemVerdict{kErrMemory, kTypeNotRecognised}; }

// Video stream 0: its first sequence header and a time-stamped first picture.
SystemVerdict checkSystemVideo(const ScanBuffer& buf, FoundHeaders& found) {
  ScanList packets;
  if (filterPacketsPtsDts(buf, buf.packets, mpeg1::kVideoStream0, packets) != 0)
    return outOfMemory();
  ScanEntry sequence;
  ScanEntry picture;
  scanFirstSequenceAndPicture(buf, packets, sequence, picture);
  if (sequence.kind == 0) return classified(kTypeBadSystem);
  const int holder = packetHolding(packets, sequence.start);
  std::uint8_t header[kStoredHeaderBytes];
  if (holder < 0 ||
      !readAcrossPayloads(buf, packets, holder, sequence.start, header, kSequenceHeaderBytes))
    return classified(kTypeBadSystem);
  // The load flags tell how much more belongs to the header: read it in up
  // to two more steps.
  std::size_t have = mpeg1::kSequenceHeaderBase;
  for (std::size_t size = mpeg1::sequenceHeaderSize(header, have); size > have;
       size = mpeg1::sequenceHeaderSize(header, have)) {
    if (!readAcrossPayloads(buf, packets, holder, sequence.start, header,
                            static_cast<std::uint32_t>(size)))
      break;
    have = size;
  }
  keepVideoHeader(found, header, have);
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, found.videoHeader);
  if (video.status != 0) return classified(kTypeBadSystem);
  if (video.bitRate < 0.0) return classified(kTypeSystemUnsupported);

  if (picture.kind == 0) return classified(kTypeBadSystem);
  const int first = packetHolding(packets, picture.start);
  if (first < 0 || packets[first].pts() == kNoTime) return classified(kTypeBadSystem);
  return classified(kTypeSystem);
}

// Audio stream 0: a frame header in the first time-stamped packet.
SystemVerdict checkSystemAudio(const ScanBuffer& buf, std::uint32_t layer3Option,
                               FoundHeaders& found) {
  ScanList packets;
  if (filterPacketsPts(buf, buf.packets, mpeg1::kAudioStream0, packets) != 0) return outOfMemory();
  const auto stamped = std::find_if(packets.begin(), packets.end(),
                                    [](const ScanEntry& p) { return p.pts() != kNoTime; });
  if (stamped == packets.end()) return classified(kTypeBadSystem);
  const std::uint8_t* d = buf.data.data();
  for (std::uint32_t at = stamped->start; at + 1 < stamped->end; ++at) {
    if (!mpeg1::isAudioSync(d + at)) continue;
    std::uint8_t header[kAudioHeaderBytes];
    const std::size_t index = static_cast<std::size_t>(stamped - packets.begin());
    if (!readAcrossPayloads(buf, packets, index, at, header, kAudioHeaderBytes))
      return classified(kTypeBadSystem);
    const StreamParams audio = makeStreamParams(mpeg1::kAudioStream0, header);
    if (audio.status != 0) return classified(kTypeBadSystem);
    keepAudioHeader(found, header);
    if (refusedAudio(audio, layer3Option)) return classified(kTypeSystemUnsupported);
    return classified(kTypeSystem);
  }
  return classified(kTypeBadSystem);
}

SystemVerdict classifySystem(const ScanBuffer& buf, std::uint32_t layer3Option,
                             FoundHeaders& found) {
  if (!listsStream(buf.packets, mpeg1::kVideoStream0) ||
      !listsStream(buf.packets, mpeg1::kAudioStream0))
    return classified(kTypeBadSystem);
  SystemVerdict video = checkSystemVideo(buf, found);
  if (video.error != kErrOk || video.type != kTypeSystem) return video;
  SystemVerdict audio = checkSystemAudio(buf, layer3Option, found);
  if (audio.error != kErrOk || audio.type != kTypeSystem) return audio;
  return classified(listsFurtherStreams(buf.packets) ? kTypeSystemMulti : kTypeSystem);
}

// --- The record ------------------------------------------------------------------------

void storeDescriptor(StreamDescriptor& d, std::int16_t type, std::int64_t length,
                     std::uint8_t streamId, const std::uint8_t* header, std::size_t headerBytes) {
  d.type = type;
  d.length = length;
  d.streamId = streamId;
  std::memset(d.header, 0, sizeof d.header);
  std::memcpy(d.header, header, headerBytes);
}

void setDeclaredMuxRate(StreamInfo& info, std::int32_t muxRate) {
  info.muxRateDeclared = muxRate;
  info.video.muxRate = muxRate;
  info.audio.muxRate = muxRate;
}

// Summaries of a file that cannot be edited, from the headers it does have.
// The descriptors keep their types: the engine must not take such a file.
void fillSummaries(StreamInfo& info, const FoundHeaders& found) {
  if (found.video) {
    storeSequenceHeader(info.video, found.videoHeader);
    info.computeVideoSummary();
  }
  if (found.audio) {
    std::memset(info.audio.header, 0, sizeof info.audio.header);
    std::memcpy(info.audio.header, found.audioHeader, kAudioHeaderBytes);
    info.computeAudioSummary();
  }
}

void fillRecord(StreamInfo& info, std::int16_t type, const FoundHeaders& found,
                std::int32_t muxRate, std::int64_t length) {
  if (isEditableType(type)) {
    setDeclaredMuxRate(info, isSystemType(type) ? muxRate : -1);
    if (type != kTypeAudioOnly) {
      storeDescriptor(info.video, type, length, mpeg1::kVideoStream0, found.videoHeader,
                      mpeg1::sequenceHeaderSize(found.videoHeader, kStoredHeaderBytes));
      info.computeVideoSummary();
    }
    if (type != kTypeVideoOnly) {
      storeDescriptor(info.audio, type, length, mpeg1::kAudioStream0, found.audioHeader,
                      kAudioHeaderBytes);
      info.computeAudioSummary();
    }
    return;
  }
  if (type == kTypeSystemUnsupported) setDeclaredMuxRate(info, muxRate);
  if (type == kTypeSystemUnsupported || type == kTypeVideoVariable || type == kTypeAudioUnsupported)
    fillSummaries(info, found);
}

int failed(StreamInfo& info, int error) {
  info.fileType = kTypeNotRecognised;
  info.stage = 0;
  return error;
}

int classifiedAs(StreamInfo& info, std::int16_t type) {
  info.fileType = type;
  info.stage = 1;
  return kErrOk;
}

bool isDirectory(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_directory(path, ignored);
}

int analyse(StreamInfo& info) {
  info.reset();
  platform::File file;
  // A directory opens for reading on this platform but is no file to analyse.
  if (isDirectory(info.fileName) || !file.open(info.fileName, platform::OpenMode::Read))
    return failed(info, kErrFileRead);
  const std::int64_t length = file.length();
  if (length < 0) return failed(info, kErrFileRead);
  info.fileLength = static_cast<double>(length);
  if (length < kShortestFile) return classifiedAs(info, kTypeNotRecognised);

  bool packFound = false;
  std::int32_t muxRate = -1;
  ScanBuffer buf;
  if (int error = findDeclaredMuxRate(file, length, buf, packFound, muxRate); error != kErrOk)
    return failed(info, error);
  if (int error = readWindow(file, windowSize(muxRate, length), buf); error != kErrOk)
    return failed(info, error);

  FoundHeaders found;
  std::int16_t type = kTypeNotRecognised;
  // Without a pack header the file is an elementary-stream candidate: audio
  // data holds runs like 00 00 01 C0 by chance, and a video stream's start
  // codes are no packets either, so its bytes are never listed as packets.
  const int listed = packFound ? listPackets(buf) : kScanNoPackets;
  if (listed == kScanNoPackets) {
    type = classifyElementary(buf, info.layer3Option, found);
  } else if (listed == kScanMemory) {
    return failed(info, kErrMemory);
  } else if (listed != 0) {
    type = kTypeBadSystem;
  } else {
    const SystemVerdict verdict = classifySystem(buf, info.layer3Option, found);
    if (verdict.error != kErrOk) return failed(info, verdict.error);
    type = verdict.type;
  }
  fillRecord(info, type, found, muxRate, length);
  return classifiedAs(info, type);
}

}  // namespace

int quickAnalyse(StreamInfo& info) {
  try {
    return analyse(info);
  } catch (...) {
    // Nothing leaves the control: a file whose bytes led the analysis astray
    // is one it could not read.
    return failed(info, errorForCurrentException(kErrMemory, kErrFileRead));
  }
}

}  // namespace cw
