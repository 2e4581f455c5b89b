// Failures of the demultiplexer: bad cut areas, read faults, unbalanced
// streams and incorrect packets, each leaving the buffers as they were.
#include <gtest/gtest.h>

#include "demux_fixture.h"
#include "engine/edit/demux.h"
#include "platform/file.h"

namespace cw {
namespace {

class DemuxErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = demuxtest::corpusFile("sys_open.mpg");
    if (path_.empty()) FAIL() << "sys_open.mpg missing from the corpus";
    map_ = demuxtest::mapSystemStream(demuxtest::readWholeFile(path_));
    demuxtest::setCutAreas(map_, 2, 8, false, info_);
    ASSERT_TRUE(file_.open(path_, platform::OpenMode::Read));
  }
  void TearDown() override { platform::fault::disarm(); }
  std::string path_;
  demuxtest::StreamMap map_;
  StreamInfo info_;
  platform::File file_;
};

TEST_F(DemuxErrors, RejectsAreasThatDoNotFormARange) {
  EsBuffer video;
  EsBuffer audio;
  ASSERT_EQ(esInit(video, &info_.video), 0);
  ASSERT_EQ(esInit(audio, &info_.audio), 0);
  DemuxState state;

  StreamInfo swapped = info_;
  std::swap(swapped.video.workHead, swapped.video.workTail);
  EsBuffer v2;
  ASSERT_EQ(esInit(v2, &swapped.video), 0);
  EXPECT_EQ(PositionDemux(state, file_, kEsChunk, kCutInPlain, &v2, &audio), kDemuxBadRange);

  StreamInfo otherFile = info_;
  otherFile.audio.handle = info_.video.handle + 1;
  EsBuffer a2;
  ASSERT_EQ(esInit(a2, &otherFile.audio), 0);
  EXPECT_EQ(PositionDemux(state, file_, kEsChunk, kCutInPlain, &video, &a2), kDemuxBadRange);

  EXPECT_EQ(PositionDemux(state, file_, kEsChunk, kCutInPlain, nullptr, nullptr), kDemuxBadRange);
  EXPECT_EQ(PositionDemux(state, file_, kEsChunk, kCutInPlain, &video, &audio), 0);
  EXPECT_EQ(PositionDemux(state, file_, kEsChunk, kCutInPlain, &video, nullptr), 0);
}

TEST_F(DemuxErrors, ReadFaultsAreReadErrors) {
  EsBuffer video;
  EsBuffer audio;
  ASSERT_EQ(esInit(video, &info_.video), 0);
  ASSERT_EQ(esInit(audio, &info_.audio), 0);
  DemuxState state;
  platform::fault::failAt(1);
  EXPECT_EQ(PositionDemux(state, file_, kEsChunk, kCutInPlain, &video, &audio), kDemuxReadError);
  platform::fault::disarm();
  ASSERT_EQ(PositionDemux(state, file_, kEsChunk, kCutInPlain, &video, &audio), 0);
  ASSERT_EQ(DemuxStep(state, &video, &audio), 0);
  const std::size_t before = video.stored();
  platform::fault::failAt(1);
  EXPECT_EQ(DemuxStep(state, &video, &audio), kDemuxReadError);
  EXPECT_EQ(video.stored(), before);
}

// Nobody drains the buffers: the video passes its ceiling, and the failing
// step leaves bytes, units and packet marks as they were.
TEST_F(DemuxErrors, UnbalancedStreamsOverflowWithoutChangingTheBuffers) {
  EsBuffer video;
  EsBuffer audio;
  ASSERT_EQ(esInit(video, &info_.video, 8192, 4), 0);
  ASSERT_EQ(esInit(audio, &info_.audio, 8192, 4), 0);
  DemuxState state;
  ASSERT_EQ(PositionDemux(state, file_, 8192, kCutInMarkBrokenLink, &video, &audio), 0);
  int rc = 0;
  for (int i = 0; i < 100 && rc == 0; ++i) {
    const std::size_t stored = video.stored();
    const std::size_t marks = video.marks.size();
    const std::size_t units = video.units.size();
    rc = DemuxStep(state, &video, &audio);
    if (rc != 0) {
      EXPECT_EQ(video.stored(), stored);
      EXPECT_EQ(video.marks.size(), marks);
      EXPECT_EQ(video.units.size(), units);
    }
  }
  EXPECT_EQ(rc, kDemuxOverflow);
  EXPECT_LE(video.stored(), video.ceiling);
}

// A stream built byte by byte: a pack, a good video packet, then a video
// packet whose header is not one.
TEST(DemuxIncorrectPacket, IsReported) {
  std::vector<std::uint8_t> s = {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00,
                                 0x01, 0x00, 0x01, 0x80, 0x1B, 0x91};
  const std::int64_t first = static_cast<std::int64_t>(s.size());
  s.insert(s.end(), {0x00, 0x00, 0x01, 0xE0, 0x00, 0x0D, 0x0F, 0x00, 0x00, 0x01, 0xB8, 0x00, 0x08,
                     0x00, 0x40, 0x00, 0x00, 0x01, 0x00});
  const std::int64_t second = static_cast<std::int64_t>(s.size());
  s.insert(s.end(),
           {0x00, 0x00, 0x01, 0xE0, 0x00, 0x08, 0x80, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
  const std::string path = demuxtest::scratchPath("bad_packet.mpg");
  demuxtest::writeWholeFile(path, s);

  StreamDescriptor d;
  d.streamId = 0xE0;
  d.handle = 1;
  const std::uint8_t header[12] = {0x00, 0x00, 0x01, 0xB3, 0x16, 0x00,
                                   0xF0, 0x13, 0xFF, 0xFF, 0xE0, 0x18};
  std::copy(header, header + 12, d.header);
  d.workHead = {first, first + 7, second};
  d.workTail = {second, second + 7, static_cast<std::int64_t>(s.size())};
  platform::File file;
  ASSERT_TRUE(file.open(path, platform::OpenMode::Read));
  EsBuffer video;
  ASSERT_EQ(esInit(video, &d), 0);
  DemuxState state;
  ASSERT_EQ(PositionDemux(state, file, kEsChunk, kCutInPlain, &video, nullptr), 0);
  EXPECT_EQ(DemuxStep(state, &video, nullptr), kDemuxIncorrectPacket);
  EXPECT_EQ(video.stored(), 0u);
}

}  // namespace
}  // namespace cw
