// Cut-area analyses of system streams on real multiplexed files.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/record_mode.h"
#include "info_fixture.h"
#include "platform/file.h"

namespace cw {
namespace {

class CutSystem : public testing::Test {
 protected:
  // Opens a corpus file and analyses its head and tail.
  bool load(const char* name) {
    path_ = test::corpusFile(name);
    if (path_.empty()) return false;
    bytes_ = test::readWholeFile(path_);
    EXPECT_TRUE(test::fillRecord(path_, info_));
    EXPECT_TRUE(file_.open(path_, platform::OpenMode::Read));
    std::int32_t rate = 0;
    EXPECT_EQ(analyseSystemStream(file_, info_, rate), 0);
    period_ = makeStreamParams(0xE0, info_.video.header).roundedPeriod;
    frame_ = makeStreamParams(0xC0, info_.audio.header).roundedPeriod;
    return true;
  }
  bool codeAt(std::int64_t at, std::uint8_t code) const {
    return at >= 0 && static_cast<std::size_t>(at) + 4 <= bytes_.size() &&
           mpeg1::isStartCode(bytes_.data() + at) && bytes_[at + 3] == code;
  }
  bool gopOrSequenceAt(std::int64_t at) const {
    return codeAt(at, mpeg1::kGroupStart) || codeAt(at, mpeg1::kSequenceHeader) ||
           codeAt(at, mpeg1::kSequenceEnd);
  }
  // Checks the working cut-in against the mark.
  void expectCutInAround(double mark, const CutInResult& result) {
    const StreamDescriptor& v = info_.video;
    const StreamDescriptor& a = info_.audio;
    EXPECT_TRUE(codeAt(v.workHead.point, mpeg1::kGroupStart));
    EXPECT_LE(v.workHead.packetStart, v.workHead.point);
    EXPECT_LT(v.workHead.point, v.workHead.packetEnd);
    const std::int64_t target = static_cast<std::int64_t>(mark * 90000) + v.firstTime;
    // The GOP holding the picture at the mark starts at most one GOP (18
    // pictures) and a few B-pictures before it.
    EXPECT_LE(v.workFirstTime, target + 3 * period_);
    EXPECT_GE(v.workFirstTime, target - 21 * period_);
    EXPECT_TRUE(bytes_[a.workHead.point] == 0xFF && bytes_[a.workHead.point + 1] >= 0xF0);
    EXPECT_GE(a.workFirstTime, v.workFirstTime);
    EXPECT_LE(a.workFirstTime, v.workFirstTime + frame_ + 1);
    EXPECT_GE(result.bufferSize, 32768);
  }

  std::string path_;
  std::vector<std::uint8_t> bytes_;
  StreamInfo info_;
  platform::File file_;
  std::int64_t period_ = 0;
  std::int64_t frame_ = 0;
};

TEST_F(CutSystem, OpenGopGivesRepairModeOneOrTwoAndClosedGopZero) {
  if (!load("sys_open.mpg")) FAIL() << "corpus file not loaded";
  CutInResult result;
  for (double mark : {1.0, 3.3, 6.1}) {
    ASSERT_EQ(analyseCutIn(file_, info_, 0, false, mark, 0, result), 0) << mark;
    EXPECT_EQ(result.treatment, kCutInMarkBrokenLink);
    EXPECT_EQ(result.bufferSize, 32768);
    expectCutInAround(mark, result);
    const std::int64_t broken = info_.video.workFirstTime;

    ASSERT_EQ(analyseCutIn(file_, info_, 0, true, mark, 0, result), 0);
    EXPECT_EQ(result.treatment, kCutInRemoveDeadB);
    expectCutInAround(mark, result);
    // The leading B-pictures are removed: the cut starts later.
    EXPECT_GT(info_.video.workFirstTime, broken);
    EXPECT_GT(result.bufferSize, 32768);
  }

  if (!load("sys_closed.mpg")) FAIL() << "corpus file not loaded";
  ASSERT_EQ(analyseCutIn(file_, info_, 0, true, 4.2, 0, result), 0);
  EXPECT_EQ(result.treatment, kCutInPlain);
  EXPECT_EQ(result.bufferSize, 32768);
  expectCutInAround(4.2, result);
}

TEST_F(CutSystem, CutInInsideAGopLongerThanTheWindowGrowsTheWindow) {
  if (!load("vcd_ntsc.mpg")) FAIL() << "corpus file not loaded";
  // With the smallest window (64 KiB, under half a GOP here) the first
  // attempt often lacks the GOP's successor; the window must grow.
  info_.muxRateDeclared = 1;
  info_.video.muxRate = 1;
  int grown = 0;
  for (double mark = 0.5; mark < 10.5; mark += 0.37) {
    CutInResult result;
    CutAreaTrace trace;
    ASSERT_EQ(analyseCutIn(file_, info_, 0, false, mark, 0, result, &trace), 0) << mark;
    expectCutInAround(mark, result);
    if (trace.firstResult == 1414) {
      ++grown;
      EXPECT_GT(trace.lastWindowSize, 65536);
    }
  }
  EXPECT_GT(grown, 0);
}

TEST_F(CutSystem, AudioThatNeverSynchronisesFailsAfterGrowing) {
  if (!load("vcd_pal.mpg")) FAIL() << "corpus file not loaded";
  const StreamInfo before = info_;
  CutInResult result;
  CutAreaTrace trace;
  // An audio offset of -20 s puts every frame of the file before the cut.
  EXPECT_EQ(analyseCutIn(file_, info_, 0, false, 6.0, -1800000, result, &trace), 1410);
  EXPECT_EQ(trace.firstResult, 1410);
  EXPECT_GT(trace.attempts, 1);
  EXPECT_EQ(info_.video.workHead.point, before.video.workHead.point);
  EXPECT_EQ(info_.audio.workFirstTime, before.audio.workFirstTime);
  // Without audio (video-only record mode) the same cut succeeds.
  EXPECT_EQ(analyseCutIn(file_, info_, kModeVideoOnly, false, 6.0, -1800000, result), 0);
  EXPECT_EQ(info_.audio.workHead.point, before.audio.workHead.point);
}

TEST_F(CutSystem, CutOutKeepsTheMarkedGopWholeWithSynchronisedAudio) {
  if (!load("vcd_pal.mpg")) FAIL() << "corpus file not loaded";
  for (double mark : {2.0, 5.55, 9.0}) {
    ASSERT_EQ(analyseCutOut(file_, info_, 0, mark, false), 0) << mark;
    const StreamDescriptor& v = info_.video;
    const StreamDescriptor& a = info_.audio;
    EXPECT_TRUE(gopOrSequenceAt(v.workTail.point));
    const std::int64_t target = static_cast<std::int64_t>(mark * 90000) + v.firstTime;
    EXPECT_GE(v.workLastTime, target - 2 * period_);
    EXPECT_LE(v.workLastTime, target + 16 * period_);
    EXPECT_GE(a.workLastTime, v.workLastTime + 1);
    EXPECT_LE(a.workLastTime, v.workLastTime + frame_ + 1);
    EXPECT_TRUE(bytes_[a.workTail.point] == 0xFF && bytes_[a.workTail.point + 1] >= 0xF0);
  }
  // A cut-in and a cut-out at the same mark meet at the same code.
  CutInResult result;
  ASSERT_EQ(analyseCutOut(file_, info_, 0, 4.0, false), 0);
  const std::int64_t out = info_.video.workTail.point;
  ASSERT_EQ(analyseCutIn(file_, info_, 0, false, 4.05, 0, result), 0);
  EXPECT_LE(info_.video.workHead.point, out);
}

TEST_F(CutSystem, EndOfFileCutOutTakesTheAudioTailOrStepsBack) {
  if (!load("vcd_ntsc.mpg")) FAIL() << "corpus file not loaded";
  // ffmpeg writes no sequence end code: the last GOP ends with the last
  // video packet and is taken all the same.
  ASSERT_EQ(analyseCutOutAtEnd(file_, info_, 0), 0);
  EXPECT_EQ(info_.video.workTail.point, info_.video.tail.point);
  EXPECT_EQ(info_.video.workTail.point, info_.video.workTail.packetEnd);
  EXPECT_NEAR(static_cast<double>(info_.video.workLastTime),
              static_cast<double>(info_.video.lastTime), static_cast<double>(period_));
  const double end = static_cast<double>(info_.video.lastTime - info_.video.firstTime) / 90000;

  // Audio ending less than one frame after the video: the analysed tail.
  StreamInfo shortAudio = info_;
  shortAudio.audio.lastTime = info_.video.workLastTime + frame_ / 2;
  shortAudio.audio.tail = StreamArea{111, 222, 333};
  ASSERT_EQ(analyseCutOutAtEnd(file_, shortAudio, 0), 0);
  EXPECT_EQ(shortAudio.audio.workTail.point, 222);
  EXPECT_EQ(shortAudio.audio.workLastTime, shortAudio.audio.lastTime);

  // Audio ending up to two frames before the video still ends the record
  // with the last GOP, the audio with its analysed tail.
  StreamInfo laggingAudio = shortAudio;
  laggingAudio.audio.lastTime = info_.video.workLastTime - 2 * frame_;
  ASSERT_EQ(analyseCutOutAtEnd(file_, laggingAudio, 0, end - 0.1), 0);
  EXPECT_EQ(laggingAudio.video.workTail.point, info_.video.tail.point);
  EXPECT_EQ(laggingAudio.audio.workTail.point, 222);

  // Audio ending earlier than that: the cut-out still ends with the last GOP,
  // at any mark near the end, and the sound with its analysed tail; the
  // writer fills the rest with silence.
  StreamInfo earlyAudio = info_;
  earlyAudio.audio.lastTime = info_.video.workLastTime - 5 * period_;
  earlyAudio.audio.tail = StreamArea{111, 222, 333};
  const double soundEnd =
      static_cast<double>(earlyAudio.audio.lastTime - info_.video.firstTime) / 90000;
  for (const double mark : {end + 1.0, end - 0.05, soundEnd}) {
    StreamInfo cut = earlyAudio;
    ASSERT_EQ(analyseCutOutAtEnd(file_, cut, 0, mark), 0) << mark;
    EXPECT_EQ(cut.video.workTail.point, info_.video.tail.point);
    EXPECT_EQ(cut.audio.workTail.point, 222);
    EXPECT_EQ(cut.audio.workLastTime, earlyAudio.audio.lastTime);
  }
  // Without audio the sound's end does not matter.
  StreamInfo videoOnly = earlyAudio;
  ASSERT_EQ(analyseCutOutAtEnd(file_, videoOnly, kModeVideoOnly), 0);
  EXPECT_EQ(videoOnly.video.workTail.point, info_.video.tail.point);
}

TEST_F(CutSystem, CutsInTheLastGopOfAStreamWithoutEndCode) {
  if (!load("vcd_pal.mpg")) FAIL() << "corpus file not loaded";
  // A mark out 0.6 s before the end lies in the last GOP (0.6 s at 25
  // pictures/s); the ordinary cut-out ends that GOP with the last packet.
  const double end = static_cast<double>(info_.video.lastTime - info_.video.firstTime) / 90000;
  ASSERT_EQ(analyseCutOut(file_, info_, 0, end - 0.52, false), 0);
  EXPECT_EQ(info_.video.workTail.point, info_.video.tail.point);
  EXPECT_EQ(info_.video.workLastTime, info_.video.lastTime);
  CutInResult result;
  ASSERT_EQ(analyseCutIn(file_, info_, 0, true, end - 0.3, 0, result), 0);
  EXPECT_LT(info_.video.workHead.point, info_.video.tail.point);
  EXPECT_GT(info_.video.workFirstTime, info_.video.lastTime - 90000);
}

TEST_F(CutSystem, SequenceCutInStartsAtThePreviousCutOut) {
  if (!load("sys_open.mpg")) FAIL() << "corpus file not loaded";
  ASSERT_EQ(analyseCutOut(file_, info_, 0, 4.0, false), 0);
  const std::int64_t previousOut = info_.video.workTail.point;
  info_.video.workHead.point = previousOut;
  CutInResult result;
  ASSERT_EQ(analyseSequenceCutIn(file_, info_, 0, false, 0, result), 0);
  EXPECT_EQ(info_.video.workHead.point, previousOut);
  EXPECT_EQ(result.treatment, kCutInMarkBrokenLink);
  EXPECT_GE(info_.audio.workFirstTime, info_.video.workFirstTime);

  info_.video.workHead.point = previousOut + 5;  // not a start code
  EXPECT_EQ(analyseSequenceCutIn(file_, info_, 0, false, 0, result), 8000);
}

TEST_F(CutSystem, ReadFailuresLeaveTheWorkingFieldsAlone) {
  if (!load("vcd_film.mpg")) FAIL() << "corpus file not loaded";
  const StreamInfo before = info_;
  for (int n = 1; n <= 3; ++n) {
    platform::fault::failAt(n);
    CutInResult result;
    EXPECT_EQ(analyseCutIn(file_, info_, 0, false, 5.0, 0, result), 1000);
    platform::fault::failAt(n);
    EXPECT_EQ(analyseCutOut(file_, info_, 0, 5.0, false), 1000);
  }
  platform::fault::disarm();
  EXPECT_EQ(info_.video.workHead.point, before.video.workHead.point);
  EXPECT_EQ(info_.video.workTail.point, before.video.workTail.point);
  EXPECT_EQ(info_.audio.workLastTime, before.audio.workLastTime);
  EXPECT_EQ(info_.video.vbvDelay, before.video.vbvDelay);
}

}  // namespace
}  // namespace cw
