// The stream information record: construction and reset, summaries, the join
// compatibility tests, the VideoCD tests and the handle table.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "engine/analysis/stream_info.h"

namespace cw {
namespace {

// A sequence header with the given fields (no quantiser matrices).
void sequenceHeader(std::uint8_t* h, int width, int height, int rateCode, int bitRateValue) {
  const std::uint8_t bytes[12] = {0,
                                  0,
                                  1,
                                  0xB3,
                                  static_cast<std::uint8_t>(width >> 4),
                                  static_cast<std::uint8_t>((width & 0x0F) << 4 | height >> 8),
                                  static_cast<std::uint8_t>(height & 0xFF),
                                  static_cast<std::uint8_t>(0x10 | rateCode),
                                  static_cast<std::uint8_t>(bitRateValue >> 10),
                                  static_cast<std::uint8_t>(bitRateValue >> 2),
                                  static_cast<std::uint8_t>((bitRateValue & 3) << 6 | 0x20 | 0x00),
                                  0x40};
  std::memcpy(h, bytes, 12);
}

// An audio frame header: layer 2 = 0x04, bit-rate index, frequency bits, mode.
void audioHeader(std::uint8_t* h, int layerBits, int index, int freqBits, int mode,
                 int emphasis = 0) {
  h[0] = 0xFF;
  h[1] = static_cast<std::uint8_t>(0xF8 | layerBits | 1);
  h[2] = static_cast<std::uint8_t>(index << 4 | freqBits);
  h[3] = static_cast<std::uint8_t>(mode << 6 | emphasis);
}

constexpr int kLayer2 = 0x04;
constexpr int k44100 = 0x00;
constexpr int k48000 = 0x04;

TEST(InfoRecord, ConstructAndResetSetEveryFieldUnknown) {
  StreamInfo info;
  EXPECT_EQ(info.layer3Option, 1u);
  EXPECT_EQ(info.optionA, 1);
  EXPECT_EQ(info.optionB, 1);
  EXPECT_EQ(info.fileType, -1);
  EXPECT_EQ(info.video.streamId, 0xE0);
  EXPECT_EQ(info.audio.streamId, 0xC0);
  EXPECT_EQ(info.video.head.point, -1);
  EXPECT_EQ(info.audio.workLastTime, -1);

  info.fileType = 0;
  info.stage = 2;
  info.duration = 12.0;
  info.pictureRate = 25.0f;
  info.video.length = 100;
  info.video.type = 0;
  info.video.handle = 5;
  info.video.head.point = 4096;
  info.reset();
  EXPECT_EQ(info.fileType, -1);
  EXPECT_EQ(info.stage, 0);
  EXPECT_EQ(info.duration, -1.0);
  EXPECT_EQ(info.pictureRate, -1.0f);
  EXPECT_EQ(info.video.length, 0);
  EXPECT_EQ(info.video.type, -1);
  EXPECT_EQ(info.video.handle, -1);
  EXPECT_EQ(info.video.head.point, 4096) << "reset keeps the areas";
}

TEST(InfoRecord, SummariesComeFromTheStoredHeaders) {
  StreamInfo info;
  sequenceHeader(info.video.header, 352, 240, 4, 2875);  // 1 150 000 bit/s
  audioHeader(info.audio.header, kLayer2, 11, k44100, 2);
  info.computeVideoSummary();
  info.computeAudioSummary();
  EXPECT_EQ(info.videoByteRate, 143750);
  EXPECT_EQ(info.horizontalSize, 352);
  EXPECT_EQ(info.verticalSize, 240);
  EXPECT_NEAR(info.pictureRate, 29.97, 0.001);
  EXPECT_EQ(info.videoVcd, 1);
  EXPECT_EQ(info.audioByteRate, 28000);
  EXPECT_EQ(info.audioLayer, 2);
  EXPECT_EQ(info.audioMode, 2);
  EXPECT_EQ(info.audioSampleRate, 44100.0f);
  EXPECT_EQ(info.audioVcd, 1);

  sequenceHeader(info.video.header, 352, 240, 4, 0x3FFFF);
  info.computeVideoSummary();
  EXPECT_EQ(info.videoByteRate, 0) << "variable rate";
  EXPECT_EQ(info.videoVcd, 0);
}

TEST(InfoCompatibility, PictureRatesWithinOneTenthAndBitRatesWithinOnePercent) {
  StreamInfo record;
  StreamInfo source;
  auto compatible = [&](int recCode, int recRate, int srcCode, int srcRate) {
    sequenceHeader(record.video.header, 352, 240, recCode, recRate);
    sequenceHeader(source.video.header, 352, 240, srcCode, srcRate);
    return videoCompatible(record, source);
  };
  EXPECT_TRUE(compatible(4, 2875, 5, 2875));   // 29.97 and 30
  EXPECT_TRUE(compatible(1, 2875, 2, 2875));   // 23.976 and 24
  EXPECT_FALSE(compatible(3, 2875, 5, 2875));  // 25 and 30
  EXPECT_TRUE(compatible(4, 2903, 4, 2875));   // 1 161 200 against 1 150 000 bit/s
  EXPECT_FALSE(compatible(4, 2925, 4, 2875));  // 1 170 000 against 1 150 000 bit/s
  EXPECT_FALSE(compatible(4, 0x3FFFF, 4, 2875));
  EXPECT_FALSE(compatible(4, 2875, 4, 0x3FFFF));
  EXPECT_TRUE(compatible(4, 0x3FFFF, 4, 0x3FFFF));
  EXPECT_FALSE(compatible(4, 2875, 0, 2875)) << "an undecodable header";

  sequenceHeader(record.video.header, 352, 288, 3, 2875);
  sequenceHeader(source.video.header, 352, 240, 3, 2875);
  EXPECT_FALSE(videoCompatible(record, source));
}

TEST(InfoCompatibility, AudioComparesRateLayerBitRateAndFullMode) {
  StreamInfo record;
  StreamInfo source;
  audioHeader(record.audio.header, kLayer2, 11, k44100, 0);
  audioHeader(source.audio.header, kLayer2, 11, k44100, 0);
  EXPECT_TRUE(audioCompatible(record, source));
  audioHeader(source.audio.header, kLayer2, 11, k44100, 1);  // joint stereo
  EXPECT_FALSE(audioCompatible(record, source));
  audioHeader(source.audio.header, kLayer2, 11, k48000, 0);
  EXPECT_FALSE(audioCompatible(record, source));
  audioHeader(source.audio.header, kLayer2, 10, k44100, 0);
  EXPECT_FALSE(audioCompatible(record, source));
  audioHeader(source.audio.header, 0x06, 11, k44100, 0);  // layer 1
  EXPECT_FALSE(audioCompatible(record, source));
  audioHeader(source.audio.header, kLayer2, 15, k44100, 0);  // forbidden index
  EXPECT_FALSE(audioCompatible(record, source));
}

TEST(InfoVideoCd, VideoAndAudioConformance) {
  std::uint8_t h[12];
  sequenceHeader(h, 352, 240, 4, 2875);
  EXPECT_TRUE(isVcdVideo(h));
  sequenceHeader(h, 352, 288, 4, 2875);
  EXPECT_FALSE(isVcdVideo(h));
  sequenceHeader(h, 352, 288, 3, 2880);  // exactly 1 152 000 bit/s
  EXPECT_TRUE(isVcdVideo(h));
  sequenceHeader(h, 352, 288, 3, 2881);
  EXPECT_FALSE(isVcdVideo(h));
  sequenceHeader(h, 352, 240, 1, 2875);
  EXPECT_TRUE(isVcdVideo(h));
  sequenceHeader(h, 352, 240, 5, 2875);  // 30 pictures/s
  EXPECT_FALSE(isVcdVideo(h));
  sequenceHeader(h, 320, 240, 4, 2875);
  EXPECT_FALSE(isVcdVideo(h));

  std::uint8_t a[4];
  audioHeader(a, kLayer2, 11, k44100, 2);  // dual channel
  EXPECT_TRUE(isVcdAudio(a));
  audioHeader(a, kLayer2, 11, k44100, 3);  // single channel
  EXPECT_FALSE(isVcdAudio(a));
  audioHeader(a, kLayer2, 11, k44100, 0, 1);
  EXPECT_TRUE(isVcdAudio(a));
  audioHeader(a, kLayer2, 11, k44100, 0, 3);
  EXPECT_FALSE(isVcdAudio(a));
  audioHeader(a, kLayer2, 11, k48000, 0);
  EXPECT_FALSE(isVcdAudio(a));
  audioHeader(a, kLayer2, 12, k44100, 0);
  EXPECT_FALSE(isVcdAudio(a));
}

TEST(InfoHandles, HandlesResolveUntilUnregisteredAndAreNeverReused) {
  StreamInfo a;
  StreamInfo b;
  const std::int32_t ha = registerStreamInfo(&a);
  const std::int32_t hb = registerStreamInfo(&b);
  ASSERT_GE(ha, 1);
  ASSERT_NE(ha, hb);
  EXPECT_EQ(resolveStreamInfo(ha), &a);
  EXPECT_EQ(resolveStreamInfo(hb), &b);
  unregisterStreamInfo(ha);
  EXPECT_EQ(resolveStreamInfo(ha), nullptr);
  EXPECT_EQ(resolveStreamInfo(0), nullptr);
  EXPECT_EQ(resolveStreamInfo(-7), nullptr);
  EXPECT_EQ(registerStreamInfo(nullptr), 0);

  std::set<std::int32_t> seen{ha, hb};
  for (int i = 0; i < 100; ++i) {
    const std::int32_t h = registerStreamInfo(&a);
    EXPECT_TRUE(seen.insert(h).second) << "handle " << h << " reused";
    unregisterStreamInfo(h);
    EXPECT_EQ(resolveStreamInfo(h), nullptr);
  }
  unregisterStreamInfo(hb);
}

}  // namespace
}  // namespace cw
