// Key events of the player control carry the codes its hosts know: virtual key
// codes, a Shift mask (1 Shift, 2 Ctrl, 4 Alt) and mouse buttons (1 left,
// 2 right, 4 middle).
#pragma once

#include <Qt>

namespace cw::player {

int virtualKeyCode(int qtKey);
int shiftMask(Qt::KeyboardModifiers modifiers);
int buttonMask(Qt::MouseButtons buttons);

}  // namespace cw::player
