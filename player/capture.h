// Copies what a widget shows into a new picture.
#pragma once

#include "player/picture.h"

class QWidget;

namespace cw::player {

// The pixels of `window` from (left, top), width x height pixels: of its
// client area, or with `client` false of the whole window with its frame (a
// child widget has no frame, so both are the same there). On a display of 256
// colours the picture gets the display's palette.
Picture grabWindowImage(QWidget* window, bool client, int left, int top, int width, int height);

}  // namespace cw::player
