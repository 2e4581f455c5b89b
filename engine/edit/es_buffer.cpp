#include "engine/edit/es_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/edit/video_rewrite.h"

namespace cw {

int esInit(EsBuffer& buf, StreamDescriptor* descriptor, std::size_t chunk,
           std::size_t ceilingChunks) {
  EsBuffer fresh;
  try {
    fresh.bytes.resize(chunk);
  } catch (const std::bad_alloc&) {
    return kDemuxNoMemory;
  }
  fresh.growth = chunk;
  fresh.ceiling = chunk * ceilingChunks;
  fresh.descriptor = descriptor;
  if (descriptor != nullptr) {
    fresh.params = makeStreamParams(descriptor->streamId, descriptor->header);
    if (fresh.isVideo()) {
      startVideoRewrite(fresh);
    } else {
      startAudioStamps(fresh);
    }
  }
  buf = std::move(fresh);
  return 0;
}

void esCompact(EsBuffer& buf) {
  const std::size_t gone = buf.readPos;
  if (gone == 0) return;
  const std::size_t keep = buf.stored() - gone;
  if (keep > 0) std::memmove(buf.bytes.data(), buf.bytes.data() + gone, keep);
  buf.fill -= gone;
  buf.readPos = 0;
  buf.scanPos = buf.scanPos > gone ? buf.scanPos - gone : 0;
  buf.dropped += static_cast<std::int64_t>(gone);
  auto firstKept = std::find_if(buf.units.begin(), buf.units.end(),
                                [gone](const ScanEntry& u) { return u.start >= gone; });
  buf.units.erase(buf.units.begin(), firstKept);
  const auto shift = static_cast<std::uint32_t>(gone);
  for (ScanEntry& u : buf.units) {
    u.start -= shift;
    u.end = u.start;
    u.payload = u.start;
  }
  for (PacketMark& m : buf.marks) m.offset = m.offset > gone ? m.offset - gone : 0;
  buf.markInForce.offset = 0;
}

void esMakeRoom(EsBuffer& buf, std::size_t incoming) {
  if (buf.stored() + incoming > buf.capacity()) esCompact(buf);
}

int esReserve(EsBuffer& buf, std::size_t extra) {
  const std::size_t needed = buf.stored() + extra;
  if (needed <= buf.capacity()) return 0;
  if (needed > buf.ceiling) return kDemuxOverflow;
  const std::size_t unit = std::max<std::size_t>(buf.growth, 1);
  const std::size_t grown = std::min(buf.ceiling, (needed + unit - 1) / unit * unit);
  try {
    buf.bytes.resize(grown);
  } catch (const std::bad_alloc&) {
    return kDemuxNoMemory;
  }
  return 0;
}

int esAppend(EsBuffer& buf, const std::uint8_t* data, std::size_t count) {
  if (count == 0) return 0;
  if (const int rc = esReserve(buf, count); rc != 0) return rc;
  std::memcpy(buf.bytes.data() + buf.stored(), data, count);
  buf.held += count;
  return 0;
}

int esMarkPacket(EsBuffer& buf, std::int64_t pts, std::int64_t dts) {
  try {
    buf.marks.push_back(PacketMark{buf.stored(), pts, dts});
  } catch (const std::bad_alloc&) {
    return kDemuxNoMemory;
  }
  return 0;
}

void esFinish(EsBuffer& buf) {
  buf.fill += buf.held;
  buf.held = 0;
  buf.endOfData = true;
}

}  // namespace cw
