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
  s.firstUnsent = 0;
  s.std = StdBuffer{};
  s.std.size = bufferSize;
  s.std.margin = margin;
  s.std.arrivalOffset = arrivalOffset;
  s.std.packetLength = packetLength;
  s.std.payload = payload;
}

// Finds the first unit not yet sent: units before the read position have
// gone out with earlier packets. Units are only added behind it or dropped
// in front of it, so the index kept from the last pack mostly still holds
// and the list is searched only after a compaction.
void locateUnsent(MuxStream& s) {
  const ScanList& units = s.es.units;
  const std::size_t pos = s.es.readPos;
  const std::size_t i = s.firstUnsent;
  if (i <= units.size() && (i == 0 || units[i - 1].start < pos) &&
      (i == units.size() || units[i].start >= pos)) {
    return;
  }
  const auto at = std::lower_bound(units.begin(), units.end(), pos,
                                   [](const ScanEntry& u, std::size_t p) { return u.start < p; });
  s.firstUnsent = static_cast<std::size_t>(at - units.begin());
}

std::size_t unitsBefore(const EsBuffer& es, std::size_t from, std::size_t end) {
  while (from < es.units.size() && es.units[from].start < end) ++from;
  return from;
}

// The unsent units of `s`; locateUnsent() has run since its buffer changed.
PendingUnits pendingOf(const MuxStream& s) {
  return PendingUnits{&s.es.units, s.firstUnsent, static_cast<std::uint32_t>(s.es.readPos),
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
int writeDataPack(MuxState& m, PackWriter& out, MuxStream& s, bool last) {
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
    (last ? putLastVideoPack : putFullVideoPack)(out, m.scr, m.profile, c);
  } else {
    (last ? putLastAudioPack : putFullAudioPack)(out, m.scr, m.profile, c);
  }
  stdArrive(s.std, pending, end, pending.readPos, static_cast<std::uint32_t>(length));
  s.es.readPos += length;
  s.firstUnsent = end;
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
// not be late for waiting one pack. `lateness` receives that of `s` now.
bool maySend(const MuxState& m, const MuxStream& s, const MuxStream& other,
             std::int64_t& lateness) {
  if (stdOverflows(s.std, m.scr, m.clock)) return false;
  lateness = latenessAt(m, s, m.scr);
  if (lateness > 0) return false;
  return other.finished || latenessAt(m, other, m.scr + m.profile.ticksPerPack) >= 0;
}

void preferOther(MuxState& m, const MuxStream& sent) { m.videoPreferred = &sent != &m.video; }

void finish(MuxState& m, MuxStream& s) {
  s.finished = true;
  --m.active;
  if (s.es.available() == 0) {
    s.es.units.clear();
    s.firstUnsent = 0;
  }
}

// Copies what waits in the staging bytes into `dest` (at most `room` bytes)
// and returns the count.
std::size_t deliverStaged(MuxState& m, std::uint8_t* dest, std::size_t room) {
  const std::size_t n = std::min(room, m.stagedEnd - m.stagedFrom);
  if (n > 0) std::memcpy(dest, m.staging.data() + m.stagedFrom, n);
  m.stagedFrom += n;
  if (m.stagedFrom == m.stagedEnd) m.stagedFrom = m.stagedEnd = 0;
  return n;
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
    m.staging.resize(std::max(m.chunkSize + kStagingExtra, 2 * kMaxPackBytes));
  } catch (const std::bad_alloc&) {
    return kCropMuxMemory;
  }
  m.stagedFrom = m.stagedEnd = 0;
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
    PackWriter out(m.staging.data() + m.stagedEnd);
    putLeadingPack(out, m.scr, m.profile, lead);
    m.stagedEnd += out.size();
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

int muxStep(MuxState& m, PackWriter& out) {
  if (m.active == 0) {
    putEndPack(out, m.scr, m.profile);
    advancePack(m);
    return m.stepResult = kStepFinished;
  }
  if (needsData(m.video)) return m.stepResult = kStepVideoNeedsData;
  if (needsData(m.audio)) return m.stepResult = kStepAudioNeedsData;
  locateUnsent(m.video);
  locateUnsent(m.audio);

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
    std::int64_t lateness = 0;
    if (maySend(m, s, other, lateness)) {
      if (lateness < -kMaxLateness) return m.stepResult = kMuxUnderflow;
      m.mostLate = std::max(m.mostLate, -lateness);
      if (last) finish(m, s);
      preferOther(m, s);
      return m.stepResult = writeDataPack(m, out, s, last);
    }
  }
  putPaddingPack(out, m.scr, m.profile);
  advancePack(m);
  return m.stepResult = kStepPaddingPack;
}

int MuxChunk(MuxState& m, std::uint8_t* dest, std::size_t size, std::size_t& delivered) {
  delivered = deliverStaged(m, dest, size);
  while (delivered < size) {
    if (m.stepResult == kStepFinished) return kMuxFinished;
    // A pack that surely fits goes straight into the chunk; one that may not
    // is built aside and delivered as far as the chunk reaches.
    const bool direct = size - delivered >= kMaxPackBytes;
    PackWriter out(direct ? dest + delivered : m.staging.data());
    const int step = muxStep(m, out);
    if (step < 0) return step;
    if (direct) {
      delivered += out.size();
    } else {
      m.stagedFrom = 0;
      m.stagedEnd = out.size();
      delivered += deliverStaged(m, dest + delivered, size - delivered);
    }
    if (step == kStepVideoNeedsData || step == kStepAudioNeedsData) {
      if (!m.input) return kMuxReadError;
      if (const int err = m.input()) return readerStatus(err);
    } else if (step == kStepPaddingPack) {
      if (++m.paddingRun > kMaxPaddingRun) return kMuxUnderflow;
    } else if (step == kStepDataPack) {
      m.paddingRun = 0;
    }
  }
  return kMuxMore;
}

}  // namespace cw
