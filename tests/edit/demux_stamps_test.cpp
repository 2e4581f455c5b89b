// Video time stamps of whole crops, read back from the written system
// stream: in decoding order every picture is decoded one picture period after
// the one before, and each is presented as many periods after its decoding as
// its place in the display order says, for every picture type and cut-in
// repair. The sources have open GOPs with B-pictures and, where the encoder
// found a scene change, GOPs of three pictures (I2 B0 B1) followed by another
// I-picture whose temporal reference does not step back.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "demux_fixture.h"
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
    if (!hasCorpusFile("syncflash.mpg")) return std::string();
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
  int checked = 0;
  for (const char* name : {"sys_open.mpg", "mjpeg_vcd.mpg"}) {
    if (!hasCorpusFile(name)) continue;
    SCOPED_TRACE(name);
    for (const double in : {0.0, 1.3, 4.7}) {
      for (const bool removeDeadB : {false, true}) {
        ASSERT_TRUE(useCorpusSource(name));
        expectCountedStamps(in, in + 4.4, 0, removeDeadB);
        ++checked;
      }
    }
  }
  if (checked == 0) GTEST_SKIP() << "sys_open.mpg and mjpeg_vcd.mpg missing from the corpus";
}

}  // namespace
}  // namespace cw::test
