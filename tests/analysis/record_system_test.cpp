// Record head/tail and entry analyses of system streams, on encoder-made
// files that have the form a record has (every picture packet stamped, a
// sequence end code at the end) and on damaged copies of them.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/record_analysis.h"
#include "engine/analysis/stream_params.h"
#include "info_fixture.h"
#include "platform/file.h"

namespace cw {
namespace {

using test::corpusFile;

int analyseFile(const std::string& path, StreamInfo& info, std::int32_t& rate) {
  platform::File file;
  if (!file.open(path, platform::OpenMode::Read)) return -1;
  return analyseRecordFile(file, info, rate);
}

int analyseEntry(const std::string& path, StreamInfo& info, double entry, RecordEntryResult& r) {
  platform::File file;
  if (!file.open(path, platform::OpenMode::Read)) return -1;
  return analyseRecordEntry(file, info, entry, r);
}

std::int64_t picturePeriod(const StreamInfo& info) {
  return makeStreamParams(mpeg1::kVideoStream0, info.video.header).roundedPeriod;
}
std::int64_t framePeriod(const StreamInfo& info) {
  return makeStreamParams(mpeg1::kAudioStream0, info.audio.header).roundedPeriod;
}
double usableSeconds(const StreamInfo& info) {
  return static_cast<double>(info.video.lastTime - info.video.firstTime - picturePeriod(info)) /
         90000.0;
}

// An encoder's file in the form of a record: its video closed by a sequence
// end code in a packet of its own at the end (in place of the end code).
std::vector<std::uint8_t> recordLike(std::vector<std::uint8_t> b) {
  const std::size_t n = b.size();
  if (n >= 4 && mpeg1::isStartCode(&b[n - 4]) && b[n - 1] == mpeg1::kEndCode) b.resize(n - 4);
  const std::vector<std::uint8_t> pack(b.begin(), b.begin() + 12);
  b.insert(b.end(), pack.begin(), pack.end());
  const std::uint8_t packet[] = {
      0, 0, 1, mpeg1::kVideoStream0, 0, 5, 0x0F, 0, 0, 1, mpeg1::kSequenceEnd,
      0, 0, 1, mpeg1::kEndCode};
  b.insert(b.end(), std::begin(packet), std::end(packet));
  return b;
}

// Turns every audio packet whose PTS is later than `after` into a padding
// packet: the file's audio then ends early.
void silenceAudioAfter(std::vector<std::uint8_t>& b, std::int64_t after) {
  bool silencing = false;
  for (std::size_t i = 0; i + 12 < b.size(); ++i) {
    if (!mpeg1::isStartCode(&b[i]) || b[i + 3] != mpeg1::kAudioStream0) continue;
    const std::int64_t pts = mpeg1::packetPts(&b[i], static_cast<int>(b.size() - i));
    if (pts != -1 && pts > after) silencing = true;
    if (silencing) b[i + 3] = mpeg1::kPaddingStream;
  }
}

class RecordSystem : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const std::string source = corpusFile(GetParam());
    if (source.empty()) FAIL() << "corpus file not loaded";
    dir_ = test::scratchDir(std::string("record-") + GetParam());
    bytes_ = recordLike(test::readWholeFile(source));
    path_ = dir_ + "/record.mpg";
    test::writeWholeFile(path_, bytes_);
    ASSERT_TRUE(test::fillRecord(path_, info_));
    ASSERT_EQ(analyseFile(path_, info_, rate_), 0);
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  bool codeAt(std::int64_t at, std::uint8_t code) const {
    return at >= 0 && at + 4 <= static_cast<std::int64_t>(bytes_.size()) &&
           mpeg1::isStartCode(&bytes_[at]) && bytes_[at + 3] == code;
  }
  std::string dir_, path_;
  std::vector<std::uint8_t> bytes_;
  StreamInfo info_;
  std::int32_t rate_ = 0;
};

TEST_P(RecordSystem, HeadAndTailDescribeTheWholeStream) {
  const StreamDescriptor& v = info_.video;
  const StreamDescriptor& a = info_.audio;
  EXPECT_TRUE(codeAt(v.head.point, mpeg1::kGroupStart));
  EXPECT_TRUE(codeAt(v.tail.point, mpeg1::kSequenceEnd));
  EXPECT_EQ(v.tail.point + 4, v.tail.packetEnd);
  EXPECT_EQ(a.tail.point, a.tail.packetEnd);
  EXPECT_EQ(v.workHead.point, v.head.point);
  EXPECT_EQ(a.workLastTime, a.lastTime);
  EXPECT_LT(v.firstTime, v.lastTime);
  // Both streams end within a frame or two of each other.
  EXPECT_NEAR(static_cast<double>(a.lastTime - v.lastTime), 0.0, 2.0 * framePeriod(info_) + 3600);
  const double probed = test::probedVideoDuration(path_);
  if (probed > 0) {
    EXPECT_NEAR(static_cast<double>(v.lastTime - v.firstTime) / 90000, probed, 0.1);
  }
  const double seconds = static_cast<double>(v.lastTime - v.firstTime) / 90000;
  EXPECT_NEAR(rate_, static_cast<double>(bytes_.size()) / seconds, 0.05 * rate_);
}

TEST_P(RecordSystem, EntryAreaIsAGopEndWithItsAudioAndMergeState) {
  const std::int64_t T = picturePeriod(info_);
  const std::int64_t D = framePeriod(info_);
  const double usable = usableSeconds(info_);
  for (const double entry : {1.0, usable / 2, usable - 2.0}) {
    SCOPED_TRACE(entry);
    StreamInfo info = info_;
    RecordEntryResult r;
    ASSERT_EQ(analyseEntry(path_, info, entry, r), 0);
    const StreamDescriptor& v = info.video;
    const StreamDescriptor& a = info.audio;
    const std::uint8_t code = bytes_[v.workTail.point + 3];
    EXPECT_TRUE(code == mpeg1::kGroupStart || code == mpeg1::kSequenceHeader);
    EXPECT_TRUE(mpeg1::isStartCode(&bytes_[v.workTail.point]));
    // The kept GOP holds the picture decoded at the entry time.
    const std::int64_t target = v.firstTime + static_cast<std::int64_t>(entry * 90000);
    EXPECT_GE(v.workLastTime, target);
    EXPECT_LE(v.workLastTime, target + 40 * T);
    // The audio entry ends the frame that ends with the video.
    EXPECT_GE(a.workLastTime, v.workLastTime);
    EXPECT_LT(a.workLastTime - D, v.workLastTime);
    EXPECT_TRUE(mpeg1::isAudioSync(&bytes_[a.workTail.point]));
    // The pack before the merge point and its clock.
    EXPECT_TRUE(codeAt(r.packPosition, mpeg1::kPackStart));
    EXPECT_EQ(r.mergePoint, r.packPosition + 12);
    EXPECT_EQ(r.mergePoint, std::min(v.workTail.packetStart, a.workTail.packetStart));
    EXPECT_EQ(r.scr, mpeg1::packScr(&bytes_[r.packPosition]));
    // Decoder buffers at the merge point.
    ASSERT_FALSE(r.videoQueue.empty());
    ASSERT_FALSE(r.audioQueue.empty());
    std::int64_t sum = 0;
    for (const RecordQueueEntry& e : r.videoQueue) sum += e.bytes;
    EXPECT_EQ(sum, r.videoOccupancy);
    EXPECT_GT(r.videoOccupancy, 0);
    EXPECT_LE(r.videoOccupancy, 47104);
    EXPECT_LE(r.audioOccupancy, 4096);
    EXPECT_EQ(r.videoEnd, r.videoQueue.back().decodeTime);
    EXPECT_GE(r.videoMaxPresent, r.videoLastPresent);
    EXPECT_GT(r.videoQueue.back().decodeTime, r.scr - 90000);
    EXPECT_EQ(r.audioEnd, r.audioQueue.back().decodeTime);
    // The re-fed bytes end at the entry points and hold whole headers.
    ASSERT_GE(r.videoBytes.size(), 4u);
    EXPECT_LT(r.audioFirstFrame, r.audioBytes.size());
    EXPECT_TRUE(mpeg1::isAudioSync(&r.audioBytes[r.audioFirstFrame]));
    EXPECT_EQ(r.gopHeader[3], mpeg1::kGroupStart);
    EXPECT_TRUE(mpeg1::isStartCode(r.pictureHeader));
    EXPECT_EQ(r.pictureHeader[3], mpeg1::kPictureStart);
    EXPECT_GE(r.picturesAfterGop, 1);
  }
}

TEST_P(RecordSystem, EntryAtTheUsableEndIsTheSequenceEnd) {
  StreamInfo info = info_;
  RecordEntryResult r;
  ASSERT_EQ(analyseEntry(path_, info, usableSeconds(info_), r), 0);
  EXPECT_EQ(info.video.workTail.point, info_.video.tail.point);
  EXPECT_EQ(info.video.workLastTime, info_.video.lastTime);
  EXPECT_EQ(info.audio.workLastTime, info_.audio.lastTime);
  EXPECT_EQ(info.audio.workTail.point, info_.audio.tail.point);
}

// Records carry one packet per pack, as the VideoCD files do; the generic
// files' packs carry several, so only their head and tail are records'. At
// 23.976 pictures/s the rounded period is a quarter tick off the stamps.
INSTANTIATE_TEST_SUITE_P(Corpus, RecordSystem,
                         testing::Values("vcd_pal.mpg", "vcd_ntsc.mpg", "vcd_film.mpg"));

TEST(RecordPacks, APackOfSeveralPacketsHasNoClockBeforeTheMergePoint) {
  const std::string source = corpusFile("sys_open.mpg");
  if (source.empty()) FAIL() << "corpus file not loaded";
  const std::string dir = test::scratchDir("record-several-packets");
  const std::string path = dir + "/record.mpg";
  test::writeWholeFile(path, recordLike(test::readWholeFile(source)));
  StreamInfo info;
  ASSERT_TRUE(test::fillRecord(path, info));
  std::int32_t rate = 0;
  ASSERT_EQ(analyseFile(path, info, rate), 0);
  const double probed = test::probedVideoDuration(path);
  if (probed > 0) {
    EXPECT_NEAR(static_cast<double>(info.video.lastTime - info.video.firstTime) / 90000, probed,
                0.1);
  }
  RecordEntryResult r;
  EXPECT_EQ(analyseEntry(path, info, 1.0, r), 1612);
  std::filesystem::remove_all(dir);
}

class RecordDamaged : public testing::Test {
 protected:
  void SetUp() override {
    source_ = corpusFile("vcd_pal.mpg");
    if (source_.empty()) FAIL() << "corpus file not loaded";
    dir_ = test::scratchDir(testing::UnitTest::GetInstance()->current_test_info()->name());
    bytes_ = recordLike(test::readWholeFile(source_));
    source_ = dir_ + "/whole.mpg";
    test::writeWholeFile(source_, bytes_);
    ASSERT_TRUE(test::fillRecord(source_, info_));
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  std::string write(const std::vector<std::uint8_t>& b) {
    const std::string path = dir_ + "/record.mpg";
    test::writeWholeFile(path, b);
    return path;
  }
  std::string source_, dir_;
  std::vector<std::uint8_t> bytes_;
  StreamInfo info_;
};

TEST_F(RecordDamaged, AnInterruptedWriteEndingInAGopFailsTheTail) {
  // Cut the file inside its last GOP: the last video code is a GOP start.
  std::size_t lastGop = 0;
  for (std::size_t i = 0; i + 4 < bytes_.size(); ++i) {
    if (mpeg1::isStartCode(&bytes_[i]) && bytes_[i + 3] == mpeg1::kGroupStart) lastGop = i;
  }
  ASSERT_GT(lastGop, 0u);
  std::vector<std::uint8_t> cut(bytes_.begin(), bytes_.begin() + lastGop + 6000);
  const std::string path = write(cut);
  StreamInfo info = info_;
  std::int32_t rate = -7;
  EXPECT_EQ(analyseFile(path, info, rate), 1662);
  EXPECT_EQ(rate, -7);
  EXPECT_EQ(info.video.tail.point, -1) << "nothing is stored on failure";
}

TEST_F(RecordDamaged, RefusalsBeforeReading) {
  StreamInfo info = info_;
  std::int32_t rate = 0;
  platform::File closed;
  EXPECT_EQ(analyseRecordFile(closed, info, rate), 1015);
  std::vector<std::uint8_t> tiny(bytes_.begin(), bytes_.begin() + 1000);
  EXPECT_EQ(analyseFile(write(tiny), info, rate), 1010);
  info.fileType = info.video.type = kTypeVideoOnly;
  EXPECT_EQ(analyseFile(source_, info, rate), 1002);
}

TEST_F(RecordDamaged, AudioEndingEarlyIsAcceptedUpToHalfASecond) {
  std::int32_t rate = 0;
  StreamInfo whole = info_;
  ASSERT_EQ(analyseFile(source_, whole, rate), 0);
  const std::int64_t videoEnd = whole.video.lastTime;
  const std::int64_t D = framePeriod(info_);
  // Audio ending 0.4 s before the video's end: the audio tail is the entry.
  for (const std::int64_t gap : {36000, 54000}) {
    SCOPED_TRACE(gap);
    std::vector<std::uint8_t> b = bytes_;
    silenceAudioAfter(b, videoEnd - gap - 2 * D);
    const std::string path = write(b);
    StreamInfo info = info_;
    ASSERT_EQ(analyseFile(path, info, rate), 0);
    const std::int64_t shortfall = info.video.lastTime - info.audio.lastTime;
    ASSERT_GT(shortfall, gap - 4 * D);
    ASSERT_LT(shortfall, gap + 4 * D);
    RecordEntryResult r;
    const int status = analyseEntry(path, info, usableSeconds(info), r);
    if (shortfall >= 45000) {
      EXPECT_EQ(status, 1611);
    } else {
      ASSERT_EQ(status, 0);
      EXPECT_EQ(info.audio.workTail.point, info.audio.tail.point);
      EXPECT_EQ(info.audio.workLastTime, info.audio.lastTime);
    }
  }
}

TEST_F(RecordDamaged, FailedEntryLeavesResultAndDescriptorsAlone) {
  std::int32_t rate = 0;
  StreamInfo info = info_;
  ASSERT_EQ(analyseFile(source_, info, rate), 0);
  RecordEntryResult r;
  ASSERT_EQ(analyseEntry(source_, info, 2.0, r), 0);
  const RecordEntryResult before = r;
  const StreamInfo infoBefore = info;
  // Without any stamps in the file the pictures have no times.
  std::vector<std::uint8_t> b = bytes_;
  for (std::size_t i = 0; i + 4 < b.size(); ++i) {
    if (mpeg1::isStartCode(&b[i]) && b[i + 3] == mpeg1::kVideoStream0) b[i + 3] = 0xE1;
  }
  EXPECT_EQ(analyseEntry(write(b), info, 2.0, r), 1602);
  EXPECT_EQ(r.packPosition, before.packPosition);
  EXPECT_EQ(r.videoBytes, before.videoBytes);
  EXPECT_EQ(info.video.workTail.point, infoBefore.video.workTail.point);
  EXPECT_EQ(info.audio.workLastTime, infoBefore.audio.workLastTime);
}

}  // namespace
}  // namespace cw
