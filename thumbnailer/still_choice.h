// Which picture of a clip stands for it in a file manager: one about a
// tenth into the clip, past the black or the titles a recording often
// starts with; when that picture is nearly black, a later one.
#pragma once

#include <QImage>

namespace cw::player {
class MediaFile;
}

namespace cw::thumbnailer {

// True when hardly any pixel of `image` is brighter than near-black.
bool isNearlyBlack(const QImage& image);

// The picture for the thumbnail: 0 with `still` set, or the player's error
// number (the file has no video: kErrNoInterface).
int chooseStill(player::MediaFile& file, QImage& still);

}  // namespace cw::thumbnailer
