// clipwright-thumbnailer as a file manager runs it: a PNG of the asked size
// for every movie of the corpus, none for a file without pictures, and a
// picture with something in it when the clip starts black.
#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

CommandResult thumbnail(const std::string& input, const std::string& output, int size = 128) {
  return runProgram(
      {binaryPath("clipwright-thumbnailer"), "-s", std::to_string(size), input, output}, true);
}

// The share of a grid of samples that is brighter than black.
double brightShare(const QImage& image) {
  int bright = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      if (qGray(image.pixel(image.width() * x / 10, image.height() * y / 10)) > 40) ++bright;
  return bright / 100.0;
}

class Thumbnailer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!isExecutable(binaryPath("clipwright-thumbnailer"))) GTEST_SKIP() << "not built";
  }
  TempDir dir{"cw-thumbnailer"};
};

TEST_F(Thumbnailer, EveryMovieGetsAPictureOfTheAskedSize) {
  int movies = 0;
  for (const std::string& name : corpusFiles()) {
    const std::string path = corpusPath(name);
    const std::string png = dir.file(name + ".png");
    const bool video = ffprobeFile(path).count("video") > 0;
    const CommandResult r = thumbnail(path, png, 200);
    if (!video) {
      // Sound alone, or no movie at all: no thumbnail and exit 1.
      EXPECT_EQ(r.exitCode, 1) << name << ": " << r.out;
      EXPECT_FALSE(platform::fileExists(png)) << name;
      continue;
    }
    ++movies;
    ASSERT_EQ(r.exitCode, 0) << name << ": " << r.out;
    const QImage image(QString::fromStdString(png), "PNG");
    ASSERT_FALSE(image.isNull()) << name;
    EXPECT_EQ(std::max(image.width(), image.height()), 200) << name;
    EXPECT_GT(std::min(image.width(), image.height()), 100) << name;
    // The flash-and-beep files are black but for their flashes: any picture
    // of them may be.
    if (name.rfind("syncflash", 0) != 0) {
      EXPECT_GT(brightShare(image), 0.2) << name;
    }
  }
  EXPECT_GT(movies, 10);
}

TEST_F(Thumbnailer, ABlackStartIsPassedOver) {
  const std::string movie = dir.file("black start.mpg");
  // Two black seconds, then six of a test picture: a tenth in is black.
  const CommandResult made = runProgram(
      {"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
       "color=c=black:s=352x240:r=25:d=2[b];testsrc2=s=352x240:r=25:d=6[t];[b][t]concat=n=2:v=1",
       "-c:v", "mpeg1video", "-b:v", "1000k", "-f", "mpeg", movie},
      true);
  ASSERT_EQ(made.exitCode, 0) << made.out;
  const std::string png = dir.file("black start.png");
  ASSERT_EQ(thumbnail(movie, png).exitCode, 0);
  const QImage image(QString::fromStdString(png), "PNG");
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 128);
  EXPECT_GT(brightShare(image), 0.2);
}

TEST_F(Thumbnailer, UsageErrorsAndUnreadableFiles) {
  const std::string png = dir.file("t.png");
  EXPECT_EQ(runProgram({binaryPath("clipwright-thumbnailer")}, true).exitCode, 2);
  EXPECT_EQ(thumbnail(testDataPath("sample_vcd.mpg"), png, 0).exitCode, 2);
  EXPECT_EQ(
      runProgram({binaryPath("clipwright-thumbnailer"), "-s", "64x", "a", "b"}, true).exitCode, 2);
  EXPECT_EQ(thumbnail(dir.file("missing.mpg"), png).exitCode, 1);
  EXPECT_FALSE(platform::fileExists(png));
}

}  // namespace
}  // namespace cw::test
