#include "crop_fixture.h"

#include <cstring>

#include "engine/analysis/mpeg1.h"
#include "engine/edit/crop.h"
#include "platform/file.h"
#include "support/corpus.h"

namespace cw::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The concatenated payloads of one stream in the first bytes of a system
// stream, and the declared mux rate of its first pack.
struct HeadPayloads {
  Bytes video;
  Bytes audio;
  std::int32_t muxRate = -1;
};

HeadPayloads systemHeadPayloads(const Bytes& file) {
  HeadPayloads out;
  std::size_t at = 0;
  while (at + 12 <= file.size()) {
    if (!mpeg1::isStartCode(&file[at])) {  // VideoCD files pad some packs with zeroes
      ++at;
      continue;
    }
    const std::uint8_t code = file[at + 3];
    if (code == mpeg1::kPackStart) {
      if (out.muxRate < 0) out.muxRate = mpeg1::packMuxRate(&file[at]);
      at += static_cast<std::size_t>(mpeg1::packAndSystemHeaderSize(&file[at]));
      continue;
    }
    if (!mpeg1::isPacketId(code)) break;
    const std::size_t end = at + 6 + static_cast<std::size_t>(mpeg1::packetLength(&file[at]));
    if (end > file.size()) break;
    mpeg1::PacketHeader h;
    if (!mpeg1::parsePacketHeader(&file[at], static_cast<int>(end - at), h)) break;
    Bytes* target = code == mpeg1::kVideoStream0   ? &out.video
                    : code == mpeg1::kAudioStream0 ? &out.audio
                                                   : nullptr;
    if (target != nullptr)
      target->insert(target->end(), file.begin() + at + h.payloadOffset, file.begin() + end);
    at = end;
  }
  return out;
}

// The whole first sequence header: 12 bytes, and 64 more for each quantiser
// matrix it loads (the intra flag is bit 1 of byte 11; the non-intra flag
// follows it, or the intra matrix).
bool copySequenceHeader(const Bytes& es, StreamDescriptor& d) {
  for (std::size_t i = 0; i + 12 <= es.size(); ++i) {
    if (mpeg1::isStartCode(&es[i]) && es[i + 3] == mpeg1::kSequenceHeader) {
      const std::uint8_t* h = &es[i];
      std::size_t size = 12;
      if ((h[11] & 0x02) != 0) {
        size += 64;
        if (i + size <= es.size() && (h[75] & 0x01) != 0) size += 64;
      } else if ((h[11] & 0x01) != 0) {
        size += 64;
      }
      if (i + size > es.size() || size > sizeof d.header) return false;
      std::memset(d.header, 0, sizeof d.header);
      std::memcpy(d.header, h, size);
      return true;
    }
  }
  return false;
}

bool copyAudioHeader(const Bytes& es, StreamDescriptor& d) {
  for (std::size_t i = 0; i + 4 <= es.size(); ++i) {
    if (mpeg1::isAudioSync(&es[i])) {
      std::memcpy(d.header, &es[i], 4);
      return true;
    }
  }
  return false;
}

void setStream(StreamInfo& info, StreamDescriptor& d, std::int16_t type) {
  d.type = type;
  d.length = static_cast<std::int64_t>(info.fileLength);
  d.muxRate = info.muxRateDeclared;
}

}  // namespace

// What the quick analysis of a file gives the engine (type, length, mux
// rate, stored headers, summaries), read independently of it.
bool describeSource(const std::string& path, StreamInfo& info) {
  info.reset();
  info.fileName = path;
  Bytes head(1 << 18);
  platform::File file;
  if (!file.open(path, platform::OpenMode::Read)) return false;
  const std::int64_t n = file.read(head.data(), static_cast<std::int64_t>(head.size()));
  if (n < 16) return false;
  head.resize(static_cast<std::size_t>(n));
  info.fileLength = static_cast<double>(file.length());
  info.stage = 1;
  if (mpeg1::isStartCode(head.data()) && head[3] == mpeg1::kPackStart) {
    const HeadPayloads p = systemHeadPayloads(head);
    info.fileType = kTypeSystem;
    info.muxRateDeclared = p.muxRate;
    if (!copySequenceHeader(p.video, info.video) || !copyAudioHeader(p.audio, info.audio)) {
      return false;
    }
    setStream(info, info.video, kTypeSystem);
    setStream(info, info.audio, kTypeSystem);
  } else if (mpeg1::isStartCode(head.data()) && head[3] == mpeg1::kSequenceHeader) {
    info.fileType = kTypeVideoOnly;
    if (!copySequenceHeader(head, info.video)) return false;
    setStream(info, info.video, kTypeVideoOnly);
  } else if (mpeg1::isAudioSync(head.data())) {
    info.fileType = kTypeAudioOnly;
    if (!copyAudioHeader(head, info.audio)) return false;
    setStream(info, info.audio, kTypeAudioOnly);
  } else {
    return false;
  }
  info.computeVideoSummary();
  info.computeAudioSummary();
  return true;
}

CropFixture::CropFixture() {
  sourceHandle_ = registerStreamInfo(&source);
  recordHandle_ = registerStreamInfo(&record);
  ctx.srcInfoHand = sourceHandle_;
  ctx.recInfoHand = recordHandle_;
  ctx.recordFileName = dir.file("record.mpg");
  ctx.undoFileName = dir.file("undoedit.boo");
  ctx.redoFileName = dir.file("redoedit.boo");
  ctx.onProgress = [this](int status, int percentage) {
    EXPECT_EQ(status, 0);
    progress.push_back(percentage);
  };
}

CropFixture::~CropFixture() {
  platform::fault::disarm();
  unregisterStreamInfo(sourceHandle_);
  unregisterStreamInfo(recordHandle_);
}

bool CropFixture::useSource(const std::string& path) {
  source.fileName = path;
  ctx.sourceFileName = path;
  return describeSource(path, source);
}

bool CropFixture::useCorpusSource(const std::string& name) {
  return requireCorpusFile(name) && useSource(corpusPath(name));
}

int CropFixture::crop(double in, double out, int mode) {
  ctx.sourceMarkIn = in;
  ctx.sourceMarkOut = out;
  ctx.recordMode = static_cast<std::int16_t>(mode);
  progress.clear();
  return Crop(ctx);
}

bool CropFixture::recordExists() const { return platform::fileExists(ctx.recordFileName); }

std::int64_t CropFixture::recordSize() const { return platform::fileSize(ctx.recordFileName); }

}  // namespace cw::test
