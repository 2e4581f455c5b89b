// Silent frames must decode as silence, with a good CRC where the stream has
// one, at the stream's own bit rate, in every layer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/edit/audio_silence.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

struct Format {
  const char* what;
  std::uint8_t header[4];
  double kbps;
  int sampleRate;
  int samplesPerFrame;
};

TEST(SilentFrames, DecodeAsSilenceWithGoodCrcsAtTheStreamsRate) {
  const Format formats[] = {
      {"layer I 44.1 kHz 192k stereo, CRC", {0xFF, 0xFE, 0x60, 0x00}, 192, 44100, 384},
      {"layer II 44.1 kHz 224k stereo, CRC", {0xFF, 0xFC, 0xB0, 0x00}, 224, 44100, 1152},
      {"layer II 48 kHz 128k mono", {0xFF, 0xFD, 0x84, 0xC0}, 128, 48000, 1152},
      {"layer II 32 kHz 64k joint stereo, CRC", {0xFF, 0xFC, 0x48, 0x64}, 64, 32000, 1152},
      {"layer II 44.1 kHz 96k stereo, CRC", {0xFF, 0xFC, 0x60, 0x00}, 96, 44100, 1152},
      {"layer III 44.1 kHz 128k joint stereo, CRC", {0xFF, 0xFA, 0x90, 0x44}, 128, 44100, 1152},
  };
  TempDir dir{"cw-silence"};
  for (const Format& f : formats) {
    SCOPED_TRACE(f.what);
    SilentFrames silence(f.header);
    ASSERT_TRUE(silence.ok());
    constexpr int kFrames = 60;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(silence.append(kFrames / 2, bytes));
    ASSERT_TRUE(silence.append(kFrames / 2, bytes));
    // The padding keeps the nominal rate to within one slot.
    const double seconds = static_cast<double>(kFrames) * f.samplesPerFrame / f.sampleRate;
    EXPECT_NEAR(static_cast<double>(bytes.size()), f.kbps * 125.0 * seconds, 4.0);

    const std::string path = dir.file("silence.mpa");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const CommandResult r =
        runProgram({"ffmpeg", "-nostdin", "-v", "error", "-err_detect", "crccheck+explode", "-f",
                    "mp3", "-i", path, "-f", "s16le", "-"});
    ASSERT_EQ(r.exitCode, 0);
    const int channels = (f.header[3] >> 6) == 3 ? 1 : 2;
    EXPECT_EQ(r.out.size(), static_cast<std::size_t>(kFrames * f.samplesPerFrame * channels * 2));
    std::size_t loud = 0;
    for (char c : r.out) loud += c != 0 ? 1 : 0;
    EXPECT_EQ(loud, 0u);
  }
}

TEST(SilentFrames, RefuseFreeFormatAndBrokenHeaders) {
  const std::uint8_t freeFormat[4] = {0xFF, 0xFD, 0x00, 0x00};
  const std::uint8_t noSync[4] = {0x00, 0xFD, 0x84, 0x00};
  for (const std::uint8_t* header : {freeFormat, noSync}) {
    SilentFrames silence(header);
    EXPECT_FALSE(silence.ok());
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(silence.append(3, bytes));
    EXPECT_TRUE(bytes.empty());
  }
}

}  // namespace
}  // namespace cw::test
