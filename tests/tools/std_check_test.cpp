// The buffer checker must pass streams from two independent multiplexers
// (ffmpeg, mplex) and catch each kind of fault in a damaged copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "std_check.h"
#include "support/corpus.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::tools {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes sample() {
  std::string text = test::readFile(test::testDataPath("sample_vcd.mpg"));
  return Bytes(text.begin(), text.end());
}

std::vector<std::size_t> startCodes(const Bytes& b, std::uint8_t code) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i + 4 <= b.size(); ++i)
    if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1 && b[i + 3] == code) at.push_back(i);
  return at;
}

std::int64_t readStamp(const std::uint8_t* p) {
  return (static_cast<std::int64_t>(p[0] & 0x0E) << 29) | (p[1] << 22) | ((p[2] & 0xFE) << 14) |
         (p[3] << 7) | (p[4] >> 1);
}

// Offset of the time-stamp flags byte of the packet at `at`: behind the
// stuffing and the STD field.
std::size_t stampOffset(const Bytes& b, std::size_t at) {
  std::size_t p = at + 6;
  while (b[p] == 0xFF) ++p;
  if ((b[p] & 0xC0) == 0x40) p += 2;
  return p;
}

void writeStamp(std::uint8_t* p, std::int64_t value) {
  p[0] = static_cast<std::uint8_t>((p[0] & 0xF0) | ((value >> 29) & 0x0E) | 1);
  p[1] = static_cast<std::uint8_t>(value >> 22);
  p[2] = static_cast<std::uint8_t>(((value >> 14) & 0xFE) | 1);
  p[3] = static_cast<std::uint8_t>(value >> 7);
  p[4] = static_cast<std::uint8_t>(((value << 1) & 0xFE) | 1);
}

int count(const CheckReport& report, FindingKind kind) {
  return static_cast<int>(std::count_if(report.findings.begin(), report.findings.end(),
                                        [kind](const Finding& f) { return f.kind == kind; }));
}

std::string describe(const CheckReport& report) {
  std::string text = report.problem;
  for (const auto& f : report.findings)
    text += std::string("\n") + findingName(f.kind) + ": " + f.text;
  return text;
}

TEST(StdCheck, SampleIsCleanAndBuffersAreTheDeclaredOnes) {
  CheckReport report = checkSystemStreamBytes(sample());
  ASSERT_TRUE(report.readable) << report.problem;
  EXPECT_TRUE(report.findings.empty()) << describe(report);
  ASSERT_EQ(report.streams.size(), 2u);
  for (const auto& s : report.streams) {
    EXPECT_EQ(s.bufferSize, s.streamId == 0xE0 ? 47104 : 4096);
    EXPECT_GT(s.accessUnits, 100);
    // ffmpeg fills the buffers nearly to the brim: a model that is off by a
    // packet would see an overflow or a half-empty buffer.
    EXPECT_GT(s.peakOccupancy, s.bufferSize * 9 / 10);
  }
}

// Only files with a pack header in front of every packet. ffmpeg's generic
// multiplexer (-f mpeg) writes one every few dozen packets and keeps looser
// books than this model: depending on the encoded bits its video buffer
// runs over by up to about 60 bytes.
TEST(StdCheck, StreamsOfTwoMultiplexersAreClean) {
  for (const char* name : {"vcd_ntsc.mpg", "vcd_pal.mpg", "vcd_film.mpg", "syncflash.mpg",
                           "mjpeg_vcd.mpg", "mjpeg_generic.mpg"}) {
    if (!test::requireCorpusFile(name)) continue;
    CheckReport report = checkSystemStream(test::corpusPath(name));
    ASSERT_TRUE(report.readable) << name << ": " << report.problem;
    EXPECT_TRUE(report.findings.empty()) << name << describe(report);
  }
}

TEST(StdCheck, SmallerDeclaredVideoBufferOverflows) {
  // ffmpeg declares the sizes in the system headers only.
  Bytes b = sample();
  int changed = 0;
  for (std::size_t at : startCodes(b, 0xBB)) {
    for (std::size_t e = at + 12; e + 3 <= at + 6 + (b[at + 4] << 8 | b[at + 5]); e += 3) {
      if (b[e] == 0xE0 && b[e + 1] == 0xE0 && b[e + 2] == 0x2E) {
        b[e + 2] = 0x20;  // 32 KB instead of 46 KB
        ++changed;
      }
    }
  }
  ASSERT_GT(changed, 0);
  CheckReport report = checkSystemStreamBytes(b);
  EXPECT_GT(count(report, FindingKind::Overflow), 0) << describe(report);
  EXPECT_EQ(count(report, FindingKind::Underflow), 0) << describe(report);
}

TEST(StdCheck, LateArrivalUnderflowsAndSteppingBackIsReported) {
  Bytes b = sample();
  std::vector<std::size_t> packs = startCodes(b, 0xBA);
  ASSERT_GT(packs.size(), 200u);
  // From the middle on every pack arrives half a second late.
  for (std::size_t i = packs.size() / 2; i < packs.size(); ++i)
    writeStamp(&b[packs[i] + 4], readStamp(&b[packs[i] + 4]) + 45000);
  CheckReport late = checkSystemStreamBytes(b);
  EXPECT_GT(count(late, FindingKind::Underflow), 0) << describe(late);
  EXPECT_EQ(count(late, FindingKind::ScrBack), 0) << describe(late);

  Bytes back = sample();
  writeStamp(&back[packs[100] + 4], readStamp(&back[packs[99] + 4]) - 10);
  EXPECT_EQ(count(checkSystemStreamBytes(back), FindingKind::ScrBack), 1);
}

TEST(StdCheck, AudioPtsAndVideoDtsSteppingBack) {
  Bytes b = sample();
  std::vector<std::size_t> audio;
  for (std::size_t at : startCodes(b, 0xC0))
    if ((b[stampOffset(b, at)] & 0xF0) == 0x20) audio.push_back(stampOffset(b, at));
  ASSERT_GT(audio.size(), 20u);
  writeStamp(&b[audio[10]], readStamp(&b[audio[10]]) - 20000);
  CheckReport report = checkSystemStreamBytes(b);
  EXPECT_GT(count(report, FindingKind::PtsBack), 0) << describe(report);

  Bytes v = sample();
  std::vector<std::size_t> stamped;
  for (std::size_t at : startCodes(v, 0xE0))
    if ((v[stampOffset(v, at)] & 0xF0) == 0x30) stamped.push_back(stampOffset(v, at));
  ASSERT_GT(stamped.size(), 10u);
  std::size_t dts = stamped[8] + 5;
  Bytes early = v;
  writeStamp(&early[dts], readStamp(&early[dts]) - 60000);
  CheckReport back = checkSystemStreamBytes(early);
  EXPECT_GT(count(back, FindingKind::DtsBack), 0) << describe(back);
  EXPECT_EQ(count(back, FindingKind::PtsBeforeDts), 0) << describe(back);

  writeStamp(&v[dts], readStamp(&v[stamped[8]]) + 3003);
  CheckReport inverted = checkSystemStreamBytes(v);
  EXPECT_EQ(count(inverted, FindingKind::PtsBeforeDts), 1) << describe(inverted);
}

TEST(StdCheck, GarbageAndForeignStreams) {
  Bytes b = sample();
  std::vector<std::size_t> packs = startCodes(b, 0xBA);
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(packs[50]), {0x12, 0x34, 0x56});
  EXPECT_EQ(count(checkSystemStreamBytes(b), FindingKind::Syntax), 1);

  // Zero fill between packs (VideoCD sectors) is not a fault.
  Bytes zeros = sample();
  zeros.insert(zeros.begin() + static_cast<std::ptrdiff_t>(packs[50]), 20, 0x00);
  EXPECT_EQ(count(checkSystemStreamBytes(zeros), FindingKind::Syntax), 0);

  Bytes video = {0, 0, 1, 0xB3, 0x16, 0x00, 0xF0, 0x13, 0xFF, 0xFF, 0xE0, 0x18};
  EXPECT_FALSE(checkSystemStreamBytes(video).readable);
  Bytes mpeg2 = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0, 0x03, 0xFF, 0xF8};
  EXPECT_FALSE(checkSystemStreamBytes(mpeg2).readable);
}

TEST(StdCheck, ProgramPrintsOneFindingPerLineAndExitsWithItsVerdict) {
  std::string program = test::binaryPath("cw-std-check");
  ASSERT_TRUE(test::isExecutable(program)) << program;
  test::CommandResult clean = test::runProgram({program, test::testDataPath("sample_vcd.mpg")});
  EXPECT_EQ(clean.exitCode, 0);
  EXPECT_EQ(clean.out, "");

  test::TempDir dir;
  Bytes b = sample();
  std::vector<std::size_t> packs = startCodes(b, 0xBA);
  writeStamp(&b[packs[100] + 4], readStamp(&b[packs[99] + 4]) - 10);
  ASSERT_TRUE(test::writeFile(dir.file("back.mpg"), std::string(b.begin(), b.end())));
  test::CommandResult damaged = test::runProgram({program, dir.file("back.mpg")});
  EXPECT_EQ(damaged.exitCode, 1);
  std::vector<std::string> lines = test::splitLines(damaged.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].rfind("scr-back: ", 0), 0u) << lines[0];

  ASSERT_TRUE(test::writeFile(dir.file("text.txt"), "not a movie at all"));
  EXPECT_EQ(test::runProgram({program, dir.file("text.txt")}).exitCode, 2);
  EXPECT_EQ(test::runProgram({program, dir.file("missing.mpg")}).exitCode, 2);
}

}  // namespace
}  // namespace cw::tools
