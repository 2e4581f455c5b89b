// Field decoders and encoders, and the parameters derived from stored headers.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "support/mpeg_bytes.h"

namespace cw {
namespace {

using namespace testbytes;

TEST(SyntaxTimeStamp, RoundTripsWithMarkerBitsAndPrefix) {
  for (std::int64_t ticks : {0LL, 1LL, 3003LL, 90000LL * 3600LL, 0x7FFFFFFFLL}) {
    std::uint8_t b[5];
    mpeg1::encodeTimeStamp(b, 0x3, ticks);
    EXPECT_EQ(b[0] >> 4, 0x3);
    EXPECT_EQ(b[0] & 1, 1);
    EXPECT_EQ(b[2] & 1, 1);
    EXPECT_EQ(b[4] & 1, 1);
    EXPECT_EQ(mpeg1::decodeTimeStamp(b), ticks) << ticks;
  }
}

TEST(SyntaxTimeStamp, ReadsLow32BitsAsSigned) {
  std::uint8_t b[5];
  mpeg1::encodeTimeStamp(b, 0x2, 0x100000000LL);
  EXPECT_EQ(b[0] & 0x08, 0x08);  // bit 32 is stored
  EXPECT_EQ(mpeg1::decodeTimeStamp(b), 0);
  mpeg1::encodeTimeStamp(b, 0x2, 0x100000000LL + 5);
  EXPECT_EQ(mpeg1::decodeTimeStamp(b), 5);

  mpeg1::encodeTimeStamp(b, 0x2, 0x80000000LL);
  const std::int64_t negative = mpeg1::decodeTimeStamp(b);
  EXPECT_EQ(negative, -0x80000000LL);
  // Writing the value read back gives the same field.
  std::uint8_t again[5];
  mpeg1::encodeTimeStamp(again, 0x2, negative);
  EXPECT_TRUE(std::equal(b, b + 5, again));
}

TEST(SyntaxPackHeader, RoundTripsScrAndMuxRateAndSizesSystemHeader) {
  Bytes pack = packHeader(123456789, 3528);
  EXPECT_TRUE(mpeg1::isStartCode(pack.data()));
  EXPECT_EQ(pack[3], mpeg1::kPackStart);
  EXPECT_EQ(pack[9] & 0x80, 0x80);
  EXPECT_EQ(pack[11] & 0x01, 0x01);
  EXPECT_EQ(mpeg1::packScr(pack.data()), 123456789);
  EXPECT_EQ(mpeg1::packMuxRate(pack.data()), 3528);
  mpeg1::encodePackHeader(pack.data(), 0, 0x3FFFFF);
  EXPECT_EQ(mpeg1::packMuxRate(pack.data()), 0x3FFFFF);

  Bytes withSystem = pack;
  append(withSystem, {0x00, 0x00, 0x01, 0xBB, 0x00, 0x0C});
  EXPECT_EQ(mpeg1::packAndSystemHeaderSize(withSystem.data()), 12 + 6 + 12);
  Bytes withPacket = pack;
  append(withPacket, {0x00, 0x00, 0x01, 0xE0, 0x00, 0x0C});
  EXPECT_EQ(mpeg1::packAndSystemHeaderSize(withPacket.data()), 12);
}

TEST(SyntaxPacketHeader, AcceptsUpToSixteenStuffingBytes) {
  mpeg1::PacketHeader h;
  Bytes sixteen = packet(0xE0, filler(10), {.stuffing = 16, .pts = 9000});
  ASSERT_TRUE(mpeg1::parsePacketHeader(sixteen.data(), static_cast<int>(sixteen.size()), h));
  EXPECT_EQ(h.payloadOffset, 6 + 16 + 5);
  EXPECT_EQ(h.pts, 9000);

  Bytes seventeen = packet(0xE0, filler(10), {.stuffing = 17, .pts = 9000});
  EXPECT_FALSE(mpeg1::parsePacketHeader(seventeen.data(), static_cast<int>(seventeen.size()), h));
}

TEST(SyntaxPacketHeader, ReadsStdAndTimeStampVariants) {
  mpeg1::PacketHeader h;
  Bytes both = packet(0xE0, filler(10), {.stuffing = 2, .std = true, .pts = 7000, .dts = 4000});
  ASSERT_TRUE(mpeg1::parsePacketHeader(both.data(), static_cast<int>(both.size()), h));
  EXPECT_TRUE(h.hasStd);
  EXPECT_EQ(h.stdScale, 1);
  EXPECT_EQ(h.stdSize, 46);
  EXPECT_EQ(h.pts, 7000);
  EXPECT_EQ(h.dts, 4000);
  EXPECT_EQ(h.payloadOffset, 6 + 2 + 2 + 10);
  std::int64_t pts = 0, dts = 0;
  mpeg1::packetPtsDts(both.data(), h.payloadOffset, pts, dts);
  EXPECT_EQ(pts, 7000);
  EXPECT_EQ(dts, 4000);
  EXPECT_EQ(mpeg1::packetPts(both.data(), h.payloadOffset), 7000);

  Bytes none = packet(0xC0, filler(10), {.std = true});
  ASSERT_TRUE(mpeg1::parsePacketHeader(none.data(), static_cast<int>(none.size()), h));
  EXPECT_EQ(h.payloadOffset, 6 + 2 + 1);
  EXPECT_EQ(h.pts, -1);
  EXPECT_EQ(mpeg1::packetPts(none.data(), h.payloadOffset), -1);
  mpeg1::packetPtsDts(none.data(), h.payloadOffset, pts, dts);
  EXPECT_EQ(pts, -1);
  EXPECT_EQ(dts, -1);

  Bytes ptsOnly = packet(0xC0, filler(10), {.pts = 1234});
  mpeg1::packetPtsDts(ptsOnly.data(), 11, pts, dts);
  EXPECT_EQ(pts, 1234);
  EXPECT_EQ(dts, -1);

  Bytes private2 = packet(0xBF, filler(10), {.privateStream2 = true});
  ASSERT_TRUE(mpeg1::parsePacketHeader(private2.data(), static_cast<int>(private2.size()), h));
  EXPECT_EQ(h.payloadOffset, 6);
}

TEST(SyntaxPacketHeader, RejectsBadFlagsAndHeadersCutShort) {
  mpeg1::PacketHeader h;
  Bytes bad = packet(0xE0, filler(10));
  bad[6] = 0x50;
  EXPECT_FALSE(mpeg1::parsePacketHeader(bad.data(), static_cast<int>(bad.size()), h));
  Bytes cut = packet(0xE0, {}, {.pts = 1, .dts = 1});
  EXPECT_FALSE(mpeg1::parsePacketHeader(cut.data(), 12, h));
  // All stuffing up to the end of the packet: no flag byte.
  Bytes onlyStuffing = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x04, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_FALSE(mpeg1::parsePacketHeader(onlyStuffing.data(), 10, h));
}

Bytes sequenceHeader(int width, int height, int rateCode, int bitRateValue, int vbv) {
  return {0x00,
          0x00,
          0x01,
          0xB3,
          static_cast<std::uint8_t>(width >> 4),
          static_cast<std::uint8_t>((width & 0x0F) << 4 | height >> 8),
          static_cast<std::uint8_t>(height),
          static_cast<std::uint8_t>(0x10 | rateCode),
          static_cast<std::uint8_t>(bitRateValue >> 10),
          static_cast<std::uint8_t>(bitRateValue >> 2),
          static_cast<std::uint8_t>((bitRateValue & 0x03) << 6 | 0x20 | vbv >> 5),
          static_cast<std::uint8_t>((vbv & 0x1F) << 3)};
}

TEST(SyntaxSequenceHeader, DecodesVideoCdHeaderAndDerivesParameters) {
  const Bytes h = sequenceHeader(352, 240, 4, 2875, 20);
  mpeg1::SequenceHeader s;
  ASSERT_EQ(mpeg1::decodeSequenceHeader(h.data(), s), 0);
  EXPECT_EQ(s.horizontalSize, 352);
  EXPECT_EQ(s.verticalSize, 240);
  EXPECT_DOUBLE_EQ(s.pictureRate, 30000.0 / 1001.0);
  EXPECT_DOUBLE_EQ(s.bytesPerSecond, 143750.0);
  EXPECT_EQ(s.vbvBufferSize, 20);

  const StreamParams p = makeStreamParams(0xE0, h.data());
  EXPECT_EQ(p.status, 0);
  EXPECT_DOUBLE_EQ(p.period, 3003.0);
  EXPECT_EQ(p.roundedPeriod, 3003);
  EXPECT_EQ(p.vbvBufferSize, 20);
  EXPECT_EQ(p.pattern[3], 0xB8);
  EXPECT_EQ(p.second[3], 0x00);
  EXPECT_EQ(makeStreamParams(0xE0, sequenceHeader(352, 288, 3, 2875, 20).data()).roundedPeriod,
            3600);
  // 3753.75 ticks rounds up.
  EXPECT_EQ(makeStreamParams(0xE0, sequenceHeader(352, 240, 1, 2875, 20).data()).roundedPeriod,
            3754);
}

TEST(SyntaxSequenceHeader, VariableRateAndInvalidRateCodes) {
  mpeg1::SequenceHeader s;
  ASSERT_EQ(mpeg1::decodeSequenceHeader(sequenceHeader(352, 240, 3, 0x3FFFF, 20).data(), s), 0);
  EXPECT_DOUBLE_EQ(s.bytesPerSecond, -1.0);
  for (int code : {0, 9, 15}) {
    const Bytes h = sequenceHeader(352, 240, code, 2875, 20);
    EXPECT_EQ(mpeg1::decodeSequenceHeader(h.data(), s), 1502) << code;
    EXPECT_EQ(makeStreamParams(0xE0, h.data()).status, 1502) << code;
  }
}

TEST(SyntaxGroupHeader, TimeCodeRoundTripKeepsFlags) {
  Bytes g = {0x00, 0x00, 0x01, 0xB8, 0x00, 0x00, 0x00, 0x60};
  mpeg1::TimeCode tc{.dropFrame = true, .hours = 23, .minutes = 59, .seconds = 58, .pictures = 29};
  mpeg1::encodeGopTimeCode(g.data(), tc);
  EXPECT_EQ(g[5] & 0x08, 0x08);  // marker bit
  EXPECT_TRUE(mpeg1::gopClosed(g.data()));
  EXPECT_TRUE(mpeg1::gopBrokenLink(g.data()));
  EXPECT_TRUE(mpeg1::gopDropFrame(g.data()));
  const mpeg1::TimeCode back = mpeg1::decodeGopTimeCode(g.data());
  EXPECT_EQ(back.hours, 23);
  EXPECT_EQ(back.minutes, 59);
  EXPECT_EQ(back.seconds, 58);
  EXPECT_EQ(back.pictures, 29);
}

TEST(SyntaxPictureHeader, SettersKeepNeighbouringFields) {
  Bytes p = pictureHeader(0, 3);
  p[7] |= 0x07;
  mpeg1::setPictureTemporalReference(p.data(), 1023);
  mpeg1::setPictureVbvDelay(p.data(), 0xABCD);
  EXPECT_EQ(mpeg1::pictureTemporalReference(p.data()), 1023);
  EXPECT_EQ(mpeg1::pictureCodingType(p.data()), 3);
  EXPECT_EQ(mpeg1::pictureVbvDelay(p.data()), 0xABCD);
  EXPECT_EQ(p[7] & 0x07, 0x07);
  mpeg1::setPictureTemporalReference(p.data(), 5);
  EXPECT_EQ(mpeg1::pictureVbvDelay(p.data()), 0xABCD);
  EXPECT_EQ(mpeg1::pictureTypeLetter(0), 0);
  EXPECT_EQ(mpeg1::pictureTypeLetter(4), 'D');
  EXPECT_EQ(mpeg1::pictureTypeLetter(5), 0);
}

TEST(SyntaxAudioHeader, Layer2At224kAnd44kHz) {
  mpeg1::AudioHeader a;
  ASSERT_EQ(mpeg1::decodeAudioHeader(audioHeader(1, true).data(), a), 0);
  EXPECT_EQ(a.layer, 2);
  EXPECT_EQ(a.kbps, 224);
  EXPECT_EQ(a.sampleRate, 44100);
  EXPECT_EQ(a.mode, 1);
  EXPECT_TRUE(a.padding);
  EXPECT_EQ(a.frameLength, 731);
  EXPECT_EQ(a.frameLength + a.paddingSize, 732);

  const StreamParams p = makeStreamParams(0xC0, audioHeader().data());
  EXPECT_EQ(p.status, 0);
  EXPECT_NEAR(p.period, 2351.0204, 1e-4);
  EXPECT_EQ(p.roundedPeriod, 2351);
  EXPECT_DOUBLE_EQ(p.bitRate, 28000.0);
  EXPECT_EQ(p.frameLength, 731);
  EXPECT_EQ(p.layer, 2);
}

TEST(SyntaxAudioHeader, InvalidFieldsAndFreeFormat) {
  mpeg1::AudioHeader a;
  EXPECT_EQ(mpeg1::decodeAudioHeader(audioHeader(0, false, 0xF9).data(), a), -1);  // layer bits 00
  EXPECT_EQ(mpeg1::decodeAudioHeader(audioHeader(0, false, 0xFD, 0xF0).data(), a), -1);
  EXPECT_EQ(mpeg1::decodeAudioHeader(audioHeader(0, false, 0xFD, 0xBC).data(), a), -1);
  EXPECT_EQ(makeStreamParams(0xC0, audioHeader(0, false, 0xFD, 0xBC).data()).status, -1);

  ASSERT_EQ(mpeg1::decodeAudioHeader(audioHeader(0, false, 0xFD, 0x00).data(), a), 0);
  EXPECT_EQ(a.kbps, 0);
  EXPECT_EQ(a.frameLength, 4);
  EXPECT_DOUBLE_EQ(makeStreamParams(0xC0, audioHeader(0, false, 0xFD, 0x00).data()).bitRate, -1.0);
}

TEST(SyntaxAudioHeader, FrameLengthsAndPeriodsAcrossLayersAndRates) {
  EXPECT_EQ(mpeg1::audioFrameLength(2, 192, 48000), 576);
  EXPECT_EQ(mpeg1::audioFrameLength(3, 128, 44100), 417);
  EXPECT_EQ(mpeg1::audioFrameLength(2, 32, 32000), 144);
  // Layer 1 frames are whole slots of 4 bytes.
  EXPECT_EQ(mpeg1::audioFrameLength(1, 384, 48000), 384);
  EXPECT_EQ(mpeg1::audioFrameLength(1, 384, 44100), 416);
  EXPECT_EQ(mpeg1::audioFrameLength(1, 32, 44100), 32);
  EXPECT_EQ(mpeg1::audioKbps(3, 14), 320);
  EXPECT_EQ(mpeg1::audioKbps(1, 15), -1);

  const StreamParams l1 = makeStreamParams(0xC0, audioHeader(0, false, 0xFF, 0xE4).data());
  EXPECT_EQ(l1.layer, 1);
  EXPECT_DOUBLE_EQ(l1.period, 720.0);  // 384 samples at 48 kHz
  const StreamParams l3 = makeStreamParams(0xC0, audioHeader(0, false, 0xFB, 0x98).data());
  EXPECT_EQ(l3.layer, 3);
  EXPECT_DOUBLE_EQ(l3.period, 3240.0);  // 1152 samples at 32 kHz
}

TEST(SyntaxAudioMatch, IgnoresLowModeBitAndHeaderFlags) {
  const StreamParams stereo = makeStreamParams(0xC0, audioHeader(0).data());
  EXPECT_TRUE(matchesAudioFrame(stereo, audioHeader(0).data()));
  EXPECT_TRUE(matchesAudioFrame(stereo, audioHeader(1, true).data()));         // joint, padded
  EXPECT_TRUE(matchesAudioFrame(stereo, audioHeader(0, false, 0xFC).data()));  // CRC on
  EXPECT_FALSE(matchesAudioFrame(stereo, audioHeader(3).data()));              // mono
  EXPECT_FALSE(matchesAudioFrame(stereo, audioHeader(2).data()));              // dual channel
  EXPECT_FALSE(matchesAudioFrame(stereo, audioHeader(0, false, 0xFD, 0xC0).data()));
  Bytes shifted = audioHeader(0);
  shifted[0] = 0xFE;
  EXPECT_FALSE(matchesAudioFrame(stereo, shifted.data()));

  const StreamParams mono = makeStreamParams(0xC0, audioHeader(3).data());
  EXPECT_TRUE(matchesAudioFrame(mono, audioHeader(2).data()));
  EXPECT_FALSE(matchesAudioFrame(mono, audioHeader(1).data()));
}

TEST(SyntaxStreamParams, OtherIdsKeepOnlyTheId) {
  const Bytes junk(12, 0xAB);
  const StreamParams p = makeStreamParams(0xBD, junk.data());
  EXPECT_EQ(p.streamId, 0xBD);
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(p.frameLength, 0);
}

}  // namespace
}  // namespace cw
