// Video time stamps of whole crops, read back from the written system
// stream: in decoding order every picture is decoded one picture period after
// the one before, and each is presented as many periods after its decoding as
// its place in the display order says, for every picture type and cut-in
// repair. The sources have open GOPs with B-pictures and, where the encoder
// found a scene change, GOPs of three pictures (I2 B0 B1) followed by another
// I-picture whose temporal reference does not step back. Sequence pieces,
// which start on a sequence header, and first GOPs larger than a read block
// get the same repairs and stamps as any crop.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <utility>

#include "demux_fixture.h"
#include "engine/edit/demux.h"
#include "platform/file.h"
#include "sequence_fixture.h"
#include "support/corpus.h"
#include "support/process.h"

namespace cw::test {
namespace {

using demuxtest::MapPicture;
using demuxtest::StreamMap;

constexpr std::int64_t kToleranceTicks = 2;

struct StampReport {
  int pictures = 0;
  int stamped = 0;
  std::string defects;  // one line per wrong stamp (the first few)
};

// The GOP whose pictures include picture `k` (decoding order).
std::size_t gopOf(const StreamMap& map, std::size_t k, std::size_t from) {
  while (from + 1 < map.gops.size() &&
         static_cast<std::size_t>(map.gops[from + 1].firstPicture) <= k) {
    ++from;
  }
  return from;
}

// Checks the stamp of every picture that is the first to start in a video
// packet carrying a PTS. Decoding index k counts from the first picture;
// its display index is the index of its GOP's first picture plus its
// temporal reference plus one (a reference picture is shown when the next
// one is decoded).
StampReport checkVideoStamps(const StreamMap& map) {
  StampReport r;
  r.pictures = static_cast<int>(map.pictures.size());
  std::ostringstream out;
  int reported = 0;
  const auto report = [&](std::size_t k, const std::string& what) {
    if (reported++ < 8)
      out << "picture " << k << " (" << map.pictures[k].type << ") " << what << "\n";
  };
  std::int64_t firstDts = -1;
  std::size_t firstStamped = 0;
  std::size_t gop = 0;
  int previousPacket = -1;
  for (std::size_t k = 0; k < map.pictures.size(); ++k) {
    const MapPicture& p = map.pictures[k];
    gop = gopOf(map, k, gop);
    const bool firstInPacket = p.packet != previousPacket;
    previousPacket = p.packet;
    const demuxtest::MapPacket& packet = map.packets[static_cast<std::size_t>(p.packet)];
    if (!firstInPacket || packet.pts < 0) continue;
    ++r.stamped;
    const std::int64_t dts = packet.dts >= 0 ? packet.dts : packet.pts;
    if (firstDts < 0) {
      firstDts = dts;
      firstStamped = k;
    }
    const double decoded = static_cast<double>(k - firstStamped) * map.period;
    const std::int64_t wantDts = firstDts + std::llround(decoded);
    if (std::llabs(dts - wantDts) > kToleranceTicks) {
      report(k, "DTS " + std::to_string(dts) + ", expected " + std::to_string(wantDts));
    }
    const auto display = static_cast<std::int64_t>(map.gops[gop].firstPicture) + p.ref + 1;
    const std::int64_t wantLead =
        std::llround(static_cast<double>(display - static_cast<std::int64_t>(k)) * map.period);
    if (std::llabs(packet.pts - dts - wantLead) > kToleranceTicks) {
      report(k, "PTS - DTS " + std::to_string(packet.pts - dts) + ", expected " +
                    std::to_string(wantLead));
    }
  }
  r.defects = out.str();
  return r;
}

// True when the stream has a GOP start whose I-picture's temporal reference
// lies above the previous picture's: the case a scene change produces.
bool hasRisingGopStart(const StreamMap& map) {
  for (std::size_t g = 1; g < map.gops.size(); ++g) {
    const auto first = static_cast<std::size_t>(map.gops[g].firstPicture);
    if (first > 0 && first < map.pictures.size() &&
        map.pictures[first].ref > map.pictures[first - 1].ref) {
      return true;
    }
  }
  return false;
}

class VideoStamps : public SequenceFixture {
 protected:
  // Crops and checks the record's video stamps.
  void expectCountedStamps(double in, double out, int mode, bool removeDeadB) {
    SCOPED_TRACE("marks " + std::to_string(in) + "-" + std::to_string(out) + " mode " +
                 std::to_string(mode) + (removeDeadB ? " removing dead B" : " broken link"));
    ctx.removeDeadBpic = removeDeadB;
    ASSERT_EQ(crop(in, out, mode), 0) << ctx.error.message;
    expectRecordStamps();
  }

  void expectRecordStamps() {
    const StreamMap map = demuxtest::mapSystemStream(demuxtest::readWholeFile(ctx.recordFileName));
    ASSERT_FALSE(map.gops.empty());
    const StampReport r = checkVideoStamps(map);
    EXPECT_EQ(r.defects, "");
    EXPECT_GT(r.stamped, r.pictures / 4) << "too few stamped pictures to say anything";
  }

  // The first GOP of the record: closed with its leading B-pictures gone, or
  // open with broken_link set and its B-pictures kept.
  void expectRepairedFirstGop(bool removeDeadB) {
    const StreamMap map = demuxtest::mapSystemStream(demuxtest::readWholeFile(ctx.recordFileName));
    ASSERT_FALSE(map.gops.empty());
    const auto at = static_cast<std::size_t>(map.gops[0].at);
    ASSERT_LT(at + 8, map.file.size());
    const bool closed = (map.file[at + 7] & 0x40) != 0;
    const bool broken = (map.file[at + 7] & 0x20) != 0;
    ASSERT_GE(map.pictures.size(), 2u);
    if (removeDeadB) {
      EXPECT_TRUE(closed && !broken);
      EXPECT_EQ(map.pictures[0].ref, 0);
      EXPECT_NE(map.pictures[1].type, 'B');
    } else {
      EXPECT_TRUE(!closed && broken);
      EXPECT_GT(map.pictures[0].ref, 0);
      EXPECT_EQ(map.pictures[1].type, 'B');
    }
  }
};

// Made once per test process: 20 s of the flash film re-encoded with two
// B-pictures, GOPs of 15 and scene-change GOPs at the flashes.
std::string flashSourceWithBPictures() {
  static const std::string path = [] {
    if (!requireCorpusFile("syncflash.mpg")) return std::string();
    const std::string made = processScratchDir().file("flash_bf2.mpg");
    const CommandResult r = runProgram(
        {"ffmpeg", "-nostdin", "-v",    "error",      "-y",   "-i",    corpusPath("syncflash.mpg"),
         "-t",     "20",       "-c:v",  "mpeg1video", "-b:v", "1150k", "-minrate",
         "1150k",  "-maxrate", "1150k", "-bufsize",   "320k", "-bf",   "2",
         "-g",     "15",       "-c:a",  "mp2",        "-b:a", "224k",  "-ar",
         "44100",  "-f",       "vcd",   made});
    return r.exitCode == 0 ? made : std::string();
  }();
  return path;
}

TEST_F(VideoStamps, ShortSceneChangeGopsInEveryModeAndRepair) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const std::string path = flashSourceWithBPictures();
  ASSERT_FALSE(path.empty()) << "ffmpeg could not make the source";
  const StreamMap source = demuxtest::mapSystemStream(demuxtest::readWholeFile(path));
  ASSERT_TRUE(hasRisingGopStart(source)) << "the source lacks the GOPs this test is about";
  ASSERT_TRUE(checkVideoStamps(source).defects.empty()) << "the source itself is wrong";

  for (const int mode : {0, 1}) {
    for (const bool removeDeadB : {false, true}) {
      ASSERT_TRUE(useSource(path));
      expectCountedStamps(0.0, 19.0, mode, removeDeadB);
      expectCountedStamps(3.3, 15.7, mode, removeDeadB);
    }
  }
}

// mplex stamps a packet that begins between a GOP's sequence header and its
// I-picture with the next picture's time (syncflash_mjpeg at 32.2 s). Read
// as the I-picture's, it put the clock two periods back in a stretch over
// it, and two periods off in a stretch cut from a window timed there; a
// window's first picture must not take the stamp of another one in its
// packet either (4.84 s).
TEST_F(VideoStamps, StampOfAPacketBetweenAGopsHeadersAndItsPicture) {
  CW_REQUIRE_CORPUS("syncflash_mjpeg.mpg");
  const std::string path = corpusPath("syncflash_mjpeg.mpg");
  const StreamMap source = demuxtest::mapSystemStream(demuxtest::readWholeFile(path));
  ASSERT_NE(checkVideoStamps(source).defects, "") << "the source lacks the stamp in question";
  const std::pair<double, double> stretches[] = {{29.62, 32.22}, {33.16, 35.36}, {4.84, 7.84}};
  for (const int mode : {0, 1}) {
    for (const auto& [in, out] : stretches) {
      SCOPED_TRACE(std::to_string(in) + "-" + std::to_string(out) + " mode " +
                   std::to_string(mode));
      ASSERT_TRUE(useSource(path));
      ASSERT_EQ(crop(in, out, mode), 0) << ctx.error.message;
      const StampReport r = checkVideoStamps(
          demuxtest::mapSystemStream(demuxtest::readWholeFile(ctx.recordFileName)));
      EXPECT_EQ(r.defects, "");
      EXPECT_GE(r.stamped, 8);  // mplex's small pictures share packets
    }
  }
}

// Every piece after the first starts at the sequence header in front of an
// open GOP; it is repaired like a crop's first GOP and stamped like one.
TEST_F(VideoStamps, SequencePiecesStartWithARepairedGop) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const std::string path = flashSourceWithBPictures();
  ASSERT_FALSE(path.empty()) << "ffmpeg could not make the source";
  for (const bool removeDeadB : {false, true}) {
    SCOPED_TRACE(removeDeadB ? "removing dead B" : "broken link");
    ASSERT_TRUE(useSource(path));
    ctx.removeDeadBpic = removeDeadB;
    SetSeqMode(seq);
    const double marks[] = {6.0, 13.0, 0.0};
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE("piece " + std::to_string(k + 1));
      ASSERT_EQ(piece("piece" + std::to_string(k) + ".mpg", marks[k], k == 2, 1), 0)
          << ctx.error.message;
      expectRecordStamps();
      if (k > 0) expectRepairedFirstGop(removeDeadB);
    }
  }
}

TEST_F(VideoStamps, CorpusCropsAtSeveralMarks) {
  for (const char* name : {"sys_open.mpg", "mjpeg_vcd.mpg"}) {
    if (!requireCorpusFile(name)) continue;
    SCOPED_TRACE(name);
    for (const double in : {0.0, 1.3, 4.7}) {
      for (const bool removeDeadB : {false, true}) {
        ASSERT_TRUE(useCorpusSource(name));
        expectCountedStamps(in, in + 4.4, 0, removeDeadB);
      }
    }
  }
}

// Made once per test process: open GOPs of noisy pictures whose I-picture and
// leading B-pictures together pass one 32 KiB read block.
std::string largeGopSource() {
  static const std::string path = [] {
    const std::string made = processScratchDir().file("large_gops.mpg");
    const CommandResult r = runProgram({"ffmpeg",
                                        "-nostdin",
                                        "-v",
                                        "error",
                                        "-y",
                                        "-f",
                                        "lavfi",
                                        "-i",
                                        "testsrc2=size=352x288:rate=25,noise=alls=40:allf=t",
                                        "-f",
                                        "lavfi",
                                        "-i",
                                        "sine=frequency=440:sample_rate=44100",
                                        "-t",
                                        "4",
                                        "-c:v",
                                        "mpeg1video",
                                        "-b:v",
                                        "2500k",
                                        "-minrate",
                                        "2500k",
                                        "-maxrate",
                                        "2500k",
                                        "-bufsize",
                                        "1000k",
                                        "-bf",
                                        "2",
                                        "-g",
                                        "12",
                                        "-sc_threshold",
                                        "1000000000",
                                        "-c:a",
                                        "mp2",
                                        "-b:a",
                                        "192k",
                                        "-f",
                                        "mpeg",
                                        made});
    return r.exitCode == 0 ? made : std::string();
  }();
  return path;
}

// The demultiplexer reads on past its first block until it holds the leading
// B-pictures it removes, so that the GOP is closed as the cut-in time (which
// counts on their removal) says, whatever block size the writer chose.
TEST(DeadBRemoval, LeadingBPicturesBeyondTheFirstBlock) {
  const std::string path = largeGopSource();
  ASSERT_FALSE(path.empty()) << "ffmpeg could not make the source";
  const StreamMap map = demuxtest::mapSystemStream(demuxtest::readWholeFile(path));
  ASSERT_GT(map.gops.size(), 5u);
  const int gopIn = 2;
  const demuxtest::MapGop& gop = map.gops[gopIn];
  ASSERT_FALSE(gop.closed);
  const MapPicture& afterLeadingB = map.pictures[static_cast<std::size_t>(gop.firstPicture) + 3];
  ASSERT_EQ(afterLeadingB.type, 'P');
  ASSERT_GT(afterLeadingB.at - gop.at, static_cast<std::int64_t>(kEsChunk))
      << "the leading B-pictures fit into one block; the source does not test this";

  for (const std::size_t chunk : {kEsChunk, std::size_t{8192}}) {
    SCOPED_TRACE(chunk);
    StreamInfo info;
    demuxtest::setCutAreas(map, gopIn, gopIn + 2, true, info);
    platform::File file;
    ASSERT_TRUE(file.open(path, platform::OpenMode::Read));
    EsBuffer video;
    EsBuffer audio;
    ASSERT_EQ(esInit(video, &info.video), 0);
    ASSERT_EQ(esInit(audio, &info.audio), 0);
    DemuxState state;
    ASSERT_EQ(PositionDemux(state, file, chunk, kCutInRemoveDeadB, &video, &audio), 0);
    demuxtest::Drained v;
    demuxtest::Drained a;
    while (!(video.endOfData && audio.endOfData)) {
      ASSERT_EQ(DemuxStep(state, &video, &audio), 0);
      demuxtest::drain(video, v);
      demuxtest::drain(audio, a);
    }
    std::vector<demuxtest::EsGop> gops;
    std::vector<demuxtest::EsPicture> pictures;
    demuxtest::scanElementaryVideo(v.bytes, gops, pictures);
    ASSERT_EQ(gops.size(), 2u);
    EXPECT_TRUE(gops[0].closed);
    EXPECT_FALSE(gops[0].brokenLink);
    ASSERT_EQ(pictures.size(), 22u);  // two GOPs of 12 without the first one's two B-pictures
    EXPECT_EQ(pictures[0].ref, 0);
    EXPECT_EQ(pictures[1].type, 'P');
    ASSERT_EQ(v.units.size(), pictures.size());
    // Decoded one period apart; shown at the GOP's first index + temporal
    // reference + 1.
    std::size_t gopBase = 0;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
      if (k > 0 && pictures[k].ref <= pictures[k - 1].ref && pictures[k].type == 'I') gopBase = k;
      EXPECT_NEAR(v.units[k].dts(), static_cast<double>(k) * map.period, kToleranceTicks) << k;
      EXPECT_NEAR(v.units[k].pts(), static_cast<double>(gopBase + pictures[k].ref + 1) * map.period,
                  kToleranceTicks)
          << k;
    }
  }
}

}  // namespace
}  // namespace cw::test
