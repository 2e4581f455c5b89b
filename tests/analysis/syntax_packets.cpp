// First-packet search, packet listing and the per-stream filters, on
// buffers built byte by byte.
#include <gtest/gtest.h>

#include "engine/analysis/scanners.h"
#include "support/mpeg_bytes.h"

namespace cw {
namespace {

using namespace testbytes;

// Room the first-packet search wants behind a packet.
constexpr std::size_t kTail = 4096;

TEST(SyntaxFirstPacket, SkipsLeadingGarbageAndSystemHeaders) {
  Bytes b = filler(333, 0x47);
  append(b, {0x00, 0x00, 0x01, 0xB3, 0x00, 0x00, 0x01});  // a non-packet code and a stray prefix
  append(b, packHeader(0, 3528));
  append(b, {0x00, 0x00, 0x01, 0xBB, 0x00, 0x02, 0xAA, 0xAA});
  const std::size_t at = b.size();
  append(b, packet(0xBC, filler(20)));
  append(b, filler(kTail));
  ScanBuffer buf = bufferOf(b);
  ScanEntry first;
  std::uint32_t resume = 0;
  ASSERT_EQ(findFirstPacket(buf, 0, first, resume), 0);
  // The system header (0xBB) has a packet-like layout but is not a packet.
  EXPECT_EQ(first.start, at);
  EXPECT_EQ(first.kind, 0xBC);
}

TEST(SyntaxFirstPacket, RetriesOnceAfterABadCandidate) {
  // A zero-length packet, then a good one.
  Bytes b = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00};
  const std::size_t good = b.size();
  append(b, packet(0xE0, filler(100), {.pts = 3000}));
  append(b, filler(kTail));
  ScanBuffer buf = bufferOf(b);
  ScanEntry first;
  std::uint32_t resume = 0;
  ASSERT_EQ(findFirstPacket(buf, 0, first, resume), 0);
  EXPECT_EQ(first.start, good);
  EXPECT_EQ(first.payload, good + 6 + 5);

  // Seventeen stuffing bytes, then a good packet.
  Bytes c = packet(0xC0, filler(100), {.stuffing = 17});
  const std::size_t good2 = c.size();
  append(c, packet(0xC0, filler(100)));
  append(c, filler(kTail));
  buf = bufferOf(c);
  ASSERT_EQ(findFirstPacket(buf, 0, first, resume), 0);
  EXPECT_EQ(first.start, good2);
}

TEST(SyntaxFirstPacket, TwoBadCandidatesOrNoneFail) {
  Bytes b = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00};
  append(b, packet(0xE0, filler(100), {.stuffing = 17}));
  append(b, packet(0xE0, filler(100)));
  append(b, filler(kTail));
  ScanBuffer buf = bufferOf(b);
  ScanEntry first;
  std::uint32_t resume = 0;
  EXPECT_EQ(findFirstPacket(buf, 0, first, resume), kScanBadStream);
  EXPECT_EQ(listPackets(buf), kScanBadStream);
  EXPECT_TRUE(buf.packets.empty());

  // A packet too close to the end, and nothing after it.
  Bytes near = packet(0xE0, filler(100));
  append(near, filler(2000));
  buf = bufferOf(near);
  EXPECT_EQ(findFirstPacket(buf, 0, first, resume), kScanNoPackets);

  buf = bufferOf(filler(40000));
  EXPECT_EQ(listPackets(buf), kScanNoPackets);
  // A code within the last 2048 bytes is not looked at.
  Bytes late = filler(3000);
  append(late, packet(0xE0, filler(100)));
  append(late, filler(1500));
  buf = bufferOf(late);
  EXPECT_EQ(listPackets(buf), kScanNoPackets);
}

TEST(SyntaxFirstPacket, ZeroBytesBehindTheFirstPacketAreSkipped) {
  Bytes b = packet(0xE0, filler(100));
  const std::size_t end = b.size();
  append(b, Bytes(600, 0x00));
  const std::size_t next = b.size();
  append(b, packet(0xC0, filler(50)));
  append(b, filler(kTail));
  ScanBuffer buf = bufferOf(b);
  ScanEntry first;
  std::uint32_t resume = 0;
  ASSERT_EQ(findFirstPacket(buf, 0, first, resume), 0);
  EXPECT_EQ(first.end, end);
  // The last zero window runs into the next start code.
  EXPECT_EQ(resume, next - 1);
  ASSERT_EQ(listPackets(buf), 0);
  ASSERT_EQ(buf.packets.size(), 2u);
  EXPECT_EQ(buf.packets[1].start, next);

  // A long run of zeros: the listing resumes 2047 bytes behind the packet.
  Bytes z = packet(0xE0, filler(100));
  append(z, Bytes(5000, 0x00));
  append(z, filler(kTail));
  buf = bufferOf(z);
  ASSERT_EQ(findFirstPacket(buf, 0, first, resume), 0);
  EXPECT_EQ(resume, first.end + 2047);
}

TEST(SyntaxListPackets, ListsStreamZeroAndPrivateStreamsOnly) {
  Bytes b = packHeader(0, 3528);
  const std::size_t v0 = b.size();
  append(b, packet(0xE0, filler(300), {.std = true, .pts = 9000, .dts = 6000}));
  append(b, packet(0xE1, filler(200)));  // video stream 1: not listed
  const std::size_t a0 = b.size();
  append(b, packet(0xC0, filler(200), {.pts = 7000}));
  append(b, packet(0xC1, filler(200)));  // audio stream 1: not listed
  append(b, packHeader(1000, 3528));
  const std::size_t pad = b.size();
  append(b, packet(0xBE, filler(100, 0xFF)));
  const std::size_t p2 = b.size();
  append(b, packet(0xBF, filler(40), {.privateStream2 = true}));
  append(b, packet(0xE0, filler(9000)));  // longer than 8192: not a packet here
  const std::size_t v1 = b.size();
  append(b, packet(0xE0, filler(100), {.pts = 12003}));
  append(b, packet(0xC0, filler(5000)));  // runs past the end: ends the list
  b.erase(b.end() - 100, b.end());

  ScanBuffer buf = bufferOf(b);
  ASSERT_EQ(listPackets(buf), 0);
  ASSERT_EQ(buf.packets.size(), 5u);
  const ScanList& l = buf.packets;
  EXPECT_EQ(l[0].start, v0);
  EXPECT_EQ(l[0].kind, 0xE0);
  EXPECT_EQ(l[0].payload, v0 + 6 + 2 + 10);
  EXPECT_EQ(l[1].start, a0);
  EXPECT_EQ(l[2].start, pad);
  EXPECT_EQ(l[2].payload, pad + 6);
  EXPECT_EQ(l[3].start, p2);
  EXPECT_EQ(l[3].kind, 0xBF);
  EXPECT_EQ(l[4].start, v1);
  for (std::size_t i = 1; i < l.size(); ++i) EXPECT_GE(l[i].start, l[i - 1].end);

  ScanList video;
  ASSERT_EQ(filterPacketsPtsDts(buf, l, 0xE0, video), 0);
  ASSERT_EQ(video.size(), 2u);
  EXPECT_EQ(video[0].start, video[0].payload);
  EXPECT_EQ(video[0].pts(), 9000);
  EXPECT_EQ(video[0].dts(), 6000);
  EXPECT_EQ(video[1].pts(), 12003);
  EXPECT_EQ(video[1].dts(), -1);

  ScanList videoPts;
  ASSERT_EQ(filterPacketsPts(buf, l, 0xE0, videoPts), 0);
  EXPECT_EQ(videoPts[0].pts(), 9000);
  EXPECT_EQ(videoPts[0].dts(), -1);

  ScanList audio;
  ASSERT_EQ(filterPacketsPts(buf, l, 0xC0, audio), 0);
  ASSERT_EQ(audio.size(), 1u);
  EXPECT_EQ(audio[0].pts(), 7000);

  ScanList private2;
  ASSERT_EQ(filterPrivateStream2(l, private2), 0);
  ASSERT_EQ(private2.size(), 1u);
  EXPECT_EQ(private2[0].start, p2);
  EXPECT_EQ(private2[0].pts(), -1);
}

TEST(SyntaxListPackets, IncorrectHeaderAfterTheFirstPacketFailsTheList) {
  Bytes b = packet(0xE0, filler(100));
  append(b, packet(0xC0, filler(100), {.stuffing = 17}));
  append(b, filler(kTail));
  ScanBuffer buf = bufferOf(b);
  EXPECT_EQ(listPackets(buf), kScanBadStream);
  EXPECT_TRUE(buf.packets.empty());

  // The same bytes inside a stream that is not listed are just data.
  Bytes c = packet(0xE0, filler(100));
  append(c, packet(0xC3, filler(100), {.stuffing = 17}));
  append(c, filler(kTail));
  buf = bufferOf(c);
  EXPECT_EQ(listPackets(buf), 0);
  EXPECT_EQ(buf.packets.size(), 1u);
}

TEST(SyntaxListPackets, FirstPacketOfAnyStreamIsListed) {
  Bytes b = packet(0xE3, filler(100));
  append(b, packet(0xE0, filler(100)));
  append(b, filler(kTail));
  ScanBuffer buf = bufferOf(b);
  ASSERT_EQ(listPackets(buf), 0);
  ASSERT_EQ(buf.packets.size(), 2u);
  EXPECT_EQ(buf.packets[0].kind, 0xE3);
  EXPECT_EQ(buf.packets[1].kind, 0xE0);
}

}  // namespace
}  // namespace cw
