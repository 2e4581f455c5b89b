// Where the footage palette puts its thumbnails: in reading order, 60 twips
// from the edges and from each other, a new row when the next thumbnail would
// pass the background's right edge (a row always holds at least one).
#pragma once

#include <QRect>
#include <QSize>
#include <vector>

namespace cw::app {

inline constexpr int kThumbnailGap = 60;  // twips

struct FootageLayout {
  std::vector<QRect> places;  // twips, one per thumbnail
  int backgroundHeight = 0;   // bottom of the last thumbnail plus two gaps
};

FootageLayout layOutThumbnails(const std::vector<QSize>& sizes, int backgroundWidth);

}  // namespace cw::app
