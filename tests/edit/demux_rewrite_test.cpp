// The video rewriting on streams built byte by byte: drop-frame time codes
// over many minutes, the vbv_delay fallback, and time stamps of pictures
// anchored to packet PTS values.
#include <gtest/gtest.h>

#include <vector>

#include "engine/edit/es_buffer.h"
#include "engine/edit/video_rewrite.h"

namespace cw {
namespace {

// A sequence header: 352x240, the given picture rate code and bit rate value.
std::vector<std::uint8_t> sequenceHeader(int rateCode, int bitRateValue) {
  return {0x00,
          0x00,
          0x01,
          0xB3,
          0x16,
          0x00,
          0xF0,
          static_cast<std::uint8_t>(0x10 | rateCode),
          static_cast<std::uint8_t>(bitRateValue >> 10),
          static_cast<std::uint8_t>(bitRateValue >> 2),
          static_cast<std::uint8_t>((bitRateValue & 3) << 6 | 0x20),
          0x50};
}

void addGop(std::vector<std::uint8_t>& s, bool closed) {
  s.insert(s.end(), {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x00});
  if (closed) s.back() |= 0x40;
}

void addPicture(std::vector<std::uint8_t>& s, char type, int ref, int vbvDelay, int bodyBytes) {
  std::uint8_t p[8] = {0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0};
  const int code = type == 'I' ? 1 : type == 'P' ? 2 : 3;
  p[5] = static_cast<std::uint8_t>(code << 3);
  mpeg1::setPictureTemporalReference(p, ref);
  mpeg1::setPictureVbvDelay(p, vbvDelay);
  s.insert(s.end(), p, p + 8);
  s.insert(s.end(), static_cast<std::size_t>(bodyBytes), 0x55);
}

struct Video {
  StreamDescriptor descriptor;
  EsBuffer buf;
  std::vector<std::uint8_t> out;
  std::vector<ScanEntry> units;

  Video(int rateCode, bool dropFlag, int bitRateValue = 0x3FFFF) {
    descriptor.streamId = 0xE0;
    const auto h = sequenceHeader(rateCode, bitRateValue);
    std::copy(h.begin(), h.end(), descriptor.header);
    descriptor.dropFrame = dropFlag ? 0x80 : 0;
    descriptor.workFirstTime = 0;
    EXPECT_EQ(esInit(buf, &descriptor), 0);
  }
  // Feeds `bytes` in blocks of `block`, scanning and draining after each.
  void feed(const std::vector<std::uint8_t>& bytes, std::size_t block) {
    for (std::size_t at = 0; at < bytes.size(); at += block) {
      esCompact(buf);
      const std::size_t n = std::min(block, bytes.size() - at);
      ASSERT_EQ(esAppend(buf, bytes.data() + at, n), 0);
      ASSERT_EQ(scanVideoUnits(buf), 0);
      drain();
    }
    esFinish(buf);
    drain();
  }
  void drain() {
    const std::size_t base = out.size();
    out.insert(out.end(), buf.bytes.begin() + static_cast<std::ptrdiff_t>(buf.readPos),
               buf.bytes.begin() + static_cast<std::ptrdiff_t>(buf.fill));
    for (ScanEntry u : buf.units) {
      u.start = static_cast<std::uint32_t>(u.start - buf.readPos + base);
      units.push_back(u);
    }
    buf.units.clear();
    buf.readPos = buf.fill;
  }
};

// Drop-frame time code of picture number n at 29.97: two numbers skipped at
// every minute except each tenth.
mpeg1::TimeCode dropFrameCode(long n) {
  const long tenMinutes = n / 17982;
  const long rest = n % 17982;
  n += 18 * tenMinutes + (rest >= 2 ? 2 * ((rest - 2) / 1798) : 0);
  mpeg1::TimeCode tc;
  tc.pictures = static_cast<int>(n % 30);
  tc.seconds = static_cast<int>(n / 30 % 60);
  tc.minutes = static_cast<int>(n / 1800 % 60);
  tc.hours = static_cast<int>(n / 108000 % 24);
  return tc;
}

TEST(TimeCode, AdvancesAndWrapsWithAndWithoutDropFrame) {
  mpeg1::TimeCode tc{false, 0, 0, 59, 24};
  advanceTimeCode(tc, 25, false);
  EXPECT_EQ((std::vector<int>{tc.hours, tc.minutes, tc.seconds, tc.pictures}),
            (std::vector<int>{0, 1, 0, 0}));
  tc = {false, 23, 59, 59, 24};
  advanceTimeCode(tc, 25, false);
  EXPECT_EQ((std::vector<int>{tc.hours, tc.minutes, tc.seconds, tc.pictures}),
            (std::vector<int>{0, 0, 0, 0}));
  tc = {true, 0, 0, 59, 29};
  advanceTimeCode(tc, 30, true);
  EXPECT_EQ((std::vector<int>{tc.minutes, tc.seconds, tc.pictures}), (std::vector<int>{1, 0, 2}));
  tc = {true, 0, 9, 59, 29};
  advanceTimeCode(tc, 30, true);
  EXPECT_EQ((std::vector<int>{tc.minutes, tc.seconds, tc.pictures}), (std::vector<int>{10, 0, 0}));

  EXPECT_EQ(timeCodeRateOf(24000.0 / 1001.0), 24);
  EXPECT_EQ(timeCodeRateOf(30000.0 / 1001.0), 30);
  EXPECT_EQ(timeCodeRateOf(60000.0 / 1001.0), 60);
  EXPECT_EQ(timeCodeRateOf(25.0), 25);
  EXPECT_EQ(timeCodeRateOf(50.0), 50);
}

// Eleven minutes of 29.97 pictures in GOPs of 15, fed in odd-sized blocks so
// that GOP headers are split: every GOP carries the drop-frame code of the
// pictures before it.
TEST(TimeCode, DropFrameCodesRunContinuouslyThroughTheScanner) {
  for (const bool dropFlag : {true, false}) {
    SCOPED_TRACE(dropFlag);
    Video v(4, dropFlag);
    std::vector<std::uint8_t> s = sequenceHeader(4, 0x3FFFF);
    const long pictures = 11 * 1800;
    for (long n = 0; n < pictures; ++n) {
      if (n % 15 == 0) addGop(s, true);
      addPicture(s, n % 15 == 0 ? 'I' : 'P', static_cast<int>(n % 15), 0xFFFF, 3);
    }
    v.feed(s, 997);
    ASSERT_EQ(v.out.size(), s.size());
    long n = 0;
    int gops = 0;
    for (std::size_t i = 0; i + 8 <= v.out.size(); ++i) {
      if (!(v.out[i] == 0 && v.out[i + 1] == 0 && v.out[i + 2] == 1)) continue;
      if (v.out[i + 3] == 0x00) ++n;
      if (v.out[i + 3] != 0xB8) continue;
      ++gops;
      const mpeg1::TimeCode got = mpeg1::decodeGopTimeCode(&v.out[i]);
      mpeg1::TimeCode want = dropFrameCode(n);
      if (!dropFlag)
        want = {false, static_cast<int>(n / 108000), static_cast<int>(n / 1800 % 60),
                static_cast<int>(n / 30 % 60), static_cast<int>(n % 30)};
      ASSERT_EQ((std::vector<int>{got.hours, got.minutes, got.seconds, got.pictures}),
                (std::vector<int>{want.hours, want.minutes, want.seconds, want.pictures}))
          << "GOP before picture " << n;
      EXPECT_EQ(got.dropFrame, dropFlag);
      EXPECT_TRUE(mpeg1::gopClosed(&v.out[i]));
    }
    EXPECT_EQ(gops, pictures / 15);
    EXPECT_EQ(v.units.size(), static_cast<std::size_t>(pictures));
  }
}

TEST(TimeCode, DropFlagIsKeptOnlyAt2997) {
  Video v(3, true);  // 25 pictures per second
  std::vector<std::uint8_t> s = sequenceHeader(3, 0x3FFFF);
  for (int n = 0; n < 1600; ++n) {
    if (n % 25 == 0) addGop(s, true);
    addPicture(s, 'I', 0, 0xFFFF, 2);
  }
  v.feed(s, 4096);
  std::size_t last = 0;
  for (std::size_t i = 0; i + 8 <= v.out.size(); ++i) {
    if (v.out[i] == 0 && v.out[i + 1] == 0 && v.out[i + 2] == 1 && v.out[i + 3] == 0xB8) last = i;
  }
  const mpeg1::TimeCode tc = mpeg1::decodeGopTimeCode(&v.out[last]);
  EXPECT_FALSE(tc.dropFrame);
  EXPECT_EQ((std::vector<int>{tc.minutes, tc.seconds, tc.pictures}), (std::vector<int>{1, 3, 0}));
}

// A constant-rate stream whose pictures are far larger than the rate allows:
// the first recomputation leaves the valid range, and from then on every
// picture keeps the vbv_delay it had.
TEST(VbvDelay, FallsBackToUnsetWhenTheModelBreaksDown) {
  Video v(3, false, 1000);  // 400 000 bit/s
  std::vector<std::uint8_t> s = sequenceHeader(3, 1000);
  addGop(s, true);
  addPicture(s, 'I', 0, 3000, 1000);
  addPicture(s, 'P', 1, 4000, 60000);
  addPicture(s, 'P', 2, 30000, 100);
  addPicture(s, 'P', 3, 1234, 100);
  addPicture(s, 'P', 4, 4321, 100);
  v.feed(s, 32768);
  std::vector<int> delays;
  for (std::size_t i = 0; i + 8 <= v.out.size(); ++i) {
    if (v.out[i] == 0 && v.out[i + 1] == 0 && v.out[i + 2] == 1 && v.out[i + 3] == 0) {
      delays.push_back(mpeg1::pictureVbvDelay(&v.out[i]));
    }
  }
  ASSERT_EQ(delays.size(), 5u);
  EXPECT_EQ(delays[0], 3000);
  // Picture 1: 3000 + 3600 - 1008 bytes x 1.8 ticks/byte, within the rate's rounding.
  EXPECT_NEAR(delays[1], 3000 + 3600 - 1008 * 1.8, 20);
  EXPECT_EQ(delays[2], 30000) << "the model gives a negative delay: left alone";
  EXPECT_EQ(delays[3], 1234);
  EXPECT_EQ(delays[4], 4321);
  EXPECT_EQ(v.buf.video.vbvDelay, kNoVbvDelay);
}

// Pictures that start in a payload with a PTS take their time from it; the
// rest are counted on. An I-picture starts each GOP's display order.
TEST(TimeStamps, AnchoredAndCountedPicturesAgree) {
  Video v(3, false);
  v.descriptor.workFirstTime = 1000;
  startVideoRewrite(v.buf);  // anchor offset = 3600 - 1000
  std::vector<std::uint8_t> s = sequenceHeader(3, 0x3FFFF);
  addGop(s, false);
  // Decoding order I2 B0 B1 P5 B3 B4 at 25 pictures per second (T = 3600).
  const std::vector<std::pair<char, int>> order = {{'I', 2}, {'B', 0}, {'B', 1},
                                                   {'P', 5}, {'B', 3}, {'B', 4}};
  ASSERT_EQ(esAppend(v.buf, s.data(), s.size()), 0);
  for (std::size_t k = 0; k < order.size(); ++k) {
    std::vector<std::uint8_t> picture;
    addPicture(picture, order[k].first, order[k].second, 0xFFFF, 40);
    // P5 arrives in a packet with a PTS: the cut-in time (1000) less one
    // period, plus its six display slots.
    const std::int64_t pts = order[k].first == 'P' ? 1000 - 3600 + (5 + 1) * 3600 : kNoTime;
    ASSERT_EQ(esMarkPacket(v.buf, pts, kNoTime), 0);
    ASSERT_EQ(esAppend(v.buf, picture.data(), picture.size()), 0);
  }
  ASSERT_EQ(scanVideoUnits(v.buf), 0);
  esFinish(v.buf);
  v.drain();
  ASSERT_EQ(v.units.size(), 6u);
  const std::vector<std::int64_t> dts = {0, 3600, 7200, 10800, 14400, 18000};
  const std::vector<std::int64_t> pts = {10800, 3600, 7200, 21600, 14400, 18000};
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_EQ(v.units[k].dts(), dts[k]) << k;
    EXPECT_EQ(v.units[k].pts(), pts[k]) << k;
  }
}

}  // namespace
}  // namespace cw
