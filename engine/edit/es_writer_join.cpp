#include "engine/edit/es_writer_join.h"

#include "engine/common/errors.h"
#include "engine/edit/video_rewrite.h"

namespace cw {
namespace {

// Larger than any 10-bit temporal reference: the picture after it starts a GOP.
constexpr int kNewGop = 1024;

// The writers' starts report a crop's numbers; a join reports its own.
int joinError(int cropError, MuxOperation op) {
  switch (cropError) {
    case 0:
      return 0;
    case kCropMuxMemory:
      return muxStatusError(op, kMuxMemoryError);
    default:
      return muxStatusError(op, kMuxReadError);
  }
}

}  // namespace

int StartVideoJoinWriter(MuxState& m, platform::File& source, EsSourceKind kind, int cutInTreatment,
                         std::size_t chunkSize, StreamDescriptor* video, const VideoOnlyJoin& join,
                         MuxOperation op, const VideoSplice* splice) {
  const int err = StartVideoWriter(m, source, kind, cutInTreatment, chunkSize, video, splice);
  if (err != 0) return joinError(err, op);
  // Nothing has been read yet: the rewriting continues the record's.
  EsBuffer& es = m.video.es;
  continueVideoRewrite(es, join.gopHeader, join.pictureHeader, join.picturesAfterGop);
  es.video.lastTemporalRef = kNewGop;
  return 0;
}

int StartAudioJoinWriter(MuxState& m, platform::File& source, EsSourceKind kind,
                         std::size_t chunkSize, StreamDescriptor* audio, MuxOperation op) {
  return joinError(StartAudioWriter(m, source, kind, chunkSize, audio), op);
}

}  // namespace cw
