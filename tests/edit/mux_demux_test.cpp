// The writers started on real sources through the demultiplexer and the
// elementary-stream reader: a crop's system-stream multiplex in the three
// system modes, the video-only and audio-only writers, and the start errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "demux_fixture.h"
#include "engine/edit/es_writer.h"
#include "engine/edit/mux.h"
#include "engine/edit/video_rewrite.h"
#include "mux_test_streams.h"
#include "platform/file.h"

namespace cw {
namespace {

using Producer = std::function<int(std::uint8_t*, std::size_t, std::size_t&)>;

struct Written {
  std::vector<std::uint8_t> bytes;
  int status = 0;
};

Written drainChunks(const Producer& chunk) {
  Written w;
  std::vector<std::uint8_t> block(kMuxChunk);
  for (int i = 0; i < 100000; ++i) {
    std::size_t delivered = 0;
    w.status = chunk(block.data(), block.size(), delivered);
    w.bytes.insert(w.bytes.end(), block.begin(), block.begin() + delivered);
    if (w.status != kMuxMore) break;
    EXPECT_EQ(delivered, kMuxChunk);
  }
  return w;
}

std::string decodeErrors(const std::string& name, const std::vector<std::uint8_t>& bytes,
                         const std::string& format = "") {
  const std::string path = test::muxWorkDir() + "/" + name;
  demuxtest::writeWholeFile(path, bytes);
  std::string log;
  test::runCommand("ffmpeg -nostdin -v error " + (format.empty() ? "" : "-f " + format + " ") +
                       "-i '" + path + "' -f null -",
                   log);
  return log;
}

int countPictures(const std::vector<std::uint8_t>& es) {
  int n = 0;
  for (std::size_t i = 0; i + 4 <= es.size(); ++i) {
    if (mpeg1::isStartCode(&es[i]) && es[i + 3] == mpeg1::kPictureStart) ++n;
  }
  return n;
}

class MuxOnDemux : public ::testing::Test {
 protected:
  bool load(const std::string& name) {
    path_ = demuxtest::corpusFile(name);
    if (path_.empty() || !test::haveTool("ffmpeg")) return false;
    map_ = demuxtest::mapSystemStream(demuxtest::readWholeFile(path_));
    return map_.gops.size() > 8 && !map_.frames.empty() &&
           source_.open(path_, platform::OpenMode::Read);
  }
  // An open GOP from the third on, or the third.
  int cutIn() const {
    for (std::size_t g = 2; g + 5 < map_.gops.size(); ++g) {
      if (!map_.gops[g].closed) return static_cast<int>(g);
    }
    return 2;
  }
  std::string path_;
  demuxtest::StreamMap map_;
  platform::File source_;
};

#define LOAD_OR_SKIP(name) \
  if (!load(name)) GTEST_SKIP() << name << " missing from the corpus or no ffmpeg"

TEST_F(MuxOnDemux, CropMultiplexInEverySystemModeDecodesAndKeepsBuffersWithinBounds) {
  LOAD_OR_SKIP("sys_open.mpg");
  const int in = cutIn();
  const int out = in + 5;
  for (int mode : {kModeMpegSystem, kModeVideoCd, kModeVideoCdZeroes}) {
    SCOPED_TRACE(mode);
    StreamInfo info;
    demuxtest::setCutAreas(map_, in, out, false, info);
    auto m = std::make_unique<MuxState>();
    ASSERT_EQ(StartSystemMux(*m, source_, mode, kCutInMarkBrokenLink, kMuxChunk, 0, &info.video,
                             &info.audio),
              0);
    const Written w = drainChunks(
        [&](std::uint8_t* d, std::size_t n, std::size_t& got) { return MuxChunk(*m, d, n, got); });
    ASSERT_EQ(w.status, kMuxFinished);
    const test::ParsedOutput p = test::parseOutput(w.bytes);
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(countPictures(p.video), demuxtest::picturesBetween(map_, in, out));
    // The first GOP follows the inserted sequence header and is marked broken.
    ASSERT_GT(p.video.size(), 20u);
    EXPECT_EQ(p.video[15], 0xB8);
    EXPECT_TRUE((p.video[19] & 0x20) != 0);
    const test::StdReplay v = test::replayVideoBuffer(p, m->profile.muxRate, map_.period);
    EXPECT_EQ(v.error, "");
    EXPECT_LE(v.worstLateTicks, 1.0);
    const test::StdReplay a = test::replayAudioBuffer(p, m->profile.muxRate, map_.audioPeriod);
    EXPECT_EQ(a.error, "");
    EXPECT_LE(a.worstLateTicks, 1.0);
    EXPECT_EQ(decodeErrors("crop_mode" + std::to_string(mode) + ".mpg", w.bytes), "");
  }
}

// Sources from several encoders and multiplexers, cut over ten GOPs: every
// cut multiplexes without a buffer fault and decodes cleanly.
TEST_F(MuxOnDemux, CorpusSourcesMultiplexWithinBufferBounds) {
  for (const char* name :
       {"vcd_ntsc.mpg", "vcd_pal.mpg", "vcd_film.mpg", "sys_closed.mpg", "sys_32k.mpg",
        "sys_layer3.mpg", "mjpeg_vcd.mpg", "mjpeg_generic.mpg", "sys_two_audio.mpg"}) {
    if (!load(name)) continue;
    const int in = 1;
    const int out = std::min(static_cast<int>(map_.gops.size()) - 2, in + 10);
    for (int mode : {kModeMpegSystem, kModeVideoCd}) {
      SCOPED_TRACE(std::string(name) + " mode " + std::to_string(mode));
      StreamInfo info;
      demuxtest::setCutAreas(map_, in, out, true, info);
      auto m = std::make_unique<MuxState>();
      ASSERT_EQ(StartSystemMux(*m, source_, mode, kCutInRemoveDeadB, kMuxChunk, 0, &info.video,
                               &info.audio),
                0);
      const Written w = drainChunks([&](std::uint8_t* d, std::size_t n, std::size_t& got) {
        return MuxChunk(*m, d, n, got);
      });
      ASSERT_EQ(w.status, kMuxFinished);
      const test::ParsedOutput p = test::parseOutput(w.bytes);
      ASSERT_EQ(p.error, "");
      const test::StdReplay v = test::replayVideoBuffer(p, m->profile.muxRate, map_.period);
      EXPECT_EQ(v.error, "");
      EXPECT_LE(v.worstLateTicks, 1.0);
      const test::StdReplay a = test::replayAudioBuffer(p, m->profile.muxRate, map_.audioPeriod);
      EXPECT_EQ(a.error, "");
      EXPECT_LE(a.worstLateTicks, 1.0);
      EXPECT_EQ(decodeErrors("corpus_" + std::to_string(mode) + "_" + name, w.bytes), "");
    }
  }
}

TEST_F(MuxOnDemux, MuxRateNeverFallsBelowTheMinimumPassed) {
  LOAD_OR_SKIP("sys_closed.mpg");
  StreamInfo info;
  demuxtest::setCutAreas(map_, 2, 4, false, info);
  auto m = std::make_unique<MuxState>();
  ASSERT_EQ(StartSystemMux(*m, source_, kModeMpegSystem, kCutInPlain, kMuxChunk, 9000, &info.video,
                           &info.audio),
            0);
  EXPECT_EQ(m->profile.muxRate, 9000);
  std::vector<std::uint8_t> block(kMuxChunk);
  std::size_t got = 0;
  ASSERT_EQ(MuxChunk(*m, block.data(), block.size(), got), kMuxMore);
  EXPECT_EQ(mpeg1::packMuxRate(block.data()), 9000);
}

TEST_F(MuxOnDemux, VideoAndAudioWritersDeliverTheRewrittenStreams) {
  LOAD_OR_SKIP("sys_open.mpg");
  const int in = cutIn();
  StreamInfo info;
  demuxtest::setCutAreas(map_, in, in + 4, false, info);
  auto video = std::make_unique<MuxState>();
  ASSERT_EQ(StartVideoWriter(*video, source_, EsSourceKind::SystemStream, kCutInMarkBrokenLink,
                             kMuxChunk, &info.video),
            0);
  const Written v = drainChunks(
      [&](std::uint8_t* d, std::size_t n, std::size_t& got) { return EsChunk(*video, d, n, got); });
  ASSERT_EQ(v.status, kMuxFinished);
  EXPECT_EQ(countPictures(v.bytes), demuxtest::picturesBetween(map_, in, in + 4));
  ASSERT_GE(v.bytes.size(), 16u);
  EXPECT_EQ(std::vector<std::uint8_t>(v.bytes.end() - 4, v.bytes.end()),
            (std::vector<std::uint8_t>{0, 0, 1, 0xB7}));
  EXPECT_EQ(decodeErrors("writer.m1v", v.bytes, "mpegvideo"), "");

  auto audio = std::make_unique<MuxState>();
  ASSERT_EQ(StartAudioWriter(*audio, source_, EsSourceKind::SystemStream, kMuxChunk, &info.audio),
            0);
  const Written a = drainChunks(
      [&](std::uint8_t* d, std::size_t n, std::size_t& got) { return EsChunk(*audio, d, n, got); });
  ASSERT_EQ(a.status, kMuxFinished);
  EXPECT_GT(a.bytes.size(), 1000u);
  EXPECT_EQ(a.bytes[0], 0xFF);
  EXPECT_EQ(decodeErrors("writer.mp2", a.bytes, "mp3"), "");
}

TEST(MuxEsWriter, ElementarySourceIsCopiedThroughTheReader) {
  const std::string path = demuxtest::corpusFile("audio_only.mpa");
  if (path.empty()) FAIL() << "audio_only.mpa missing from the corpus";
  const std::vector<std::uint8_t> file = demuxtest::readWholeFile(path);
  StreamDescriptor d;
  d.streamId = 0xC0;
  std::copy(file.begin(), file.begin() + 4, d.header);
  // From the start up to a point well inside the file: the reader copies the range as it is.
  mpeg1::AudioHeader h;
  ASSERT_EQ(mpeg1::decodeAudioHeader(file.data(), h), 0);
  const std::int64_t end = static_cast<std::int64_t>(file.size() / 2);
  d.workHead = {0, 0, 0};
  d.workTail = {end, end, end};
  d.workFirstTime = 0;
  platform::File source;
  ASSERT_TRUE(source.open(path, platform::OpenMode::Read));
  auto m = std::make_unique<MuxState>();
  ASSERT_EQ(StartAudioWriter(*m, source, EsSourceKind::ElementaryStream, 4000, &d), 0);
  const Written w = drainChunks(
      [&](std::uint8_t* dst, std::size_t n, std::size_t& got) { return EsChunk(*m, dst, n, got); });
  ASSERT_EQ(w.status, kMuxFinished);
  ASSERT_EQ(w.bytes.size(), static_cast<std::size_t>(end));
  EXPECT_TRUE(std::equal(w.bytes.begin(), w.bytes.end(), file.begin()));
}

TEST_F(MuxOnDemux, StartRefusesRatesItCannotDeclareAndBadRanges) {
  LOAD_OR_SKIP("sys_open.mpg");
  StreamInfo info;
  demuxtest::setCutAreas(map_, 2, 4, false, info);
  StreamInfo vbr = info;
  vbr.video.header[8] = 0xFF;  // bit_rate 0x3FFFF: variable
  vbr.video.header[9] = 0xFF;
  vbr.video.header[10] |= 0xC0;
  auto m = std::make_unique<MuxState>();
  EXPECT_EQ(StartSystemMux(*m, source_, kModeMpegSystem, 0, kMuxChunk, 0, &vbr.video, &vbr.audio),
            1507);
  // VideoCD never computes a rate.
  m = std::make_unique<MuxState>();
  EXPECT_EQ(StartSystemMux(*m, source_, kModeVideoCd, 0, kMuxChunk, 0, &vbr.video, &vbr.audio), 0);

  StreamInfo free = info;
  free.audio.header[2] &= 0x0F;  // bit-rate index 0: free format
  m = std::make_unique<MuxState>();
  EXPECT_EQ(StartSystemMux(*m, source_, kModeMpegSystem, 0, kMuxChunk, 0, &free.video, &free.audio),
            1509);

  StreamInfo reversed = info;
  std::swap(reversed.video.workHead, reversed.video.workTail);
  std::swap(reversed.audio.workHead, reversed.audio.workTail);
  m = std::make_unique<MuxState>();
  EXPECT_EQ(StartSystemMux(*m, source_, kModeMpegSystem, 0, kMuxChunk, 0, &reversed.video,
                           &reversed.audio),
            6001);
}

}  // namespace
}  // namespace cw
