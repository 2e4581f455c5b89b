// The stream information record: construction and reset, the summary fields
// derived from the stored headers, the join compatibility tests, the VideoCD
// conformance tests, and the process-wide table of record handles.
#include "engine/analysis/stream_info.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>

#include "engine/analysis/mpeg1.h"

namespace cw {

namespace {

void clearDescriptorPositions(StreamDescriptor& d) {
  d.handle = -1;
  d.head = StreamArea{};
  d.tail = StreamArea{};
  d.firstTime = -1;
  d.lastTime = -1;
  d.workHead = StreamArea{};
  d.workTail = StreamArea{};
  d.workFirstTime = -1;
  d.workLastTime = -1;
}

void resetDescriptor(StreamDescriptor& d) {
  d.length = 0;
  d.type = -1;
  d.handle = -1;
  d.cutInHeaderAt = -1;
}

}  // namespace

StreamInfo::StreamInfo() {
  clearDescriptorPositions(video);
  clearDescriptorPositions(audio);
  video.streamId = mpeg1::kVideoStream0;
  audio.streamId = mpeg1::kAudioStream0;
  fileName.clear();
  layer3Option = 1;
  optionA = 1;
  optionB = 1;
  reset();
}

void StreamInfo::reset() {
  fileType = kTypeNotAnalysed;
  stage = 0;
  fileLength = -1.0;
  duration = -1.0;
  muxRateDeclared = -1;
  muxRateMeasured = -1;
  audioByteRate = -1;
  audioLayer = -1;
  audioMode = -1;
  audioSampleRate = -1.0f;
  audioVcd = -1;
  videoByteRate = -1;
  horizontalSize = -1;
  verticalSize = -1;
  pictureRate = -1.0f;
  videoVcd = -1;
  resetDescriptor(video);
  resetDescriptor(audio);
}

void StreamInfo::computeVideoSummary() {
  mpeg1::SequenceHeader seq;
  if (mpeg1::decodeSequenceHeader(video.header, seq) != 0) return;
  videoByteRate = seq.bytesPerSecond > 0.0 ? static_cast<std::int32_t>(seq.bytesPerSecond) : 0;
  pictureRate = static_cast<float>(seq.pictureRate);
  horizontalSize = seq.horizontalSize;
  verticalSize = seq.verticalSize;
  videoVcd = isVcdVideo(video.header) ? 1 : 0;
}

void StreamInfo::computeAudioSummary() {
  mpeg1::AudioHeader h;
  if (mpeg1::decodeAudioHeader(audio.header, h) != 0) return;
  audioByteRate = h.kbps * 125;
  audioLayer = static_cast<std::int16_t>(h.layer);
  audioSampleRate = static_cast<float>(h.sampleRate);
  audioMode = static_cast<std::int16_t>(audio.header[3] >> 6);
  audioVcd = isVcdAudio(audio.header) ? 1 : 0;
}

bool isSystemType(std::int16_t fileType) {
  return fileType == kTypeSystem || fileType == kTypeSystemMulti;
}

StreamSpans streamSpans(const StreamInfo& info) {
  StreamSpans spans;
  if (info.stage != 2 || !isSystemType(info.fileType)) return spans;
  const StreamDescriptor& v = info.video;
  const StreamDescriptor& a = info.audio;
  if (v.firstTime < 0 || v.lastTime < 0 || a.firstTime < 0 || a.lastTime < 0) return spans;
  const auto seconds = [&](std::int64_t time) {
    return static_cast<double>(time - v.firstTime) / 90000.0;
  };
  spans.known = true;
  spans.videoStart = 0.0;
  spans.videoEnd = seconds(v.lastTime);
  spans.audioStart = seconds(a.firstTime);
  spans.audioEnd = seconds(a.lastTime);
  return spans;
}

static_assert(kStoredHeaderBytes == mpeg1::kSequenceHeaderMax);

std::size_t storedSequenceHeaderSize(const StreamDescriptor& video) {
  return mpeg1::sequenceHeaderSize(video.header, kStoredHeaderBytes);
}

const std::uint8_t* cutInSequenceHeader(const StreamDescriptor& video, std::size_t& size) {
  const bool own = video.cutInHeaderAt >= 0 && video.cutInHeaderAt == video.workHead.point;
  const std::uint8_t* header = own ? video.cutInHeader : video.header;
  size = mpeg1::sequenceHeaderSize(header, kStoredHeaderBytes);
  return header;
}

void storeSequenceHeader(StreamDescriptor& video, const std::uint8_t* header) {
  const std::size_t size = mpeg1::sequenceHeaderSize(header, kStoredHeaderBytes);
  std::memcpy(video.header, header, size);
  std::memset(video.header + size, 0, kStoredHeaderBytes - size);
}

// The quantiser matrices play no part: every cut and every joined piece
// starts with its own whole sequence header, so a decoder takes up the new
// matrices (or the default ones) at the join.
bool videoCompatible(const StreamInfo& record, const StreamInfo& source) {
  mpeg1::SequenceHeader rec;
  mpeg1::SequenceHeader src;
  if (mpeg1::decodeSequenceHeader(record.video.header, rec) != 0) return false;
  if (mpeg1::decodeSequenceHeader(source.video.header, src) != 0) return false;
  if (std::fabs(rec.pictureRate - src.pictureRate) > 0.1) return false;
  const bool recVariable = rec.bytesPerSecond < 0.0;
  const bool srcVariable = src.bytesPerSecond < 0.0;
  if (recVariable != srcVariable) return false;
  if (!recVariable) {
    // A zero source rate is forbidden by the syntax and cannot be compared.
    if (src.bytesPerSecond <= 0.0) return false;
    if (std::fabs(rec.bytesPerSecond - src.bytesPerSecond) / src.bytesPerSecond > 0.01) {
      return false;
    }
  }
  return rec.horizontalSize == src.horizontalSize && rec.verticalSize == src.verticalSize;
}

bool audioCompatible(const StreamInfo& record, const StreamInfo& source) {
  mpeg1::AudioHeader rec;
  mpeg1::AudioHeader src;
  if (mpeg1::decodeAudioHeader(record.audio.header, rec) != 0) return false;
  if (mpeg1::decodeAudioHeader(source.audio.header, src) != 0) return false;
  return rec.sampleRate == src.sampleRate && rec.layer == src.layer && rec.kbps == src.kbps &&
         (record.audio.header[3] >> 6) == (source.audio.header[3] >> 6);
}

bool isVcdVideo(const std::uint8_t* sequenceHeader) {
  mpeg1::SequenceHeader seq;
  if (mpeg1::decodeSequenceHeader(sequenceHeader, seq) != 0) return false;
  const int code = seq.pictureRateCode;
  if (code != 1 && code != 3 && code != 4) return false;
  constexpr int kVariableRate = 0x3FFFF;
  if (seq.bitRateValue == kVariableRate) return false;
  if (static_cast<std::int64_t>(seq.bitRateValue) * 400 > 1152000) return false;
  if (seq.horizontalSize != 352) return false;
  return seq.verticalSize == (code == 3 ? 288 : 240);
}

bool isVcdAudio(const std::uint8_t* audioHeader) {
  mpeg1::AudioHeader h;
  if (mpeg1::decodeAudioHeader(audioHeader, h) != 0) return false;
  constexpr int kSingleChannel = 3;
  return h.layer == 2 && h.bitRateIndex == 11 && h.sampleRate == 44100 && h.emphasis <= 1 &&
         h.mode != kSingleChannel;
}

// --- Handle table -------------------------------------------------------------

namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<std::int32_t, StreamInfo*> records;
  std::int32_t lastHandle = 0;
};

HandleTable& handleTable() {
  static HandleTable table;
  return table;
}

}  // namespace

std::int32_t registerStreamInfo(StreamInfo* info) {
  if (info == nullptr) return 0;
  HandleTable& table = handleTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  // Handles are never reused: once the counter is exhausted no more are given.
  if (table.lastHandle == std::numeric_limits<std::int32_t>::max()) return 0;
  const std::int32_t handle = ++table.lastHandle;
  try {
    table.records.emplace(handle, info);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return handle;
}

void unregisterStreamInfo(std::int32_t handle) {
  HandleTable& table = handleTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.records.erase(handle);
}

StreamInfo* resolveStreamInfo(std::int32_t handle) {
  HandleTable& table = handleTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  const auto found = table.records.find(handle);
  return found == table.records.end() ? nullptr : found->second;
}

}  // namespace cw
