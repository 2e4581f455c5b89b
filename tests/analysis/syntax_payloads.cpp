// Video start codes, pictures and audio frames in the payloads of one
// stream's packets, where headers may straddle packet boundaries, and audio
// frames in successive buffers of an elementary audio file.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/analysis/scanners.h"
#include "support/mpeg_bytes.h"

namespace cw {
namespace {

using namespace testbytes;

// A buffer whose packets of `id` carry `payloads` in turn, each followed by a
// packet of another stream, with the filtered list of `id`.
struct Stream {
  ScanBuffer buf;
  ScanList packets;
  std::vector<std::uint32_t> payloadStart;  // buffer offset of each payload
};

Stream streamOf(std::uint8_t id, const std::vector<Bytes>& payloads,
                const std::vector<std::int64_t>& pts = {}) {
  Stream s;
  Bytes b = packHeader(0, 3528);
  for (std::size_t i = 0; i < payloads.size(); ++i) {
    const std::int64_t stamp = i < pts.size() ? pts[i] : 3003 * static_cast<std::int64_t>(i);
    const Bytes p = packet(id, payloads[i], {.pts = stamp});
    s.payloadStart.push_back(static_cast<std::uint32_t>(b.size() + p.size() - payloads[i].size()));
    append(b, p);
    append(b, packet(id == 0xE0 ? 0xC0 : 0xE0, filler(30)));
  }
  append(b, filler(4096));
  s.buf = bufferOf(b);
  EXPECT_EQ(listPackets(s.buf), 0);
  EXPECT_EQ(filterPacketsPtsDts(s.buf, s.buf.packets, id, s.packets), 0);
  EXPECT_EQ(s.packets.size(), payloads.size());
  return s;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) append(out, p);
  return out;
}

TEST(SyntaxVideoCodes, CodeSplitOneToThreeBytesIntoTheNextPayload) {
  for (std::uint8_t code : {0xB8, 0xB3, 0xB7}) {
    for (int k = 1; k <= 3; ++k) {
      const Bytes sc = startCode(code);
      Bytes first = filler(50);
      first.insert(first.end(), sc.begin(), sc.end() - k);
      Bytes second(sc.end() - k, sc.end());
      append(second, filler(50));
      Stream s = streamOf(0xE0, {first, second});
      ScanList codes;
      ASSERT_EQ(scanVideoCodes(s.buf, s.packets, codes), 0);
      ASSERT_EQ(codes.size(), 1u) << "code " << int(code) << " split " << k;
      EXPECT_EQ(codes[0].kind, code);
      EXPECT_EQ(codes[0].start, s.payloadStart[0] + 50);
      EXPECT_EQ(packetHolding(s.packets, codes[0].start), 0);
    }
  }
}

TEST(SyntaxVideoCodes, ScanGoesOnAtTheRightPlaceAfterASplitCode) {
  // The GOP code ends 3 bytes into the second payload; a sequence header
  // follows directly, and its code is split again across a one-byte payload.
  Stream s = streamOf(0xE0, {concat({filler(10), {0x00}}),
                             concat({{0x00, 0x01, 0xB8}, startCode(0xB3), filler(8), {0x00, 0x00}}),
                             {0x01},
                             concat({{0xB7}, filler(20)})});
  ScanList codes;
  ASSERT_EQ(scanVideoCodes(s.buf, s.packets, codes), 0);
  ASSERT_EQ(codes.size(), 3u);
  EXPECT_EQ(codes[0].kind, 0xB8);
  EXPECT_EQ(codes[0].start, s.payloadStart[0] + 10);
  EXPECT_EQ(codes[1].kind, 0xB3);
  EXPECT_EQ(codes[1].start, s.payloadStart[1] + 3);
  EXPECT_EQ(codes[2].kind, 0xB7);
  EXPECT_EQ(codes[2].start, s.payloadStart[1] + 15);
}

TEST(SyntaxPictures, TypeAndReferenceFoundAcrossTheBoundary) {
  const Bytes pic = pictureHeader(517, 2);
  for (int k = 1; k <= 5; ++k) {
    Bytes first = filler(40);
    first.insert(first.end(), pic.begin(), pic.begin() + (6 - k));
    Bytes second(pic.begin() + (6 - k), pic.end());
    append(second, filler(40));
    append(second, pictureHeader(3, 1));
    append(second, filler(40));
    Stream s = streamOf(0xE0, {first, second});
    ScanList pictures, codes;
    ASSERT_EQ(scanPicturesAndCodes(s.buf, s.packets, pictures, codes), 0);
    ASSERT_EQ(pictures.size(), 2u) << "split " << k;
    EXPECT_EQ(pictures[0].kind, 'P');
    EXPECT_EQ(pictures[0].temporalReference(), 517);
    EXPECT_EQ(pictures[0].start, s.payloadStart[0] + 40);
    EXPECT_EQ(pictures[1].kind, 'I');
    EXPECT_EQ(pictures[1].temporalReference(), 3);
    EXPECT_TRUE(codes.empty());
  }
}

TEST(SyntaxPictures, HeadersCutOffByTheLastPayloadAreNotReported) {
  const Bytes pic = pictureHeader(1, 3);
  Stream s = streamOf(0xE0, {concat({startCode(0xB8), filler(20), startCode(0xB3)}),
                             concat({filler(20), Bytes(pic.begin(), pic.begin() + 5)})});
  ScanList pictures, codes;
  ASSERT_EQ(scanPicturesAndCodes(s.buf, s.packets, pictures, codes), 0);
  EXPECT_TRUE(pictures.empty());
  ASSERT_EQ(codes.size(), 2u);  // the sequence code fits exactly at the payload end

  Stream t = streamOf(0xE0, {concat({startCode(0xB8), filler(20), {0x00, 0x00, 0x01}})});
  ASSERT_EQ(scanVideoCodes(t.buf, t.packets, codes), 0);
  EXPECT_EQ(codes.size(), 1u);
}

TEST(SyntaxPictures, ForbiddenTypeFailsTheCombinedScanOnly) {
  Stream s = streamOf(0xE0, {concat({startCode(0xB8), pictureHeader(0, 1), filler(10),
                                     pictureHeader(1, 0), filler(10), pictureHeader(2, 4)})});
  ScanList pictures, codes;
  EXPECT_EQ(scanPicturesAndCodes(s.buf, s.packets, pictures, codes), kForbiddenPicture);
  EXPECT_TRUE(pictures.empty());
  EXPECT_TRUE(codes.empty());
  ASSERT_EQ(scanPictures(s.buf, s.packets, pictures), 0);
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[1].kind, 'D');
  ASSERT_EQ(scanVideoCodes(s.buf, s.packets, codes), 0);
  EXPECT_EQ(codes.size(), 1u);
}

// Five frames, layer 2, 224 kbit/s, 44.1 kHz: 731 bytes, or 732 when padded.
// Frame starts: 0, 731, 1463, 2194, 2926.
Bytes audioFrames() {
  return concat({audioFrame(731), audioFrame(732, true, 1), audioFrame(731), audioFrame(732, true),
                 audioFrame(731)});
}

std::int64_t framesTime(std::int64_t base, int k) {
  return base + static_cast<std::int64_t>(std::trunc(k * (103680000.0 / 44100.0)));
}

TEST(SyntaxAudioPayloads, FramesTimedFromThePacketWhereTheyBegin) {
  const Bytes a = audioFrames();
  // The fourth header straddles the second packet boundary by two bytes.
  Stream s = streamOf(0xC0,
                      {Bytes(a.begin(), a.begin() + 1000),
                       Bytes(a.begin() + 1000, a.begin() + 2196), Bytes(a.begin() + 2196, a.end())},
                      {9000, 20000, 50000});
  const StreamParams params = makeStreamParams(0xC0, audioHeader().data());
  ScanList frames;
  ASSERT_EQ(scanAudioFramesInPayloads(s.buf, s.packets, params, frames), 0);
  ASSERT_EQ(frames.size(), 5u);
  const std::int64_t expected[] = {9000, framesTime(9000, 1), 20000, framesTime(20000, 1), 50000};
  const std::uint32_t offsets[] = {0, 731, 1463 - 1000, 2194 - 1000, 2926 - 2196};
  const int packetOf[] = {0, 0, 1, 1, 2};
  const char marks[] = {'a', 'A', 'a', 'A', 'a'};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(frames[i].time(), expected[i]) << i;
    EXPECT_EQ(frames[i].time(), expected[i]) << i;
    EXPECT_EQ(frames[i].start, s.payloadStart[packetOf[i]] + offsets[i]) << i;
    EXPECT_EQ(frames[i].kind, marks[i]) << i;
  }
  EXPECT_EQ(frames[1].time(), 11351);
}

TEST(SyntaxAudioPayloads, OtherModesAndPacketsWithoutTimeStampsAreHandled) {
  const Bytes a = concat({audioFrame(731), audioFrame(731, false, 3), audioFrame(731)});
  Stream s = streamOf(0xC0, {a}, {9000});
  const StreamParams stereo = makeStreamParams(0xC0, audioHeader().data());
  ScanList frames;
  ASSERT_EQ(scanAudioFramesInPayloads(s.buf, s.packets, stereo, frames), 0);
  ASSERT_EQ(frames.size(), 2u);  // the mono frame is not one of the stream's
  EXPECT_EQ(frames[1].start, s.payloadStart[0] + 1462);
  EXPECT_EQ(frames[1].time(), framesTime(9000, 1));

  s.packets[0].pts() = kNoTime;
  ASSERT_EQ(scanAudioFramesInPayloads(s.buf, s.packets, stereo, frames), 0);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].time(), kNoTime);
  EXPECT_EQ(frames[1].time(), kNoTime);

  const StreamParams invalid = makeStreamParams(0xC0, audioHeader(0, false, 0xF9).data());
  EXPECT_EQ(scanAudioFramesInPayloads(s.buf, s.packets, invalid, frames), kBadAudioHeader);
}

TEST(SyntaxAudioElementary, HeadersSplitOverBufferEndsAreCarried) {
  Bytes a = filler(100, 0x00);
  append(a, audioFrames());
  append(a, audioFrames());
  const std::uint32_t fourth = 100 + 2194;  // a padded frame
  for (int split = 1; split <= 3; ++split) {
    ScanBuffer buf;
    buf.audio = makeStreamParams(0xC0, audioHeader().data());
    buf.data.assign(a.begin(), a.begin() + fourth + split);
    ScanList first;
    ASSERT_EQ(scanAudioFramesElementary(buf, first), 0);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].start, 100u);
    EXPECT_EQ(buf.carriedBytes, split);
    EXPECT_EQ(buf.carriedPadding, split == 3);

    buf.data.assign(a.begin() + fourth + split, a.end());
    ScanList second;
    ASSERT_EQ(scanAudioFramesElementary(buf, second), 0);
    ASSERT_EQ(second.size(), 7u) << "split " << split;
    EXPECT_EQ(scanOffset(second[0].start), -split);
    EXPECT_EQ(second[0].kind, 'A');
    EXPECT_EQ(second[1].start, 732u - split);
    for (std::size_t i = 0; i < second.size(); ++i) {
      EXPECT_EQ(second[i].time(), framesTime(0, static_cast<int>(i) + 3));
    }
    EXPECT_EQ(buf.frameCounter, 10);
    EXPECT_EQ(buf.carriedBytes, 0);
  }
}

TEST(SyntaxAudioElementary, StrayBytesAtTheEndAreNotTakenForAHeader) {
  ScanBuffer buf;
  buf.audio = makeStreamParams(0xC0, audioHeader().data());
  buf.data = concat({audioFrame(731), {0xFF, 0xFD, 0xB0}});
  ScanList frames;
  ASSERT_EQ(scanAudioFramesElementary(buf, frames), 0);
  EXPECT_EQ(frames.size(), 1u);
  EXPECT_EQ(buf.carriedBytes, 3);
  // What follows is not the rest of a header of this stream (mono).
  buf.data = concat({{0xC4}, filler(800)});
  ASSERT_EQ(scanAudioFramesElementary(buf, frames), 0);
  EXPECT_TRUE(frames.empty());
  EXPECT_EQ(buf.frameCounter, 1);
}

TEST(SyntaxAudioElementary, LayerOneFramesAreWholeSlotsLong) {
  // Layer 1, 384 kbit/s, 44.1 kHz: 104 slots of 4 bytes, 105 when padded.
  const Bytes header = {0xFF, 0xFF, 0xC0, 0x00};
  ScanBuffer buf;
  buf.audio = makeStreamParams(0xC0, header.data());
  ASSERT_EQ(buf.audio.frameLength, 416);
  const bool padded[] = {false, false, true, false, true, true, false, false};
  for (bool pad : padded) {
    Bytes frame = header;
    frame[2] |= pad ? 0x02 : 0x00;
    frame.resize(pad ? 420 : 416, 0x22);
    append(buf.data, frame);
  }
  ScanList frames;
  ASSERT_EQ(scanAudioFramesElementary(buf, frames), 0);
  ASSERT_EQ(frames.size(), 8u);
  EXPECT_EQ(frames[1].start, 416u);
  EXPECT_EQ(frames[7].time(), static_cast<std::int64_t>(7 * 384 * 90000.0 / 44100));
}

}  // namespace
}  // namespace cw
