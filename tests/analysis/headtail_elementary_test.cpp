// Head and tail analyses of video-only and audio-only elementary streams.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "info_fixture.h"
#include "platform/file.h"

namespace cw {
namespace {

using test::corpusFile;

int analyseElementary(const std::string& path, StreamInfo& info) {
  platform::File file;
  if (!file.open(path, platform::OpenMode::Read)) return -1;
  return info.fileType == kTypeVideoOnly ? analyseVideoOnly(file, info)
                                         : analyseAudioOnly(file, info);
}

class Elementary : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::scratchDir(testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string dir_;
};

TEST_F(Elementary, VideoOnlyDurationAtTheDeclaredRate) {
  const std::string path = corpusFile("video_only.mpv");
  if (path.empty()) FAIL() << "corpus file not loaded";
  StreamInfo info;
  ASSERT_TRUE(test::fillRecord(path, info));
  ASSERT_EQ(analyseElementary(path, info), 0);
  const std::vector<std::uint8_t> bytes = test::readWholeFile(path);
  const StreamDescriptor& v = info.video;
  EXPECT_EQ(bytes[v.head.point + 3], mpeg1::kGroupStart);
  // ffmpeg writes no sequence end code: the end of the file ends the last GOP.
  EXPECT_EQ(v.tail.point, static_cast<std::int64_t>(bytes.size()));
  EXPECT_EQ(v.head.packetStart, v.head.point);
  EXPECT_EQ(v.tail.packetEnd, v.tail.point);
  EXPECT_EQ(v.firstTime, 0);
  EXPECT_EQ(v.workLastTime, v.lastTime);
  const double probed = test::probedVideoDuration(path);
  if (probed > 0) {
    EXPECT_NEAR(static_cast<double>(v.lastTime) / 90000.0, probed, 2 / 29.97);
  }
}

// Offsets of the picture start codes from `from` on.
std::vector<std::size_t> picturesFrom(const std::vector<std::uint8_t>& b, std::size_t from) {
  std::vector<std::size_t> at;
  for (std::size_t i = from; i + 4 <= b.size(); ++i) {
    if (mpeg1::isStartCode(b.data() + i) && b[i + 3] == mpeg1::kPictureStart) at.push_back(i);
  }
  return at;
}

// A stream without a sequence end code ends its last GOP with the file only
// when that GOP holds every picture its temporal references count on; a file
// cut short inside it ends with the GOP before, as one with an end code does
// at that code.
TEST_F(Elementary, VideoOnlyWithoutEndCodeEndsWithItsLastWholeGop) {
  const std::string path = corpusFile("mjpeg_kvcd.mpv");
  if (path.empty()) GTEST_SKIP() << "corpus file missing";
  StreamInfo record;
  ASSERT_TRUE(test::fillRecord(path, record));
  std::vector<std::uint8_t> bytes = test::readWholeFile(path);
  ASSERT_EQ(bytes[bytes.size() - 1], mpeg1::kSequenceEnd);
  StreamInfo withEnd = record;
  ASSERT_EQ(analyseElementary(path, withEnd), 0);
  const std::int64_t endCode = static_cast<std::int64_t>(bytes.size()) - 4;
  EXPECT_EQ(withEnd.video.tail.point, endCode);

  bytes.resize(bytes.size() - 4);
  const std::string noEnd = dir_ + "/noend.mpv";
  test::writeWholeFile(noEnd, bytes);
  StreamInfo info = record;
  ASSERT_EQ(analyseElementary(noEnd, info), 0);
  EXPECT_EQ(info.video.tail.point, endCode);
  EXPECT_EQ(info.video.lastTime, withEnd.video.lastTime);

  // Cut short after the second picture of the last GOP (I, then a P whose
  // temporal reference counts on the B-pictures before it).
  std::size_t lastGop = bytes.size();
  while (!(mpeg1::isStartCode(bytes.data() + lastGop) && bytes[lastGop + 3] == 0xB8)) --lastGop;
  const std::vector<std::size_t> pictures = picturesFrom(bytes, lastGop);
  ASSERT_GE(pictures.size(), 3u);
  bytes.resize(pictures[2]);
  test::writeWholeFile(noEnd, bytes);
  info = record;
  ASSERT_EQ(analyseElementary(noEnd, info), 0);
  EXPECT_LT(info.video.tail.point, static_cast<std::int64_t>(lastGop));
  EXPECT_EQ(bytes[info.video.tail.point + 3], mpeg1::kSequenceHeader);
}

// One GOP cut short (its B-pictures missing) leaves nothing to cut; the
// whole GOP on its own, without an end code, is a stream of one GOP.
TEST_F(Elementary, VideoOnlyWithOneGopOrTooShortIsTooShort) {
  const std::string path = corpusFile("video_only.mpv");
  if (path.empty()) FAIL() << "corpus file not loaded";
  StreamInfo record;
  ASSERT_TRUE(test::fillRecord(path, record));
  const std::vector<std::uint8_t> bytes = test::readWholeFile(path);
  // The sequence header and the first GOP, up to the next sequence header.
  std::size_t next = 16;
  while (next + 4 <= bytes.size() &&
         !(mpeg1::isStartCode(bytes.data() + next) && bytes[next + 3] == 0xB3)) {
    ++next;
  }
  ASSERT_GT(next, 1024u);
  const std::string oneGop = dir_ + "/onegop.mpv";
  test::writeWholeFile(oneGop, {bytes.begin(), bytes.begin() + next});
  StreamInfo info = record;
  EXPECT_EQ(analyseElementary(oneGop, info), 0);
  EXPECT_EQ(info.video.tail.point, static_cast<std::int64_t>(next));

  const std::vector<std::size_t> pictures = picturesFrom(bytes, 0);
  ASSERT_GE(pictures.size(), 3u);
  ASSERT_LT(pictures[2], next);
  const std::string shortGop = dir_ + "/shortgop.mpv";
  test::writeWholeFile(shortGop, {bytes.begin(), bytes.begin() + pictures[2]});
  info = record;
  EXPECT_EQ(analyseElementary(shortGop, info), 1010);
  EXPECT_EQ(info.video.tail.point, -1) << "record unchanged";

  const std::string tiny = dir_ + "/tiny.mpv";
  test::writeWholeFile(tiny, {bytes.begin(), bytes.begin() + 1023});
  EXPECT_EQ(analyseElementary(tiny, info), 1010);

  StreamInfo wrongType = record;
  wrongType.video.type = kTypeSystem;
  EXPECT_EQ(analyseElementary(path, wrongType), 1002);
}

TEST_F(Elementary, VideoOnlyWithoutAConstantRateCannotBeMapped) {
  const std::string path = corpusFile("video_only.mpv");
  if (path.empty()) FAIL() << "corpus file not loaded";
  StreamInfo info;
  ASSERT_TRUE(test::fillRecord(path, info));
  info.video.header[8] = 0xFF;  // variable rate: 0x3FFFF
  info.video.header[9] = 0xFF;
  info.video.header[10] |= 0xC0;
  EXPECT_EQ(analyseElementary(path, info), 1507);
  info.video.header[8] = info.video.header[9] = 0;
  info.video.header[10] &= 0x3F;
  EXPECT_EQ(analyseElementary(path, info), 1506);
}

// Index of the frame header positions of an elementary audio file.
std::vector<std::size_t> framePositions(const std::vector<std::uint8_t>& b) {
  std::vector<std::size_t> at;
  mpeg1::AudioHeader h;
  for (std::size_t i = 0; i + 4 <= b.size();) {
    if (mpeg1::isAudioSync(b.data() + i) && mpeg1::decodeAudioHeader(b.data() + i, h) == 0) {
      at.push_back(i);
      i += h.frameLength + (h.padding ? h.paddingSize : 0);
    } else {
      ++i;
    }
  }
  return at;
}

TEST_F(Elementary, AudioOnlyLastFrameCompleteWithItsPaddingByte) {
  const std::string path = corpusFile("audio_only.mpa");
  if (path.empty()) FAIL() << "corpus file not loaded";
  StreamInfo record;
  ASSERT_TRUE(test::fillRecord(path, record));
  const std::vector<std::uint8_t> bytes = test::readWholeFile(path);
  const std::vector<std::size_t> frames = framePositions(bytes);
  ASSERT_GT(frames.size(), 100u);

  // A padded frame (732 bytes at 224 kbit/s, 44.1 kHz) ending the file.
  std::size_t padded = frames.size() - 2;
  while ((bytes[frames[padded] + 2] & 0x02) == 0) --padded;
  const std::size_t end = frames[padded + 1];
  ASSERT_EQ(end - frames[padded], 732u);
  const std::string whole = dir_ + "/padded.mpa";
  test::writeWholeFile(whole, {bytes.begin(), bytes.begin() + end});
  StreamInfo info = record;
  ASSERT_EQ(analyseElementary(whole, info), 0);
  EXPECT_EQ(info.audio.head.point, 0);
  EXPECT_EQ(info.audio.tail.point, static_cast<std::int64_t>(end));
  EXPECT_EQ(info.audio.lastTime, static_cast<std::int64_t>(end * 90000.0 / 28000.0));

  // Two bytes short: incomplete, the frame is dropped.
  const std::string cut = dir_ + "/cut.mpa";
  test::writeWholeFile(cut, {bytes.begin(), bytes.begin() + end - 2});
  info = record;
  ASSERT_EQ(analyseElementary(cut, info), 0);
  EXPECT_EQ(info.audio.tail.point, static_cast<std::int64_t>(frames[padded]));
}

TEST_F(Elementary, AudioOnlyLayerOne) {
  const std::string path = corpusFile("audio_l1.mpa");
  if (path.empty()) FAIL() << "corpus file not loaded";
  StreamInfo info;
  ASSERT_TRUE(test::fillRecord(path, info));
  ASSERT_EQ(analyseElementary(path, info), 0);
  EXPECT_GT(info.audio.tail.point, info.audio.head.point);
  EXPECT_NEAR(static_cast<double>(info.audio.lastTime) / 90000.0, 6.0, 0.1);
}

}  // namespace
}  // namespace cw
