#include "thumbnailer/still_choice.h"

#include <QColor>

#include "player/media_file.h"
#include "player/player_errors.h"

namespace cw::thumbnailer {

namespace {

// Where to look, as shares of the clip's length, in order of preference.
constexpr double kTries[] = {0.1, 0.3, 0.5};

}  // namespace

bool isNearlyBlack(const QImage& image) {
  if (image.isNull()) return true;
  // A grid of samples is enough to tell a black picture from one with content.
  constexpr int kGrid = 16;
  constexpr int kDark = 24;  // luma below this is black to the eye
  int bright = 0;
  for (int gy = 0; gy < kGrid; ++gy) {
    for (int gx = 0; gx < kGrid; ++gx) {
      const QColor c = image.pixelColor(image.width() * (2 * gx + 1) / (2 * kGrid),
                                        image.height() * (2 * gy + 1) / (2 * kGrid));
      if (qGray(c.rgb()) >= kDark) ++bright;
    }
  }
  return bright * 50 < kGrid * kGrid;  // under 2 % of the samples
}

int chooseStill(player::MediaFile& file, QImage& still) {
  if (!file.hasVideo()) return player::kErrNoInterface;
  QImage first;
  for (const double share : kTries) {
    player::VideoFrame frame;
    if (const int rc = file.seekVideo(file.length() * share, frame)) return rc;
    if (!isNearlyBlack(frame.image)) {
      still = frame.image;
      return 0;
    }
    if (first.isNull()) first = frame.image;
  }
  // A clip black all through still gets its picture.
  still = first;
  return still.isNull() ? player::kErrNoInterface : 0;
}

}  // namespace cw::thumbnailer
