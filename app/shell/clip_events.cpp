#include "app/shell/clip_events.h"

#include "app/shell/editor_session.h"

namespace cw::app {

ClipEvents& clipEvents() {
  static ClipEvents events;
  return events;
}

void setClipAlias(EditorSession& session, int index, const QString& alias) {
  auto& clips = session.clips;
  if (index < 0 || index >= static_cast<int>(clips.size())) return;
  clips[static_cast<std::size_t>(index)].alias = alias;
  emit clipEvents().aliasChanged(index);
}

}  // namespace cw::app
