#include "engine/edit/mux.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/analysis/mpeg1.h"
#include "engine/common/errors.h"

namespace cw {
namespace {

// The flags byte of the first GOP header is byte 7 of the GOP header behind
// the sequence header put in front of the cut.
constexpr std::size_t kGopFlagsByte = 7;
constexpr std::uint8_t kClosedGop = 0x40;
constexpr std::uint8_t kBrokenLink = 0x20;

void setUpStream(MuxStream& s, int packetLength, int payload, std::int64_t bufferSize,
                 int arrivalOffset, int margin, std::int64_t offset) {
  s.payload = payload;
  s.offset = offset;
  s.finished = false;
  s.firstPacketPending = true;
  s.std = StdBuffer{};
  s.std.size = bufferSize;
  s.std.margin = margin;
  s.std.arrivalOffset = arrivalOffset;
  s.std.packetLength = packetLength;
  s.std.payload = payload;
}

// Index of the first unit not yet sent: units before the read position have
// gone out with earlier packets.
std::size_t firstUnsent(const EsBuffer& es) {
  const auto at =
      std::lower_bound(es.units.begin(), es.units.end(), es.readPos,
                       [](const ScanEntry& u, std::size_t pos) { return u.start < pos; });
  return static_cast<std::size_t>(at - es.units.begin());
}

std::size_t unitsBefore(const EsBuffer& es, std::size_t from, std::size_t end) {
  while (from < es.units.size() && es.units[from].start < end) ++from;
  return from;
}

PendingUnits pendingOf(const MuxStream& s) {
  return PendingUnits{&s.es.units, firstUnsent(s.es), static_cast<std::uint32_t>(s.es.readPos),
                      s.offset};
}

bool isVideoStream(const MuxState& m, const MuxStream& s) { return &s == &m.video; }

// Time stamps of the first unit that starts in the payload: a B-picture or an
// audio frame carries its PTS, any other picture its PTS and DTS.
TimeStamps stampsOf(const MuxStream& s, bool video, std::size_t first, std::size_t end) {
  TimeStamps t;
  if (first == end) return t;
  const ScanEntry& u = s.es.units[first];
  t.pts = u.pts() + s.offset;
  if (video && u.kind != 'B') {
    t.count = 2;
    t.dts = u.dts() + s.offset;
  } else {
    t.count = 1;
  }
  return t;
}

// The first GOP of the output cannot refer to pictures before the cut.
void markFirstGopBroken(EsBuffer& es, std::size_t length) {
  std::size_t gopAt = mpeg1::kSequenceHeaderBase;
  if (es.descriptor != nullptr) cutInSequenceHeader(*es.descriptor, gopAt);
  if (length <= gopAt + kGopFlagsByte) return;
  std::uint8_t* p = es.bytes.data() + es.readPos;
  if (!mpeg1::isStartCode(p + gopAt) || p[gopAt + 3] != mpeg1::kGroupStart) return;
  std::uint8_t& flags = p[gopAt + kGopFlagsByte];
  if ((flags & kClosedGop) == 0) flags |= kBrokenLink;
}

void advancePack(MuxState& m) {
  m.scr += m.profile.ticksPerPack;
  stdRemoveDecoded(m.video.std, m.scr);
  stdRemoveDecoded(m.audio.std, m.scr);
}

// Writes one pack of stream `s`: a full one, or its last, shorter one.
int writeDataPack(MuxState& m, MuxStream& s, bool last) {
  const bool video = isVideoStream(m, s);
  const std::size_t length = last ? s.es.available() : static_cast<std::size_t>(s.payload);
  const PendingUnits pending = pendingOf(s);
  const std::size_t end = unitsBefore(s.es, pending.first, s.es.readPos + length);

  PacketContent c;
  c.length = static_cast<int>(length);
  c.stamps = stampsOf(s, video, pending.first, end);
  if (!video && !last && c.stamps.count == 0) return kMuxNoAudioFrame;
  if (s.firstPacketPending) {
    c.stdField = video ? m.profile.videoStdField : m.profile.audioStdField;
    if (video) markFirstGopBroken(s.es, length);
  }
  c.payload = s.es.readPointer();

  if (video) {
    (last ? putLastVideoPack : putFullVideoPack)(m.staging, m.scr, m.profile, c);
  } else {
    (last ? putLastAudioPack : putFullAudioPack)(m.staging, m.scr, m.profile, c);
  }
  stdArrive(s.std, pending, end, pending.readPos, static_cast<std::uint32_t>(length));
  s.es.readPos += length;
  s.firstPacketPending = false;
  advancePack(m);
  return kStepDataPack;
}

bool needsData(const MuxStream& s) {
  return !s.finished && s.es.available() < static_cast<std::size_t>(s.payload) && !s.es.endOfData;
}

std::int64_t latenessAt(const MuxState& m, const MuxStream& s, std::int64_t t) {
  return stdLateness(s.std, pendingOf(s), t, m.clock);
}

// A full packet of `s` may go out now when it fits the decoder buffer, none
// of its units would wait more than a second, and the other stream would
// not be late for waiting one pack.
bool maySend(const MuxState& m, const MuxStream& s, const MuxStream& other) {
  if (stdOverflows(s.std, m.scr, m.clock)) return false;
  if (latenessAt(m, s, m.scr) > 0) return false;
  return other.finished || latenessAt(m, other, m.scr + m.profile.ticksPerPack) >= 0;
}

void preferOther(MuxState& m, const MuxStream& sent) { m.videoPreferred = &sent != &m.video; }

void finish(MuxState& m, MuxStream& s) {
  s.finished = true;
  --m.active;
  if (s.es.available() == 0) s.es.units.clear();
}

}  // namespace

void cropOffsets(const PackProfile& p, std::int64_t videoFirstTime, std::int64_t audioFirstTime,
                 std::int64_t picturePeriod, std::int64_t& videoOffset, std::int64_t& audioOffset) {
  audioOffset = p.timeStampLead;
  videoOffset = p.timeStampLead - (audioFirstTime - videoFirstTime + picturePeriod);
}

int prepareMux(MuxState& m, const PackProfile& profile, std::int64_t videoOffset,
               std::int64_t audioOffset, EsInput input) {
  try {
    m.staging.clear();
    m.staging.reserve(m.chunkSize + kStagingExtra);
  } catch (const std::bad_alloc&) {
    return kCropMuxMemory;
  }
  m.profile = profile;
  m.clock = StdClock{profile.ticksPerByte, profile.bytesPerTick};
  setUpStream(m.video, profile.videoPacket, profile.videoPayload, profile.videoBufferSize,
              profile.videoArrivalOffset, profile.bufferMargin, videoOffset);
  setUpStream(m.audio, profile.audioPacket, profile.audioPayload, profile.audioBufferSize,
              profile.audioArrivalOffset, profile.bufferMargin, audioOffset);
  m.scr = 0;
  m.active = 2;
  m.videoPreferred = profile.videoFirst;
  m.stepResult = kStepDataPack;
  m.paddingRun = 0;
  m.input = std::move(input);
  m.selected = nullptr;
  return 0;
}

void writeLeadingPacks(MuxState& m) {
  for (const LeadingPack& lead : m.profile.leadingPacks) {
    putLeadingPack(m.staging, m.scr, m.profile, lead);
    advancePack(m);
  }
  m.video.firstPacketPending = true;
  m.audio.firstPacketPending = true;
}

void continueMux(MuxState& m, const MuxContinuation& c) {
  m.scr = c.scr;
  m.videoPreferred = c.videoFirst;
  m.video.std.queue = c.videoQueue;
  m.video.std.occupancy = c.videoOccupancy;
  m.video.std.started = true;
  m.video.firstPacketPending = false;
  m.audio.std.queue = c.audioQueue;
  m.audio.std.occupancy = c.audioOccupancy;
  m.audio.std.started = c.audioBytesBeforeMerge;
  m.audio.firstPacketPending = !c.audioBytesBeforeMerge;
}

int muxStep(MuxState& m) {
  if (m.active == 0) {
    putEndPack(m.staging, m.scr, m.profile);
    advancePack(m);
    return m.stepResult = kStepFinished;
  }
  if (needsData(m.video)) return m.stepResult = kStepVideoNeedsData;
  if (needsData(m.audio)) return m.stepResult = kStepAudioNeedsData;

  MuxStream* order[2] = {&m.video, &m.audio};
  if (!m.videoPreferred) std::swap(order[0], order[1]);
  for (int i = 0; i < 2; ++i) {
    MuxStream& s = *order[i];
    const MuxStream& other = *order[1 - i];
    if (s.finished) continue;
    // Fewer bytes than a payload: the stream's data has ended.
    const bool last = s.es.available() < static_cast<std::size_t>(s.payload);
    if (last && s.es.available() == 0) {
      finish(m, s);
      continue;
    }
    // The rest of a stream is tested like a full packet: sent unchecked it
    // can overflow a buffer that the stream has just filled.
    if (maySend(m, s, other)) {
      if (latenessAt(m, s, m.scr) < -kMaxLateness) return m.stepResult = kMuxUnderflow;
      if (last) finish(m, s);
      preferOther(m, s);
      return m.stepResult = writeDataPack(m, s, last);
    }
  }
  putPaddingPack(m.staging, m.scr, m.profile);
  advancePack(m);
  return m.stepResult = kStepPaddingPack;
}

int MuxChunk(MuxState& m, std::uint8_t* dest, std::size_t size, std::size_t& delivered) {
  delivered = 0;
  while (m.staging.size() < size - delivered) {
    if (!m.staging.empty()) {
      std::memcpy(dest + delivered, m.staging.data(), m.staging.size());
      delivered += m.staging.size();
      m.staging.clear();
    }
    if (m.stepResult == kStepFinished) return kMuxFinished;
    const int step = muxStep(m);
    if (step < 0) return step;
    if (step == kStepVideoNeedsData || step == kStepAudioNeedsData) {
      if (!m.input) return kMuxReadError;
      if (const int err = m.input()) return readerStatus(err);
    } else if (step == kStepPaddingPack) {
      if (++m.paddingRun > kMaxPaddingRun) return kMuxUnderflow;
    } else if (step == kStepDataPack) {
      m.paddingRun = 0;
    }
  }
  const std::size_t rest = size - delivered;
  if (rest > 0) std::memcpy(dest + delivered, m.staging.data(), rest);
  m.staging.erase(m.staging.begin(), m.staging.begin() + static_cast<std::ptrdiff_t>(rest));
  delivered = size;
  return kMuxMore;
}

}  // namespace cw
