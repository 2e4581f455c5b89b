// Starting a join's system-stream multiplex: the record's bytes from the
// merge point to the entry points go through the buffers again, ahead of the
// source cut, and everything the record had built up at the merge point
// (clock, decoder buffers, time stamps, time code, vbv_delay) carries on.
#include "engine/edit/mux_join.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "engine/edit/audio_silence.h"
#include "engine/edit/demux.h"
#include "engine/edit/video_rewrite.h"

namespace cw {
namespace {

// Larger than any 10-bit temporal reference: the picture after it starts a GOP.
constexpr int kNewGop = 1024;

// The whole number of periods below `end`, and what is left over.
struct Split {
  std::int64_t count = 0;
  std::int64_t base = 0;    // count periods, rounded to the tick
  std::int64_t offset = 0;  // end - base
};

Split splitAt(std::int64_t end, double period) {
  Split s;
  s.count = static_cast<std::int64_t>(std::floor(static_cast<double>(end) / period));
  s.base = std::llround(static_cast<double>(s.count) * period);
  s.offset = end - s.base;
  return s;
}

std::int64_t picturesBetween(std::int64_t from, std::int64_t to, double period) {
  return std::llround(static_cast<double>(to - from) / period);
}

void continueVideoStamps(EsBuffer& video, const RecordEntryResult& entry, JoinTimeline& t) {
  const double period = video.params.period;
  const Split s = splitAt(entry.videoEnd, period);
  VideoRewriteState& v = video.video;
  v.havePicture = true;
  v.decodeIndex = s.count;
  v.previousDts = s.base;
  v.nextDisplayIndex = s.count + picturesBetween(entry.videoEnd, entry.videoLastPresent, period);
  v.highestDisplayIndex = s.count + picturesBetween(entry.videoEnd, entry.videoMaxPresent, period);
  t.videoOffset = s.offset;
}

void continueAudioStamps(EsBuffer& audio, const RecordEntryResult& entry, JoinTimeline& t) {
  const Split s = splitAt(entry.audioEnd, audio.params.period);
  AudioStampState& a = audio.audio;
  a.haveFrame = true;
  a.previousTime = s.base;
  a.frames = s.count;
  t.audioOffset = s.offset;
}

template <class T>
void release(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

int joinError(MuxOperation op, int readerError) {
  return muxStatusError(op, readerStatus(readerError));
}

// --- Room for the source's first picture ---------------------------------------
//
// A crop gives its first picture a fixed lead; a join can give the source's
// first picture only what the record's end leaves. The source's pictures
// need their own lead in the video buffer (a constant-rate stream that
// starts on a full buffer needs most), and a VideoCD channel carries hardly
// more than the two streams' own rates, so a shortfall at one join is never
// made up and the next joins add theirs until pictures arrive after their
// decoding times. When the record's end leaves less than the source needs,
// the source starts whole pictures later: the record's last picture stays on
// screen that much longer and the sound pauses as long, so the two streams
// keep their distance.

// The source's pictures looked at for the lead they need.
constexpr double kLookAheadSeconds = 1.0;

// Stream offsets (compacted bytes included) where the source's bytes begin
// in the two buffers; everything before them is the record's.
struct SourceStart {
  std::int64_t video = 0;
  std::int64_t audio = 0;
};

SourceStart sourceStartOf(const EsBuffer& video, const EsBuffer& audio) {
  return {video.dropped + static_cast<std::int64_t>(video.stored()),
          audio.dropped + static_cast<std::int64_t>(audio.stored())};
}

// Index of the first unit at or after stream offset `from`; units.size() if none.
std::size_t firstUnitFrom(const EsBuffer& es, std::int64_t from) {
  for (std::size_t i = 0; i < es.units.size(); ++i) {
    if (es.dropped + static_cast<std::int64_t>(es.units[i].start) >= from) return i;
  }
  return es.units.size();
}

// Ticks the source's first picture must spend in the buffer before it is
// decoded: sent at the video rate from the first picture's first byte on,
// every picture at hand must be complete by its decoding time; the lead is
// what the latest of them lacks. (The first picture's vbv_delay would say
// the same for a constant-rate stream, but often far more than its pictures
// need, and many encoders leave it unset.)
std::int64_t leadNeeded(const EsBuffer& video, std::size_t first) {
  const double rate = video.params.bitRate;  // bytes per second
  if (rate <= 0.0) return 0;
  const ScanEntry& picture = video.units[first];
  std::int64_t lead = 0;
  for (std::size_t k = first; k + 1 < video.units.size(); ++k) {
    const double bytes = static_cast<double>(video.units[k + 1].start - picture.start);
    const std::int64_t complete = std::llround(bytes / rate * mpeg1::kClock);
    lead = std::max(lead, complete - (video.units[k].dts() - picture.decodingTime()));
  }
  return lead;
}

// Source video at hand behind `from`, in bytes.
std::int64_t sourceVideoBytes(const EsBuffer& video, std::int64_t from) {
  return video.dropped + static_cast<std::int64_t>(video.stored()) - from;
}

// Reads on until the buffers hold `seconds` of the source's video at its
// rate (at most a quarter of the buffer's ceiling), or all of it. 0 or the
// reader's error.
int readAhead(MuxState& m, std::int64_t from, double seconds) {
  const EsBuffer& video = m.video.es;
  const double wanted = std::min(std::max(video.params.bitRate, 0.0) * seconds,
                                 static_cast<double>(video.ceiling) / 4.0);
  while (!video.endOfData && static_cast<double>(sourceVideoBytes(video, from)) < wanted) {
    if (const int err = m.input()) return err;
  }
  return 0;
}

// When the first byte of the picture at `first` can be in the buffer: the
// video bytes ahead of it go out in full packs, the audio takes its share of
// the packs meanwhile (and its re-fed bytes go out at least), and the picture
// starts in the pack after those.
std::int64_t firstByteArrival(const MuxState& m, const SourceStart& from, const ScanEntry& first) {
  const PackProfile& p = m.profile;
  const EsBuffer& audio = m.audio.es;
  const double ahead = static_cast<double>(first.start) - static_cast<double>(m.video.es.readPos);
  const double videoPacks = std::max(ahead, 0.0) / p.videoPayload;
  const std::int64_t refedAudio =
      from.audio - (audio.dropped + static_cast<std::int64_t>(audio.readPos));
  double audioPacks = static_cast<double>(std::max<std::int64_t>(refedAudio, 0)) / p.audioPayload;
  const double videoRate = m.video.es.params.bitRate;
  const double audioRate = m.audio.es.params.bitRate;
  if (videoRate > 0.0 && audioRate > 0.0) {
    const double share = (audioRate / p.audioPayload) / (videoRate / p.videoPayload);
    audioPacks = std::max(audioPacks, videoPacks * share);
  }
  const auto packs = static_cast<std::int64_t>(std::ceil(videoPacks + audioPacks)) + 1;
  return m.scr + packs * p.ticksPerPack;
}

// Ticks, whole picture periods, by which the source must start later than
// right behind the record; 0 when the record's end leaves enough room.
std::int64_t sourceDelay(const MuxState& m, const SourceStart& from) {
  const EsBuffer& video = m.video.es;
  const std::size_t first = firstUnitFrom(video, from.video);
  if (first == video.units.size()) return 0;
  const ScanEntry& picture = video.units[first];
  const std::int64_t margin = 2 * m.profile.ticksPerPack;
  const std::int64_t room =
      picture.decodingTime() + m.video.offset - firstByteArrival(m, from, picture);
  const std::int64_t shortfall = leadNeeded(video, first) + margin - room;
  if (shortfall <= 0) return 0;
  const double period = video.params.period;
  const double pictures = std::ceil(static_cast<double>(shortfall) / period);
  return std::llround(pictures * period);
}

void delayUnits(EsBuffer& es, std::int64_t from, std::int64_t delay) {
  for (std::size_t i = firstUnitFrom(es, from); i < es.units.size(); ++i) {
    es.units[i].pts() += delay;
    es.units[i].dts() += delay;
  }
}

// Moves the source's units found so far and all still to come `delay` ticks
// on; the record's units keep their times.
void delaySource(MuxState& m, const SourceStart& from, std::int64_t delay) {
  delayUnits(m.video.es, from.video, delay);
  delayUnits(m.audio.es, from.audio, delay);
  VideoRewriteState& v = m.video.es.video;
  v.anchorOffset += delay;
  v.previousDts += delay;
  AudioStampState& a = m.audio.es.audio;
  a.anchorOffset += delay;
  a.previousTime += delay;
}

}  // namespace

MuxContinuation joinContinuation(const RecordEntryResult& entry, const PackProfile& profile,
                                 const StreamParams& video, const StreamParams& audio) {
  MuxContinuation c;
  c.scr = entry.scr;
  for (const RecordQueueEntry& e : entry.videoQueue) {
    c.videoQueue.push_back(StdUnit{e.bytes, e.decodeTime});
  }
  for (const RecordQueueEntry& e : entry.audioQueue) {
    c.audioQueue.push_back(StdUnit{e.bytes, e.decodeTime});
  }
  c.videoOccupancy = entry.videoOccupancy;
  c.audioOccupancy = entry.audioOccupancy;
  c.audioBytesBeforeMerge = entry.audioBytesBeforeMerge;
  c.videoFirst = profile.videoCd || video.bitRate >= audio.bitRate;
  return c;
}

int feedRecordBytes(EsBuffer& video, EsBuffer& audio, RecordEntryResult& entry,
                    JoinTimeline& timeline) {
  continueVideoRewrite(video, entry.gopHeader, entry.pictureHeader, entry.picturesAfterGop);
  continueVideoStamps(video, entry, timeline);
  continueAudioStamps(audio, entry, timeline);

  if (const int rc = esAppend(video, entry.videoBytes.data(), entry.videoBytes.size())) return rc;
  if (const int rc = scanVideoUnits(video)) return rc;
  const std::size_t audioStart = audio.stored();
  if (const int rc = esAppend(audio, entry.audioBytes.data(), entry.audioBytes.size())) return rc;
  // The bytes before the first frame header end a frame already under way.
  audio.scanPos = audioStart + entry.audioFirstFrame;
  if (const int rc = scanAudioUnits(audio)) return rc;
  release(entry.videoBytes);
  release(entry.audioBytes);
  return 0;
}

void anchorSourceAfterRecord(EsBuffer& video, EsBuffer& audio) {
  VideoRewriteState& v = video.video;
  const std::int64_t T = video.params.roundedPeriod;
  // The source's first picture is the I-picture of a new GOP, decoded one
  // period after the record's last picture; its packet time stamps count
  // from there as a crop's count from 0.
  v.lastTemporalRef = kNewGop;
  const std::int64_t firstDts = v.previousDts + T;
  if (video.descriptor != nullptr) v.anchorOffset = firstDts + T - video.descriptor->workFirstTime;
  AudioStampState& a = audio.audio;
  const std::int64_t firstTime = a.previousTime + audio.params.roundedPeriod;
  if (audio.descriptor != nullptr) a.anchorOffset = firstTime - audio.descriptor->workFirstTime;
}

int StartJoinMux(MuxState& m, platform::File& source, int recordMode, int cutInTreatment,
                 std::size_t chunkSize, int minimumMuxRate, RecordEntryResult& entry,
                 StreamDescriptor* video, StreamDescriptor* audio, MuxOperation op,
                 std::int64_t joinSilence, const VideoSplice* splice) {
  if (video == nullptr || audio == nullptr) return joinError(op, kDemuxBadRange);
  m.chunkSize = chunkSize;
  if (esInit(m.video.es, video, chunkSize) != 0 || esInit(m.audio.es, audio, chunkSize) != 0) {
    return joinError(op, kDemuxNoMemory);
  }
  m.video.es.splice = splice;
  PackProfile profile;
  if (const int err = makePackProfile(recordMode, m.video.es.params, m.audio.es.params,
                                      minimumMuxRate, profile)) {
    return err;
  }
  JoinTimeline timeline;
  if (const int err = feedRecordBytes(m.video.es, m.audio.es, entry, timeline)) {
    return joinError(op, err);
  }
  // The record's sound brought up to its pictures before the source's begins.
  if (const int err = appendSilence(m.audio.es, joinSilence)) return joinError(op, err);
  std::shared_ptr<DemuxState> demux;
  try {
    demux = std::make_shared<DemuxState>();
  } catch (const std::bad_alloc&) {
    return joinError(op, kDemuxNoMemory);
  }
  EsBuffer* videoBuffer = &m.video.es;
  EsBuffer* audioBuffer = &m.audio.es;
  EsInput input = [demux, videoBuffer, audioBuffer] {
    return DemuxStep(*demux, videoBuffer, audioBuffer);
  };
  if (prepareMux(m, profile, timeline.videoOffset, timeline.audioOffset, std::move(input)) != 0) {
    return joinError(op, kDemuxNoMemory);
  }
  continueMux(m, joinContinuation(entry, profile, m.video.es.params, m.audio.es.params));
  anchorSourceAfterRecord(m.video.es, m.audio.es);
  const SourceStart sourceStart = sourceStartOf(m.video.es, m.audio.es);
  audioBuffer->silenceToAdd = silenceAfterCut(*video, *audio, audioBuffer->params);
  if (const int err =
          PositionDemux(*demux, source, chunkSize, cutInTreatment, videoBuffer, audioBuffer)) {
    return joinError(op, err);
  }
  if (const int err = m.input()) return joinError(op, err);
  if (const int err = readAhead(m, sourceStart.video, kLookAheadSeconds)) return joinError(op, err);
  if (const std::int64_t delay = sourceDelay(m, sourceStart); delay > 0) {
    delaySource(m, sourceStart, delay);
  }
  return 0;
}

}  // namespace cw
