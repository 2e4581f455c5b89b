#include "engine/edit/es_reader.h"

#include <algorithm>
#include <array>
#include <new>

#include "engine/edit/video_splice.h"

namespace cw {

namespace {

constexpr std::array<std::uint8_t, 4> kSequenceEndCode = {0x00, 0x00, 0x01, mpeg1::kSequenceEnd};

// The buffer routines report the demultiplexer's numbers.
int readerError(int rc) {
  if (rc == kDemuxOverflow) return kEsReaderOverflow;
  if (rc == kDemuxNoMemory) return kEsReaderNoMemory;
  return rc;
}

struct BlockFacts {
  std::size_t cutInAt = 0;  // where the cut-in bytes begin (sequence header included)
  std::size_t gopAt = 0;    // the first GOP header lies here or behind
};

// Puts the stored sequence header in front of the first video block and arms
// the broken-link repair.
int openVideoCut(const EsReaderState& state, EsBuffer& buf, BlockFacts& facts) {
  facts.cutInAt = buf.stored();
  if (buf.insertSequenceHeader) {
    std::size_t size = 0;
    const std::uint8_t* header = cutInSequenceHeader(*buf.descriptor, size);
    if (const int rc = esAppend(buf, header, size); rc != 0) {
      return rc;
    }
    buf.insertSequenceHeader = false;
  }
  if (buf.splice != nullptr && !buf.splice->head.empty()) {
    if (const int rc = esAppend(buf, buf.splice->head.data(), buf.splice->head.size()); rc != 0) {
      return rc;
    }
    facts.cutInAt = buf.stored();  // the first copied GOP, whose dead B-pictures go
  }
  facts.gopAt = buf.stored();
  if (state.treatment == kCutInMarkBrokenLink) markBrokenLinkAt(buf, facts.gopAt);
  return 0;
}

int appendBlock(EsReaderState& state, EsBuffer& buf, std::int64_t count, bool last,
                BlockFacts& facts) {
  const bool video = buf.isVideo();
  int rc = 0;
  if (video && state.firstStep && (rc = openVideoCut(state, buf, facts)) != 0) return rc;
  if ((rc = esAppend(buf, state.block.data(), static_cast<std::size_t>(count))) != 0) return rc;
  if (video && last && buf.appendSequenceEnd) {
    if (buf.splice != nullptr && !buf.splice->tail.empty() &&
        (rc = esAppend(buf, buf.splice->tail.data(), buf.splice->tail.size())) != 0) {
      return rc;
    }
    if ((rc = esAppend(buf, kSequenceEndCode.data(), kSequenceEndCode.size())) != 0) return rc;
    buf.appendSequenceEnd = false;
  }
  return 0;
}

// Removes the leading B-pictures of the cut-in's GOP once the bytes read
// hold all of them; until then nothing is scanned and true is returned: the
// step must read another block.
bool waitForDeadB(EsReaderState& state, EsBuffer& buf, const BlockFacts& facts, bool last) {
  if (state.treatment != kCutInRemoveDeadB) return false;
  if (state.firstStep) state.deadBFrom = buf.dropped + static_cast<std::int64_t>(facts.cutInAt);
  if (state.deadBFrom < 0) return false;
  const auto from = static_cast<std::size_t>(state.deadBFrom - buf.dropped);
  if (removeDeadBPictures(buf, from) == DeadBResult::Incomplete) {
    if (!last) return true;
    // Nothing more will come: marking the GOP broken still keeps decoders
    // off the B-pictures.
    markBrokenLinkAt(buf, from);
  }
  state.deadBFrom = -1;
  return false;
}

int scanBlock(EsReaderState& state, EsBuffer& buf, const BlockFacts& facts, bool last) {
  if (!buf.isVideo()) return scanAudioUnits(buf);
  if (waitForDeadB(state, buf, facts, last)) return 0;
  return scanVideoUnits(buf);
}

int readNextBlock(EsReaderState& state, EsBuffer& buf) {
  const std::int64_t count =
      std::min(static_cast<std::int64_t>(state.block.size()), state.end - state.position);
  platform::File& file = *state.file;
  if (file.tell() != state.position && !file.seek(state.position)) return kEsReaderReadError;
  if (file.read(state.block.data(), count) != count) return kEsReaderReadError;

  const bool last = state.position + count >= state.end;
  const std::size_t heldBefore = buf.held;
  const bool insertBefore = buf.insertSequenceHeader;
  const bool appendBefore = buf.appendSequenceEnd;
  const std::int64_t brokenBefore = buf.video.markBrokenLinkAt;
  BlockFacts facts;
  if (const int rc = appendBlock(state, buf, count, last, facts); rc != 0) {
    buf.held = heldBefore;
    buf.insertSequenceHeader = insertBefore;
    buf.appendSequenceEnd = appendBefore;
    buf.video.markBrokenLinkAt = brokenBefore;
    return readerError(rc);
  }
  state.position += count;
  if (const int rc = scanBlock(state, buf, facts, last); rc != 0) return readerError(rc);
  state.firstStep = false;
  if (last) esFinish(buf);
  return 0;
}

int step(EsReaderState& state, EsBuffer& buf) {
  esCompact(buf);
  if (state.position >= state.end && !state.firstStep) {
    esFinish(buf);
    return 0;
  }
  do {
    if (const int rc = readNextBlock(state, buf); rc != 0) return rc;
  } while (state.deadBFrom >= 0);
  return 0;
}

}  // namespace

int PositionEsReader(EsReaderState& state, platform::File& file, std::size_t chunk, int treatment,
                     EsBuffer& buf) {
  const StreamDescriptor* d = buf.descriptor;
  const bool spliced = buf.splice != nullptr && !buf.splice->head.empty();
  if (d == nullptr || d->workHead.point < 0 || d->workHead.point > d->workTail.point ||
      (d->workHead.point == d->workTail.point && !spliced)) {
    return kEsReaderBadRange;
  }
  EsReaderState fresh;
  try {
    fresh.block.resize(std::max<std::size_t>(chunk, 4096));
  } catch (const std::bad_alloc&) {
    return kEsReaderNoMemory;
  }
  if (!file.seek(d->workHead.point)) return kEsReaderReadError;
  fresh.file = &file;
  fresh.start = fresh.position = d->workHead.point;
  fresh.end = d->workTail.point;
  fresh.treatment = treatment;
  fresh.firstStep = true;
  state = std::move(fresh);
  if (buf.isVideo()) {
    buf.video.indexStamps = true;
    restartVbvTracking(buf);
  }
  return 0;
}

int EsReaderStep(EsReaderState& state, EsBuffer& buf) {
  if (state.file == nullptr) return kEsReaderReadError;
  try {
    return step(state, buf);
  } catch (const std::bad_alloc&) {
    return kEsReaderNoMemory;
  }
}

}  // namespace cw
