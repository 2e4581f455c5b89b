// clipwright-cli probe --json against ffprobe, on every corpus file: the
// file information must agree with an independent reader on what the file
// is and on the values its headers declare.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "support/cli.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/json.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

// One JSON object per file, keyed by its path. Empty when the program has no
// probe command yet.
std::map<std::string, Json> probeAll(const std::vector<std::string>& paths) {
  std::vector<std::string> argv = {cliPath(), "probe", "--json"};
  argv.insert(argv.end(), paths.begin(), paths.end());
  std::map<std::string, Json> byPath;
  for (const auto& line : splitLines(runProgram(argv).out)) {
    Json object;
    if (Json::parse(line, object) && object.isObject() && object.has("path"))
      byPath[object["path"].asString()] = object;
  }
  return byPath;
}

bool cliHasProbe() {
  if (!isExecutable(cliPath())) return false;
  return !probeAll({testDataPath("sample_vcd.mpg")}).empty();
}

// Mux rate of the first pack header, bytes per second; -1 without one.
double firstPackMuxRate(const std::string& path) {
  std::string head = readFile(path).substr(0, 102400);
  for (std::size_t i = 0; i + 12 <= head.size(); ++i) {
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(head[i + k]); };
    if (b(0) == 0 && b(1) == 0 && b(2) == 1 && b(3) == 0xBA)
      return (((b(9) & 0x7F) << 15) | (b(10) << 7) | (b(11) >> 1)) * 50.0;
  }
  return -1.0;
}

int layerOf(const std::string& codec) {
  if (codec == "mp1") return 1;
  if (codec == "mp2") return 2;
  if (codec == "mp3") return 3;
  return 0;
}

bool vcdPictureRate(double rate, int height) {
  if (std::fabs(rate - 25.0) < 0.01) return height == 288;
  return (std::fabs(rate - 24000.0 / 1001) < 0.01 || std::fabs(rate - 30000.0 / 1001) < 0.01) &&
         height == 240;
}

// Checks one file; `entry` holds what the corpus script made it to be.
void checkFile(const std::string& name, const std::string& path, const CorpusFile& entry,
               const Json& probe) {
  SCOPED_TRACE(name);
  ProbeInfo reference = ffprobeFile(path);
  ASSERT_TRUE(reference.ok) << "ffprobe cannot read " << path;
  int type = static_cast<int>(probe.numberOr("ShopFileType", -100));
  EXPECT_TRUE(type == entry.fileType || type == entry.otherFileType) << "type " << type;
  EXPECT_DOUBLE_EQ(probe.numberOr("ShopFileBytelenD", -1),
                   static_cast<double>(readFile(path).size()));
  if (type < 0) return;  // nothing else is reported for files that cannot be edited

  bool system = type == 0 || type == 3;
  EXPECT_EQ(system, reference.formatName == "mpeg" || reference.formatName == "vcd")
      << reference.formatName;
  EXPECT_DOUBLE_EQ(probe.numberOr("ShopFileMuxrate", -2), system ? firstPackMuxRate(path) : -1.0);
  if (system && entry.otherFileType < 0) {
    EXPECT_EQ(reference.streams.size(), 2u);
  }

  const ProbeStream* video = reference.first("video");
  if (type != 2) {
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->codec, "mpeg1video");
    EXPECT_EQ(probe.numberOr("ShopFileVideoHorPicsize", -1), video->width);
    EXPECT_EQ(probe.numberOr("ShopFileVideoVerPicsize", -1), video->height);
    EXPECT_NEAR(probe.numberOr("ShopFileVideoPicrateDeclared", -1), video->frameRate, 0.001);
    EXPECT_DOUBLE_EQ(probe.numberOr("ShopFileVideoByterate", -1), video->bitRate / 8);
    bool vcd = vcdPictureRate(video->frameRate, video->height) && video->width == 352 &&
               video->bitRate > 0 && video->bitRate <= 1152000;
    EXPECT_EQ(probe.numberOr("ShopFileVideoVCDcomp", -1), vcd ? 1 : 0);
  }
  const ProbeStream* audio = reference.first("audio");
  if (type != 1) {
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(probe.numberOr("ShopFileAudioLevel", -1), layerOf(audio->codec));
    EXPECT_EQ(probe.numberOr("ShopFileAudioLevel", -1), entry.audioLayer);
    EXPECT_DOUBLE_EQ(probe.numberOr("ShopFileAudioByterate", -1), audio->bitRate / 8);
    EXPECT_EQ(probe.numberOr("ShopFileAudioSampfreqDeclared", -1), audio->sampleRate);
    int mode = static_cast<int>(probe.numberOr("ShopFileAudioMode", -1));
    EXPECT_EQ(mode == 3 ? 1 : 2, audio->channels) << "mode " << mode;
    bool vcd = audio->codec == "mp2" && audio->bitRate == 224000 && audio->sampleRate == 44100 &&
               audio->channels == 2;
    EXPECT_EQ(probe.numberOr("ShopFileAudioVCDcomp", -1), vcd ? 1 : 0);
  }

  // The head/tail duration runs between the first and the last GOP start
  // analysed: it may miss one GOP of the decoded pictures (one picture more
  // allows for the rounding at exactly one GOP).
  if (type != 2) {
    std::vector<ProbeFrame> frames = ffprobeFrames(path, "v:0");
    ASSERT_FALSE(frames.empty());
    double decoded = static_cast<double>(frames.size()) / video->frameRate;
    double gop = longestGop(frames) / video->frameRate;
    double frame = 1.0 / video->frameRate;
    double duration = probe.numberOr("ShopFileTimelenD", -1);
    EXPECT_NEAR(duration, decoded, gop + frame)
        << "decoded " << decoded << " s, GOP " << gop << " s";
  }
}

TEST(CorpusProbe, AgreesWithFfprobeOnEveryCorpusFile) {
  ASSERT_TRUE(cliHasProbe()) << cliPath() << " probes no file";
  std::vector<std::string> names = corpusFiles();
  std::vector<std::string> paths;
  for (const auto& name : names) paths.push_back(corpusPath(name));
  paths.push_back(testDataPath("sample_vcd.mpg"));
  std::map<std::string, Json> results = probeAll(paths);

  for (const auto& name : names) {
    auto found = results.find(corpusPath(name));
    ASSERT_NE(found, results.end()) << "no JSON line for " << name;
    checkFile(name, corpusPath(name), *corpusEntry(name), found->second);
  }
  CorpusFile sample = *corpusEntry("vcd_ntsc.mpg");
  checkFile("sample_vcd.mpg", testDataPath("sample_vcd.mpg"), sample,
            results[testDataPath("sample_vcd.mpg")]);
}

// Files cut out of real ones: the quick analysis only reads the head, so a
// head slice keeps its classification and its declared values.
TEST(CorpusProbe, HeadSliceKeepsClassification) {
  ASSERT_TRUE(cliHasProbe()) << cliPath() << " probes no file";
  TempDir dir;
  std::string whole = readFile(testDataPath("sample_vcd.mpg"));
  std::string slice = dir.file("slice.mpg");
  ASSERT_TRUE(writeFile(slice, whole.substr(0, 300 * 1024)));
  std::map<std::string, Json> results = probeAll({testDataPath("sample_vcd.mpg"), slice});
  ASSERT_EQ(results.size(), 2u);
  const Json& a = results[testDataPath("sample_vcd.mpg")];
  const Json& b = results[slice];
  for (const char* key :
       {"ShopFileType", "ShopFileMuxrate", "ShopFileVideoByterate", "ShopFileAudioByterate",
        "ShopFileVideoHorPicsize", "ShopFileVideoVCDcomp", "ShopFileAudioVCDcomp"})
    EXPECT_EQ(a.numberOr(key, -100), b.numberOr(key, -200)) << key;
}

}  // namespace
}  // namespace cw::test
