// Selection of the footage palette's thumbnails by a press: a plain press
// selects only the pressed one, Ctrl toggles it, Shift selects every
// thumbnail between each selected one and the pressed one.
#pragma once

#include <Qt>
#include <vector>

namespace cw::app {

// Applies a press on thumbnail `index` to the flags; returns the indices whose
// flag changed (their frames need repainting).
std::vector<int> pressThumbnail(std::vector<bool>& selected, int index,
                                Qt::KeyboardModifiers modifiers);

bool anySelected(const std::vector<bool>& selected);

}  // namespace cw::app
