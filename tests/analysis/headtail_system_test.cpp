// Head and tail analysis of system streams on real multiplexed files, on
// files cut short, on a sparse file larger than 4 GiB, and under read faults.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "info_fixture.h"
#include "platform/file.h"

namespace cw {
namespace {

using test::corpusFile;

struct Analysed {
  int status = -1;
  StreamInfo info;
  std::int32_t muxRate = -1;
};

Analysed analyseFile(const std::string& path, const StreamInfo* record = nullptr) {
  Analysed a;
  if (record != nullptr) {
    a.info = *record;
  } else if (!test::fillRecord(path, a.info)) {
    return a;
  }
  platform::File file;
  if (!file.open(path, platform::OpenMode::Read)) return a;
  a.status = analyseSystemStream(file, a.info, a.muxRate);
  return a;
}

bool sameAreas(const StreamDescriptor& a, const StreamDescriptor& b) {
  auto same = [](const StreamArea& x, const StreamArea& y) {
    return x.packetStart == y.packetStart && x.point == y.point && x.packetEnd == y.packetEnd;
  };
  return same(a.head, b.head) && same(a.tail, b.tail) && same(a.workHead, b.workHead) &&
         same(a.workTail, b.workTail) && a.firstTime == b.firstTime && a.lastTime == b.lastTime &&
         a.workFirstTime == b.workFirstTime && a.workLastTime == b.workLastTime &&
         a.vbvDelay == b.vbvDelay && a.dropFrame == b.dropFrame;
}

bool startCodeAt(const std::vector<std::uint8_t>& bytes, std::int64_t at, std::uint8_t code) {
  return at >= 0 && static_cast<std::size_t>(at) + 4 <= bytes.size() &&
         mpeg1::isStartCode(bytes.data() + at) && bytes[at + 3] == code;
}

class SystemFiles : public testing::TestWithParam<const char*> {};

TEST_P(SystemFiles, DurationAndAreasMatchTheStream) {
  const std::string path = corpusFile(GetParam());
  if (path.empty()) FAIL() << "corpus file not loaded";
  const Analysed a = analyseFile(path);
  ASSERT_EQ(a.status, 0);
  const StreamDescriptor& v = a.info.video;
  const StreamDescriptor& au = a.info.audio;
  const std::vector<std::uint8_t> bytes = test::readWholeFile(path);

  // Cut points sit on a GOP start code at the head and on a GOP, sequence
  // header or sequence end at the tail, inside their packets; a stream
  // without a sequence end code (ffmpeg's) ends with its last packet.
  EXPECT_TRUE(startCodeAt(bytes, v.head.point, mpeg1::kGroupStart));
  const bool endsWithPacket = v.tail.point == v.tail.packetEnd;
  EXPECT_TRUE(startCodeAt(bytes, v.tail.point, mpeg1::kGroupStart) ||
              startCodeAt(bytes, v.tail.point, mpeg1::kSequenceHeader) ||
              startCodeAt(bytes, v.tail.point, mpeg1::kSequenceEnd) || endsWithPacket);
  if (endsWithPacket) {
    const std::string video("\0\0\1\xE0", 4), end("\0\0\1\xB7", 4);
    const std::string all(bytes.begin(), bytes.end());
    EXPECT_EQ(all.find(video, v.tail.packetEnd), std::string::npos) << "video after the end";
    EXPECT_EQ(all.find(end), std::string::npos) << "the stream has a sequence end code";
  }
  for (const StreamArea* area : {&v.head, &v.tail, &au.head}) {
    EXPECT_LE(area->packetStart, area->point);
    EXPECT_LE(area->point, area->packetEnd);
  }
  EXPECT_LT(v.head.point, v.head.packetEnd);
  EXPECT_TRUE(bytes[au.head.point] == 0xFF && bytes[au.head.point + 1] >= 0xF0);
  EXPECT_TRUE(sameAreas(v, v)) << "working copies";
  EXPECT_EQ(v.workHead.point, v.head.point);
  EXPECT_EQ(v.workLastTime, v.lastTime);
  EXPECT_EQ(au.workTail.point, au.tail.point);

  // Every GOP counts: the duration is the decoder's within a picture.
  const double probed = test::probedVideoDuration(path);
  if (probed > 0) {
    mpeg1::SequenceHeader seq;
    ASSERT_EQ(mpeg1::decodeSequenceHeader(v.header, seq), 0);
    const double seconds = static_cast<double>(v.lastTime - v.firstTime) / 90000.0;
    EXPECT_NEAR(seconds, probed, 1.0 / seq.pictureRate) << "probed " << probed;
  }
  // Audio covers the same stretch, and the streams' ends are complete.
  EXPECT_NEAR(static_cast<double>(au.firstTime), static_cast<double>(v.firstTime), 0.5 * 90000);
  EXPECT_NEAR(static_cast<double>(au.lastTime), static_cast<double>(v.lastTime), 1.0 * 90000);
  EXPECT_EQ(au.tail.point, au.tail.packetEnd) << "last audio frame complete";

  // The measured rate agrees with the rate the file really has.
  const double realRate = static_cast<double>(bytes.size()) / (probed > 0 ? probed : 10.0) / 50.0;
  EXPECT_NEAR(a.muxRate, realRate, realRate * 0.15);
}

INSTANTIATE_TEST_SUITE_P(Corpus, SystemFiles,
                         testing::Values("vcd_ntsc.mpg", "vcd_pal.mpg", "vcd_film.mpg",
                                         "sys_open.mpg", "sys_closed.mpg", "sys_32k.mpg",
                                         "sys_layer3.mpg", "sys_two_audio.mpg", "mjpeg_vcd.mpg",
                                         "mjpeg_generic.mpg", "syncflash.mpg"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

class SystemEdges : public testing::Test {
 protected:
  void SetUp() override {
    source_ = corpusFile("vcd_ntsc.mpg");
    if (source_.empty()) FAIL() << "corpus file not loaded";
    ASSERT_TRUE(test::fillRecord(source_, record_));
    dir_ = test::scratchDir(testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  std::string source_;
  std::string dir_;
  StreamInfo record_;
};

TEST_F(SystemEdges, PreconditionsLeaveTheRecordUnchanged) {
  std::vector<std::uint8_t> bytes = test::readWholeFile(source_);
  const std::string tiny = dir_ + "/tiny.mpg";
  test::writeWholeFile(tiny, {bytes.begin(), bytes.begin() + 1023});
  Analysed a = analyseFile(tiny, &record_);
  EXPECT_EQ(a.status, 1010);
  EXPECT_TRUE(sameAreas(a.info.video, record_.video));
  EXPECT_EQ(a.muxRate, -1);

  StreamInfo wrongType = record_;
  wrongType.video.type = kTypeVideoOnly;
  EXPECT_EQ(analyseFile(source_, &wrongType).status, 1002);

  platform::File closed;
  StreamInfo info = record_;
  std::int32_t rate = -1;
  EXPECT_EQ(analyseSystemStream(closed, info, rate), 1000);
}

// Offset of the last occurrence of start code `code` in `bytes`.
std::int64_t lastCode(const std::vector<std::uint8_t>& bytes, std::uint8_t code) {
  for (std::size_t i = bytes.size() - 4; i-- > 0;) {
    if (startCodeAt(bytes, static_cast<std::int64_t>(i), code)) return static_cast<std::int64_t>(i);
  }
  return -1;
}

TEST_F(SystemEdges, FileEndingInsideItsLastGopDropsThatGop) {
  const Analysed whole = analyseFile(source_, &record_);
  ASSERT_EQ(whole.status, 0);
  std::vector<std::uint8_t> bytes = test::readWholeFile(source_);
  // Cut 100 bytes after the start of the last GOP: the file ends inside a
  // packet, so the end of the last whole video packet does not end a GOP.
  const std::int64_t lastGop = lastCode(bytes, mpeg1::kGroupStart);
  ASSERT_GT(lastGop, 0);
  const std::string cut = dir_ + "/cut.mpg";
  test::writeWholeFile(cut, {bytes.begin(), bytes.begin() + lastGop + 100});
  const Analysed a = analyseFile(cut, &record_);
  ASSERT_EQ(a.status, 0);
  EXPECT_LT(a.info.video.tail.point, lastGop);
  EXPECT_TRUE(startCodeAt(bytes, a.info.video.tail.point, mpeg1::kGroupStart) ||
              startCodeAt(bytes, a.info.video.tail.point, mpeg1::kSequenceHeader));
  // At least the last GOP of 18 pictures less, at 29.97 pictures per second.
  EXPECT_GE(static_cast<double>(whole.info.video.lastTime - a.info.video.lastTime),
            18 * 3003.0 - 1);
  // The audio tail of the cut file is an incomplete frame, dropped.
  EXPECT_LT(a.info.audio.tail.point, a.info.audio.tail.packetEnd);
  EXPECT_EQ(a.info.video.head.point, whole.info.video.head.point);
}

// Turns every packet of stream `id` that starts in [from, to) into a
// padding packet of the same length.
void padPackets(std::vector<std::uint8_t>& bytes, std::uint8_t id, std::int64_t from,
                std::int64_t to) {
  for (std::size_t i = 0; i + 6 <= bytes.size();) {
    if (!mpeg1::isStartCode(bytes.data() + i)) {
      ++i;
      continue;
    }
    const std::uint8_t code = bytes[i + 3];
    if (code == mpeg1::kPackStart) {
      i += mpeg1::kPackHeaderSize;
    } else if (mpeg1::isPacketId(code)) {
      const auto at = static_cast<std::int64_t>(i);
      if (code == id && at >= from && at < to) bytes[i + 3] = 0xBE;
      i += 6 + static_cast<std::size_t>(mpeg1::packetLength(bytes.data() + i));
    } else {
      i += 4;
    }
  }
}

TEST_F(SystemEdges, StreamsEndingOrBeginningSecondsApartGrowTheWindows) {
  const Analysed whole = analyseFile(source_, &record_);
  ASSERT_EQ(whole.status, 0);
  const std::vector<std::uint8_t> bytes = test::readWholeFile(source_);
  const auto size = static_cast<std::int64_t>(bytes.size());
  const std::int64_t rate = 176400;  // VideoCD bytes per second
  struct Case {
    const char* what;
    std::uint8_t id;
    std::int64_t from, to;
  };
  // Four seconds of one stream removed: more than a head or tail window.
  const Case cases[] = {{"sound ends early", 0xC0, size - 4 * rate, size},
                        {"picture ends early", 0xE0, size - 4 * rate, size},
                        {"sound begins late", 0xC0, 0, 4 * rate}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> changed = bytes;
    padPackets(changed, c.id, c.from, c.to);
    const std::string path = dir_ + "/apart.mpg";
    test::writeWholeFile(path, changed);
    const Analysed a = analyseFile(path, &record_);
    ASSERT_EQ(a.status, 0);
    const StreamDescriptor& changedStream = c.id == 0xC0 ? a.info.audio : a.info.video;
    const StreamDescriptor& kept = c.id == 0xC0 ? a.info.video : a.info.audio;
    const StreamDescriptor& keptWhole = c.id == 0xC0 ? whole.info.video : whole.info.audio;
    if (c.from == 0) {
      EXPECT_GT(changedStream.firstTime, whole.info.audio.firstTime + 3 * 90000);
      EXPECT_GE(changedStream.head.packetStart, c.to);
      EXPECT_TRUE(sameAreas(a.info.video, whole.info.video));
    } else {
      EXPECT_LT(changedStream.lastTime, whole.info.video.lastTime - 3 * 90000);
      EXPECT_LT(changedStream.tail.packetStart, c.from);
      // The other stream's end is found in the first window, as before.
      EXPECT_EQ(kept.tail.point, keptWhole.tail.point);
      EXPECT_EQ(kept.lastTime, keptWhole.lastTime);
    }
  }
}

TEST_F(SystemEdges, SparseFileBeyond4GiBReadsOnlyHeadAndTail) {
  const std::vector<std::uint8_t> bytes = test::readWholeFile(source_);
  const std::int64_t piece = 1 << 20;
  ASSERT_GT(static_cast<std::int64_t>(bytes.size()), 2 * piece);
  const std::int64_t length = (std::int64_t{9} << 29) + 12345;  // 4.5 GiB and a bit
  const std::string big = dir_ + "/big.mpg";
  {
    std::ofstream out(big, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), piece);
  }
  std::error_code ec;
  std::filesystem::resize_file(big, length, ec);
  if (ec) GTEST_SKIP() << "no sparse files here: " << ec.message();
  {
    std::fstream out(big, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(length - piece);
    out.write(reinterpret_cast<const char*>(bytes.data() + bytes.size() - piece), piece);
  }

  platform::fault::failAt(0);
  const Analysed small = analyseFile(source_, &record_);
  const std::int64_t smallCalls = platform::fault::callsSoFar();
  platform::fault::failAt(0);
  const Analysed a = analyseFile(big, &record_);
  const std::int64_t bigCalls = platform::fault::callsSoFar();
  platform::fault::disarm();
  ASSERT_EQ(small.status, 0);
  ASSERT_EQ(a.status, 0);

  const std::int64_t shift = length - static_cast<std::int64_t>(bytes.size());
  EXPECT_EQ(a.info.video.head.point, small.info.video.head.point);
  EXPECT_EQ(a.info.video.tail.point, small.info.video.tail.point + shift);
  EXPECT_GT(a.info.video.tail.packetStart, std::int64_t{1} << 32);
  EXPECT_EQ(a.info.audio.tail.packetEnd, small.info.audio.tail.packetEnd + shift);
  EXPECT_EQ(a.info.video.lastTime, small.info.video.lastTime);
  EXPECT_GT(a.muxRate, small.muxRate * 1000);
  EXPECT_EQ(bigCalls, smallCalls) << "cost must not grow with the file's length";
}

TEST_F(SystemEdges, EveryReadFailureIsReportedAndChangesNothing) {
  platform::fault::failAt(0);
  ASSERT_EQ(analyseFile(source_, &record_).status, 0);
  const std::int64_t calls = platform::fault::callsSoFar();
  for (std::int64_t n = 2; n <= calls; ++n) {  // call 1 is the open
    platform::fault::failAt(n);
    const Analysed a = analyseFile(source_, &record_);
    EXPECT_EQ(a.status, 1000) << "failing call " << n;
    EXPECT_TRUE(sameAreas(a.info.video, record_.video));
    EXPECT_TRUE(sameAreas(a.info.audio, record_.audio));
  }
  platform::fault::disarm();
}

TEST_F(SystemEdges, FirstGopWithoutSuccessorInTheHeadWindowIsTooLong) {
  // A file that ends before its first GOP is complete: the head window
  // holds one GOP start code and nothing after it.
  const std::vector<std::uint8_t> bytes = test::readWholeFile(source_);
  const Analysed whole = analyseFile(source_, &record_);
  ASSERT_EQ(whole.status, 0);
  const std::string cut = dir_ + "/onegop.mpg";
  test::writeWholeFile(cut, {bytes.begin(), bytes.begin() + whole.info.video.head.point + 20000});
  EXPECT_EQ(analyseFile(cut, &record_).status, 1111);
}

}  // namespace
}  // namespace cw
