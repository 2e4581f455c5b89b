// clipwright-cli probe: exit codes, output shapes, and files that are not
// movies at all.
#include <gtest/gtest.h>

#include <cstdint>
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

CommandResult probe(std::vector<std::string> args, bool mergeStderr = false) {
  args.insert(args.begin(), "probe");
  return runCli(args, mergeStderr);
}

// stderr alone.
std::string errorsOf(const std::vector<std::string>& args) {
  std::string line = shellQuote(cliPath()) + " probe";
  for (const auto& a : args) line += " " + shellQuote(a);
  return runCommand(line + " 2>&1 >/dev/null").out;
}

class ProbeCli : public CliTest {
 protected:
  TempDir dir{"cw-cli"};
};

TEST_F(ProbeCli, UsageErrorsExitWithTwo) {
  EXPECT_EQ(runProgram({cliPath()}).exitCode, 2);
  EXPECT_EQ(runProgram({cliPath(), "frobnicate"}).exitCode, 2);
  EXPECT_EQ(probe({}).exitCode, 2);
  EXPECT_EQ(probe({"--verbose", testDataPath("sample_vcd.mpg")}).exitCode, 2);
  CommandResult help = runProgram({cliPath(), "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("probe"), std::string::npos);
  EXPECT_EQ(probe({"--help"}).exitCode, 0);
}

TEST_F(ProbeCli, EditableFilesExitWithZeroAndShowTheFormFields) {
  CommandResult r = probe({testDataPath("sample_vcd.mpg")});
  EXPECT_EQ(r.exitCode, 0);
  for (const char* expected : {"System stream", "352 x 240", "29.970 pictures/s", "layer 2",
                               "44100 Hz", "224 kbit/s", "176400 bytes/s", "Yes"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST_F(ProbeCli, JsonHasOneObjectPerFileInOrder) {
  const std::string junk = dir.file("junk.bin");
  ASSERT_TRUE(writeFile(junk, std::string(5000, 'j')));
  const std::string missing = dir.file("missing.mpg");
  CommandResult r = probe({"--json", testDataPath("sample_vcd.mpg"), junk, missing});
  EXPECT_EQ(r.exitCode, 1);
  std::vector<std::string> lines = splitLines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;

  Json good;
  ASSERT_TRUE(Json::parse(lines[0], good)) << lines[0];
  ASSERT_GE(good.members().size(), 15u);
  EXPECT_EQ(good.members()[0].first, "path");
  const char* keys[] = {"ShopFileType",
                        "ShopFileTimelenD",
                        "ShopFileBytelenD",
                        "ShopFileAudioByterate",
                        "ShopFileAudioLevel",
                        "ShopFileAudioMode",
                        "ShopFileVideoByterate",
                        "ShopFileVideoHorPicsize",
                        "ShopFileVideoVerPicsize",
                        "ShopFileVideoPicrateDeclared",
                        "ShopFileVideoVCDcomp",
                        "ShopFileAudioVCDcomp",
                        "ShopFileMuxrate",
                        "ShopFileAudioSampfreqDeclared"};
  for (const char* key : keys) EXPECT_TRUE(good[key].isNumber()) << key;
  EXPECT_EQ(good["ShopFileType"].asNumber(), 0);
  EXPECT_GT(good["ShopFileTimelenD"].asNumber(), 1.0);
  EXPECT_FALSE(good.has("analysis"));

  Json bad;
  ASSERT_TRUE(Json::parse(lines[1], bad));
  EXPECT_EQ(bad["path"].asString(), junk);
  EXPECT_EQ(bad["ShopFileType"].asNumber(), -2);

  Json failed;
  ASSERT_TRUE(Json::parse(lines[2], failed));
  EXPECT_EQ(failed["error"]["number"].asNumber(), 1016);
  EXPECT_EQ(failed["error"]["message"].asString(), "file reading error");
}

TEST_F(ProbeCli, AwkwardFileNamesStillGiveValidJson) {
  const std::string name = dir.file("say \"cut\"\n\\ \xff\xfe.mpg");
  ASSERT_TRUE(writeFile(name, readFile(testDataPath("sample_vcd.mpg"))));
  CommandResult r = probe({"--json", name});
  EXPECT_EQ(r.exitCode, 0);
  Json o;
  ASSERT_TRUE(Json::parse(r.out, o)) << r.out;
  EXPECT_NE(o["path"].asString().find("say \"cut\"\n\\ "), std::string::npos);
  EXPECT_EQ(o["ShopFileType"].asNumber(), 0);
}

// An audio-only stream lasts its whole frames times the frame period: 1152
// samples a frame in layer 2, 384 in layer 1.
TEST_F(ProbeCli, AudioOnlyStreamsHaveTheLengthOfTheirFrames) {
  const std::pair<const char*, int> files[] = {{"audio_only.mpa", 1152}, {"audio_l1.mpa", 384}};
  for (const auto& [name, samples] : files) {
    CW_REQUIRE_CORPUS(name);
    const std::string path = corpusPath(name);
    const ProbeInfo info = ffprobeFile(path);
    const double frames = static_cast<double>(ffprobePackets(path, "a:0").size());
    const double expected = frames * samples / info.streams.at(0).sampleRate;
    CommandResult r = probe({"--json", path});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    Json o;
    ASSERT_TRUE(Json::parse(r.out, o)) << r.out;
    EXPECT_NEAR(o["ShopFileTimelenD"].asNumber(), expected, 1e-6) << name;
    char length[32];
    std::snprintf(length, sizeof length, "%.3f s", expected);
    EXPECT_NE(probe({path}).out.find(length), std::string::npos) << name;
  }
}

TEST_F(ProbeCli, AnalyseAddsHeadAndTailAreas) {
  CommandResult r = probe({"--json", "--analyse", testDataPath("sample_vcd.mpg")});
  ASSERT_EQ(r.exitCode, 0);
  Json o;
  ASSERT_TRUE(Json::parse(splitLines(r.out).at(0), o));
  const Json& a = o["analysis"];
  EXPECT_EQ(a["error"].asNumber(), 0);
  ASSERT_EQ(a["video"]["head"].size(), 3u);
  EXPECT_LE(a["video"]["head"][std::size_t{0}].asNumber(),
            a["video"]["head"][std::size_t{1}].asNumber());
  EXPECT_LT(a["video"]["head"][std::size_t{1}].asNumber(),
            a["video"]["tail"][std::size_t{1}].asNumber());
  const double seconds =
      (a["video"]["lastTime"].asNumber() - a["video"]["firstTime"].asNumber()) / 90000;
  EXPECT_DOUBLE_EQ(seconds, o["ShopFileTimelenD"].asNumber());
  EXPECT_GT(a["measuredMuxRate"].asNumber(), 0);

  CommandResult text = probe({"--analyse", testDataPath("sample_vcd.mpg")});
  EXPECT_NE(text.out.find("Video head:"), std::string::npos);
  EXPECT_NE(text.out.find("Audio tail:"), std::string::npos);
}

TEST_F(ProbeCli, BrokenInputsGiveOneClearLineAndNoCrash) {
  std::string sample = readFile(testDataPath("sample_vcd.mpg"));
  std::string random(300 * 1024, '\0');
  std::uint32_t seed = 12345;
  for (char& c : random) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty.mpg", ""}, {"truncated.mpg", sample.substr(0, 3000)}, {"random.mpg", random}};
  for (const Case& c : cases) {
    const std::string path = dir.file(c.name);
    ASSERT_TRUE(writeFile(path, c.bytes));
    for (bool analyse : {false, true}) {
      std::vector<std::string> args = {path};
      if (analyse) args.insert(args.begin(), "--analyse");
      CommandResult r = probe(args);
      EXPECT_EQ(r.exitCode, 1) << c.name;  // not a signal, not success
      std::vector<std::string> errors = splitLines(errorsOf(args));
      ASSERT_EQ(errors.size(), 1u) << c.name;
      EXPECT_NE(errors[0].find(path), std::string::npos);
      EXPECT_NE(errors[0].find("not editable"), std::string::npos) << errors[0];
    }
  }

  // A head cut off a movie keeps its classification; its tail analysis
  // fails without bringing the program down.
  const std::string head = dir.file("head_only.mpg");
  ASSERT_TRUE(writeFile(head, sample.substr(0, 40000)));
  EXPECT_EQ(probe({"--analyse", head}).exitCode, 0);

  std::vector<std::string> errors = splitLines(errorsOf({dir.path().string()}));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("error 1016: file reading error"), std::string::npos) << errors[0];
  EXPECT_EQ(probe({dir.path().string()}).exitCode, 1);
  EXPECT_EQ(probe({dir.file("nothing-here.mpg")}).exitCode, 1);
}

TEST_F(ProbeCli, ExitIsOneWhenAnyFileCannotBeEdited) {
  const std::string sample = testDataPath("sample_vcd.mpg");
  EXPECT_EQ(probe({sample, sample}).exitCode, 0);
  const std::string wav = dir.file("sound.wav");
  std::string riff = "RIFF" + std::string(4, '\0') + "WAVEfmt " + std::string(4000, '\x01');
  ASSERT_TRUE(writeFile(wav, riff));
  CommandResult r = probe({sample, wav}, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("not editable: RIFF file"), std::string::npos) << r.out;
  // Options may follow the files; "--" ends them.
  EXPECT_EQ(probe({sample, "--json"}).exitCode, 0);
  EXPECT_EQ(probe({"--", "--json"}).exitCode, 1);
}

}  // namespace
}  // namespace cw::test
