// The elementary-stream reader on ffmpeg video-only and audio-only files:
// the same repairs as the demultiplexer, time stamps counted in pictures and
// frames, and its failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "demux_fixture.h"
#include "engine/edit/es_reader.h"
#include "platform/file.h"

namespace cw {
namespace {

using demuxtest::Drained;
using demuxtest::EsGop;
using demuxtest::EsPicture;

struct Read {
  int rc = -1;
  Drained out;
};

Read readCut(const std::string& path, StreamDescriptor& d, int treatment,
             std::size_t chunk = kEsChunk) {
  Read r;
  platform::File file;
  EsBuffer buf;
  if (!file.open(path, platform::OpenMode::Read) || esInit(buf, &d) != 0) return r;
  EsReaderState state;
  r.rc = PositionEsReader(state, file, chunk, treatment, buf);
  for (int steps = 0; r.rc == 0 && !buf.endOfData && steps < 100000; ++steps) {
    r.rc = EsReaderStep(state, buf);
    demuxtest::drain(buf, r.out);
  }
  return r;
}

StreamArea at(std::int64_t position) { return {position, position, position}; }

class EsReaderVideo : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = demuxtest::corpusFile("video_only.mpv");
    if (path_.empty()) FAIL() << "video_only.mpv missing from the corpus";
    file_ = demuxtest::readWholeFile(path_);
    demuxtest::scanElementaryVideo(file_, gops_, pictures_);
    ASSERT_GT(gops_.size(), 6u);
    d_.streamId = 0xE0;
    std::copy(file_.begin(), file_.begin() + 12, d_.header);
    d_.header[11] &= 0xFC;
    in_ = 2;
    while (gops_[in_].closed) ++in_;
    d_.workHead = at(static_cast<std::int64_t>(gops_[in_].at));
    d_.workTail = at(static_cast<std::int64_t>(gops_[in_ + 3].at));
  }
  int picturesInCut() const {
    return static_cast<int>(std::count_if(
        pictures_.begin(), pictures_.end(),
        [&](const EsPicture& p) { return p.at > gops_[in_].at && p.at < gops_[in_ + 3].at; }));
  }
  int leadingB() const {
    return std::find_if(pictures_.begin(), pictures_.end(),
                        [&](const EsPicture& p) { return p.at > gops_[in_].at; })
        ->ref;
  }
  std::string path_;
  std::vector<std::uint8_t> file_;
  std::vector<EsGop> gops_;
  std::vector<EsPicture> pictures_;
  std::size_t in_ = 0;
  StreamDescriptor d_;
};

// Elementary stamps are exact multiples of the period: decoding in picture
// order, display slots 1..n.
void expectCountedStamps(const Drained& v, double period) {
  std::vector<std::int64_t> pts;
  for (std::size_t i = 0; i < v.units.size(); ++i) {
    EXPECT_EQ(v.units[i].dts(), std::llround(static_cast<double>(i) * period)) << "picture " << i;
    pts.push_back(v.units[i].pts());
  }
  std::sort(pts.begin(), pts.end());
  for (std::size_t i = 0; i < pts.size(); ++i) {
    EXPECT_EQ(pts[i], std::llround(static_cast<double>(i + 1) * period)) << "slot " << i;
  }
}

TEST_F(EsReaderVideo, MarksTheOpenGopBrokenAndCountsStamps) {
  const Read r = readCut(path_, d_, kCutInMarkBrokenLink, 7000);
  ASSERT_EQ(r.rc, 0);
  std::vector<EsGop> gops;
  std::vector<EsPicture> pictures;
  demuxtest::scanElementaryVideo(r.out.bytes, gops, pictures);
  EXPECT_EQ(static_cast<int>(pictures.size()), picturesInCut());
  ASSERT_EQ(gops.size(), 3u);
  EXPECT_TRUE(gops[0].brokenLink);
  EXPECT_EQ(pictures[1].type, 'B');
  EXPECT_EQ(std::vector<std::uint8_t>(r.out.bytes.end() - 4, r.out.bytes.end()),
            (std::vector<std::uint8_t>{0, 0, 1, 0xB7}));
  // 29.97 pictures per second without the drop flag: time codes count 30.
  EXPECT_EQ(gops[0].timeCode.pictures, 0);
  const int firstGop = static_cast<int>(std::count_if(
      pictures.begin(), pictures.end(), [&](const EsPicture& p) { return p.at < gops[1].at; }));
  EXPECT_EQ(gops[1].timeCode.pictures, firstGop % 30);
  expectCountedStamps(r.out, 90000.0 * 1001.0 / 30000.0);

  const std::string m1v = demuxtest::scratchPath("es_broken.m1v");
  demuxtest::writeWholeFile(m1v, r.out.bytes);
  EXPECT_EQ(demuxtest::ffmpegDecodeErrors(m1v, "mpegvideo"), "");
}

TEST_F(EsReaderVideo, RemovesTheDeadBPictures) {
  const Read r = readCut(path_, d_, kCutInRemoveDeadB);
  ASSERT_EQ(r.rc, 0);
  std::vector<EsGop> gops;
  std::vector<EsPicture> pictures;
  demuxtest::scanElementaryVideo(r.out.bytes, gops, pictures);
  EXPECT_EQ(static_cast<int>(pictures.size()), picturesInCut() - leadingB());
  EXPECT_TRUE(gops[0].closed);
  EXPECT_FALSE(gops[0].brokenLink);
  EXPECT_EQ(pictures[0].ref, 0);
  expectCountedStamps(r.out, 90000.0 * 1001.0 / 30000.0);
  const std::string m1v = demuxtest::scratchPath("es_removed.m1v");
  demuxtest::writeWholeFile(m1v, r.out.bytes);
  EXPECT_EQ(demuxtest::ffmpegDecodeErrors(m1v, "mpegvideo"), "");
}

TEST_F(EsReaderVideo, ReportsEmptyRangesReadFaultsAndOverflow) {
  platform::File file;
  ASSERT_TRUE(file.open(path_, platform::OpenMode::Read));
  EsBuffer buf;
  ASSERT_EQ(esInit(buf, &d_, 4096, 2), 0);
  EsReaderState state;

  StreamDescriptor empty = d_;
  empty.workTail = empty.workHead;
  EsBuffer other;
  ASSERT_EQ(esInit(other, &empty), 0);
  EXPECT_EQ(PositionEsReader(state, file, kEsChunk, kCutInPlain, other), kEsReaderBadRange);

  ASSERT_EQ(PositionEsReader(state, file, 4096, kCutInPlain, buf), 0);
  platform::fault::failAt(1);
  EXPECT_EQ(EsReaderStep(state, buf), kEsReaderReadError);
  platform::fault::disarm();

  ASSERT_EQ(PositionEsReader(state, file, 4096, kCutInPlain, buf), 0);
  int rc = 0;
  std::size_t storedBefore = 0;
  for (int i = 0; i < 10 && rc == 0; ++i) {
    storedBefore = buf.stored();
    rc = EsReaderStep(state, buf);  // nobody drains: the 8 KiB ceiling is reached
  }
  EXPECT_EQ(rc, kEsReaderOverflow);
  EXPECT_EQ(buf.stored(), storedBefore);
}

TEST(EsReaderAudio, KeepsFramesAndCountsTheirTimes) {
  const std::string path = demuxtest::corpusFile("audio_only.mpa");
  if (path.empty()) FAIL() << "audio_only.mpa missing from the corpus";
  const std::vector<std::uint8_t> file = demuxtest::readWholeFile(path);
  std::vector<std::size_t> frames;
  mpeg1::AudioHeader h;
  for (std::size_t i = 0; i + 4 <= file.size();) {
    if (mpeg1::decodeAudioHeader(&file[i], h) != 0) {
      ++i;
      continue;
    }
    frames.push_back(i);
    i += static_cast<std::size_t>(h.frameLength + (h.padding ? h.paddingSize : 0));
  }
  ASSERT_GT(frames.size(), 300u);
  StreamDescriptor d;
  d.streamId = 0xC0;
  std::copy(file.begin() + static_cast<std::ptrdiff_t>(frames[0]),
            file.begin() + static_cast<std::ptrdiff_t>(frames[0]) + 4, d.header);
  d.workHead = at(static_cast<std::int64_t>(frames[50]));
  d.workTail = at(static_cast<std::int64_t>(frames[250]));
  d.workFirstTime = 0;

  const Read r = readCut(path, d, kCutInPlain, 3000);
  ASSERT_EQ(r.rc, 0);
  EXPECT_TRUE(std::equal(r.out.bytes.begin(), r.out.bytes.end(),
                         file.begin() + static_cast<std::ptrdiff_t>(frames[50])));
  EXPECT_EQ(r.out.bytes.size(), frames[250] - frames[50]);
  ASSERT_EQ(r.out.units.size(), 200u);
  const std::int64_t period = std::llround(1152 * 90000.0 / h.sampleRate);
  for (std::size_t i = 0; i < r.out.units.size(); ++i) {
    EXPECT_EQ(r.out.units[i].start, frames[50 + i] - frames[50]);
    EXPECT_EQ(r.out.units[i].pts(), static_cast<std::int64_t>(i) * period);
  }
  const std::string mp2 = demuxtest::scratchPath("es_audio.mp2");
  demuxtest::writeWholeFile(mp2, r.out.bytes);
  EXPECT_EQ(demuxtest::ffmpegDecodeErrors(mp2, "mp3"), "");
}

}  // namespace
}  // namespace cw
