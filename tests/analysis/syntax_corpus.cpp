// The scanners over every MPEG file of the corpus: pictures and audio frames
// found must be the ones ffprobe counts.
#include <gtest/gtest.h>

#include <string>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scanners.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/temp_dir.h"

namespace cw {
namespace {

constexpr std::size_t kChunk = 32768;

ScanBuffer readWhole(const std::string& file) {
  const std::string bytes = test::readFile(file);
  ScanBuffer buf;
  buf.data.assign(bytes.begin(), bytes.end());
  return buf;
}

std::size_t systemPictures(const ScanBuffer& buf) {
  ScanList video, pictures, codes;
  EXPECT_EQ(filterPacketsPtsDts(buf, buf.packets, 0xE0, video), 0);
  EXPECT_EQ(scanPicturesAndCodes(buf, video, pictures, codes), 0);
  return pictures.size();
}

std::size_t systemAudioFrames(const ScanBuffer& buf) {
  ScanList audio, frames;
  EXPECT_EQ(filterPacketsPts(buf, buf.packets, 0xC0, audio), 0);
  if (audio.empty()) return 0;
  const StreamParams params = makeStreamParams(0xC0, &buf.data[audio.front().payload]);
  EXPECT_EQ(params.status, 0);
  EXPECT_EQ(scanAudioFramesInPayloads(buf, audio, params, frames), 0);
  return frames.size();
}

// Audio frames of an elementary file read in 32 KiB buffers, the scan state
// carried from one buffer to the next as an analysis does.
std::size_t elementaryAudioFrames(const ScanBuffer& whole) {
  ScanBuffer buf;
  buf.audio = makeStreamParams(0xC0, whole.data.data());
  EXPECT_EQ(buf.audio.status, 0);
  std::size_t count = 0;
  std::int64_t lastPosition = -1;
  for (std::size_t at = 0; at < whole.size(); at += kChunk) {
    const std::size_t end = std::min<std::size_t>(at + kChunk, whole.size());
    buf.data.assign(whole.data.begin() + at, whole.data.begin() + end);
    buf.fileOffset = static_cast<std::int64_t>(at);
    ScanList frames;
    EXPECT_EQ(scanAudioFramesElementary(buf, frames), 0);
    for (const ScanEntry& f : frames) {
      const std::int64_t position = buf.fileOffset + scanOffset(f.start);
      EXPECT_GT(position, lastPosition);
      lastPosition = position;
    }
    count += frames.size();
  }
  EXPECT_EQ(static_cast<std::size_t>(buf.frameCounter), count);
  return count;
}

TEST(SyntaxCorpus, PicturesAndAudioFramesMatchFfprobe) {
  const std::vector<std::string> files = test::corpusFiles();
  int checked = 0;
  for (const std::string& name : files) {
    const test::CorpusFile* entry = test::corpusEntry(name);
    if (entry->kind == test::CorpusKind::Wave) continue;
    SCOPED_TRACE(name);
    const std::string path = test::corpusPath(name);
    const auto probedPictures = test::ffprobePackets(path, "v:0");
    const auto probedFrames = test::ffprobePackets(path, "a:0");
    ScanBuffer buf = readWhole(path);
    switch (entry->kind) {
      case test::CorpusKind::VideoCd:
      case test::CorpusKind::System:
        ASSERT_EQ(listPackets(buf), 0);
        EXPECT_EQ(systemPictures(buf), probedPictures.size());
        EXPECT_EQ(systemAudioFrames(buf), probedFrames.size());
        break;
      case test::CorpusKind::VideoElementary: {
        ScanList pictures, codes;
        ASSERT_EQ(scanPicturesAndCodes(buf, wholeBuffer(buf), pictures, codes), 0);
        EXPECT_EQ(pictures.size(), probedPictures.size());
        break;
      }
      case test::CorpusKind::AudioElementary:
        EXPECT_EQ(elementaryAudioFrames(buf), probedFrames.size());
        break;
      default:
        continue;
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace cw
