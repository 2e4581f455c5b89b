// Stream parameters derived from a stored video sequence header or audio
// frame header.
#include "engine/analysis/stream_params.h"

#include <cmath>

#include "engine/analysis/mpeg1.h"

namespace cw {
namespace {

std::int64_t roundHalfUp(double period) {
  const double whole = std::floor(period);
  return static_cast<std::int64_t>(whole) + (period - whole >= 0.5 ? 1 : 0);
}

void setPattern(std::uint8_t* dst, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                std::uint8_t b3) {
  dst[0] = b0;
  dst[1] = b1;
  dst[2] = b2;
  dst[3] = b3;
}

void deriveVideo(const std::uint8_t* header, StreamParams& p) {
  mpeg1::SequenceHeader seq;
  const int status = mpeg1::decodeSequenceHeader(header, seq);
  if (status != 0) {
    p.status = status;
    return;
  }
  p.period = static_cast<double>(mpeg1::kClock) / seq.pictureRate;
  p.roundedPeriod = roundHalfUp(p.period);
  p.rate = seq.pictureRate;
  p.bitRate = seq.bytesPerSecond;
  p.vbvBufferSize = seq.vbvBufferSize;
  setPattern(p.pattern, 0x00, 0x00, 0x01, mpeg1::kGroupStart);
  setPattern(p.second, 0x00, 0x00, 0x01, mpeg1::kPictureStart);
}

void deriveAudio(const std::uint8_t* header, StreamParams& p) {
  mpeg1::AudioHeader audio;
  const int status = mpeg1::decodeAudioHeader(header, audio);
  if (status != 0) {
    p.status = status;
    return;
  }
  const double samplesTimesClock = audio.layer == 1 ? 34560000.0 : 103680000.0;
  p.period = samplesTimesClock / audio.sampleRate;
  p.roundedPeriod = roundHalfUp(p.period);
  p.rate = static_cast<double>(mpeg1::kClock) / p.period;
  p.bitRate = audio.kbps == 0 ? -1.0 : audio.kbps * 125.0;
  p.frameLength = audio.frameLength;
  p.layer = audio.layer;
  setPattern(p.pattern, header[0], header[1] & 0xFE, header[2] & 0xFC, header[3] & 0x80);
  setPattern(p.second, 0xFF, 0xFE, 0xFC, 0x80);
}

}  // namespace

StreamParams makeStreamParams(std::uint8_t streamId, const std::uint8_t* header) {
  StreamParams p;
  p.streamId = streamId;
  if (mpeg1::isVideoId(streamId)) {
    deriveVideo(header, p);
  } else if (mpeg1::isAudioId(streamId)) {
    deriveAudio(header, p);
  }
  return p;
}

bool matchesAudioFrame(const StreamParams& params, const std::uint8_t* h) {
  return h[0] == 0xFF && (h[1] & 0xFE) == params.pattern[1] && (h[2] & 0xFC) == params.pattern[2] &&
         (h[3] & 0x80) == params.pattern[3];
}

}  // namespace cw
