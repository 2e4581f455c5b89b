#include "engine/edit/es_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/edit/demux.h"
#include "engine/edit/es_reader.h"

namespace cw {
namespace {

int cropError(int readerError) {
  return muxStatusError(MuxOperation::Crop, readerStatus(readerError));
}

// Positions the right reader on `source` and makes it the writer's input.
int startReader(MuxState& m, platform::File& source, EsSourceKind kind, int treatment,
                std::size_t chunkSize, bool video) {
  EsBuffer* buf = video ? &m.video.es : &m.audio.es;
  try {
    if (kind == EsSourceKind::SystemStream) {
      auto demux = std::make_shared<DemuxState>();
      EsBuffer* videoBuffer = video ? buf : nullptr;
      EsBuffer* audioBuffer = video ? nullptr : buf;
      if (const int err =
              PositionDemux(*demux, source, chunkSize, treatment, videoBuffer, audioBuffer)) {
        return cropError(err);
      }
      prepareEsWriter(m, video, [demux, videoBuffer, audioBuffer] {
        return DemuxStep(*demux, videoBuffer, audioBuffer);
      });
    } else {
      auto reader = std::make_shared<EsReaderState>();
      if (const int err = PositionEsReader(*reader, source, chunkSize, treatment, *buf)) {
        return cropError(err);
      }
      prepareEsWriter(m, video, [reader, buf] { return EsReaderStep(*reader, *buf); });
    }
  } catch (const std::bad_alloc&) {
    return cropError(kDemuxNoMemory);
  }
  return 0;
}

int startWriter(MuxState& m, platform::File& source, EsSourceKind kind, int treatment,
                std::size_t chunkSize, StreamDescriptor* descriptor, bool video,
                const VideoSplice* splice) {
  if (descriptor == nullptr) return cropError(kDemuxBadRange);
  m.chunkSize = chunkSize;
  if (esInit(video ? m.video.es : m.audio.es, descriptor, chunkSize) != 0) {
    return cropError(kDemuxNoMemory);
  }
  if (video) m.video.es.splice = splice;
  return startReader(m, source, kind, treatment, chunkSize, video);
}

}  // namespace

void prepareEsWriter(MuxState& m, bool video, EsInput input) {
  m.selected = video ? &m.video : &m.audio;
  MuxStream& other = video ? m.audio : m.video;
  m.selected->finished = false;
  other.finished = true;
  m.active = 1;
  m.input = std::move(input);
}

int StartVideoWriter(MuxState& m, platform::File& source, EsSourceKind kind, int cutInTreatment,
                     std::size_t chunkSize, StreamDescriptor* video, const VideoSplice* splice) {
  return startWriter(m, source, kind, cutInTreatment, chunkSize, video, true, splice);
}

int StartAudioWriter(MuxState& m, platform::File& source, EsSourceKind kind, std::size_t chunkSize,
                     StreamDescriptor* audio) {
  return startWriter(m, source, kind, kCutInPlain, chunkSize, audio, false, nullptr);
}

int EsChunk(MuxState& m, std::uint8_t* dest, std::size_t size, std::size_t& delivered) {
  delivered = 0;
  if (m.selected == nullptr) return kMuxReadError;
  EsBuffer& es = m.selected->es;
  for (;;) {
    const std::size_t n = std::min(es.available(), size - delivered);
    if (n > 0) {
      std::memcpy(dest + delivered, es.readPointer(), n);
      es.readPos += n;
      delivered += n;
    }
    if (es.endOfData && es.available() == 0) {
      m.selected->finished = true;
      return kMuxFinished;
    }
    if (delivered == size) return kMuxMore;
    if (!m.input) return kMuxReadError;
    if (const int err = m.input()) return readerStatus(err);
  }
}

}  // namespace cw
