// The conformance check on damaged and hand-changed streams: problems, at
// the right place, and never a crash.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/edit/stream_check.h"
#include "support/corpus.h"

namespace cw {
namespace {

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CheckReport check(const std::vector<std::uint8_t>& bytes, std::size_t size) {
  CheckReport report;
  checkBytes(bytes.data(), size, report);
  return report;
}

// The sample ends without its end code; with it, only the VideoCD limits
// its pictures break are left.
std::vector<std::uint8_t> sample() {
  std::vector<std::uint8_t> bytes = readBytes(test::testDataPath("sample_vcd.mpg"));
  for (std::uint8_t b : {0x00, 0x00, 0x01, 0xB9}) bytes.push_back(b);
  return bytes;
}

std::size_t nthPack(const std::vector<std::uint8_t>& b, int n) {
  for (std::size_t at = 0; at + 4 <= b.size(); ++at)
    if (b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1 && b[at + 3] == 0xBA && n-- == 0) return at;
  return 0;
}

TEST(StreamCheck, DamagedCopiesGetProblemsNeverACrash) {
  const std::vector<std::uint8_t> bytes = sample();
  ASSERT_GT(bytes.size(), 100000u);
  const CheckReport whole = check(bytes, bytes.size());
  for (CheckKind kind :
       {CheckKind::Syntax, CheckKind::Overflow, CheckKind::Underflow, CheckKind::TimeStamp,
        CheckKind::Clock, CheckKind::Structure, CheckKind::Sound})
    EXPECT_EQ(whole.count(kind), 0) << checkKindName(kind) << ": " << checkVerdict(whole);
  ASSERT_EQ(whole.buffers.size(), 2u);
  EXPECT_GT(whole.buffers[1].peak, 40000);
  EXPECT_LE(whole.buffers[1].peak, whole.buffers[1].size);

  // Cut anywhere: the end is missing, and says so.
  for (std::size_t size : {std::size_t{7}, bytes.size() / 7, bytes.size() / 3 + 5,
                           bytes.size() / 2 + 1001, bytes.size() - 3}) {
    const CheckReport cut = check(bytes, size);
    EXPECT_GT(cut.count(CheckKind::Syntax), 0) << size;
    ASSERT_NE(cut.first(), nullptr);
    EXPECT_LE(cut.first()->offset, static_cast<std::int64_t>(size));
  }

  // Flipped bytes anywhere: whatever is found, the lists stay in step.
  std::mt19937 random(20);
  std::uniform_int_distribution<std::size_t> position(0, bytes.size() - 1);
  for (int run = 0; run < 150; ++run) {
    std::vector<std::uint8_t> damaged = bytes;
    for (int flip = 0; flip < 1 + run % 16; ++flip) damaged[position(random)] ^= 0xFF;
    const CheckReport r = check(damaged, damaged.size());
    EXPECT_LE(static_cast<std::int64_t>(r.problems.size()), r.problemCount());
  }

  // A pack start code hit: its zeros pass as sector fill, the first byte
  // that is neither is named.
  std::vector<std::uint8_t> hit = bytes;
  const std::size_t pack = nthPack(hit, 40);
  hit[pack + 2] = 0x07;
  const CheckReport r = check(hit, hit.size());
  ASSERT_EQ(r.count(CheckKind::Syntax), 1) << checkVerdict(r);
  for (const CheckProblem& p : r.problems) {
    if (p.kind == CheckKind::Syntax) {
      EXPECT_EQ(p.offset, static_cast<std::int64_t>(pack + 2)) << p.text;
    }
  }
}

TEST(StreamCheck, ClockAndTimeStampsStepBack) {
  std::vector<std::uint8_t> bytes = sample();
  // The SCR of a pack set back to zero: it steps back there, and the next
  // pack's SCR rises too fast after it.
  const std::size_t pack = nthPack(bytes, 100);
  const std::uint8_t zero[5] = {0x21, 0x00, 0x01, 0x00, 0x01};
  std::copy(zero, zero + 5, bytes.begin() + static_cast<std::ptrdiff_t>(pack) + 4);
  const CheckReport r = check(bytes, bytes.size());
  EXPECT_EQ(r.count(CheckKind::TimeStamp), 1);
  EXPECT_EQ(r.first()->offset, static_cast<std::int64_t>(pack));
  EXPECT_NE(r.first()->text.find("SCR steps back"), std::string::npos);
}

TEST(StreamCheck, AnOpenGopAtTheStartNeedsBrokenLink) {
  CW_REQUIRE_CORPUS("video_only.mpv");
  const std::vector<std::uint8_t> file = readBytes(test::corpusPath("video_only.mpv"));
  // The sequence header, then the stream from its first open GOP on.
  std::size_t gop = 0;
  for (std::size_t at = 12; at + 8 <= file.size() && gop == 0; ++at)
    if (file[at] == 0 && file[at + 1] == 0 && file[at + 2] == 1 && file[at + 3] == 0xB8 &&
        !(file[at + 7] & 0x40))
      gop = at;
  ASSERT_GT(gop, 0u);
  std::vector<std::uint8_t> bytes(file.begin(), file.begin() + 12);
  bytes.insert(bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(gop), file.end());
  EXPECT_TRUE(check(file, file.size()).clean()) << checkVerdict(check(file, file.size()));
  const CheckReport open = check(bytes, bytes.size());
  EXPECT_EQ(open.fileKind, "video stream");
  EXPECT_EQ(open.count(CheckKind::Structure), 1) << checkVerdict(open);
  bytes[12 + 7] |= 0x20;  // broken_link
  EXPECT_TRUE(check(bytes, bytes.size()).clean());
}

TEST(StreamCheck, AudioFramesCutAndLost) {
  CW_REQUIRE_CORPUS("audio_only.mpa");
  std::vector<std::uint8_t> bytes = readBytes(test::corpusPath("audio_only.mpa"));
  ASSERT_TRUE(check(bytes, bytes.size()).clean());
  const CheckReport cut = check(bytes, bytes.size() - 100);
  EXPECT_EQ(cut.count(CheckKind::Sound), 1);
  EXPECT_NE(checkVerdict(cut).find("last audio frame cut short"), std::string::npos);
  // A frame's sync word hit: the sync is lost there.
  mpeg1::AudioHeader first;
  ASSERT_EQ(mpeg1::decodeAudioHeader(bytes.data(), first), 0);
  const std::size_t second = static_cast<std::size_t>(first.frameLength) + (first.padding ? 1 : 0);
  bytes[second] = 0x00;
  const CheckReport lost = check(bytes, bytes.size());
  EXPECT_EQ(lost.count(CheckKind::Sound), 1);
  ASSERT_NE(lost.first(), nullptr);
  EXPECT_EQ(lost.first()->offset, static_cast<std::int64_t>(second));
  EXPECT_NE(lost.first()->text.find("sync lost"), std::string::npos);
}

}  // namespace
}  // namespace cw
