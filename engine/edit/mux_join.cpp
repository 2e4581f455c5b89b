// Starting a join's system-stream multiplex: the record's bytes from the
// merge point to the entry points go through the buffers again, ahead of the
// source cut, and everything the record had built up at the merge point
// (clock, decoder buffers, time stamps, time code, vbv_delay) carries on.
#include "engine/edit/mux_join.h"

#include <cmath>
#include <memory>
#include <new>

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
                 StreamDescriptor* video, StreamDescriptor* audio, MuxOperation op) {
  if (video == nullptr || audio == nullptr) return joinError(op, kDemuxBadRange);
  m.chunkSize = chunkSize;
  if (esInit(m.video.es, video, chunkSize) != 0 || esInit(m.audio.es, audio, chunkSize) != 0) {
    return joinError(op, kDemuxNoMemory);
  }
  PackProfile profile;
  if (const int err = makePackProfile(recordMode, m.video.es.params, m.audio.es.params,
                                      minimumMuxRate, profile)) {
    return err;
  }
  JoinTimeline timeline;
  if (const int err = feedRecordBytes(m.video.es, m.audio.es, entry, timeline)) {
    return joinError(op, err);
  }
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
  if (const int err =
          PositionDemux(*demux, source, chunkSize, cutInTreatment, videoBuffer, audioBuffer)) {
    return joinError(op, err);
  }
  if (const int err = m.input()) return joinError(op, err);
  return 0;
}

}  // namespace cw
