#include "engine/edit/pack_profile.h"

#include <algorithm>
#include <cmath>

#include "engine/analysis/mpeg1.h"
#include "engine/common/errors.h"

namespace cw {
namespace {

constexpr int kMpegPackSize = 2048;
constexpr int kVideoCdVideoPackSize = 2324;
constexpr int kVideoCdAudioPacket = 2286;            // audio packs of 2304 bytes
constexpr std::int64_t kVideoCdTicksPerPack = 1200;  // 75 sectors per second
constexpr std::int64_t kMpegLead = 63722;            // 0.708 s
constexpr std::int64_t kVideoCdLead = 33722;         // 0.375 s
constexpr int kMpegPaddingSpace = 2026;     // padding packs and the end pack are 2042 bytes
constexpr int kVideoCdPaddingSpace = 2308;  // a whole sector

void writeRate(std::uint8_t* b, int rate) {
  const std::uint32_t twice = static_cast<std::uint32_t>(rate) << 1;
  b[0] = static_cast<std::uint8_t>((twice >> 16) | 0x80);
  b[1] = static_cast<std::uint8_t>(twice >> 8);
  b[2] = static_cast<std::uint8_t>(twice | 1);
}

void setRates(PackProfile& p, int rate) {
  p.muxRate = rate;
  p.bytesPerSecond = 50.0 * rate;
  p.ticksPerByte = static_cast<double>(mpeg1::kClock) / p.bytesPerSecond;
  p.bytesPerTick = p.bytesPerSecond / static_cast<double>(mpeg1::kClock);
}

// S fills a pack behind its pack header and the (first) system header.
void setPacketSizes(PackProfile& p, int videoPackSize, int audioPacket, int systemHeaderSize,
                    int paddingSpace) {
  p.videoPackSize = videoPackSize;
  p.videoPacket = videoPackSize - 18;
  p.audioPacket = audioPacket;
  p.videoPayload = p.videoPacket - kVideoHeaderBytes;
  p.audioPayload = p.audioPacket - kAudioHeaderBytes;
  p.systemPadding = videoPackSize - mpeg1::kPackHeaderSize - systemHeaderSize;
  p.paddingSpace = paddingSpace;
}

void makeMpegSystem(PackProfile& p, int rate, bool videoFirst) {
  std::vector<std::uint8_t> header = makeSystemHeader(rate, 1, 1);
  setPacketSizes(p, kMpegPackSize, kMpegPackSize - 18, static_cast<int>(header.size()),
                 kMpegPaddingSpace);
  setRates(p, rate);
  const std::int64_t perSecond = 50LL * rate;
  p.ticksPerPack = (kMpegPackSize * mpeg1::kClock + perSecond - 1) / perSecond;
  p.timeStampLead = kMpegLead;
  p.videoFirst = videoFirst;
  p.leadingPacks = {{std::move(header), p.systemPadding}};
}

void makeVideoCd(PackProfile& p, bool zeroFill) {
  std::vector<std::uint8_t> videoHeader = makeSystemHeader(kVideoCdMuxRate, 0, 1);
  std::vector<std::uint8_t> audioHeader = makeSystemHeader(kVideoCdMuxRate, 1, 0);
  setPacketSizes(p, kVideoCdVideoPackSize, kVideoCdAudioPacket,
                 static_cast<int>(videoHeader.size()), kVideoCdPaddingSpace);
  setRates(p, kVideoCdMuxRate);
  p.videoCd = true;
  p.zeroFill = zeroFill;
  p.endCodeInLastAudio = 4;
  p.ticksPerPack = kVideoCdTicksPerPack;
  p.timeStampLead = kVideoCdLead;
  p.videoFirst = true;
  // The audio header pack is as long as an audio pack and, like every audio
  // pack, is followed by the zero fill, so that all packs stay sector-aligned.
  p.leadingPacks = {
      {std::move(videoHeader), p.systemPadding},
      {std::move(audioHeader), p.systemPadding - kZeroFillBytes, zeroFill ? kZeroFillBytes : 0}};
}

}  // namespace

std::vector<std::uint8_t> makeSystemHeader(int rate, int audioBound, int videoBound) {
  std::vector<std::uint8_t> h = {0x00, 0x00, 0x01, mpeg1::kSystemHeader, 0x00, 0x00, 0, 0, 0};
  writeRate(&h[6], rate);
  h.push_back(static_cast<std::uint8_t>(audioBound << 2 | 0x01));  // fixed 0, CSPS 1
  h.push_back(static_cast<std::uint8_t>(0xE0 | videoBound));       // locks, marker, video_bound
  h.push_back(0xFF);                                               // no restriction, reserved
  if (audioBound > 0) h.insert(h.end(), {mpeg1::kAudioStream0, 0xC0, 0x20});  // 128 x 32
  if (videoBound > 0) h.insert(h.end(), {mpeg1::kVideoStream0, 0xE0, 0x2E});  // 1024 x 46
  const std::size_t length = h.size() - 6;
  h[4] = static_cast<std::uint8_t>(length >> 8);
  h[5] = static_cast<std::uint8_t>(length);
  return h;
}

int computeMuxRate(const StreamParams& video, const StreamParams& audio, int packSize, int minimum,
                   int& rate) {
  if (audio.bitRate <= 0.0) return kErrFreeAudioBitRate;
  if (video.bitRate <= 0.0) return kErrFreeVideoBitRate;
  const double bytes =
      (video.bitRate + audio.bitRate) * packSize / static_cast<double>(packSize - 30);
  double r = bytes * 0.02;
  r = r >= 1000.0 ? r * 1.005 : r * 1.5;
  // The field holds 22 bits; a larger rate cannot be declared.
  const double bounded = std::min(std::floor(r) + 1.0, static_cast<double>(kMaxMuxRate));
  rate = std::clamp(std::max(static_cast<int>(bounded), minimum), 1, kMaxMuxRate);
  return 0;
}

int makePackProfile(int recordMode, const StreamParams& video, const StreamParams& audio,
                    int minimumMuxRate, PackProfile& out) {
  PackProfile p;
  p.recordMode = recordMode;
  if (recordMode == kModeVideoCd || recordMode == kModeVideoCdZeroes) {
    makeVideoCd(p, recordMode == kModeVideoCdZeroes);
  } else {
    int rate = 0;
    if (const int err = computeMuxRate(video, audio, kMpegPackSize, minimumMuxRate, rate)) {
      return err;
    }
    makeMpegSystem(p, rate, video.bitRate > audio.bitRate);
  }
  out = std::move(p);
  return 0;
}

}  // namespace cw
