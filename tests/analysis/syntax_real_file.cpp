// The scanners on a VideoCD file made by a real encoder, compared with what
// ffprobe counts in the same file.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scanners.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw {
namespace {

// The corpus file, or one made in `dir` when the corpus has not been built;
// empty when neither is possible.
std::string vcdFile(const test::TempDir& dir) {
  if (test::hasCorpusFile("vcd_ntsc.mpg")) return test::corpusPath("vcd_ntsc.mpg");
  const std::string made = dir.file("vcd_ntsc.mpg");
  const test::CommandResult r = test::runProgram(
      {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
       "testsrc=size=352x240:rate=30000/1001", "-f", "lavfi", "-i",
       "sine=frequency=440:sample_rate=44100", "-t", "6", "-target", "ntsc-vcd", made});
  return r.exitCode == 0 && std::filesystem::exists(made) ? made : std::string();
}

ScanBuffer readWhole(const std::string& file) {
  const std::string bytes = test::readFile(file);
  ScanBuffer buf;
  buf.data.assign(bytes.begin(), bytes.end());
  return buf;
}

// Steps over pack headers, system headers and the zero bytes that the
// VideoCD layout puts behind audio packets.
std::uint32_t skipBetweenPackets(const ScanBuffer& buf, std::uint32_t pos, std::uint32_t limit) {
  while (pos < limit) {
    const std::uint8_t* p = &buf.data[pos];
    const bool code = pos + 4 <= buf.size() && mpeg1::isStartCode(p);
    if (code && p[3] == mpeg1::kPackStart) {
      pos += mpeg1::packAndSystemHeaderSize(p);
    } else if (p[0] == 0 && !code) {
      ++pos;
    } else {
      break;
    }
  }
  return pos;
}

TEST(SyntaxRealFile, PacketsCoverTheFileAndPicturesMatchFfprobe) {
  const test::TempDir dir("cw-syntax");
  const std::string file = vcdFile(dir);
  if (file.empty()) GTEST_SKIP() << "no VideoCD sample and no ffmpeg";
  ScanBuffer buf = readWhole(file);
  ASSERT_GT(buf.size(), 100000u);
  ASSERT_EQ(listPackets(buf), 0);

  // Every byte between the packets is a pack header, a system header or
  // zero padding; the list reaches the end of the file.
  std::uint32_t pos = 0;
  for (const ScanEntry& p : buf.packets) {
    ASSERT_EQ(skipBetweenPackets(buf, pos, p.start), p.start);
    pos = p.end;
  }
  EXPECT_EQ(skipBetweenPackets(buf, pos, buf.size()), buf.size());

  ScanList video, audio, pictures, codes, frames;
  ASSERT_EQ(filterPacketsPtsDts(buf, buf.packets, 0xE0, video), 0);
  ASSERT_EQ(filterPacketsPts(buf, buf.packets, 0xC0, audio), 0);
  ASSERT_EQ(scanPicturesAndCodes(buf, video, pictures, codes), 0);
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front().kind, mpeg1::kSequenceHeader);
  EXPECT_EQ(pictures.front().kind, 'I');

  const StreamParams audioParams = makeStreamParams(0xC0, &buf.data[audio.front().payload]);
  ASSERT_EQ(audioParams.status, 0);
  EXPECT_EQ(audioParams.layer, 2);
  EXPECT_EQ(audioParams.frameLength, 731);  // VideoCD audio: 224 kbit/s at 44.1 kHz
  ASSERT_EQ(scanAudioFramesInPayloads(buf, audio, audioParams, frames), 0);

  const auto probedPictures = test::ffprobePackets(file, "v:0");
  const auto probedFrames = test::ffprobePackets(file, "a:0");
  if (probedPictures.empty()) GTEST_SKIP() << "ffprobe not available";
  EXPECT_EQ(pictures.size(), probedPictures.size());
  EXPECT_EQ(frames.size(), probedFrames.size());
  for (std::size_t i = 1; i < frames.size(); ++i) {
    EXPECT_GT(frames[i].start, frames[i - 1].start);
  }

  // In 32 KiB windows as the edit engine reads them, the listing succeeds
  // and finds about as many pictures per window as the whole file averages.
  const std::size_t windows = buf.size() / 32768;
  std::size_t windowPictures = 0;
  for (std::size_t w = 0; w < windows; ++w) {
    ScanBuffer win;
    win.data.assign(buf.data.begin() + w * 32768, buf.data.begin() + (w + 1) * 32768);
    ASSERT_EQ(listPackets(win), 0) << "window " << w;
    ScanList v, pics;
    ASSERT_EQ(filterPacketsPtsDts(win, win.packets, 0xE0, v), 0);
    ASSERT_EQ(scanPictures(win, v, pics), 0);
    windowPictures += pics.size();
  }
  EXPECT_NEAR(static_cast<double>(windowPictures),
              static_cast<double>(pictures.size()) * windows * 32768 / buf.size(),
              pictures.size() * 0.2);
}

bool inIncreasingOrder(const ScanList& list) {
  for (std::size_t i = 1; i < list.size(); ++i) {
    if (list[i].start <= list[i - 1].start) return false;
  }
  return true;
}

TEST(SyntaxRealFile, DamagedWindowsGiveOrderedListsOrScannerErrors) {
  const test::TempDir dir("cw-syntax");
  const std::string file = vcdFile(dir);
  if (file.empty()) GTEST_SKIP() << "no VideoCD sample and no ffmpeg";
  const ScanBuffer whole = readWhole(file);
  std::mt19937 random(1234);
  for (int round = 0; round < 40; ++round) {
    ScanBuffer win;
    const std::size_t at = random() % (whole.size() - 32768);
    win.data.assign(whole.data.begin() + at, whole.data.begin() + at + 32768);
    for (int k = 0; k < 64; ++k) win.data[random() % win.data.size()] = random() & 0xFF;

    const int listed = listPackets(win);
    ASSERT_TRUE(listed == 0 || listed == kScanNoPackets || listed == kScanBadStream) << listed;
    if (listed != 0) continue;
    ASSERT_TRUE(inIncreasingOrder(win.packets));
    for (const ScanEntry& p : win.packets) {
      ASSERT_LE(p.start, p.payload);
      ASSERT_LE(p.payload, p.end);
      ASSERT_LE(p.end, win.size());
    }
    ScanList video, audio, pictures, codes, frames;
    ASSERT_EQ(filterPacketsPtsDts(win, win.packets, 0xE0, video), 0);
    ASSERT_EQ(filterPacketsPts(win, win.packets, 0xC0, audio), 0);
    const int scanned = scanPicturesAndCodes(win, video, pictures, codes);
    ASSERT_TRUE(scanned == 0 || scanned == kForbiddenPicture);
    EXPECT_TRUE(inIncreasingOrder(pictures) && inIncreasingOrder(codes));
    if (audio.empty() || audio.front().payload + 4 > win.size()) continue;
    const StreamParams params = makeStreamParams(0xC0, &win.data[audio.front().payload]);
    const int heard = scanAudioFramesInPayloads(win, audio, params, frames);
    ASSERT_TRUE(heard == 0 || heard == kBadAudioHeader);
    EXPECT_TRUE(inIncreasingOrder(frames));
  }
}

}  // namespace
}  // namespace cw
