// Cut-area analyses of video-only and audio-only elementary streams.
#include <gtest/gtest.h>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "info_fixture.h"
#include "platform/file.h"

namespace cw {
namespace {

class CutElementary : public testing::Test {
 protected:
  bool load(const char* name) {
    const std::string path = test::corpusFile(name);
    if (path.empty()) return false;
    bytes_ = test::readWholeFile(path);
    EXPECT_TRUE(test::fillRecord(path, info_));
    EXPECT_TRUE(file_.open(path, platform::OpenMode::Read));
    const int status = info_.fileType == kTypeVideoOnly ? analyseVideoOnly(file_, info_)
                                                        : analyseAudioOnly(file_, info_);
    EXPECT_EQ(status, 0);
    return true;
  }
  std::uint8_t codeAt(std::int64_t at) const {
    if (at < 0 || static_cast<std::size_t>(at) + 4 > bytes_.size()) return 0;
    return mpeg1::isStartCode(bytes_.data() + at) ? bytes_[at + 3] : 0;
  }

  std::vector<std::uint8_t> bytes_;
  StreamInfo info_;
  platform::File file_;
};

TEST_F(CutElementary, VideoOnlyCutsAtGopBoundariesAroundTheMarks) {
  if (!load("video_only.mpv")) FAIL() << "corpus file not loaded";
  const StreamDescriptor& v = info_.video;
  CutInResult result;
  ASSERT_EQ(analyseVideoOnlyCutIn(file_, info_, false, 3.0, result), 0);
  EXPECT_EQ(codeAt(v.workHead.point), mpeg1::kGroupStart);
  EXPECT_EQ(result.treatment, kCutInMarkBrokenLink);  // ffmpeg writes open GOPs
  const double inSeconds = static_cast<double>(v.workFirstTime) / 90000.0;
  EXPECT_LE(inSeconds, 3.0);
  EXPECT_GT(inSeconds, 3.0 - 0.6);

  ASSERT_EQ(analyseVideoOnlyCutIn(file_, info_, true, 3.0, result), 0);
  EXPECT_EQ(result.treatment, kCutInRemoveDeadB);
  EXPECT_GT(result.bufferSize, 32768) << "a whole GOP of 1200 kbit/s video";

  ASSERT_EQ(analyseVideoOnlyCutOut(file_, info_, 6.0), 0);
  const std::uint8_t code = codeAt(v.workTail.point);
  EXPECT_TRUE(code == mpeg1::kSequenceHeader || code == mpeg1::kGroupStart);
  const double outSeconds = static_cast<double>(v.workLastTime) / 90000.0;
  EXPECT_GE(outSeconds, 6.0);
  EXPECT_LT(outSeconds, 6.0 + 0.6);

  // The next sequence crop starts where this one ended.
  const std::int64_t previousOut = v.workTail.point;
  info_.video.workHead.point = previousOut;
  ASSERT_EQ(analyseVideoOnlySequenceCutIn(file_, info_, false, result), 0);
  EXPECT_EQ(v.workHead.point, previousOut);

  // A mark out at the very end takes the analysed tail.
  ASSERT_EQ(analyseVideoOnlyCutOut(file_, info_, 60.0), 0);
  EXPECT_EQ(v.workTail.point, v.tail.point);
  EXPECT_EQ(v.workLastTime, v.lastTime);
}

TEST_F(CutElementary, AudioOnlyCutsAtFrameHeaders) {
  if (!load("audio_only.mpa")) FAIL() << "corpus file not loaded";
  const StreamDescriptor& a = info_.audio;
  ASSERT_EQ(analyseAudioOnlyCutIn(file_, info_, 2.5), 0);
  EXPECT_TRUE(mpeg1::isAudioSync(bytes_.data() + a.workHead.point));
  EXPECT_EQ(a.workFirstTime, 225000);
  const double inPosition = 2.5 * 28000;  // 224 kbit/s
  EXPECT_LE(a.workHead.point, inPosition);
  EXPECT_GT(a.workHead.point, inPosition - 733);

  ASSERT_EQ(analyseAudioOnlyCutOut(file_, info_, 7.25), 0);
  EXPECT_TRUE(mpeg1::isAudioSync(bytes_.data() + a.workTail.point));
  EXPECT_EQ(a.workLastTime, 652500);
  EXPECT_GE(a.workTail.point, 7.25 * 28000);
  EXPECT_LT(a.workTail.point, 7.25 * 28000 + 733);

  ASSERT_EQ(analyseAudioOnlyCutOut(file_, info_, 11.0), 0);
  EXPECT_EQ(a.workTail.point, a.tail.point);
}

TEST_F(CutElementary, NotAnalysedOrWrongTypeIsRefused) {
  if (!load("video_only.mpv")) FAIL() << "corpus file not loaded";
  CutInResult result;
  StreamInfo fresh;
  fresh.video.type = kTypeVideoOnly;
  EXPECT_EQ(analyseVideoOnlyCutIn(file_, fresh, false, 1.0, result), 1010);
  EXPECT_EQ(analyseAudioOnlyCutIn(file_, info_, 1.0), 1002);
  EXPECT_EQ(analyseCutIn(file_, info_, 0, false, 1.0, 0, result), 1002);
}

}  // namespace
}  // namespace cw
