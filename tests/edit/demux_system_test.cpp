// The demultiplexer on real ffmpeg system streams: cuts between two GOP
// starts, the repairs at the cut-in, the rewritten time codes and time
// stamps, and the output checked by decoding it with ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "demux_fixture.h"
#include "engine/edit/demux.h"
#include "engine/edit/video_rewrite.h"
#include "platform/file.h"

namespace cw {
namespace {

using demuxtest::Drained;
using demuxtest::EsGop;
using demuxtest::EsPicture;
using demuxtest::StreamMap;

struct Cut {
  int rc = -1;
  Drained video;
  Drained audio;
};

// Runs a whole cut through the demultiplexer, draining the buffers after
// every step as a writer would (or only at the end).
Cut runCut(const std::string& path, StreamInfo& info, int treatment, std::size_t chunk = kEsChunk,
           bool drainEveryStep = true) {
  Cut cut;
  platform::File file;
  if (!file.open(path, platform::OpenMode::Read)) return cut;
  EsBuffer video;
  EsBuffer audio;
  if (esInit(video, &info.video) != 0 || esInit(audio, &info.audio) != 0) return cut;
  DemuxState state;
  cut.rc = PositionDemux(state, file, chunk, treatment, &video, &audio);
  for (int steps = 0; cut.rc == 0 && !(video.endOfData && audio.endOfData); ++steps) {
    if (steps > 100000) {
      cut.rc = -1;
      break;
    }
    cut.rc = DemuxStep(state, &video, &audio);
    if (drainEveryStep) {
      demuxtest::drain(video, cut.video);
      demuxtest::drain(audio, cut.audio);
    }
  }
  demuxtest::drain(video, cut.video);
  demuxtest::drain(audio, cut.audio);
  return cut;
}

class DemuxSystem : public ::testing::Test {
 protected:
  bool load(const std::string& name) {
    path_ = demuxtest::corpusFile(name);
    if (path_.empty()) return false;
    map_ = demuxtest::mapSystemStream(demuxtest::readWholeFile(path_));
    return map_.gops.size() > 8 && !map_.frames.empty();
  }
  // The first open GOP from the third on.
  int openGop() const {
    for (std::size_t g = 2; g + 4 < map_.gops.size(); ++g) {
      if (!map_.gops[g].closed) return static_cast<int>(g);
    }
    return -1;
  }
  std::string path_;
  StreamMap map_;
};

#define LOAD_OR_SKIP(name)                            \
  do {                                                \
    if (!load(name)) FAIL() << name << " not loaded"; \
  } while (0)

std::int64_t rounded(double ticks) { return std::llround(ticks); }

// Checks the cut's elementary video: framing, picture count, time codes
// counted from zero, decoding stamps one period apart.
void expectWellFormedVideo(const Drained& v, const StreamMap& map, int expectedPictures) {
  ASSERT_GE(v.bytes.size(), 16u);
  EXPECT_TRUE(std::equal(map.sequenceHeader, map.sequenceHeader + 12, v.bytes.begin()));
  EXPECT_EQ(v.bytes[15], 0xB8) << "the GOP header follows the inserted sequence header";
  const std::vector<std::uint8_t> end(v.bytes.end() - 4, v.bytes.end());
  EXPECT_EQ(end, (std::vector<std::uint8_t>{0, 0, 1, 0xB7}));

  std::vector<EsGop> gops;
  std::vector<EsPicture> pictures;
  demuxtest::scanElementaryVideo(v.bytes, gops, pictures);
  EXPECT_EQ(static_cast<int>(pictures.size()), expectedPictures);
  ASSERT_EQ(v.units.size(), pictures.size());

  // Each GOP's time code counts the pictures before it (no cut is a minute long).
  const int rate = timeCodeRateOf(90000.0 / map.period);
  std::size_t before = 0;
  for (const EsGop& g : gops) {
    while (before < pictures.size() && pictures[before].at < g.at) ++before;
    EXPECT_EQ(g.timeCode.pictures, static_cast<int>(before % rate));
    EXPECT_EQ(g.timeCode.seconds, static_cast<int>(before / rate));
    EXPECT_EQ(g.timeCode.dropFrame, map.dropFrame && rate == 30);
  }

  // Access units: one per picture, at the picture, stamps from the cut.
  const double period = map.period;
  EXPECT_EQ(v.units.front().dts(), 0);
  std::vector<std::int64_t> pts;
  for (std::size_t i = 0; i < v.units.size(); ++i) {
    const ScanEntry& u = v.units[i];
    EXPECT_EQ(u.start, pictures[i].at);
    EXPECT_EQ(u.kind, static_cast<std::uint8_t>(pictures[i].type));
    EXPECT_GE(u.pts(), u.dts()) << "picture " << i << " presented before it is decoded";
    if (i > 0) {
      EXPECT_NEAR(u.dts() - v.units[i - 1].dts(), map.roundedPeriod, 2) << "picture " << i;
    }
    pts.push_back(u.pts());
  }
  std::sort(pts.begin(), pts.end());
  for (std::size_t i = 1; i < pts.size(); ++i) {
    EXPECT_NEAR(pts[i] - pts[i - 1], period, 2) << "display slot " << i;
  }
  EXPECT_NEAR(pts.front(), rounded(period), 2) << "the first picture shows one period in";
}

void expectAudioFollowsSource(const Drained& a, const StreamMap& map, const StreamInfo& info) {
  EXPECT_EQ(static_cast<int>(a.units.size()), demuxtest::framesInCut(map, info.audio));
  std::vector<std::int64_t> sourceTimes;
  for (const auto& f : map.frames) {
    if (f.at >= info.audio.workHead.point && f.at < info.audio.workTail.point) {
      sourceTimes.push_back(f.time - info.audio.workFirstTime);
    }
  }
  ASSERT_EQ(sourceTimes.size(), a.units.size());
  for (std::size_t i = 0; i < a.units.size(); ++i) {
    EXPECT_EQ(a.units[i].pts(), a.units[i].dts());
    EXPECT_NEAR(a.units[i].pts(), sourceTimes[i], 2) << "frame " << i;
    if (i > 0) {
      EXPECT_GT(a.units[i].pts(), a.units[i - 1].pts());
    }
  }
}

TEST_F(DemuxSystem, OpenGopCutMarkedBrokenKeepsItsLeadingBPictures) {
  LOAD_OR_SKIP("sys_open.mpg");
  const int in = openGop();
  ASSERT_GE(in, 0);
  StreamInfo info;
  demuxtest::setCutAreas(map_, in, in + 3, false, info);
  const Cut cut = runCut(path_, info, kCutInMarkBrokenLink);
  ASSERT_EQ(cut.rc, 0);

  expectWellFormedVideo(cut.video, map_, demuxtest::picturesBetween(map_, in, in + 3));
  std::vector<EsGop> gops;
  std::vector<EsPicture> pictures;
  demuxtest::scanElementaryVideo(cut.video.bytes, gops, pictures);
  ASSERT_FALSE(gops.empty());
  EXPECT_TRUE(gops[0].brokenLink);
  EXPECT_FALSE(gops[0].closed);
  EXPECT_EQ(pictures[0].type, 'I');
  EXPECT_NE(pictures[0].ref, 0);
  EXPECT_EQ(pictures[1].type, 'B');
  for (std::size_t g = 1; g < gops.size(); ++g) EXPECT_FALSE(gops[g].brokenLink);

  expectAudioFollowsSource(cut.audio, map_, info);

  const std::string m1v = demuxtest::scratchPath("open_broken.m1v");
  const std::string mp2 = demuxtest::scratchPath("open_broken.mp2");
  demuxtest::writeWholeFile(m1v, cut.video.bytes);
  demuxtest::writeWholeFile(mp2, cut.audio.bytes);
  EXPECT_EQ(demuxtest::ffmpegDecodeErrors(m1v, "mpegvideo"), "");
  EXPECT_EQ(demuxtest::ffmpegDecodeErrors(mp2, "mp3"), "");
}

TEST_F(DemuxSystem, RemovingDeadBPicturesClosesTheFirstGop) {
  LOAD_OR_SKIP("sys_open.mpg");
  const int in = openGop();
  ASSERT_GE(in, 0);
  // The B-pictures displayed before the I-picture.
  const int dead = map_.pictures[static_cast<std::size_t>(map_.gops[in].firstPicture)].ref;
  StreamInfo info;
  demuxtest::setCutAreas(map_, in, in + 3, true, info);
  const Cut cut = runCut(path_, info, kCutInRemoveDeadB);
  ASSERT_EQ(cut.rc, 0);

  ASSERT_GT(dead, 0);
  expectWellFormedVideo(cut.video, map_, demuxtest::picturesBetween(map_, in, in + 3) - dead);
  std::vector<EsGop> gops;
  std::vector<EsPicture> pictures;
  demuxtest::scanElementaryVideo(cut.video.bytes, gops, pictures);
  ASSERT_GE(gops.size(), 2u);
  EXPECT_TRUE(gops[0].closed);
  EXPECT_FALSE(gops[0].brokenLink);
  EXPECT_EQ(pictures[0].type, 'I');
  EXPECT_EQ(pictures[0].ref, 0);
  // The first GOP's temporal references are 0..n-1 again.
  std::vector<int> refs;
  for (const EsPicture& p : pictures) {
    if (p.at > gops[0].at && p.at < gops[1].at) refs.push_back(p.ref);
  }
  std::sort(refs.begin(), refs.end());
  for (std::size_t i = 0; i < refs.size(); ++i) EXPECT_EQ(refs[i], static_cast<int>(i));
  // Later GOPs keep theirs.
  const EsPicture& secondIntra = *std::find_if(
      pictures.begin(), pictures.end(), [&](const EsPicture& p) { return p.at > gops[1].at; });
  EXPECT_EQ(secondIntra.ref,
            map_.pictures[static_cast<std::size_t>(map_.gops[in + 1].firstPicture)].ref);

  expectAudioFollowsSource(cut.audio, map_, info);
  const std::string m1v = demuxtest::scratchPath("open_removed.m1v");
  demuxtest::writeWholeFile(m1v, cut.video.bytes);
  EXPECT_EQ(demuxtest::ffmpegDecodeErrors(m1v, "mpegvideo"), "");
}

TEST_F(DemuxSystem, ClosedGopsAreLeftAsTheyAre) {
  LOAD_OR_SKIP("sys_closed.mpg");
  for (const int treatment : {kCutInMarkBrokenLink, kCutInRemoveDeadB}) {
    SCOPED_TRACE(treatment);
    StreamInfo info;
    demuxtest::setCutAreas(map_, 3, 6, treatment == kCutInRemoveDeadB, info);
    const Cut cut = runCut(path_, info, treatment);
    ASSERT_EQ(cut.rc, 0);
    expectWellFormedVideo(cut.video, map_, demuxtest::picturesBetween(map_, 3, 6));
    std::vector<EsGop> gops;
    std::vector<EsPicture> pictures;
    demuxtest::scanElementaryVideo(cut.video.bytes, gops, pictures);
    EXPECT_TRUE(gops[0].closed);
    EXPECT_FALSE(gops[0].brokenLink);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      const auto& source = map_.pictures[static_cast<std::size_t>(map_.gops[3].firstPicture) + i];
      EXPECT_EQ(pictures[i].ref, source.ref);
      EXPECT_EQ(pictures[i].type, source.type);
    }
    expectAudioFollowsSource(cut.audio, map_, info);
    const std::string mp2 = demuxtest::scratchPath("closed.mp2");
    demuxtest::writeWholeFile(mp2, cut.audio.bytes);
    EXPECT_EQ(demuxtest::ffmpegDecodeErrors(mp2, "mp3"), "");
  }
}

// Start codes and headers split over read blocks and writer drains in
// between must give the same streams as one big block.
TEST_F(DemuxSystem, OutputDoesNotDependOnBlockSizeOrDraining) {
  LOAD_OR_SKIP("sys_open.mpg");
  const int in = openGop();
  StreamInfo info;
  demuxtest::setCutAreas(map_, in, in + 3, false, info);
  const Cut reference = runCut(path_, info, kCutInMarkBrokenLink, 65536, false);
  ASSERT_EQ(reference.rc, 0);
  for (const std::size_t chunk : {4096u, 5000u, 32768u}) {
    SCOPED_TRACE(chunk);
    const Cut cut = runCut(path_, info, kCutInMarkBrokenLink, chunk, true);
    ASSERT_EQ(cut.rc, 0);
    EXPECT_EQ(cut.video.bytes, reference.video.bytes);
    EXPECT_EQ(cut.audio.bytes, reference.audio.bytes);
    ASSERT_EQ(cut.video.units.size(), reference.video.units.size());
    for (std::size_t i = 0; i < cut.video.units.size(); ++i) {
      EXPECT_EQ(cut.video.units[i].start, reference.video.units[i].start);
      EXPECT_EQ(cut.video.units[i].pts(), reference.video.units[i].pts());
      EXPECT_EQ(cut.video.units[i].dts(), reference.video.units[i].dts());
    }
    ASSERT_EQ(cut.audio.units.size(), reference.audio.units.size());
    for (std::size_t i = 0; i < cut.audio.units.size(); ++i) {
      EXPECT_EQ(cut.audio.units[i].start, reference.audio.units[i].start);
      EXPECT_EQ(cut.audio.units[i].pts(), reference.audio.units[i].pts());
    }
  }
}

TEST_F(DemuxSystem, VbvDelayIsRecomputedForConstantRateAndKeptUnsetForVariable) {
  {
    LOAD_OR_SKIP("sys_open.mpg");
    StreamInfo info;
    demuxtest::setCutAreas(map_, 3, 7, false, info);
    const Cut cut = runCut(path_, info, kCutInPlain);
    ASSERT_EQ(cut.rc, 0);
    std::vector<EsGop> gops;
    std::vector<EsPicture> pictures;
    demuxtest::scanElementaryVideo(cut.video.bytes, gops, pictures);
    const std::size_t first = static_cast<std::size_t>(map_.gops[3].firstPicture);
    EXPECT_EQ(pictures[0].vbvDelay, map_.pictures[first].vbvDelay);
    for (std::size_t i = 1; i < pictures.size(); ++i) {
      EXPECT_GT(pictures[i].vbvDelay, 0);
      EXPECT_LT(pictures[i].vbvDelay, 0xFFFF);
      // The source was written by a constant-rate model too.
      EXPECT_NEAR(pictures[i].vbvDelay, map_.pictures[first + i].vbvDelay, 50) << "picture " << i;
    }
  }
  if (!load("sys_vbr.mpg")) FAIL() << "sys_vbr.mpg not loaded";
  StreamInfo info;
  demuxtest::setCutAreas(map_, 3, 6, false, info);
  const Cut cut = runCut(path_, info, kCutInMarkBrokenLink);
  ASSERT_EQ(cut.rc, 0);
  std::vector<EsGop> gops;
  std::vector<EsPicture> pictures;
  demuxtest::scanElementaryVideo(cut.video.bytes, gops, pictures);
  ASSERT_FALSE(pictures.empty());
  for (const EsPicture& p : pictures) EXPECT_EQ(p.vbvDelay, 0xFFFF);
}

// Every kind of system stream in the corpus cuts cleanly in both repairs.
class DemuxCorpus : public DemuxSystem, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemuxCorpus, CutsDecodeCleanly) {
  LOAD_OR_SKIP(GetParam());
  const int in = 2;
  const int out = 5;
  for (const int treatment : {kCutInMarkBrokenLink, kCutInRemoveDeadB}) {
    SCOPED_TRACE(treatment);
    const bool open = !map_.gops[in].closed;
    const int dead = open && treatment == kCutInRemoveDeadB
                         ? map_.pictures[static_cast<std::size_t>(map_.gops[in].firstPicture)].ref
                         : 0;
    StreamInfo info;
    demuxtest::setCutAreas(map_, in, out, treatment == kCutInRemoveDeadB, info);
    const Cut cut = runCut(path_, info, treatment, kEsChunk * 2);
    ASSERT_EQ(cut.rc, 0);
    expectWellFormedVideo(cut.video, map_, demuxtest::picturesBetween(map_, in, out) - dead);
    expectAudioFollowsSource(cut.audio, map_, info);
    const std::string base = demuxtest::scratchPath(std::string("corpus_") + GetParam());
    demuxtest::writeWholeFile(base + ".m1v", cut.video.bytes);
    demuxtest::writeWholeFile(base + ".mpa", cut.audio.bytes);
    EXPECT_EQ(demuxtest::ffmpegDecodeErrors(base + ".m1v", "mpegvideo"), "");
    EXPECT_EQ(demuxtest::ffmpegDecodeErrors(base + ".mpa", "mp3"), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Files, DemuxCorpus,
                         ::testing::Values("vcd_ntsc.mpg", "vcd_pal.mpg", "vcd_film.mpg",
                                           "sys_32k.mpg", "sys_layer3.mpg", "sys_two_audio.mpg",
                                           "mjpeg_vcd.mpg", "mjpeg_generic.mpg", "syncflash.mpg"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace cw
