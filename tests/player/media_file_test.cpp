// Decoding at exact display times: the picture for a time t is the one whose
// display interval holds t, counted from the first picture in display order.
#include "player/media_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "media_fixture.h"
#include "player/player_errors.h"

namespace cw::player {
namespace {

using testing::generatedMovie;
using testing::meanDifference;
using testing::referencePictures;

struct Movie {
  std::string path;
  std::vector<QImage> pictures;
};

Movie loadMovie(const std::string& name) {
  Movie movie{generatedMovie(name), {}};
  if (!movie.path.empty()) movie.pictures = referencePictures(movie.path);
  return movie;
}

class MediaFileSeek : public ::testing::TestWithParam<std::string> {};

TEST_P(MediaFileSeek, PictureAtTimeIsTheOneFfmpegDecodes) {
  const Movie movie = loadMovie(GetParam());
  if (movie.pictures.size() < 20) GTEST_SKIP() << "ffmpeg could not make " << GetParam();
  std::unique_ptr<MediaFile> file;
  ASSERT_EQ(MediaFile::open(movie.path, file), kErrNone);
  const double period = file->framePeriod();
  ASSERT_GT(period, 0.0);
  EXPECT_NEAR(file->length(), movie.pictures.size() * period, 1e-6);

  // Middles and exact starts of intervals, forwards, backwards and far apart.
  const int count = static_cast<int>(movie.pictures.size());
  const int indexes[] = {0, 1, 17, count / 2, 3, count - 1, count / 3, count / 3 + 1, 2};
  for (int index : indexes) {
    for (double offset : {0.5, 0.0}) {
      const double t = (index + offset) * period;
      VideoFrame shown;
      ASSERT_EQ(file->seekVideo(t, shown), kErrNone) << "t=" << t;
      EXPECT_NEAR(shown.time, index * period, 1e-6) << "t=" << t;
      EXPECT_LT(meanDifference(shown.image, movie.pictures[index]), 1.0) << "t=" << t;
      if (index + 1 < count) {
        EXPECT_GT(meanDifference(shown.image, movie.pictures[index + 1]), 1.0)
            << "the pictures must be told apart, t=" << t;
      }
    }
  }
}

TEST_P(MediaFileSeek, NextPictureFollowsInDisplayOrderAndTimesOutsideClamp) {
  const Movie movie = loadMovie(GetParam());
  if (movie.pictures.size() < 20) GTEST_SKIP() << "ffmpeg could not make " << GetParam();
  std::unique_ptr<MediaFile> file;
  ASSERT_EQ(MediaFile::open(movie.path, file), kErrNone);
  VideoFrame frame;
  ASSERT_EQ(file->seekVideo(10 * file->framePeriod(), frame), kErrNone);
  for (int index = 11; index < 14; ++index) {
    ASSERT_EQ(file->nextVideo(frame), kErrNone);
    EXPECT_LT(meanDifference(frame.image, movie.pictures[index]), 1.0) << index;
  }
  ASSERT_EQ(file->seekVideo(file->length() + 5, frame), kErrNone);
  EXPECT_LT(meanDifference(frame.image, movie.pictures.back()), 1.0);
  EXPECT_EQ(file->nextVideo(frame), kEndOfStream);
  ASSERT_EQ(file->seekVideo(-3, frame), kErrNone);
  EXPECT_LT(meanDifference(frame.image, movie.pictures.front()), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Movies, MediaFileSeek,
                         ::testing::Values("ntsc.mpg", "pal.mpg", "video.mpv"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.')) +
                                  (name.find(".mpv") != std::string::npos ? "Elementary" : "");
                         });

TEST(MediaFile, AudioOnlyFileHasLengthAndNoPictures) {
  const std::string path = generatedMovie("audio.mp2");
  if (path.empty()) GTEST_SKIP() << "ffmpeg could not make audio.mp2";
  std::unique_ptr<MediaFile> file;
  ASSERT_EQ(MediaFile::open(path, file), kErrNone);
  EXPECT_FALSE(file->hasVideo());
  EXPECT_TRUE(file->hasAudio());
  EXPECT_NEAR(file->length(), 3.0, 0.05);
  VideoFrame frame;
  EXPECT_EQ(file->seekVideo(1.0, frame), kErrNoInterface);
  QImage picture;
  EXPECT_NE(file->pictureNearOffset(1000, picture), kErrNone);

  int samples = 0;
  file->setAudioReceiver([&](double, const std::int16_t*, int count) { samples += count; },
                         AudioFormat{48000, 2});
  ASSERT_EQ(file->seekAudio(1.0), kErrNone);
  while (file->nextAudio() == kErrNone) {
  }
  EXPECT_NEAR(samples, 2.0 * 48000, 48000 * 0.1);
}

TEST(MediaFile, MissingOrForeignFilesAreRefused) {
  std::unique_ptr<MediaFile> file;
  EXPECT_EQ(MediaFile::open("/nonexistent/clip.mpg", file), kErrFileNotFound);
  EXPECT_EQ(MediaFile::open(CW_SOURCE_DIR "/CMakeLists.txt", file), kErrCannotRender);
  EXPECT_EQ(file, nullptr);
}

}  // namespace
}  // namespace cw::player
