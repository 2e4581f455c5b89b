// Starting a crop's system-stream multiplex on the demultiplexer.
#include <memory>
#include <new>

#include "engine/edit/audio_silence.h"
#include "engine/edit/demux.h"
#include "engine/edit/mux.h"

namespace cw {
namespace {

int cropError(int readerError) {
  return muxStatusError(MuxOperation::Crop, readerStatus(readerError));
}

}  // namespace

int StartSystemMux(MuxState& m, platform::File& source, int recordMode, int cutInTreatment,
                   std::size_t chunkSize, int minimumMuxRate, StreamDescriptor* video,
                   StreamDescriptor* audio, const VideoSplice* splice) {
  if (video == nullptr || audio == nullptr) return cropError(kDemuxBadRange);
  m.chunkSize = chunkSize;
  if (esInit(m.video.es, video, chunkSize) != 0 || esInit(m.audio.es, audio, chunkSize) != 0) {
    return cropError(kDemuxNoMemory);
  }
  m.video.es.splice = splice;
  PackProfile profile;
  if (const int err = makePackProfile(recordMode, m.video.es.params, m.audio.es.params,
                                      minimumMuxRate, profile)) {
    return err;
  }
  std::shared_ptr<DemuxState> demux;
  try {
    demux = std::make_shared<DemuxState>();
  } catch (const std::bad_alloc&) {
    return cropError(kDemuxNoMemory);
  }
  std::int64_t videoOffset = 0;
  std::int64_t audioOffset = 0;
  cropOffsets(profile, video->workFirstTime, audio->workFirstTime, m.video.es.params.roundedPeriod,
              videoOffset, audioOffset);
  EsBuffer* videoBuffer = &m.video.es;
  EsBuffer* audioBuffer = &m.audio.es;
  EsInput input = [demux, videoBuffer, audioBuffer] {
    return DemuxStep(*demux, videoBuffer, audioBuffer);
  };
  if (const int err = prepareMux(m, profile, videoOffset, audioOffset, std::move(input))) {
    return err;
  }
  audioBuffer->silenceToAdd = silenceAfterCut(*video, *audio, audioBuffer->params);
  if (const int err =
          PositionDemux(*demux, source, chunkSize, cutInTreatment, videoBuffer, audioBuffer)) {
    return cropError(err);
  }
  if (const int err = m.input()) return cropError(err);
  writeLeadingPacks(m);
  return 0;
}

}  // namespace cw
