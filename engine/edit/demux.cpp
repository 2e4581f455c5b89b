#include "engine/edit/demux.h"

#include "engine/edit/video_splice.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

#include "engine/edit/audio_silence.h"

namespace cw {

namespace {

constexpr std::array<std::uint8_t, 4> kSequenceEndCode = {0x00, 0x00, 0x01, mpeg1::kSequenceEnd};
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// What one step did to one stream, and how to undo it.
struct StreamStep {
  EsBuffer* buf = nullptr;
  std::size_t heldBefore = 0;
  std::size_t marksBefore = 0;
  bool insertBefore = false;
  bool appendBefore = false;
  std::int64_t brokenLinkBefore = -1;
  std::size_t cutInAt = kNone;  // where the cut-in bytes begin (sequence header included)
  std::size_t gopAt = kNone;    // the cut-in's GOP header lies here or behind
  bool reachedEnd = false;

  explicit StreamStep(EsBuffer* b) : buf(b) {
    if (buf == nullptr) return;
    heldBefore = buf->held;
    marksBefore = buf->marks.size();
    insertBefore = buf->insertSequenceHeader;
    appendBefore = buf->appendSequenceEnd;
    brokenLinkBefore = buf->video.markBrokenLinkAt;
  }

  void undo() {
    if (buf == nullptr) return;
    buf->held = heldBefore;
    buf->marks.resize(marksBefore);
    buf->insertSequenceHeader = insertBefore;
    buf->appendSequenceEnd = appendBefore;
    buf->video.markBrokenLinkAt = brokenLinkBefore;
  }
};

const StreamDescriptor* descriptorOf(const EsBuffer* buf) {
  return buf != nullptr ? buf->descriptor : nullptr;
}

bool areaIsOrdered(const StreamDescriptor& d) {
  return d.workHead.packetStart >= 0 && d.workHead.packetStart <= d.workHead.point &&
         d.workHead.point <= d.workTail.point && d.workHead.packetStart <= d.workTail.packetStart &&
         d.workTail.point <= d.workTail.packetEnd;
}

// Copies the part of `packet` that belongs to the cut into its stream's buffer.
int copyPacket(const DemuxState& state, StreamStep& step, const DemuxPacket& packet) {
  EsBuffer& buf = *step.buf;
  const StreamDescriptor& d = *buf.descriptor;
  const std::int64_t at = state.blockOffset + static_cast<std::int64_t>(packet.start);
  if (buf.endOfData || at < d.workHead.packetStart || at > d.workTail.packetStart) return 0;

  const bool cutIn = at == d.workHead.packetStart;
  const bool cutOut = at == d.workTail.packetStart;
  std::int64_t from = state.blockOffset + static_cast<std::int64_t>(packet.payload);
  std::int64_t to = state.blockOffset + static_cast<std::int64_t>(packet.end);
  const std::int64_t payloadStart = from;
  const std::int64_t packetEnd = to;
  if (cutIn) from = d.workHead.point;
  if (cutOut) to = d.workTail.point;
  if (from < payloadStart || to > packetEnd || from > to) return kDemuxIncorrectPacket;

  const bool video = buf.isVideo();
  int rc = 0;
  if (cutIn || cutOut) {
    rc = esMarkPacket(buf, kNoTime, kNoTime);  // no PTS is taken from the cut packets
  } else {
    rc = esMarkPacket(buf, packet.pts, packet.dts);
  }
  if (rc != 0) return rc;
  if (cutIn) {
    step.cutInAt = buf.stored();
    if (video && buf.insertSequenceHeader) {
      std::size_t size = 0;
      const std::uint8_t* header = cutInSequenceHeader(d, size);
      if ((rc = esAppend(buf, header, size)) != 0) return rc;
      buf.insertSequenceHeader = false;
    }
    if (video && buf.splice != nullptr && !buf.splice->head.empty()) {
      if ((rc = esAppend(buf, buf.splice->head.data(), buf.splice->head.size())) != 0) return rc;
      step.cutInAt = buf.stored();  // the first copied GOP, whose dead B-pictures go
    }
    step.gopAt = buf.stored();
    if (video && state.treatment == kCutInMarkBrokenLink) markBrokenLinkAt(buf, step.gopAt);
  }
  const std::uint8_t* bytes = state.block.data() + (from - state.blockOffset);
  if ((rc = esAppend(buf, bytes, static_cast<std::size_t>(to - from))) != 0) return rc;
  if (cutOut) {
    if (video && buf.appendSequenceEnd) {
      if (buf.splice != nullptr && !buf.splice->tail.empty() &&
          (rc = esAppend(buf, buf.splice->tail.data(), buf.splice->tail.size())) != 0) {
        return rc;
      }
      if ((rc = esAppend(buf, kSequenceEndCode.data(), kSequenceEndCode.size())) != 0) return rc;
      buf.appendSequenceEnd = false;
    }
    step.reachedEnd = true;
  }
  return 0;
}

// Removes the leading B-pictures of the cut-in's GOP once the video bytes
// behind the cut-in hold all of them. Until then nothing of the video is
// scanned (the cut's time stamps count on their removal) and true is
// returned: the step must read another block.
bool waitForDeadB(DemuxState& state, StreamStep& step) {
  EsBuffer& buf = *step.buf;
  if (state.treatment != kCutInRemoveDeadB) return false;
  if (step.cutInAt != kNone)
    state.deadBFrom = buf.dropped + static_cast<std::int64_t>(step.cutInAt);
  if (state.deadBFrom < 0) return false;
  const auto from = static_cast<std::size_t>(state.deadBFrom - buf.dropped);
  if (removeDeadBPictures(buf, from) == DeadBResult::Incomplete) {
    if (!step.reachedEnd && state.position < state.end) return true;
    // Nothing more will come: marking the GOP broken still keeps decoders
    // off the B-pictures.
    markBrokenLinkAt(buf, from);
  }
  state.deadBFrom = -1;
  return false;
}

// Rewrites and scans what one step added to a stream.
int finishStream(DemuxState& state, StreamStep& step) {
  EsBuffer& buf = *step.buf;
  if (buf.isVideo()) {
    if (waitForDeadB(state, step)) return 0;
    if (const int rc = scanVideoUnits(buf); rc != 0) return rc;
  } else {
    if (const int rc = scanAudioUnits(buf); rc != 0) return rc;
  }
  if (step.reachedEnd) return finishWithSilence(buf);
  return 0;
}

int readBlock(DemuxState& state) {
  if (state.blockFill == state.block.size()) {
    // A packet longer than the block: grow once towards the ceiling.
    if (state.block.size() >= state.blockCeiling) return kDemuxIncorrectPacket;
    try {
      state.block.resize(std::min(state.blockCeiling, state.block.size() * 2));
    } catch (const std::bad_alloc&) {
      return kDemuxNoMemory;
    }
  }
  const auto room = static_cast<std::int64_t>(state.block.size() - state.blockFill);
  const std::int64_t count = std::min(room, state.end - state.position);
  platform::File& file = *state.file;
  if (file.tell() != state.position && !file.seek(state.position)) return kDemuxReadError;
  if (file.read(state.block.data() + state.blockFill, count) != count) return kDemuxReadError;
  state.blockFill += static_cast<std::size_t>(count);
  state.position += count;
  return 0;
}

int distribute(DemuxState& state, StreamStep& video, StreamStep& audio) {
  for (const DemuxPacket& packet : state.packets) {
    StreamStep* step = nullptr;
    if (video.buf != nullptr && packet.id == video.buf->params.streamId) step = &video;
    if (audio.buf != nullptr && packet.id == audio.buf->params.streamId) step = &audio;
    if (step == nullptr) continue;
    if (const int rc = copyPacket(state, *step, packet); rc != 0) {
      video.undo();
      audio.undo();
      return rc;
    }
  }
  for (StreamStep* step : {&video, &audio}) {
    if (step->buf == nullptr) continue;
    if (const int rc = finishStream(state, *step); rc != 0) return rc;
  }
  return 0;
}

void keepRest(DemuxState& state, std::size_t consumed) {
  const std::size_t rest = state.blockFill - consumed;
  if (rest > 0 && consumed > 0) {
    std::memmove(state.block.data(), state.block.data() + consumed, rest);
  }
  state.blockFill = rest;
  state.blockOffset += static_cast<std::int64_t>(consumed);
}

int readAndDistribute(DemuxState& state, EsBuffer* video, EsBuffer* audio) {
  if (const int rc = readBlock(state); rc != 0) return rc;
  // A stream gets at most the block's bytes, the sequence header put in
  // front of the cut and the end code behind it.
  const std::size_t incoming = state.blockFill + kStoredHeaderBytes + kSequenceEndCode.size();
  for (EsBuffer* buf : {video, audio}) {
    if (buf != nullptr) esMakeRoom(*buf, incoming);
  }

  std::size_t consumed = 0;
  if (walkPackets(state.block.data(), state.blockFill, state.packets, consumed) != 0) {
    return kDemuxIncorrectPacket;
  }
  StreamStep videoStep(video);
  StreamStep audioStep(audio);
  if (const int rc = distribute(state, videoStep, audioStep); rc != 0) return rc;
  keepRest(state, consumed);
  state.packets.clear();
  state.firstStep = false;
  return 0;
}

int step(DemuxState& state, EsBuffer* video, EsBuffer* audio) {
  do {
    if (state.position >= state.end) {
      for (EsBuffer* buf : {video, audio}) {
        if (buf == nullptr || buf->endOfData) continue;
        if (const int rc = finishWithSilence(*buf); rc != 0) return rc;
      }
      return 0;
    }
    if (const int rc = readAndDistribute(state, video, audio); rc != 0) return rc;
  } while (state.deadBFrom >= 0);
  return 0;
}

}  // namespace

int PositionDemux(DemuxState& state, platform::File& file, std::size_t chunk, int treatment,
                  EsBuffer* video, EsBuffer* audio) {
  const StreamDescriptor* v = descriptorOf(video);
  const StreamDescriptor* a = descriptorOf(audio);
  if (v == nullptr && a == nullptr) return kDemuxBadRange;
  if (v != nullptr && a != nullptr && v->handle != a->handle) return kDemuxBadRange;
  std::int64_t start = std::numeric_limits<std::int64_t>::max();
  std::int64_t end = -1;
  for (const StreamDescriptor* d : {v, a}) {
    if (d == nullptr) continue;
    if (!areaIsOrdered(*d)) return kDemuxBadRange;
    start = std::min(start, d->workHead.packetStart);
    end = std::max(end, d->workTail.packetEnd);
  }
  if (start >= end) return kDemuxBadRange;

  DemuxState fresh;
  try {
    fresh.block.resize(std::max<std::size_t>(chunk, 4096));
  } catch (const std::bad_alloc&) {
    return kDemuxNoMemory;
  }
  if (!file.seek(start)) return kDemuxReadError;
  fresh.file = &file;
  fresh.blockCeiling = std::max(kDemuxReadCeiling, fresh.block.size());
  fresh.blockOffset = start;
  fresh.start = start;
  fresh.end = end;
  fresh.position = start;
  fresh.treatment = treatment;
  fresh.firstStep = true;
  state = std::move(fresh);
  if (video != nullptr) restartVbvTracking(*video);
  return 0;
}

int DemuxStep(DemuxState& state, EsBuffer* video, EsBuffer* audio) {
  if (state.file == nullptr) return kDemuxReadError;
  try {
    return step(state, video, audio);
  } catch (const std::bad_alloc&) {
    return kDemuxNoMemory;
  }
}

}  // namespace cw
