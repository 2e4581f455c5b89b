#include "app/windows/thumbnail_selection.h"

#include <algorithm>

namespace cw::app {

namespace {

void setFlag(std::vector<bool>& selected, int index, bool on, std::vector<int>& changed) {
  if (selected[index] == on) return;
  selected[index] = on;
  changed.push_back(index);
}

void extendTo(std::vector<bool>& selected, int index, std::vector<int>& changed) {
  const std::vector<bool> before = selected;
  // Pressing with Shift when nothing is selected yet selects the pressed one.
  if (!anySelected(before)) setFlag(selected, index, true, changed);
  for (int j = 0; j < static_cast<int>(before.size()); ++j) {
    if (!before[j]) continue;
    for (int k = std::min(j, index); k <= std::max(j, index); ++k)
      setFlag(selected, k, true, changed);
  }
}

}  // namespace

std::vector<int> pressThumbnail(std::vector<bool>& selected, int index,
                                Qt::KeyboardModifiers modifiers) {
  std::vector<int> changed;
  if (index < 0 || index >= static_cast<int>(selected.size())) return changed;
  if (modifiers & Qt::ShiftModifier) {
    extendTo(selected, index, changed);
  } else if (modifiers & Qt::ControlModifier) {
    setFlag(selected, index, !selected[index], changed);
  } else {
    for (int j = 0; j < static_cast<int>(selected.size()); ++j)
      setFlag(selected, j, j == index, changed);
  }
  return changed;
}

bool anySelected(const std::vector<bool>& selected) {
  return std::find(selected.begin(), selected.end(), true) != selected.end();
}

}  // namespace cw::app
