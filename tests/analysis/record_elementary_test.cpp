// Record analyses of video-only and audio-only records: where the join
// starts and the state the video writer continues from.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/record_analysis.h"
#include "engine/analysis/stream_params.h"
#include "info_fixture.h"
#include "platform/file.h"

namespace cw {
namespace {

using test::corpusFile;

class RecordElementary : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::scratchDir(testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The corpus video closed by a sequence end code, as a video record is.
  bool videoRecord(bool closed) {
    const std::string source = corpusFile("video_only.mpv");
    if (source.empty()) return false;
    bytes_ = test::readWholeFile(source);
    if (closed) bytes_.insert(bytes_.end(), {0, 0, 1, mpeg1::kSequenceEnd});
    path_ = dir_ + "/record.mpv";
    test::writeWholeFile(path_, bytes_);
    return test::fillRecord(path_, info_) && file_.open(path_, platform::OpenMode::Read);
  }
  bool codeAt(std::int64_t at, std::uint8_t code) const {
    return at >= 0 && at + 4 <= static_cast<std::int64_t>(bytes_.size()) &&
           mpeg1::isStartCode(&bytes_[at]) && bytes_[at + 3] == code;
  }
  double byteRate() const {
    return makeStreamParams(mpeg1::kVideoStream0, info_.video.header).bitRate;
  }

  std::string dir_, path_;
  std::vector<std::uint8_t> bytes_;
  StreamInfo info_;
  platform::File file_;
};

TEST_F(RecordElementary, VideoTailReplacesTheSequenceEnd) {
  if (!videoRecord(true)) FAIL() << "corpus file not loaded";
  VideoOnlyJoin j;
  ASSERT_EQ(analyseVideoOnlyRecordTail(file_, info_, j), 0);
  EXPECT_EQ(j.joinOffset, static_cast<std::int64_t>(bytes_.size()) - 4);
  EXPECT_TRUE(mpeg1::isStartCode(j.gopHeader));
  EXPECT_EQ(j.gopHeader[3], mpeg1::kGroupStart);
  EXPECT_EQ(j.pictureHeader[3], mpeg1::kPictureStart);
  EXPECT_EQ(j.lastTemporalRef, mpeg1::pictureTemporalReference(j.pictureHeader));
  // The last picture is the one the join offset ends.
  EXPECT_TRUE(codeAt(j.joinOffset - j.lastPictureBytes, mpeg1::kPictureStart));
  EXPECT_GE(j.picturesAfterGop, 1);
  EXPECT_LE(j.picturesAfterGop, 30);
}

TEST_F(RecordElementary, AnUnfinishedVideoRecordIsNotCut) {
  if (!videoRecord(false)) FAIL() << "corpus file not loaded";
  VideoOnlyJoin j;
  EXPECT_EQ(analyseVideoOnlyRecordTail(file_, info_, j), 1315);
  EXPECT_EQ(j.joinOffset, -1);
  platform::File closed;
  EXPECT_EQ(analyseVideoOnlyRecordTail(closed, info_, j), 1015);
}

TEST_F(RecordElementary, VideoEntryIsTheHeaderInFrontOfAGop) {
  if (!videoRecord(true)) FAIL() << "corpus file not loaded";
  const double rate = byteRate();
  ASSERT_GT(rate, 0.0);
  const double duration = static_cast<double>(bytes_.size()) / rate;
  for (const double entry : {3.0, duration / 2, duration + 5}) {
    SCOPED_TRACE(entry);
    StreamInfo info = info_;
    VideoOnlyJoin j;
    ASSERT_EQ(analyseVideoOnlyRecordEntry(file_, info, entry, j), 0);
    const std::int64_t at = j.joinOffset;
    EXPECT_TRUE(codeAt(at, mpeg1::kSequenceHeader) || codeAt(at, mpeg1::kSequenceEnd) ||
                codeAt(at, mpeg1::kGroupStart));
    EXPECT_EQ(info.video.workTail.point, at);
    const double t = std::min(entry, duration - 0.3);
    // At or after the estimate, within a GOP of it.
    EXPECT_GE(static_cast<double>(at), t * rate - 20.0);
    EXPECT_LT(static_cast<double>(at), t * rate + rate);
    EXPECT_TRUE(codeAt(at - j.lastPictureBytes, mpeg1::kPictureStart));
    if (codeAt(at, mpeg1::kGroupStart)) {
      // A sequence header directly in front would have been taken.
      EXPECT_FALSE(codeAt(at - 12, mpeg1::kSequenceHeader));
    }
  }
}

class RecordAudio : public RecordElementary {
 protected:
  bool audioRecord() {
    path_ = corpusFile("audio_only.mpa");
    if (path_.empty()) return false;
    bytes_ = test::readWholeFile(path_);
    return test::fillRecord(path_, info_) && file_.open(path_, platform::OpenMode::Read) &&
           analyseAudioOnly(file_, info_) == 0;
  }
};

TEST_F(RecordAudio, EntryIsAFrameBoundaryNearTheEstimate) {
  if (!audioRecord()) FAIL() << "corpus file not loaded";
  const StreamParams params = makeStreamParams(mpeg1::kAudioStream0, info_.audio.header);
  const double duration = static_cast<double>(bytes_.size()) / params.bitRate;
  StreamInfo info = info_;
  std::int64_t j = -1;
  ASSERT_EQ(analyseAudioOnlyRecordEntry(file_, info, 2.0, j), 0);
  EXPECT_TRUE(mpeg1::isAudioSync(&bytes_[j]));
  EXPECT_GE(static_cast<double>(j), 2.0 * params.bitRate - 1);
  EXPECT_LE(static_cast<double>(j), 2.0 * params.bitRate + params.frameLength + 1);
  EXPECT_EQ(info.audio.workTail.point, j);

  // The head's first frame is never the entry: the one after it is.
  ASSERT_EQ(analyseAudioOnlyRecordEntry(file_, info, 0.0, j), 0);
  EXPECT_GT(j, info_.audio.head.point);
  EXPECT_LE(j, info_.audio.head.point + params.frameLength + 1);
  EXPECT_TRUE(mpeg1::isAudioSync(&bytes_[j]));

  // In the last frame: the record's end, without reading.
  platform::File closed;
  ASSERT_EQ(analyseAudioOnlyRecordEntry(closed, info, duration, j), 1015);
  ASSERT_EQ(analyseAudioOnlyRecordEntry(file_, info, duration, j), 0);
  EXPECT_EQ(j, info_.audio.tail.point);
}

}  // namespace
}  // namespace cw
