// Pictures of the palette that come from no decoded frame: the placeholder of
// an audio-only clip, and the picture of a clip whose middle could not be
// decoded.
#pragma once

#include <QPixmap>
#include <QSize>

namespace cw::app {

QPixmap audioPlaceholderPicture(QSize size);
QPixmap noPicturePlaceholder(QSize size);

}  // namespace cw::app
