#include "engine/edit/audio_silence.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/analysis/mpeg1.h"
#include "engine/edit/video_rewrite.h"

namespace cw {
namespace {

constexpr int kSubbands = 32;

int channelsOf(int mode) { return mode == 3 ? 1 : 2; }

// Subbands coded by both channels of joint stereo; all others are shared.
int jointBound(const std::uint8_t* h, int mode, int limit) {
  if (mode != 1) return limit;
  return std::min(limit, 4 * (((h[3] >> 4) & 0x03) + 1));
}

// Layer II: the allocation table for the stream's rate per channel, as the
// number of subbands it codes and the allocation bits of each.
int layer2AllocationBits(const std::uint8_t* h, const mpeg1::AudioHeader& a) {
  const int channels = channelsOf(a.mode);
  const int perChannel = a.kbps / channels;
  int limit = 0;
  bool lowRate = false;
  if (perChannel <= 48) {
    lowRate = true;
    limit = a.sampleRate == 32000 ? 12 : 8;
  } else if (perChannel <= 80 || a.sampleRate == 48000) {
    limit = 27;
  } else {
    limit = 30;
  }
  const auto nbal = [lowRate](int sb) {
    if (lowRate) return sb < 2 ? 4 : 3;
    return sb < 11 ? 4 : sb < 23 ? 3 : 2;
  };
  const int bound = jointBound(h, a.mode, limit);
  int bits = 0;
  for (int sb = 0; sb < limit; ++sb) bits += nbal(sb) * (sb < bound ? channels : 1);
  return bits;
}

int protectedBitsOf(const std::uint8_t* h, const mpeg1::AudioHeader& a) {
  const int channels = channelsOf(a.mode);
  switch (a.layer) {
    case 1: {
      const int bound = jointBound(h, a.mode, kSubbands);
      return 4 * (bound * channels + (kSubbands - bound));
    }
    case 2:
      return layer2AllocationBits(h, a);
    default:
      return channels == 1 ? 136 : 256;  // the side information
  }
}

// Bytes of the side information that follows the header in layer III.
int sideInfoBytes(const mpeg1::AudioHeader& a) {
  return a.layer == 3 ? (channelsOf(a.mode) == 1 ? 17 : 32) : 0;
}

}  // namespace

std::uint16_t silentFrameCrc(const std::uint8_t* header, int zeroBits) {
  std::uint32_t crc = 0xFFFF;
  const auto feed = [&crc](int bit) {
    const int top = (crc >> 15) & 1;
    crc = (crc << 1) & 0xFFFF;
    if ((top ^ bit) != 0) crc ^= 0x8005;
  };
  for (int byte = 2; byte < 4; ++byte) {
    for (int i = 7; i >= 0; --i) feed((header[byte] >> i) & 1);
  }
  for (int i = 0; i < zeroBits; ++i) feed(0);
  return static_cast<std::uint16_t>(crc);
}

SilentFrames::SilentFrames(const std::uint8_t* header) {
  mpeg1::AudioHeader a;
  if (mpeg1::decodeAudioHeader(header, a) != 0 || a.kbps <= 0) return;
  std::copy(header, header + 4, header_);
  header_[2] &= static_cast<std::uint8_t>(~0x02);  // padding: decided per frame
  slotBytes_ = a.paddingSize;
  sampleRate_ = a.sampleRate;
  slotsNumerator_ = (a.layer == 1 ? 12LL : 144LL) * a.kbps * 1000;
  protectedBits_ = protectedBitsOf(header_, a);
  const int minimum = 4 + 2 + sideInfoBytes(a) + (protectedBits_ + 7) / 8;
  if (a.frameLength < minimum) return;
  frameBytes_ = a.frameLength;
}

bool SilentFrames::append(std::int64_t count, std::vector<std::uint8_t>& out) {
  if (!ok() || count <= 0) return ok();
  const std::int64_t remainder = slotsNumerator_ % sampleRate_;
  const bool withCrc = (header_[1] & 0x01) == 0;
  const std::size_t before = out.size();
  const std::int64_t debt = paddingDebt_;
  try {
    out.reserve(out.size() + static_cast<std::size_t>(count) * (frameBytes_ + slotBytes_));
    for (std::int64_t i = 0; i < count; ++i) {
      // Pad whenever the slots owed to the rate add up to a whole one.
      paddingDebt_ += remainder;
      const bool padded = paddingDebt_ >= sampleRate_;
      if (padded) paddingDebt_ -= sampleRate_;
      std::uint8_t h[4] = {header_[0], header_[1], header_[2], header_[3]};
      if (padded) h[2] |= 0x02;
      const std::size_t at = out.size();
      out.resize(at + frameBytes_ + (padded ? slotBytes_ : 0), 0);
      std::copy(h, h + 4, out.begin() + static_cast<std::ptrdiff_t>(at));
      if (withCrc) {
        const std::uint16_t crc = silentFrameCrc(h, protectedBits_);
        out[at + 4] = static_cast<std::uint8_t>(crc >> 8);
        out[at + 5] = static_cast<std::uint8_t>(crc & 0xFF);
      }
    }
  } catch (const std::bad_alloc&) {
    out.resize(before);
    paddingDebt_ = debt;
    return false;
  }
  return true;
}

std::int64_t silenceAfterCut(const StreamDescriptor& video, const StreamDescriptor& audio,
                             const StreamParams& audioParams) {
  if (audioParams.period <= 0.0 || video.workLastTime < 0 || audio.workLastTime < 0) return 0;
  const std::int64_t gap = video.workLastTime - audio.workLastTime;
  if (gap <= 2 * audioParams.roundedPeriod) return 0;
  return std::llround(static_cast<double>(gap) / audioParams.period);
}

int appendSilence(EsBuffer& buf, std::int64_t count) {
  if (count <= 0 || buf.descriptor == nullptr) return 0;
  SilentFrames frames(buf.descriptor->header);
  std::vector<std::uint8_t> bytes;
  if (!frames.append(count, bytes)) return frames.ok() ? kDemuxNoMemory : 0;
  if (const int rc = esAppend(buf, bytes.data(), bytes.size())) return rc;
  if (const int rc = scanAudioUnits(buf)) return rc;
  buf.silenceAdded += count;
  return 0;
}

double silenceSeconds(const EsBuffer& buf) {
  return static_cast<double>(buf.silenceAdded) * buf.params.period / mpeg1::kClock;
}

int finishWithSilence(EsBuffer& buf) {
  if (!buf.isVideo() && buf.silenceToAdd > 0) {
    const std::int64_t count = buf.silenceToAdd;
    buf.silenceToAdd = 0;
    if (const int rc = appendSilence(buf, count)) return rc;
  }
  esFinish(buf);
  return 0;
}

}  // namespace cw
