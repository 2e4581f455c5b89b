#include "app/shell/clip_events.h"

#include "app/shell/app_state.h"

namespace cw::app {

ClipEvents& clipEvents() {
  static ClipEvents events;
  return events;
}

void setClipAlias(int index, const QString& alias) {
  auto& clips = appState().Clips;
  if (index < 0 || index >= static_cast<int>(clips.size())) return;
  clips[static_cast<std::size_t>(index)].Alias = alias;
  emit clipEvents().aliasChanged(index);
}

}  // namespace cw::app
