// Clip commands: File > Open, the thumbnail commands and the palette's
// signals.
#include <QMenu>

#include "app/commands/commands.h"
#include "app/controllers/clip_opener.h"
#include "app/dialogs/info_dialog.h"
#include "app/shell/editor_session.h"
#include "app/windows/import_window.h"
#include "app/windows/main_window.h"
#include "engine/analysis/stream_info.h"

namespace cw::app {

namespace {

ClipOpener* opener(MainWindow& form) {
  return form.findChild<ClipOpener*>(QStringLiteral("ClipOpener"), Qt::FindDirectChildrenOnly);
}

bool isOpenInAWindow(MainWindow& form, const QString& path) {
  const ImportWindow* chooser = importWindow(form);
  return form.playerWindow()->playerPane()->source() == path ||
         form.recorderWindow()->recorderPane()->source() == path ||
         (chooser && chooser->importPane()->source() == path);
}

bool infoFormOpen(MainWindow& form) {
  for (const InfoDialog* info :
       form.findChildren<InfoDialog*>(QString(), Qt::FindDirectChildrenOnly))
    if (info->isVisible()) return true;
  return false;
}

// The thumbnail's context menu: no Delete for a clip that a window plays, no
// Change Thumbnail for a clip without pictures.
void showThumbnailMenu(MainWindow& form, int index, QPoint globalPosition) {
  const EditorSession& state = form.session();
  if (index < 0 || index >= static_cast<int>(state.clips.size())) return;
  const ClipRecord& clip = state.clips[index];
  ActionRegistry& actions = form.actions();
  // While the clip's information form is open it can be neither deleted nor
  // shown a second time.
  const bool infoOpen = state.infoWindowClip == index;
  actions.setEnabled("menuPopUpDelete", !infoOpen && !isOpenInAWindow(form, clip.fullPath));
  actions.setEnabled("menuPopUpChangeThumbnail", clip.fileType != kTypeAudioOnly);
  actions.setEnabled("menuPopUpPreferences", !infoOpen);
  // The information form opens where the menu was asked for.
  actions.action("menuPopUpPreferences")->setData(globalPosition);
  actions.menu("menuPopUp")->popup(globalPosition);
}

void connectPalette(MainWindow& form, ClipOpener* clips) {
  FootageWindow* palette = form.footageWindow();
  // Queued: the opening may ask questions, which must not run inside the
  // file manager's drop.
  QObject::connect(
      palette, &FootageWindow::filesDropped, clips,
      [clips](const QStringList& paths) { clips->openClipList(paths, OpenDisplay::Hourglass); },
      Qt::QueuedConnection);
  // An open information form keeps Delete Thumbnail(s) off until it closes.
  QObject::connect(palette, &FootageWindow::selectionChanged, &form, [&form](bool any) {
    form.actions().setEnabled("mnuDelete", any && !infoFormOpen(form));
  });
  QObject::connect(palette, &FootageWindow::contextMenuRequested, &form,
                   [&form](int index, QPoint at) { showThumbnailMenu(form, index, at); });
  QObject::connect(palette, &FootageWindow::hideRequested, &form,
                   [&form] { form.action("menuFootage")->trigger(); });
}

}  // namespace

void installClipCommands(MainWindow& form) {
  auto* clips = new ClipOpener(form);
  ActionRegistry& actions = form.actions();
  QObject::connect(actions.action("menuOpen"), &QAction::triggered, clips, &ClipOpener::onOpen);
  QObject::connect(actions.action("menuPopUpDelete"), &QAction::triggered, clips,
                   &ClipOpener::onDeleteThumbnail);
  QObject::connect(actions.action("mnuDelete"), &QAction::triggered, clips,
                   &ClipOpener::onDeleteSelected);
  connectPalette(form, clips);
}

void openCommandLineClips(MainWindow& form, const QStringList& paths) {
  if (ClipOpener* clips = opener(form)) clips->openClipList(paths, OpenDisplay::Hourglass);
}

}  // namespace cw::app
