// Clip commands: File > Open, the thumbnail commands and the palette's
// signals.
#include <QMenu>

#include "app/shell/app_state.h"
#include "app/windows/clip_opener.h"
#include "app/windows/commands.h"
#include "app/windows/info_form.h"
#include "app/windows/new_import.h"
#include "app/windows/parent_form.h"
#include "engine/analysis/stream_info.h"

namespace cw::app {

namespace {

ClipOpener* opener(ParentForm& form) {
  return form.findChild<ClipOpener*>(QStringLiteral("ClipOpener"), Qt::FindDirectChildrenOnly);
}

bool isOpenInAWindow(ParentForm& form, const QString& path) {
  const NewImport* chooser = importWindow(form);
  return form.newPlayer()->iPlayer()->source() == path ||
         form.newRecorder()->iRecorder()->source() == path ||
         (chooser && chooser->iImport()->source() == path);
}

bool infoFormOpen(ParentForm& form) {
  for (const InfoForm* info : form.findChildren<InfoForm*>(QString(), Qt::FindDirectChildrenOnly))
    if (info->isVisible()) return true;
  return false;
}

// The thumbnail's context menu: no Delete for a clip that a window plays, no
// Change Thumbnail for a clip without pictures.
void showThumbnailMenu(ParentForm& form, int index, QPoint globalPosition) {
  const AppState& state = appState();
  if (index < 0 || index >= static_cast<int>(state.Clips.size())) return;
  const ClipRecord& clip = state.Clips[index];
  ActionRegistry& actions = form.actions();
  // While the clip's information form is open it can be neither deleted nor
  // shown a second time.
  const bool infoOpen = state.InfoWindowClip == index;
  actions.setEnabled("menuPopUpDelete", !infoOpen && !isOpenInAWindow(form, clip.FullPath));
  actions.setEnabled("menuPopUpChangeThumbnail", clip.FileType != kTypeAudioOnly);
  actions.setEnabled("menuPopUpPreferences", !infoOpen);
  // The information form opens where the menu was asked for.
  actions.action("menuPopUpPreferences")->setData(globalPosition);
  actions.menu("menuPopUp")->popup(globalPosition);
}

void connectPalette(ParentForm& form, ClipOpener* clips) {
  FootageForm* palette = form.footageForm();
  // Queued: the opening may ask questions, which must not run inside the
  // file manager's drop.
  QObject::connect(
      palette, &FootageForm::filesDropped, clips,
      [clips](const QStringList& paths) { clips->openClipList(paths, OpenDisplay::Hourglass); },
      Qt::QueuedConnection);
  // An open information form keeps Delete Thumbnail(s) off until it closes.
  QObject::connect(palette, &FootageForm::selectionChanged, &form, [&form](bool any) {
    form.actions().setEnabled("mnuDelete", any && !infoFormOpen(form));
  });
  QObject::connect(palette, &FootageForm::contextMenuRequested, &form,
                   [&form](int index, QPoint at) { showThumbnailMenu(form, index, at); });
  QObject::connect(palette, &FootageForm::hideRequested, &form,
                   [&form] { form.action("menuFootage")->trigger(); });
}

}  // namespace

void installClipCommands(ParentForm& form) {
  auto* clips = new ClipOpener(form);
  ActionRegistry& actions = form.actions();
  QObject::connect(actions.action("menuOpen"), &QAction::triggered, clips,
                   &ClipOpener::menuOpen_Click);
  QObject::connect(actions.action("menuPopUpDelete"), &QAction::triggered, clips,
                   &ClipOpener::menuPopUpDelete_Click);
  QObject::connect(actions.action("mnuDelete"), &QAction::triggered, clips,
                   &ClipOpener::mnuDelete_Click);
  connectPalette(form, clips);
}

void openCommandLineClips(ParentForm& form, const QStringList& paths) {
  if (ClipOpener* clips = opener(form)) clips->openClipList(paths, OpenDisplay::Hourglass);
}

}  // namespace cw::app
