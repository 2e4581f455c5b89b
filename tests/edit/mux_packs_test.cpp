// Pack layouts on built bytes: the profile's sizes and templates, padding and
// end packs, the last packs of a stream, the mux rate and the status table.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/edit/mux.h"
#include "engine/edit/mux_packs.h"
#include "engine/edit/pack_profile.h"

namespace cw {
namespace {

using B = std::vector<std::uint8_t>;

// The bytes one builder writes, into exactly the room the multiplexer
// promises a pack (a longer pack runs off the end).
template <class Build>
B built(Build&& build) {
  B out(kMaxPackBytes);
  PackWriter w(out.data());
  build(w);
  out.resize(w.size());
  return out;
}

StreamParams videoAt(double bytesPerSecond) {
  StreamParams p;
  p.streamId = 0xE0;
  p.bitRate = bytesPerSecond;
  p.period = 3003.0;
  p.roundedPeriod = 3003;
  return p;
}
StreamParams audioAt(int kbps) {
  StreamParams p;
  p.streamId = 0xC0;
  p.bitRate = kbps * 125.0;
  return p;
}

PackProfile profileOf(int mode) {
  PackProfile p;
  EXPECT_EQ(makePackProfile(mode, videoAt(143750), audioAt(224), 0, p), 0);
  return p;
}

TEST(MuxProfile, SystemHeadersAndSizesOfBothLayouts) {
  const PackProfile mpeg = profileOf(kModeMpegSystem);
  EXPECT_EQ(mpeg.videoPacket, 2030);
  EXPECT_EQ(mpeg.audioPayload, 2023);
  EXPECT_EQ(mpeg.systemPadding, 2018);
  EXPECT_EQ(mpeg.paddingPackSize(), 2042);
  ASSERT_EQ(mpeg.leadingPacks.size(), 1u);
  const int r2 = 2 * mpeg.muxRate;
  const B mpegHeader = {0x00,
                        0x00,
                        0x01,
                        0xBB,
                        0x00,
                        0x0C,
                        static_cast<std::uint8_t>((r2 >> 16) | 0x80),
                        static_cast<std::uint8_t>(r2 >> 8),
                        static_cast<std::uint8_t>(r2 | 1),
                        0x05,
                        0xE1,
                        0xFF,
                        0xC0,
                        0xC0,
                        0x20,
                        0xE0,
                        0xE0,
                        0x2E};
  EXPECT_EQ(mpeg.leadingPacks[0].systemHeader, mpegHeader);

  const PackProfile vcd = profileOf(kModeVideoCdZeroes);
  EXPECT_TRUE(vcd.zeroFill);
  EXPECT_EQ(vcd.muxRate, 3528);
  EXPECT_EQ(vcd.ticksPerPack, 1200);
  EXPECT_EQ(vcd.videoPacket, 2306);
  EXPECT_EQ(vcd.audioPacket, 2286);
  EXPECT_EQ(vcd.videoPayload, 2294);
  EXPECT_EQ(vcd.audioPayload, 2279);
  EXPECT_EQ(vcd.systemPadding, 2297);
  EXPECT_EQ(vcd.paddingSpace, 2308);
  ASSERT_EQ(vcd.leadingPacks.size(), 2u);
  EXPECT_EQ(vcd.leadingPacks[0].systemHeader, (B{0x00, 0x00, 0x01, 0xBB, 0x00, 0x09, 0x80, 0x1B,
                                                 0x91, 0x01, 0xE1, 0xFF, 0xE0, 0xE0, 0x2E}));
  EXPECT_EQ(vcd.leadingPacks[1].systemHeader, (B{0x00, 0x00, 0x01, 0xBB, 0x00, 0x09, 0x80, 0x1B,
                                                 0x91, 0x05, 0xE0, 0xFF, 0xC0, 0xC0, 0x20}));
  EXPECT_EQ(vcd.leadingPacks[1].padding, 2277);
}

TEST(MuxProfile, MpegSystemRateFromTheStreamsAndItsFailures) {
  int rate = 0;
  // (143 750 + 28 000) x 2048 / 2018 x 0.02 = 3486.07; x 1.005 = 3503.5.
  ASSERT_EQ(computeMuxRate(videoAt(143750), audioAt(224), 2048, 0, rate), 0);
  EXPECT_EQ(rate, 3504);
  // Below 1000 the margin is half the rate: 12 500 + 8 000 -> 416.0 x 1.5 = 624.1.
  ASSERT_EQ(computeMuxRate(videoAt(12500), audioAt(64), 2048, 0, rate), 0);
  EXPECT_EQ(rate, 625);
  ASSERT_EQ(computeMuxRate(videoAt(143750), audioAt(224), 2048, 5000, rate), 0);
  EXPECT_EQ(rate, 5000);
  // The 22-bit field bounds any minimum.
  ASSERT_EQ(computeMuxRate(videoAt(143750), audioAt(224), 2048, 0x7FFFFFFF, rate), 0);
  EXPECT_EQ(rate, kMaxMuxRate);
  EXPECT_EQ(computeMuxRate(videoAt(-1.0), audioAt(224), 2048, 0, rate), 1507);
  EXPECT_EQ(computeMuxRate(videoAt(0.0), audioAt(224), 2048, 0, rate), 1507);
  EXPECT_EQ(computeMuxRate(videoAt(143750), audioAt(0), 2048, 0, rate), 1509);
  PackProfile p;
  EXPECT_EQ(makePackProfile(kModeVideoCd, videoAt(-1.0), audioAt(0), 0, p), 0);
  EXPECT_EQ(makePackProfile(kModeMpegSystem, videoAt(143750), audioAt(384), 0, p), 0);
  EXPECT_EQ(p.ticksPerPack, (2048 * 90000 + 50 * p.muxRate - 1) / (50 * p.muxRate));
  EXPECT_FALSE(makePackProfile(kModeMpegSystem, videoAt(20000), audioAt(384), 0, p) != 0 ||
               p.videoFirst);
}

TEST(MuxPacks, PaddingAndEndPacksAndThePaddingPacketMarks) {
  for (int mode : {kModeMpegSystem, kModeVideoCd}) {
    const PackProfile p = profileOf(mode);
    const B pad = built([&](PackWriter& w) { putPaddingPack(w, 1234, p); });
    const B end = built([&](PackWriter& w) { putEndPack(w, 1234, p); });
    const std::size_t size = mode == kModeMpegSystem ? 2042 : 2324;
    EXPECT_EQ(pad.size(), size);
    EXPECT_EQ(end.size(), size);
    EXPECT_EQ(mpeg1::packScr(pad.data()), 1234);
    EXPECT_EQ(mpeg1::packMuxRate(end.data()), p.muxRate);
    EXPECT_EQ(B(end.end() - 4, end.end()), (B{0, 0, 1, 0xB9}));
  }
  const B even = built([](PackWriter& w) { putPaddingPacket(w, 20); });
  const B odd = built([](PackWriter& w) { putPaddingPacket(w, 21); });
  EXPECT_EQ(B(even.begin(), even.begin() + 8), (B{0, 0, 1, 0xBE, 0, 14, 0xFF, 0x0F}));
  EXPECT_EQ(B(odd.begin(), odd.begin() + 8), (B{0, 0, 1, 0xBE, 0, 15, 0x0F, 0xFF}));
}

// The packet that follows a pack header, with its header parsed.
struct Packet {
  int length = 0;
  mpeg1::PacketHeader header;
  std::size_t end = 0;  // offset behind the packet
};
Packet packetAt(const B& pack, std::size_t at) {
  Packet k;
  k.length = mpeg1::packetLength(&pack[at]);
  EXPECT_TRUE(mpeg1::parsePacketHeader(&pack[at], 6 + k.length, k.header));
  k.end = at + 6 + k.length;
  return k;
}

TEST(MuxPacks, LastVideoPackStuffsSmallRoomAndPadsLargerRoom) {
  const PackProfile p = profileOf(kModeMpegSystem);
  const B payload(3000, 0x55);
  PacketContent c;
  c.payload = payload.data();
  c.stamps = {2, 9000, 6000};  // header bytes 10
  // Room 16: all stuffing, packet_length stays V.
  c.length = p.videoPacket - 10 - 16;
  const B a = built([&](PackWriter& w) { putLastVideoPack(w, 0, p, c); });
  EXPECT_EQ(a.size(), 2048u);
  Packet k = packetAt(a, 12);
  EXPECT_EQ(k.length, p.videoPacket);
  EXPECT_EQ(k.header.pts, 9000);
  EXPECT_EQ(k.header.dts, 6000);
  EXPECT_EQ(k.end, a.size());
  // Room 17 with an odd header + rest: one stuffing byte and 16 bytes of padding.
  c.length = p.videoPacket - 10 - 17;
  const B b = built([&](PackWriter& w) { putLastVideoPack(w, 0, p, c); });
  EXPECT_EQ(b.size(), 2048u);
  k = packetAt(b, 12);
  EXPECT_EQ(k.length, 1 + 10 + c.length);
  EXPECT_EQ(b[k.end + 3], 0xBE);
  EXPECT_EQ(b.size() - k.end, 16u);
  // Room 18, even: no stuffing, padding of 18.
  c.length = p.videoPacket - 10 - 18;
  const B d = built([&](PackWriter& w) { putLastVideoPack(w, 0, p, c); });
  k = packetAt(d, 12);
  EXPECT_EQ(k.length, 10 + c.length);
  EXPECT_EQ(d.size() - k.end, 18u);
}

TEST(MuxPacks, LastAudioPackKeepsDataEvenAndEndsVideoCdSectors) {
  const B payload(3000, 0x66);
  for (int mode : {kModeMpegSystem, kModeVideoCdZeroes}) {
    const PackProfile p = profileOf(mode);
    for (int rest : {500, 501}) {
      for (int frames : {0, 1}) {
        SCOPED_TRACE(::testing::Message() << mode << " " << rest << " " << frames);
        PacketContent c;
        c.payload = payload.data();
        c.length = rest;
        c.stamps = {frames, 4500, 0};
        const B out = built([&](PackWriter& w) { putLastAudioPack(w, 0, p, c); });
        const std::size_t zeros = p.zeroFill ? 20 : 0;
        EXPECT_EQ(out.size(), static_cast<std::size_t>(p.audioPackSize()) + zeros);
        const Packet k = packetAt(out, 12);
        EXPECT_EQ(k.length % 2, 0);
        EXPECT_EQ(k.header.pts, frames ? 4500 : -1);
        EXPECT_EQ(k.length - (k.header.payloadOffset - 6), rest);
        if (p.videoCd) {
          EXPECT_EQ(B(out.end() - 24 - 0, out.end() - 20), (B{0, 0, 1, 0xB9}));
          EXPECT_EQ(B(out.end() - 20, out.end()), B(20, 0));
        }
      }
    }
    // A rest that leaves under 10 bytes of room is all stuffing.
    PacketContent c;
    c.payload = payload.data();
    c.stamps = {1, 4500, 0};
    c.length = p.audioPacket - p.endCodeInLastAudio - 6 - 8;
    const B out = built([&](PackWriter& w) { putLastAudioPack(w, 0, p, c); });
    const Packet k = packetAt(out, 12);
    EXPECT_EQ(k.length, p.audioPacket - p.endCodeInLastAudio);
  }
}

// Every rest shorter than a full payload, with and without a time stamp and
// the STD field of a first packet: the packet fits its pack, carries the
// whole rest, the pack has its mode's size, and in VideoCD the end code
// stands behind the packet when there was room for it. A rest that filled
// the end code's room once made a negative stuffing count.
TEST(MuxPacks, EveryRestFitsItsLastPackInEveryMode) {
  for (int mode : {kModeMpegSystem, kModeVideoCd, kModeVideoCdZeroes}) {
    const PackProfile p = profileOf(mode);
    const B payload(static_cast<std::size_t>(std::max(p.videoPayload, p.audioPayload)), 0x77);
    const std::size_t zeros = p.zeroFill ? kZeroFillBytes : 0;
    int withoutEndCode = 0;
    for (bool audio : {false, true}) {
      const int full = audio ? p.audioPayload : p.videoPayload;
      const std::size_t size = audio ? static_cast<std::size_t>(p.audioPackSize()) + zeros
                                     : static_cast<std::size_t>(p.videoPackSize);
      for (bool first : {false, true}) {
        for (int stamps = 0; stamps <= (audio ? 1 : 2); ++stamps) {
          for (int rest = 1; rest < full; ++rest) {
            PacketContent c;
            c.payload = payload.data();
            c.length = rest;
            c.stamps = {stamps, 4500, 1500};
            c.stdField = !first ? nullptr : audio ? p.audioStdField : p.videoStdField;
            const B out = built(
                [&](PackWriter& w) { (audio ? putLastAudioPack : putLastVideoPack)(w, 0, p, c); });
            ASSERT_EQ(out.size(), size) << mode << (audio ? " audio " : " video ") << rest;
            const Packet k = packetAt(out, 12);
            ASSERT_LE(k.end, size - (audio ? zeros : 0));
            EXPECT_EQ(k.length - (k.header.payloadOffset - 6), rest);
            EXPECT_EQ(k.header.hasStd, first);
            EXPECT_EQ(k.header.pts, stamps > 0 ? 4500 : -1);
            if (!audio || !p.videoCd) continue;
            const auto tail = out.end() - static_cast<std::ptrdiff_t>(zeros);
            if (B(tail - 4, tail) != B{0, 0, 1, 0xB9}) ++withoutEndCode;
          }
        }
      }
    }
    // Only rests within a few bytes of a full payload leave the end code to
    // the end pack.
    EXPECT_EQ(withoutEndCode > 0, p.videoCd);
    EXPECT_LT(withoutEndCode, 40);
  }
}

TEST(MuxPacks, FirstPacketsCarryTheBufferSizesBeforeTheirTimeStamps) {
  const PackProfile p = profileOf(kModeMpegSystem);
  const B payload(p.videoPayload, 0x11);
  PacketContent c;
  c.payload = payload.data();
  c.length = p.videoPayload;
  c.stdField = p.videoStdField;
  // A B-picture first: stuffing, then the STD field, then the PTS.
  c.stamps = {1, 7000, 0};
  const B out = built([&](PackWriter& w) { putFullVideoPack(w, 0, p, c); });
  EXPECT_EQ(out.size(), 2048u);
  Packet k = packetAt(out, 12);
  EXPECT_TRUE(k.header.hasStd);
  EXPECT_EQ(k.header.stdScale, 1);
  EXPECT_EQ(k.header.stdSize, 46);
  EXPECT_EQ(k.header.pts, 7000);
  EXPECT_EQ(k.header.payloadOffset, 6 + 12);

  const B audio(p.audioPayload, 0x22);
  PacketContent a;
  a.payload = audio.data();
  a.length = p.audioPayload;
  a.stdField = p.audioStdField;
  a.stamps = {1, 8000, 0};
  const B aout = built([&](PackWriter& w) { putFullAudioPack(w, 0, p, a); });
  EXPECT_EQ(aout.size(), 2048u);
  k = packetAt(aout, 12);
  EXPECT_EQ(k.header.stdScale, 0);
  EXPECT_EQ(k.header.stdSize, 32);
  EXPECT_EQ(k.header.pts, 8000);
}

TEST(MuxStatusTable, EachOperationHasItsOwnNumbers) {
  const int statuses[] = {-1, -2, -3, -4, -5, -6};
  const int crop[] = {6001, 6003, 6004, 6005, 6007, 6008};
  const int append[] = {4012, 4019, 4020, 4021, 4022, 4023};
  const int entry[] = {3012, 3019, 3020, 3021, 3022, 3023};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(muxStatusError(MuxOperation::Crop, statuses[i]), crop[i]);
    EXPECT_EQ(muxStatusError(MuxOperation::AppendCrop, statuses[i]), append[i]);
    EXPECT_EQ(muxStatusError(MuxOperation::EntryCrop, statuses[i]), entry[i]);
  }
  EXPECT_EQ(muxStatusError(MuxOperation::Crop, 0), 0);
  EXPECT_EQ(muxStatusError(MuxOperation::Crop, 1), 0);
  // An unknown failure is never reported as success.
  EXPECT_EQ(muxStatusError(MuxOperation::Crop, -9), 6001);
}

}  // namespace
}  // namespace cw
