// The demultiplexer and the elementary-stream reader on streams built byte by
// byte for the cases real files rarely show: a cut that begins and ends in one
// packet, a cut-in on a sequence header, and leading B-pictures that run past
// the first block.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "demux_fixture.h"
#include "engine/edit/demux.h"
#include "engine/edit/es_reader.h"
#include "platform/file.h"

namespace cw {
namespace {

const std::uint8_t kSequence[12] = {0x00, 0x00, 0x01, 0xB3, 0x16, 0x00,
                                    0xF0, 0x13, 0xFF, 0xFF, 0xE0, 0x18};  // 25 Hz, variable rate

void addGopHeader(std::vector<std::uint8_t>& s, bool closed) {
  s.insert(s.end(), {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00,
                     closed ? std::uint8_t{0x40} : std::uint8_t{0}});
}

void addPicture(std::vector<std::uint8_t>& s, char type, int ref, std::size_t body) {
  const int code = type == 'I' ? 1 : type == 'P' ? 2 : 3;
  s.insert(s.end(), {0x00, 0x00, 0x01, 0x00, static_cast<std::uint8_t>(ref >> 2),
                     static_cast<std::uint8_t>((ref & 3) << 6 | code << 3 | 0x07), 0xFF, 0xF8});
  s.insert(s.end(), body, 0x55);
}

// One video packet with a PTS whose payload holds two GOPs; the cut takes the
// second GOP and ends at the third, all inside the packet.
TEST(DemuxBuilt, CutInAndCutOutInOnePacket) {
  std::vector<std::uint8_t> payload;
  addGopHeader(payload, true);
  addPicture(payload, 'I', 0, 30);
  const auto in = static_cast<std::int64_t>(payload.size());
  addGopHeader(payload, true);
  addPicture(payload, 'I', 0, 30);
  addPicture(payload, 'P', 1, 30);
  const auto out = static_cast<std::int64_t>(payload.size());
  addGopHeader(payload, true);
  addPicture(payload, 'I', 0, 30);

  std::vector<std::uint8_t> s = {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00,
                                 0x01, 0x00, 0x01, 0x80, 0x1B, 0x91};
  const auto packet = static_cast<std::int64_t>(s.size());
  const std::size_t length = payload.size() + 1;
  s.insert(s.end(), {0x00, 0x00, 0x01, 0xE0, static_cast<std::uint8_t>(length >> 8),
                     static_cast<std::uint8_t>(length), 0x0F});
  const auto payloadAt = static_cast<std::int64_t>(s.size());
  s.insert(s.end(), payload.begin(), payload.end());
  const std::string path = demuxtest::scratchPath("one_packet.mpg");
  demuxtest::writeWholeFile(path, s);

  StreamDescriptor d;
  d.streamId = 0xE0;
  std::copy(kSequence, kSequence + 12, d.header);
  const auto end = static_cast<std::int64_t>(s.size());
  d.workHead = {packet, payloadAt + in, end};
  d.workTail = {packet, payloadAt + out, end};
  d.workFirstTime = 0;
  platform::File file;
  ASSERT_TRUE(file.open(path, platform::OpenMode::Read));
  EsBuffer video;
  ASSERT_EQ(esInit(video, &d), 0);
  DemuxState state;
  ASSERT_EQ(PositionDemux(state, file, kEsChunk, kCutInPlain, &video, nullptr), 0);
  ASSERT_EQ(DemuxStep(state, &video, nullptr), 0);
  EXPECT_TRUE(video.endOfData);

  demuxtest::Drained got;
  demuxtest::drain(video, got);
  std::vector<std::uint8_t> want(kSequence, kSequence + 12);
  want.insert(want.end(), payload.begin() + in, payload.begin() + out);
  want.insert(want.end(), {0x00, 0x00, 0x01, 0xB7});
  // The time code of the GOP is rewritten to zero; it was zero already.
  EXPECT_EQ(got.bytes, want);
  EXPECT_EQ(got.units.size(), 2u);
}

// Leading B-pictures larger than the first block: the reader reads on until
// it holds them all, and removes them as from a block that held them.
TEST(DemuxBuilt, DeadBPicturesPastTheFirstBlockAreRemovedToo) {
  std::vector<std::uint8_t> s(kSequence, kSequence + 12);
  addGopHeader(s, true);
  addPicture(s, 'I', 0, 100);
  const auto in = static_cast<std::int64_t>(s.size());
  addGopHeader(s, false);
  addPicture(s, 'I', 2, 100);
  addPicture(s, 'B', 0, 6000);
  addPicture(s, 'B', 1, 6000);
  addPicture(s, 'P', 3, 100);
  const auto out = static_cast<std::int64_t>(s.size());
  addGopHeader(s, true);
  addPicture(s, 'I', 0, 100);
  const std::string path = demuxtest::scratchPath("long_b.m1v");
  demuxtest::writeWholeFile(path, s);

  for (const std::size_t chunk : {std::size_t{4096}, std::size_t{32768}}) {
    SCOPED_TRACE(chunk);
    StreamDescriptor d;
    d.streamId = 0xE0;
    std::copy(kSequence, kSequence + 12, d.header);
    d.workHead = {in, in, in};
    d.workTail = {out, out, out};
    platform::File file;
    ASSERT_TRUE(file.open(path, platform::OpenMode::Read));
    EsBuffer video;
    ASSERT_EQ(esInit(video, &d), 0);
    EsReaderState state;
    ASSERT_EQ(PositionEsReader(state, file, chunk, kCutInRemoveDeadB, video), 0);
    demuxtest::Drained got;
    while (!video.endOfData) {
      ASSERT_EQ(EsReaderStep(state, video), 0);
      demuxtest::drain(video, got);
    }
    std::vector<demuxtest::EsGop> gops;
    std::vector<demuxtest::EsPicture> pictures;
    demuxtest::scanElementaryVideo(got.bytes, gops, pictures);
    ASSERT_EQ(gops.size(), 1u);
    EXPECT_FALSE(gops[0].brokenLink);
    EXPECT_TRUE(gops[0].closed);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0].ref, 0);
    EXPECT_EQ(pictures[1].ref, 1);
    ASSERT_EQ(got.units.size(), 2u);
    EXPECT_EQ(got.units[1].dts() - got.units[0].dts(), 3600);
  }
}

// An elementary video stream wrapped into a system stream: a pack header and
// a video packet without time stamps for every `payload` bytes.
struct Packed {
  std::vector<std::uint8_t> file;
  std::vector<std::int64_t> packets;   // file position of each packet
  std::vector<std::int64_t> payloads;  // file position of each payload
  std::size_t payload = 0;

  // The working area of the packet holding elementary-stream offset `at`.
  StreamArea areaAt(std::size_t at) const {
    const std::size_t k = at / payload;
    const std::int64_t end =
        k + 1 < packets.size() ? packets[k + 1] : static_cast<std::int64_t>(file.size());
    return {packets[k], payloads[k] + static_cast<std::int64_t>(at % payload), end};
  }
};

Packed packVideo(const std::vector<std::uint8_t>& es, std::size_t payload) {
  Packed p;
  p.payload = payload;
  for (std::size_t at = 0; at < es.size(); at += payload) {
    const std::size_t n = std::min(payload, es.size() - at);
    p.file.insert(p.file.end(),
                  {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x1B, 0x91});
    p.packets.push_back(static_cast<std::int64_t>(p.file.size()));
    const std::size_t length = n + 1;
    p.file.insert(p.file.end(), {0x00, 0x00, 0x01, 0xE0, static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(length), 0x0F});
    p.payloads.push_back(static_cast<std::int64_t>(p.file.size()));
    p.file.insert(p.file.end(), es.begin() + static_cast<std::ptrdiff_t>(at),
                  es.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  return p;
}

// A cut-in on the sequence header in front of an open GOP, as every later
// piece of a sequence crop has: the repair reaches the GOP header behind the
// source's sequence header, whether the leading B-pictures fit into the first
// block or not.
TEST(DemuxBuilt, CutInAtASequenceHeaderRepairsTheGopBehindIt) {
  std::vector<std::uint8_t> es(kSequence, kSequence + 12);
  addGopHeader(es, true);
  addPicture(es, 'I', 0, 100);
  const std::size_t in = es.size();
  es.insert(es.end(), kSequence, kSequence + 12);
  addGopHeader(es, false);
  addPicture(es, 'I', 2, 3000);
  addPicture(es, 'B', 0, 3000);
  addPicture(es, 'B', 1, 3000);
  addPicture(es, 'P', 3, 100);
  const std::size_t out = es.size();
  es.insert(es.end(), kSequence, kSequence + 12);
  addGopHeader(es, true);
  addPicture(es, 'I', 0, 100);
  const Packed packed = packVideo(es, 2000);
  const std::string path = demuxtest::scratchPath("seq_cut_in.mpg");
  demuxtest::writeWholeFile(path, packed.file);

  for (const auto& [treatment, chunk] :
       {std::pair{kCutInMarkBrokenLink, std::size_t{4096}},
        std::pair{kCutInRemoveDeadB, std::size_t{4096}}, std::pair{kCutInMarkBrokenLink, kEsChunk},
        std::pair{kCutInRemoveDeadB, kEsChunk}}) {
    SCOPED_TRACE(std::to_string(treatment) + " in blocks of " + std::to_string(chunk));
    StreamDescriptor d;
    d.streamId = 0xE0;
    std::copy(kSequence, kSequence + 12, d.header);
    d.workHead = packed.areaAt(in);
    d.workTail = packed.areaAt(out);
    platform::File file;
    ASSERT_TRUE(file.open(path, platform::OpenMode::Read));
    EsBuffer video;
    ASSERT_EQ(esInit(video, &d), 0);
    DemuxState state;
    ASSERT_EQ(PositionDemux(state, file, chunk, treatment, &video, nullptr), 0);
    demuxtest::Drained got;
    while (!video.endOfData) {
      ASSERT_EQ(DemuxStep(state, &video, nullptr), 0);
      demuxtest::drain(video, got);
    }
    std::vector<demuxtest::EsGop> gops;
    std::vector<demuxtest::EsPicture> pictures;
    demuxtest::scanElementaryVideo(got.bytes, gops, pictures);
    ASSERT_EQ(gops.size(), 1u);
    ASSERT_EQ(got.units.size(), pictures.size());
    if (treatment == kCutInMarkBrokenLink) {
      EXPECT_TRUE(gops[0].brokenLink);
      EXPECT_FALSE(gops[0].closed);
      ASSERT_EQ(pictures.size(), 4u);
    } else {
      EXPECT_FALSE(gops[0].brokenLink);
      EXPECT_TRUE(gops[0].closed);
      ASSERT_EQ(pictures.size(), 2u);
      EXPECT_EQ(pictures[0].ref, 0);
      EXPECT_EQ(pictures[1].ref, 1);
      EXPECT_EQ(got.units[1].dts() - got.units[0].dts(), 3600);
    }
  }
}

}  // namespace
}  // namespace cw
