// Whole multiplexes of ffmpeg-made elementary streams in the three system
// record modes, checked by reparsing the output: pack layout, time stamps,
// a replay of both decoder buffers, and the outside tools' opinion.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <memory>

#include "engine/analysis/mpeg1.h"
#include "engine/edit/mux.h"
#include "mux_test_streams.h"

namespace cw {
namespace {

using test::EsSource;
using test::ParsedOutput;

struct Sources {
  EsSource video, audio;
  bool ok = false;
};

const Sources& sourcesFor(const std::string& name) {
  static std::map<std::string, Sources> cache;
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  Sources s;
  const test::EsPair pair = test::makeEsPair(name);
  s.ok = !pair.video.empty() && test::loadVideoSource(pair.video, s.video) &&
         test::loadAudioSource(pair.audio, s.audio);
  return cache.emplace(name, std::move(s)).first->second;
}

struct MuxRun {
  std::vector<std::uint8_t> out;
  int status = 0;
  int shortChunks = 0;  // chunks below 32 768 bytes before the last one
  int muxRate = 0;
};

// Multiplexes the two sources in `mode`; `audioShift` moves the audio later
// in time (ticks) to make the streams impossible to interleave.
MuxRun runMux(int mode, const Sources& s, std::int64_t audioShift = 0) {
  MuxRun run;
  auto m = std::make_unique<MuxState>();
  PackProfile profile;
  EXPECT_EQ(makePackProfile(mode, s.video.params, s.audio.params, 0, profile), 0);
  EXPECT_EQ(esInit(m->video.es, nullptr), 0);
  EXPECT_EQ(esInit(m->audio.es, nullptr), 0);
  m->video.es.params = s.video.params;
  m->audio.es.params = s.audio.params;
  auto feeders = std::make_shared<std::array<test::EsFeeder, 2>>();
  (*feeders)[0] = {&s.video, &m->video.es};
  (*feeders)[1] = {&s.audio, &m->audio.es};
  auto input = [feeders, &mux = *m]() {
    for (auto& f : *feeders) {
      const MuxStream& stream = f.buffer == &mux.video.es ? mux.video : mux.audio;
      if (f.buffer->endOfData || f.buffer->available() >= 2u * stream.payload) continue;
      if (const int rc = f.step()) return rc;
    }
    return 0;
  };
  std::int64_t videoOffset = 0, audioOffset = 0;
  cropOffsets(profile, 0, 0, s.video.params.roundedPeriod, videoOffset, audioOffset);
  EXPECT_EQ(prepareMux(*m, profile, videoOffset, audioOffset + audioShift, input), 0);
  writeLeadingPacks(*m);
  run.muxRate = m->profile.muxRate;
  std::vector<std::uint8_t> chunk(kMuxChunk);
  bool shortSeen = false;
  for (;;) {
    std::size_t delivered = 0;
    run.status = MuxChunk(*m, chunk.data(), chunk.size(), delivered);
    run.out.insert(run.out.end(), chunk.begin(), chunk.begin() + delivered);
    if (run.status != kMuxMore) break;
    if (shortSeen) ++run.shortChunks;
    shortSeen = delivered != kMuxChunk;
  }
  return run;
}

std::string writeOutput(const std::string& name, const std::vector<std::uint8_t>& out) {
  const std::string path = test::muxWorkDir() + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return path;
}

// SCR always advances; video decoding times and audio PTS strictly increase.
void expectTimeStampsAdvance(const ParsedOutput& p) {
  for (std::size_t i = 1; i < p.packs.size(); ++i) {
    ASSERT_GT(p.packs[i].scr, p.packs[i - 1].scr) << "pack " << i;
  }
  std::int64_t lastVideo = -1, lastAudio = -1;
  for (const test::OutPacket& k : p.packets) {
    if (k.pts < 0) continue;
    if (k.id == 0xE0) {
      const std::int64_t decode = k.dts >= 0 ? k.dts : k.pts;
      ASSERT_GT(decode, lastVideo);
      ASSERT_GE(k.pts, decode);
      lastVideo = decode;
    } else {
      ASSERT_GT(k.pts, lastAudio);
      lastAudio = k.pts;
    }
  }
}

void expectBuffersHold(const ParsedOutput& p, const Sources& s, int muxRate) {
  const test::StdReplay v = test::replayVideoBuffer(p, muxRate, s.video.params.period);
  EXPECT_EQ(v.error, "");
  EXPECT_EQ(v.units, s.video.units.size());
  EXPECT_LE(v.worstLateTicks, 1.0) << "a picture arrived after its decoding time";
  const test::StdReplay a = test::replayAudioBuffer(p, muxRate, s.audio.params.period);
  EXPECT_EQ(a.error, "");
  EXPECT_EQ(a.units, s.audio.units.size());
  EXPECT_LE(a.worstLateTicks, 1.0) << "an audio frame arrived after its decoding time";
}

// The streams come out as they went in, except broken_link in an open first GOP.
void expectStreamsIntact(const ParsedOutput& p, const Sources& s) {
  EXPECT_TRUE(p.audio == s.audio.bytes);
  ASSERT_EQ(p.video.size(), s.video.bytes.size());
  std::vector<std::uint8_t> expected = s.video.bytes;
  if ((expected[19] & 0x40) == 0) expected[19] |= 0x20;
  EXPECT_TRUE(p.video == expected);
}

void expectFirstPacketsDeclareBuffers(const ParsedOutput& p) {
  bool videoSeen = false, audioSeen = false;
  for (const test::OutPacket& k : p.packets) {
    bool& seen = k.id == 0xE0 ? videoSeen : audioSeen;
    EXPECT_EQ(k.hasStd, !seen);
    if (!seen && k.id == 0xE0) {
      EXPECT_TRUE(k.stdScale == 1 && k.stdSize == 46);
    }
    if (!seen && k.id == 0xC0) {
      EXPECT_TRUE(k.stdScale == 0 && k.stdSize == 32);
    }
    seen = true;
  }
}

void expectToolsAccept(const std::string& path) {
  if (!test::haveTool("ffmpeg")) return;
  std::string log;
  test::runCommand("ffmpeg -nostdin -v error -i '" + path + "' -f null -", log);
  EXPECT_EQ(log, "") << path;
  test::runCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 '" + path + "'",
                   log);
  EXPECT_TRUE(log == "mpeg1video\nmp2\n" || log == "mp2\nmpeg1video\n") << path << ": " << log;
}

class MuxOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!sourcesFor("vcd").ok) GTEST_SKIP() << "ffmpeg could not make the test streams";
  }
  const Sources& vcd() { return sourcesFor("vcd"); }
};

TEST_F(MuxOutput, MpegSystemPacksAre2048BytesAndDecoderBuffersHold) {
  const MuxRun run = runMux(kModeMpegSystem, vcd());
  ASSERT_EQ(run.status, kMuxFinished);
  EXPECT_EQ(run.shortChunks, 0);
  const ParsedOutput p = test::parseOutput(run.out);
  ASSERT_EQ(p.error, "");
  ASSERT_GE(p.packs.size(), 3u);
  EXPECT_TRUE(p.packs.front().systemHeader);
  EXPECT_EQ(p.packs.front().size, 2048u);
  EXPECT_TRUE(p.packs.back().endCode);
  for (std::size_t i = 0; i < p.packs.size(); ++i) {
    const test::OutPack& k = p.packs[i];
    EXPECT_EQ(k.muxRate, run.muxRate);
    EXPECT_EQ(k.zeroFill, 0u);
    // Padding packs and the end pack are 2042 bytes, all others 2048.
    EXPECT_EQ(k.size, k.dataId != 0 || k.systemHeader ? 2048u : 2042u) << "pack " << i;
  }
  expectTimeStampsAdvance(p);
  expectFirstPacketsDeclareBuffers(p);
  expectStreamsIntact(p, vcd());
  expectBuffersHold(p, vcd(), run.muxRate);
  expectToolsAccept(writeOutput("mpeg_system.mpg", run.out));
}

TEST_F(MuxOutput, VideoCdPacksHaveSectorSizesAndFixedRate) {
  const MuxRun run = runMux(kModeVideoCd, vcd());
  ASSERT_EQ(run.status, kMuxFinished);
  const ParsedOutput p = test::parseOutput(run.out);
  ASSERT_EQ(p.error, "");
  ASSERT_GE(p.packs.size(), 3u);
  EXPECT_EQ(run.muxRate, 3528);
  EXPECT_TRUE(p.packs[0].systemHeader && p.packs[1].systemHeader);
  EXPECT_EQ(p.packs[0].size, 2324u);
  EXPECT_EQ(p.packs[1].size, 2304u);
  for (std::size_t i = 0; i < p.packs.size(); ++i) {
    const test::OutPack& k = p.packs[i];
    EXPECT_EQ(k.muxRate, 3528);
    EXPECT_EQ(k.zeroFill, 0u);
    if (i > 0) {
      EXPECT_EQ(k.scr - p.packs[i - 1].scr, 1200);
    }
    if (i > 1) {
      EXPECT_EQ(k.size, k.dataId == 0xC0 ? 2304u : 2324u) << "pack " << i;
    }
  }
  expectTimeStampsAdvance(p);
  expectFirstPacketsDeclareBuffers(p);
  expectStreamsIntact(p, vcd());
  expectBuffersHold(p, vcd(), run.muxRate);
  expectToolsAccept(writeOutput("videocd.mpg", run.out));
}

TEST_F(MuxOutput, VideoCdZeroesPadsAudioPacksToSectorsAndVcdimagerAcceptsIt) {
  const MuxRun run = runMux(kModeVideoCdZeroes, vcd());
  ASSERT_EQ(run.status, kMuxFinished);
  const ParsedOutput p = test::parseOutput(run.out);
  ASSERT_EQ(p.error, "");
  // The audio system-header pack is as short as an audio pack and zero-filled
  // like one, so every pack fills a whole sector.
  EXPECT_EQ(p.packs[1].size, 2304u);
  for (std::size_t i = 1; i < p.packs.size(); ++i) {
    const test::OutPack& k = p.packs[i];
    EXPECT_EQ(k.size + k.zeroFill, 2324u) << "pack " << i;
    EXPECT_EQ(k.zeroFill, k.dataId == 0xC0 || i == 1 ? 20u : 0u) << "pack " << i;
  }
  expectStreamsIntact(p, vcd());
  expectBuffersHold(p, vcd(), run.muxRate);
  const std::string path = writeOutput("videocd_zeroes.mpg", run.out);
  expectToolsAccept(path);
  if (!test::haveTool("vcdimager")) return;
  const std::string dir = test::muxWorkDir();
  std::string log;
  const int rc = test::runCommand(
      "cd '" + dir + "' && vcdimager -t vcd2 -c vcd.cue -b vcd.bin '" + path + "'", log);
  EXPECT_EQ(rc, 0) << log;
  EXPECT_EQ(log.find("error"), std::string::npos) << log;
  EXPECT_EQ(log.find("WARN"), std::string::npos) << log;  // no padding on the fly
}

TEST_F(MuxOutput, LouderAudioThanVideoStartsWithAnAudioPack) {
  const Sources& loud = sourcesFor("loud");
  ASSERT_TRUE(loud.ok);
  ASSERT_GT(loud.audio.params.bitRate, loud.video.params.bitRate);
  const MuxRun run = runMux(kModeMpegSystem, loud);
  ASSERT_EQ(run.status, kMuxFinished);
  const ParsedOutput p = test::parseOutput(run.out);
  ASSERT_EQ(p.error, "");
  ASSERT_GE(p.packs.size(), 2u);
  EXPECT_EQ(p.packs[1].dataId, 0xC0);
  expectBuffersHold(p, loud, run.muxRate);
  expectToolsAccept(writeOutput("loud.mpg", run.out));
}

TEST_F(MuxOutput, StreamsThatCannotInterleaveEndInUnderflowAfter256PaddingPacks) {
  const MuxRun run = runMux(kModeVideoCd, vcd(), 40 * 90000);
  EXPECT_EQ(run.status, kMuxUnderflow);
  EXPECT_EQ(muxStatusError(MuxOperation::Crop, run.status), 6008);
  // The output ends with the run of padding packs.
  const ParsedOutput p = test::parseOutput(run.out);
  std::size_t padding = 0;
  for (auto k = p.packs.rbegin(); k != p.packs.rend() && k->dataId == 0 && !k->endCode; ++k) {
    ++padding;
  }
  EXPECT_GE(padding, 200u);
}

TEST_F(MuxOutput, JoinContinuesTheRecordsClockWithoutLeadingPacks) {
  auto m = std::make_unique<MuxState>();
  PackProfile profile;
  ASSERT_EQ(makePackProfile(kModeVideoCdZeroes, vcd().video.params, vcd().audio.params, 0, profile),
            0);
  ASSERT_EQ(esInit(m->video.es, nullptr), 0);
  ASSERT_EQ(esInit(m->audio.es, nullptr), 0);
  auto feeders = std::make_shared<std::array<test::EsFeeder, 2>>();
  (*feeders)[0] = {&vcd().video, &m->video.es};
  (*feeders)[1] = {&vcd().audio, &m->audio.es};
  const std::int64_t scr = 5000000;
  ASSERT_EQ(prepareMux(*m, profile, scr + 33722 - 3003, scr + 33722,
                       [feeders] { return (*feeders)[0].step() | (*feeders)[1].step(); }),
            0);
  MuxContinuation c;
  c.scr = scr;
  c.videoQueue = {{45000, scr + 3000}};  // the record's last picture, nearly filling the buffer
  c.videoOccupancy = 45000;
  c.audioQueue = {{0, scr - 100}};
  c.audioBytesBeforeMerge = false;
  continueMux(*m, c);
  std::vector<std::uint8_t> out(kMuxChunk * 8);
  std::size_t delivered = 0;
  ASSERT_EQ(MuxChunk(*m, out.data(), out.size(), delivered), kMuxMore);
  // Whole packs only: the chunk ends inside one.
  std::size_t end = out.size() - 4;
  while (!(mpeg1::isStartCode(&out[end]) && out[end + 3] == mpeg1::kPackStart)) --end;
  out.resize(end);
  const ParsedOutput p = test::parseOutput(out);
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.packs.front().scr, scr);
  EXPECT_FALSE(p.packs.front().systemHeader);
  // Audio goes first: a full video packet does not fit beside the record's picture.
  EXPECT_EQ(p.packs.front().dataId, 0xC0);
  EXPECT_EQ(p.packs.front().zeroFill, 20u);
  bool videoSeen = false, audioSeen = false;
  for (const test::OutPacket& k : p.packets) {
    bool& seen = k.id == 0xE0 ? videoSeen : audioSeen;
    if (!seen) {
      EXPECT_EQ(k.hasStd, k.id == 0xC0) << std::hex << int(k.id);
    }
    seen = true;
  }
  EXPECT_TRUE(videoSeen);
}

TEST_F(MuxOutput, AudioPacketWithoutAFrameStartFails) {
  auto m = std::make_unique<MuxState>();
  PackProfile profile;
  ASSERT_EQ(makePackProfile(kModeMpegSystem, vcd().video.params, vcd().audio.params, 0, profile),
            0);
  ASSERT_EQ(esInit(m->video.es, nullptr), 0);
  ASSERT_EQ(esInit(m->audio.es, nullptr), 0);
  m->video.es.endOfData = true;
  // Bytes but no frame header among them.
  const std::vector<std::uint8_t> junk(6000, 0x33);
  ASSERT_EQ(esAppend(m->audio.es, junk.data(), junk.size()), 0);
  esFinish(m->audio.es);
  ASSERT_EQ(prepareMux(*m, profile, 0, 0, [] { return 0; }), 0);
  writeLeadingPacks(*m);
  std::vector<std::uint8_t> chunk(kMuxChunk);
  std::size_t delivered = 0;
  const int status = MuxChunk(*m, chunk.data(), chunk.size(), delivered);
  EXPECT_EQ(status, kMuxNoAudioFrame);
  EXPECT_EQ(muxStatusError(MuxOperation::AppendCrop, status), 4021);
}

TEST_F(MuxOutput, ReaderFailuresBecomeChunkStatuses) {
  for (const auto& [error, status] : std::vector<std::pair<int, int>>{{9002, kMuxReadError},
                                                                      {9004, kMuxBufferOverflow},
                                                                      {9005, kMuxMemoryError},
                                                                      {9001, kMuxBadPacket},
                                                                      {9104, kMuxBufferOverflow},
                                                                      {9105, kMuxMemoryError}}) {
    auto m = std::make_unique<MuxState>();
    PackProfile profile;
    ASSERT_EQ(makePackProfile(kModeVideoCd, vcd().video.params, vcd().audio.params, 0, profile), 0);
    ASSERT_EQ(prepareMux(*m, profile, 0, 0, [e = error] { return e; }), 0);
    writeLeadingPacks(*m);
    std::vector<std::uint8_t> chunk(kMuxChunk);
    std::size_t delivered = 0;
    EXPECT_EQ(MuxChunk(*m, chunk.data(), chunk.size(), delivered), status) << error;
    EXPECT_EQ(delivered, 2324u + 2304u);  // the leading packs went out first
  }
}

}  // namespace
}  // namespace cw
