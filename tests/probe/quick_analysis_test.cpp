#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "probe/quick_analysis.h"
#include "stream_bytes.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

class QuickAnalysis : public ::testing::Test {
 protected:
  TempDir dir{"cw-quick"};

  // Writes the bytes to a file and analyses it; the result in `status`.
  StreamInfo analyse(const Bytes& bytes, std::uint32_t layer3Option = 1) {
    const std::string path = dir.file("clip.mpg");
    EXPECT_TRUE(writeFile(path, std::string(bytes.begin(), bytes.end())));
    StreamInfo info;
    info.fileName = path;
    info.layer3Option = layer3Option;
    status = quickAnalyse(info);
    return info;
  }
  int status = -1;
};

Bytes audioFrames(const Bytes& header, int frameLength, int count) {
  Bytes out;
  for (int i = 0; i < count; ++i) {
    append(out, header);
    append(out, zeros(frameLength - header.size()));
  }
  return out;
}

TEST_F(QuickAnalysis, ShortAndEmptyFilesAreNotRecognised) {
  StreamInfo info = analyse(zeros(1023));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(info.fileType, kTypeNotRecognised);
  EXPECT_EQ(info.stage, 1);
  EXPECT_EQ(info.fileLength, 1023.0);
  info = analyse(zeros(1024));
  EXPECT_EQ(info.fileType, kTypeNotRecognised);
  EXPECT_EQ(info.stage, 1);
}

TEST_F(QuickAnalysis, UnreadableFilesReportAReadErrorWithoutAStage) {
  StreamInfo info;
  info.fileName = dir.file("missing.mpg");
  EXPECT_EQ(quickAnalyse(info), 1016);
  EXPECT_EQ(info.fileType, kTypeNotRecognised);
  EXPECT_EQ(info.stage, 0);
  info.fileName = dir.path().string();  // a directory opens but is no file
  EXPECT_EQ(quickAnalyse(info), 1016);
}

TEST_F(QuickAnalysis, RiffIsRecognisedOnlyWhenNoPacketsAreFound) {
  Bytes wave = {'R', 'I', 'F', 'F', 0x24, 0x10, 0, 0, 'W', 'A', 'V', 'E'};
  append(wave, zeros(4096));
  EXPECT_EQ(analyse(wave).fileType, kTypeRiff);

  // An MPEG system stream wrapped in RIFF is classified by its packets.
  Bytes wrapped = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'C', 'D', 'X', 'A'};
  append(wrapped, SystemStream{}.bytes());
  EXPECT_EQ(analyse(wrapped).fileType, kTypeSystem);
}

TEST_F(QuickAnalysis, VideoElementaryStreamsMustStartWithASequenceHeader) {
  Bytes video = zeros(5);  // zero bytes may precede it
  append(video, videoStart());
  append(video, zeros(2000));
  StreamInfo info = analyse(video);
  EXPECT_EQ(info.fileType, kTypeVideoOnly);
  EXPECT_EQ(info.muxRateDeclared, -1);
  EXPECT_EQ(info.horizontalSize, 352);
  EXPECT_EQ(info.videoByteRate, 143750);
  EXPECT_EQ(info.video.type, kTypeVideoOnly);
  EXPECT_EQ(info.audio.type, -1);

  Bytes gopFirst = gopHeader();
  append(gopFirst, videoStart());
  append(gopFirst, zeros(2000));
  EXPECT_NE(analyse(gopFirst).fileType, kTypeVideoOnly);

  Bytes variable = videoStart(true);
  append(variable, zeros(2000));
  info = analyse(variable);
  EXPECT_EQ(info.fileType, kTypeVideoVariable);
  EXPECT_EQ(info.videoByteRate, 0);  // the summary of this file, not of an earlier one

  Bytes badRate = sequenceHeader(false, 0);
  append(badRate, zeros(2000));
  EXPECT_EQ(analyse(badRate).fileType, kTypeBadVideoHeader);
}

TEST_F(QuickAnalysis, AudioElementaryStreamsNeedASecondHeaderOneFrameLater) {
  // Layer 2, 224 kbit/s, 44.1 kHz: 731-byte frames.
  StreamInfo info = analyse(audioFrames(audioHeader(), 731, 4));
  EXPECT_EQ(info.fileType, kTypeAudioOnly);
  EXPECT_EQ(info.audioByteRate, 28000);
  EXPECT_EQ(info.audioVcd, 1);
  EXPECT_EQ(info.audio.type, kTypeAudioOnly);
  EXPECT_EQ(info.video.type, -1);

  // One padding slot late: accepted.
  Bytes late = audioFrames(audioHeader(), 732, 1);
  append(late, audioFrames(audioHeader(), 731, 3));
  EXPECT_EQ(analyse(late).fileType, kTypeAudioOnly);

  // Missing second header.
  Bytes lone = audioFrames(audioHeader(), 731, 1);
  append(lone, zeros(3000));
  EXPECT_EQ(analyse(lone).fileType, kTypeNotRecognised);

  EXPECT_EQ(analyse(audioFrames(audioHeader(0), 731, 4)).fileType, kTypeBadAudioHeader);
  EXPECT_EQ(analyse(audioFrames(audioHeader(2, 0), 731, 4)).fileType, kTypeAudioUnsupported);
  // Layer 3, index 11 = 192 kbit/s: 626-byte frames.
  EXPECT_EQ(analyse(audioFrames(audioHeader(3), 626, 4), 0).fileType, kTypeAudioUnsupported);
  EXPECT_EQ(analyse(audioFrames(audioHeader(3), 626, 4), 1).fileType, kTypeAudioOnly);
}

// Elementary data can hold what looks like packets (audio samples by
// chance, a video stream's start codes): without a pack header in the head
// of the file, it is still classified as an elementary stream.
TEST_F(QuickAnalysis, PacketLikeBytesInElementaryStreamsAreNoPackets) {
  Bytes lookalikes = packet(0xD0, zeros(40), 9000);
  append(lookalikes, packet(0xC0, zeros(60), 12000));
  append(lookalikes, packet(0xE0, zeros(30), 15000, 12000));
  Bytes audio;
  for (int i = 0; i < 40; ++i) {
    Bytes frame = audioHeader();
    append(frame, zeros(20));
    append(frame, lookalikes);
    append(frame, zeros(731 - frame.size()));
    append(audio, frame);
  }
  StreamInfo info = analyse(audio);
  EXPECT_EQ(info.fileType, kTypeAudioOnly);
  EXPECT_EQ(info.audioByteRate, 28000);

  Bytes video = videoStart();
  for (int i = 0; i < 40; ++i) {
    append(video, lookalikes);
    append(video, iPicture());
    append(video, zeros(500));
  }
  info = analyse(video);
  EXPECT_EQ(info.fileType, kTypeVideoOnly);
  EXPECT_EQ(info.muxRateDeclared, -1);
}

TEST_F(QuickAnalysis, Layer1FramesAreWholeSlotsLong) {
  // 384 kbit/s at 44.1 kHz: 48000 * 384 / 44100 = 417.9, but a layer 1 frame
  // is 104 slots of 4 bytes = 416 bytes.
  StreamInfo info = analyse(audioFrames(audioHeader(1, 12), 416, 6));
  EXPECT_EQ(info.fileType, kTypeAudioOnly);
  EXPECT_EQ(info.audioLayer, 1);
}

TEST_F(QuickAnalysis, SystemStreamsNeedBothStreamZerosWithUsableHeaders) {
  StreamInfo info = analyse(SystemStream{}.bytes());
  EXPECT_EQ(status, 0);
  ASSERT_EQ(info.fileType, kTypeSystem);
  EXPECT_EQ(info.muxRateDeclared, 3528);
  EXPECT_EQ(info.video.muxRate, 3528);
  EXPECT_EQ(info.video.streamId, 0xE0);
  EXPECT_EQ(std::memcmp(info.video.header, sequenceHeader().data(), 12), 0);
  EXPECT_EQ(info.audio.header[0], 0xFF);
  EXPECT_EQ(info.audioLayer, 2);
  EXPECT_EQ(info.pictureRate, static_cast<float>(30000.0 / 1001));

  SystemStream noAudio;
  noAudio.withAudio = false;
  EXPECT_EQ(analyse(noAudio.bytes()).fileType, kTypeBadSystem);

  SystemStream unstamped;
  unstamped.videoStamped = false;
  EXPECT_EQ(analyse(unstamped.bytes()).fileType, kTypeBadSystem);

  SystemStream variable;
  variable.variableRate = true;
  info = analyse(variable.bytes());
  EXPECT_EQ(info.fileType, kTypeSystemUnsupported);
  EXPECT_EQ(info.muxRateDeclared, 3528);
  EXPECT_EQ(info.horizontalSize, 352);

  SystemStream layer3;
  layer3.audioLayer = 3;
  EXPECT_EQ(analyse(layer3.bytes(), 0).fileType, kTypeSystemUnsupported);
  EXPECT_EQ(analyse(layer3.bytes(), 1).fileType, kTypeSystem);
}

// A sequence header that loads the intra matrix (values 8, 9, ...), the
// non-intra matrix (values 16, 17, ...), both or neither. The intra matrix
// starts at the last bit of byte 11, so it is written bit by bit.
Bytes headerWithMatrices(bool intra, bool nonIntra) {
  const Bytes base = sequenceHeader();
  Bytes out(base.begin(), base.begin() + 11);
  std::uint32_t bits = 0;
  int count = 0;
  auto put = [&](std::uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
      bits = bits << 1 | ((value >> i) & 1);
      if (++count == 8) {
        out.push_back(static_cast<std::uint8_t>(bits));
        bits = 0;
        count = 0;
      }
    }
  };
  put(base[11] >> 2, 6);  // vbv_buffer_size bits and constrained_parameters_flag
  put(intra ? 1 : 0, 1);
  for (int i = 0; intra && i < 64; ++i) put(8 + i, 8);
  put(nonIntra ? 1 : 0, 1);
  for (int i = 0; nonIntra && i < 64; ++i) put(16 + i, 8);
  return out;
}

TEST_F(QuickAnalysis, SequenceHeadersKeepTheMatricesTheyLoad) {
  for (const auto& [intra, nonIntra] : {std::pair{false, false}, std::pair{true, false},
                                        std::pair{false, true}, std::pair{true, true}}) {
    const Bytes header = headerWithMatrices(intra, nonIntra);
    const std::size_t size = 12 + (intra ? 64 : 0) + (nonIntra ? 64 : 0);
    ASSERT_EQ(header.size(), size);
    const std::string what = std::to_string(size) + " bytes";
    auto expectStored = [&](const StreamInfo& info) {
      EXPECT_EQ(std::memcmp(info.video.header, header.data(), size), 0) << what;
      EXPECT_EQ(std::count(info.video.header + size, info.video.header + kStoredHeaderBytes, 0),
                static_cast<std::ptrdiff_t>(kStoredHeaderBytes - size))
          << what;
      EXPECT_EQ(storedSequenceHeaderSize(info.video), size) << what;
      EXPECT_EQ(info.horizontalSize, 352) << what;
      EXPECT_EQ(info.videoVcd, 1) << what;
    };

    Bytes video = header;
    append(video, gopHeader());
    append(video, iPicture());
    append(video, zeros(2000));
    StreamInfo info = analyse(video);
    ASSERT_EQ(info.fileType, kTypeVideoOnly) << what;
    expectStored(info);

    // In a system stream the header may run on into the next video packet.
    const auto split = static_cast<std::ptrdiff_t>(size / 2 + 2);
    Bytes rest(header.begin() + split, header.end());
    append(rest, gopHeader());
    append(rest, iPicture());
    append(rest, zeros(200));
    Bytes system = packHeader();
    append(system,
           packet(mpeg1::kVideoStream0, Bytes(header.begin(), header.begin() + split), 6003, 3000));
    append(system, packet(mpeg1::kVideoStream0, rest, 6003, 3000));
    append(system, packet(mpeg1::kAudioStream0, audioStart(), 3000));
    append(system, padding());
    info = analyse(system);
    ASSERT_EQ(info.fileType, kTypeSystem) << what;
    expectStored(info);
  }
}

TEST_F(QuickAnalysis, FurtherStreamsCountOnlyAsTheFirstPacket) {
  SystemStream leading;
  leading.leadingStream = 0xC1;
  EXPECT_EQ(analyse(leading.bytes()).fileType, kTypeSystemMulti);
  leading.leadingStream = 0xE1;
  EXPECT_EQ(analyse(leading.bytes()).fileType, kTypeSystemMulti);

  SystemStream trailing;
  trailing.trailingStream = 0xC1;
  EXPECT_EQ(analyse(trailing.bytes()).fileType, kTypeSystem);
}

TEST_F(QuickAnalysis, ANewAnalysisForgetsThePreviousFile) {
  StreamInfo info = analyse(SystemStream{}.bytes());
  ASSERT_EQ(info.fileType, kTypeSystem);
  const std::string other = dir.file("other.bin");
  ASSERT_TRUE(writeFile(other, std::string(4096, 'x')));
  info.fileName = other;
  EXPECT_EQ(quickAnalyse(info), 0);
  EXPECT_EQ(info.fileType, kTypeNotRecognised);
  EXPECT_EQ(info.muxRateDeclared, -1);
  EXPECT_EQ(info.horizontalSize, -1);
  EXPECT_EQ(info.audioLayer, -1);
  EXPECT_EQ(info.video.type, -1);
}

TEST(QuickAnalysisCorpus, RealEncodersOutputIsClassified) {
  StreamInfo info;
  info.fileName = testDataPath("sample_vcd.mpg");
  ASSERT_EQ(quickAnalyse(info), 0);
  EXPECT_EQ(info.fileType, kTypeSystem);
  EXPECT_EQ(info.videoVcd, 1);
  EXPECT_EQ(info.audioVcd, 1);
  for (const auto& [name, type] : {std::pair<const char*, int>{"sound.wav", kTypeRiff},
                                   {"sys_vbr.mpg", kTypeSystemUnsupported},
                                   {"video_only.mpv", kTypeVideoOnly},
                                   {"audio_l1.mpa", kTypeAudioOnly},
                                   {"mjpeg_kvcd.mpv", kTypeVideoOnly}}) {
    if (!requireCorpusFile(name)) continue;
    info.fileName = corpusPath(name);
    EXPECT_EQ(quickAnalyse(info), 0) << name;
    EXPECT_EQ(info.fileType, type) << name;
  }
}

}  // namespace
}  // namespace cw::test
