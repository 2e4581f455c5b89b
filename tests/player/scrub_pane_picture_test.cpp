// What the clip area shows: the exact picture after a seek and a step, the
// captured and frozen pictures, and thumbnails through the decoder component.
#include <gtest/gtest.h>

#include <QFile>
#include <QKeyEvent>

#include "media_fixture.h"
#include "pane_fixture.h"
#include "player/player_errors.h"
#include "player/scrub_pane.h"
#include "player/twips.h"
#include "player/video_surface.h"

namespace cw::player {
namespace {

using testing::application;
using testing::corpusFile;
using testing::generatedMovie;
using testing::meanDifference;
using testing::referencePictures;

// The picture of the video window, at the coded size.
QImage shownPicture(ScrubPane& pane) {
  VideoWindow* window = pane.mediaGraph() ? pane.mediaGraph()->videoWindow() : nullptr;
  return window ? window->currentPicture() : QImage();
}

// Index of the reference picture closest to `picture`, and its difference.
std::pair<int, double> closestPicture(const std::vector<QImage>& pictures, const QImage& picture) {
  std::pair<int, double> best{-1, 1e9};
  for (int i = 0; i < static_cast<int>(pictures.size()); ++i) {
    const double difference = meanDifference(pictures[i], picture);
    if (difference < best.second) best = {i, difference};
  }
  return best;
}

class ScrubPanePictures : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    application();
    std::string movie = corpusFile(GetParam());
    if (movie.empty())
      movie = generatedMovie(std::string(GetParam()) == "vcd_pal.mpg" ? "pal.mpg" : "ntsc.mpg");
    if (movie.empty()) GTEST_SKIP() << "no movie";
    pictures_ = referencePictures(movie);
    if (pictures_.size() < 30) GTEST_SKIP() << "ffmpeg could not decode " << movie;
    pane_ = std::make_unique<ScrubPane>();
    pane_->setSource(QString::fromStdString(movie));
    ASSERT_EQ(pane_->xOpen(), 0);
    period_ = pane_->length() / pictures_.size();
    pane_->setStepSize(period_);
  }

  std::vector<QImage> pictures_;
  std::unique_ptr<ScrubPane> pane_;
  double period_ = 0;
};

TEST_P(ScrubPanePictures, SeekShowsThePictureWhoseIntervalHoldsTheTime) {
  const int count = static_cast<int>(pictures_.size());
  for (double fraction : {0.5, 0.1, 0.77, 0.33, 0.0, 0.95}) {
    const int index = static_cast<int>(fraction * (count - 1));
    for (double within : {0.0, 0.4, 0.9}) {
      const double t = (index + within) * period_;
      ASSERT_EQ(pane_->xSeek(t), 0);
      EXPECT_LT(meanDifference(shownPicture(*pane_), pictures_[index]), 1.0)
          << "t=" << t << " closest picture "
          << closestPicture(pictures_, shownPicture(*pane_)).first << " wanted " << index;
    }
  }
}

TEST_P(ScrubPanePictures, StepForwardShowsTheNextPicture) {
  auto* forward = pane_->findChild<QToolButton*>("butForward");
  auto* back = pane_->findChild<QToolButton*>("butRewind");
  const int start = static_cast<int>(pictures_.size() / 3);
  ASSERT_EQ(pane_->xSeek(start * period_), 0);
  for (int step = 1; step <= 4; ++step) {
    ASSERT_GT(meanDifference(pictures_[start + step], pictures_[start + step - 1]), 1.0)
        << "neighbouring pictures must differ for this test to see a step";
    forward->click();
    EXPECT_LT(meanDifference(shownPicture(*pane_), pictures_[start + step]), 1.0) << step;
  }
  back->click();
  EXPECT_LT(meanDifference(shownPicture(*pane_), pictures_[start + 3]), 1.0);
}

TEST_P(ScrubPanePictures, PausingAfterPlayShowsThePictureAtThePosition) {
  ASSERT_EQ(pane_->xSeek(10 * period_), 0);
  ASSERT_EQ(pane_->xPlay(), 0);
  testing::runEventsFor(300);
  ASSERT_EQ(pane_->xPause(), 0);
  double at = 0;
  ASSERT_EQ(pane_->mediaGraph()->mediaPosition()->currentPosition(at), 0);
  const int index = static_cast<int>(at / period_ + 1e-6);
  EXPECT_GT(index, 10);
  EXPECT_LT(meanDifference(shownPicture(*pane_), pictures_[index]), 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Movies, ScrubPanePictures, ::testing::Values("vcd_ntsc.mpg", "vcd_pal.mpg"),
    [](const auto& info) {
      return std::string(info.param).substr(4, std::string(info.param).size() - 8);
    });

TEST(ScrubPaneCapture, CaptureIsTheClipAreaAtPixelSize) {
  application();
  const std::string movie = generatedMovie("ntsc.mpg");
  if (movie.empty()) GTEST_SKIP();
  ScrubPane pane;
  EXPECT_TRUE(pane.xCapture().isNull());  // no clip
  EXPECT_FALSE(pane.freezeFrame(true));
  EXPECT_TRUE(pane.findChild<ClipArea*>("Picture1")->backgroundPicture().isNull());

  pane.setClipWidth(5280);  // 352 x 240 pixels
  pane.setClipHeight(3600);
  pane.setSource(QString::fromStdString(movie));
  ASSERT_EQ(pane.xOpen(), 0);
  ASSERT_EQ(pane.xSeek(2.0), 0);
  const Picture capture = pane.xCapture();
  ASSERT_FALSE(capture.isNull());
  EXPECT_EQ(capture.bitmap.size(), QSize(twipsToPixels(5280), twipsToPixels(3600)));
  EXPECT_TRUE(capture.palette.isEmpty());
  // The video is drawn at its coded size here, so the capture is the picture.
  EXPECT_LT(meanDifference(capture.bitmap.toImage(), shownPicture(pane)), 2.0);

  EXPECT_FALSE(pane.freezeFrame(true));
  auto* clipArea = pane.findChild<ClipArea*>("Picture1");
  EXPECT_EQ(clipArea->backgroundPicture().size(), capture.bitmap.size());
  ASSERT_EQ(pane.xClose(), 0);
  EXPECT_FALSE(clipArea->backgroundPicture().isNull());  // the frozen frame stays
  EXPECT_FALSE(pane.freezeFrame(false));
  EXPECT_TRUE(clipArea->backgroundPicture().isNull());
}

TEST(ScrubPaneThumbnail, PictureFromTheMiddleOfEveryMovie) {
  application();
  std::vector<std::string> movies;
  for (const char* name :
       {"vcd_ntsc.mpg", "vcd_pal.mpg", "vcd_film.mpg", "sys_open.mpg", "sys_closed.mpg",
        "sys_32k.mpg", "sys_layer3.mpg", "sys_vbr.mpg", "sys_two_audio.mpg", "video_only.mpv",
        "mjpeg_vcd.mpg", "mjpeg_generic.mpg", "syncflash.mpg"}) {
    if (std::string path = corpusFile(name); !path.empty()) movies.push_back(path);
  }
  for (const char* name : {"ntsc.mpg", "video.mpv"}) {
    if (std::string path = generatedMovie(name); !path.empty()) movies.push_back(path);
  }
  if (movies.empty()) GTEST_SKIP() << "no movies";
  ScrubPane pane;
  for (const std::string& movie : movies) {
    EXPECT_EQ(pane.xOpenCapture(QString::fromStdString(movie)), 0) << movie;
    const Picture& picture = pane.capturedPicture();
    ASSERT_FALSE(picture.isNull()) << movie;
    EXPECT_GE(picture.bitmap.width(), 160) << movie;
    const std::vector<QImage> pictures = referencePictures(movie);
    if (pictures.size() < 10) continue;
    // The thumbnail is one of the pictures of the middle half. A movie of
    // many identical pictures (the black stretches of the flash movie) has
    // its match everywhere, so the search stays inside that half.
    const std::size_t quarter = pictures.size() / 4;
    const std::vector<QImage> middle(pictures.begin() + quarter, pictures.end() - quarter);
    EXPECT_LT(closestPicture(middle, picture.bitmap.toImage()).second, 1.0) << movie;
  }
  EXPECT_EQ(pane.mode(), 0);  // no playback involved
}

TEST(ScrubPaneThumbnail, FailuresReachTheCallerAndKeepThePicture) {
  application();
  const std::string movie = generatedMovie("ntsc.mpg");
  const std::string sound = generatedMovie("audio.mp2");
  if (movie.empty() || sound.empty()) GTEST_SKIP();
  ScrubPane pane;
  ASSERT_EQ(pane.xOpenCapture(QString::fromStdString(movie)), 0);
  const qint64 before = pane.capturedPicture().bitmap.cacheKey();
  EXPECT_NE(pane.xOpenCapture(QString::fromStdString(sound)), 0);
  EXPECT_NE(pane.xOpenCapture("/nonexistent/movie.mpg"), 0);
  EXPECT_EQ(pane.capturedPicture().bitmap.cacheKey(), before);

  automation::Variant result;
  const automation::Status status = pane.dispatch().invoke(
      "xOpenCapture", {automation::Variant("/nonexistent/movie.mpg")}, result);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message.find("/nonexistent/movie.mpg"), std::string::npos);
  ASSERT_TRUE(pane.dispatch().invoke("xOpenCapture", {automation::Variant(movie)}, result).ok());
  EXPECT_EQ(result, automation::Variant::fromBool(false));
}

TEST(Framepump, MembersByDispatchId) {
  application();
  const std::string movie = generatedMovie("ntsc.mpg");
  if (movie.empty()) GTEST_SKIP();
  Framepump pump;
  automation::Dispatch& members = pump.dispatch();
  ASSERT_TRUE(members.setProperty(Framepump::kFilePath, automation::Variant(movie)).ok());
  automation::Variant ignored;
  ASSERT_TRUE(
      members.invoke(Framepump::kDecodeAtOffset, {automation::Variant(std::int32_t{4096})}, ignored)
          .ok());
  automation::Variant picture;
  ASSERT_TRUE(members.getProperty(Framepump::kDecodedPicture, picture).ok());
  EXPECT_FALSE(pictureFrom(picture).isNull());
  // Past the last picture: the first one instead of nothing.
  EXPECT_EQ(pump.decodeAtOffset(QFile(QString::fromStdString(movie)).size() - 10), 0);
  EXPECT_FALSE(pump.decodedPicture().isNull());
}

}  // namespace
}  // namespace cw::player

namespace cw::player {
namespace {

TEST(ScrubPaneVideoWindow, FollowsTheClipAreaAndGoesFullScreen) {
  testing::application();
  const std::string movie = testing::generatedMovie("ntsc.mpg");
  if (movie.empty()) GTEST_SKIP();
  ScrubPane pane;
  pane.setSource(QString::fromStdString(movie));
  pane.setFullScreen(true);  // no clip: nothing on screen
  ASSERT_EQ(pane.xOpen(), 0);
  auto* video = pane.findChild<VideoSurface*>("VideoWindow");
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->geometry(), QRect(0, 0, 324, 244));
  EXPECT_FALSE(video->isFullScreenMode());
  pane.setClipWidth(3000);
  EXPECT_EQ(video->width(), 200);

  pane.setFullScreen(true);
  EXPECT_TRUE(video->isFullScreenMode());
  EXPECT_TRUE(video->isWindow());
  pane.setFullScreen(false);  // changes nothing on screen
  EXPECT_TRUE(video->isFullScreenMode());
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(video, &key);
  EXPECT_FALSE(video->isFullScreenMode());
  EXPECT_EQ(video->parentWidget(), pane.findChild<QWidget*>("Picture1"));
  EXPECT_EQ(pane.xClose(), 0);
  EXPECT_EQ(pane.findChild<VideoSurface*>("VideoWindow"), nullptr);
}

}  // namespace
}  // namespace cw::player
