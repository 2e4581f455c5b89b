// Changes to a clip's record that windows other than the one making them
// show: the alias (the clip's display name in the palette and the player).
#pragma once

#include <QObject>
#include <QString>

namespace cw::app {

struct EditorSession;

class ClipEvents : public QObject {
  Q_OBJECT
 signals:
  // Clip `index` has a new display name (ClipRecord::displayName()).
  void aliasChanged(int index);
  // Clip `index` has been deleted; the later clips moved down one place.
  void clipRemoved(int index);
};

// The one notifier of the running program.
ClipEvents& clipEvents();

// Stores `alias` as the display name of clip `index` of the session and
// tells the windows.
void setClipAlias(EditorSession& session, int index, const QString& alias);

}  // namespace cw::app
