// The information forms, the temporary-directory window, the splash window
// and the About box, connected to the main window's commands and to the
// right mouse button of the player and the recorder.
#include <QCoreApplication>
#include <QCursor>
#include <QPointer>

#include "app/shell/app_state.h"
#include "app/shell/clip_events.h"
#include "app/windows/about_box.h"
#include "app/windows/clip_info_form.h"
#include "app/windows/commands.h"
#include "app/windows/intro.h"
#include "app/windows/parent_form.h"
#include "app/windows/recorder_info_form.h"
#include "app/windows/session_keeper.h"
#include "app/windows/temp_dir_form.h"
#include "player/twips.h"

namespace cw::app {

namespace {

constexpr int kRightButton = 2;
// The recorder's form opens this far right of the mouse.
constexpr int kRecorderFormOffsetTwips = 150;
// Where the temporary-directory window opens.
constexpr int kTempDirLeftTwips = 2000;
constexpr int kTempDirTopTwips = 300;

bool holdsClip(const player::ScrubPane* pane) {
  return pane->mode() != static_cast<int>(player::PlayerMode::NoClip);
}

QPoint screenPoint(const player::ScrubPane* pane, float xTwips, float yTwips) {
  return pane->mapToGlobal(QPoint(player::twipsToPixels(xTwips), player::twipsToPixels(yTwips)));
}

// Clip Properties of the thumbnail context menu: the clip picked in the
// palette, at the point its caller gives in the item's data (the mouse
// otherwise).
void menuPopUpPreferences_Click(ParentForm& form) {
  QAction* item = form.action("menuPopUpPreferences");
  const QPoint at = item->data().canConvert<QPoint>() ? item->data().toPoint() : QCursor::pos();
  item->setData(QVariant());
  showClipInfo(form, appState().PaletteIndex, at);
}

// A right click on the player's clip shows that clip's properties.
void iPlayer_MouseDown(ParentForm& form, int button, float x, float y) {
  player::ScrubPane* pane = form.newPlayer()->iPlayer();
  if (button != kRightButton || !holdsClip(pane)) return;
  AppState& state = appState();
  if (state.CurrentClip < 0) return;
  state.PaletteIndex = state.CurrentClip;
  QAction* item = form.action("menuPopUpPreferences");
  item->setData(screenPoint(pane, x, y));
  item->trigger();
}

void iRecorder_MouseDown(ParentForm& form, int button, float x, float y) {
  player::ScrubPane* pane = form.newRecorder()->iRecorder();
  if (button != kRightButton || !holdsClip(pane)) return;
  const QPoint at =
      screenPoint(pane, x, y) + QPoint(player::twipsToPixels(kRecorderFormOffsetTwips), 0);
  auto* info = new RecorderInfoForm(form.actions(), &form);
  info->openAt(at);
}

void menuTemp_Click(ParentForm& form) {
  auto* keeper = form.findChild<SessionKeeper*>(QStringLiteral("sessionKeeper"));
  auto* window = new TempDirForm(form.newRecorder()->iRecorder(),
                                 keeper ? &keeper->session() : nullptr, &form);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowModality(Qt::ApplicationModal);
  window->move(player::twipsToPixels(kTempDirLeftTwips), player::twipsToPixels(kTempDirTopTwips));
  window->show();
}

void menuAbout_Click(ParentForm& form) {
  auto* about = new AboutBox(&form);
  about->setWindowModality(Qt::ApplicationModal);
  about->show();
}

// The palette's tooltip and the player's caption name the clip by its
// display name.
void showRenamedClip(ParentForm& form, int index) {
  form.footageForm()->refreshName(index);
  const AppState& state = appState();
  if (index != state.CurrentClip || !holdsClip(form.newPlayer()->iPlayer())) return;
  const ClipRecord& clip = state.Clips.at(static_cast<std::size_t>(index));
  const QString caption = QObject::tr("Player: ") + clip.displayName();
  form.newPlayer()->setWindowTitle(caption);
  form.newPlayer()->setAccessibleName(caption);
}

}  // namespace

ClipInfoForm* showClipInfo(ParentForm& form, int index, const QPoint& screenPoint) {
  const auto& clips = appState().Clips;
  if (index < 0 || index >= static_cast<int>(clips.size())) return nullptr;
  // One clip's form at a time.
  for (auto* open : form.findChildren<ClipInfoForm*>(QString(), Qt::FindDirectChildrenOnly))
    if (open->isVisible()) open->close();
  auto* info = new ClipInfoForm(form.actions(), index, &form);
  info->openAt(screenPoint);
  return info;
}

void showIntro(ParentForm& form) {
  auto* intro = new Intro(&form);
  intro->show();
}

void closeIntro(ParentForm& form) {
  if (auto* intro = form.findChild<Intro*>(QString(), Qt::FindDirectChildrenOnly)) {
    intro->hide();
    intro->deleteLater();
    // The splash had the focus: it goes back to the main window.
    if (form.isVisible()) form.activateWindow();
  }
}

void installFormCommands(ParentForm& form) {
  QObject::connect(form.action("menuPopUpPreferences"), &QAction::triggered, &form,
                   [&form] { menuPopUpPreferences_Click(form); });
  QObject::connect(form.action("menuTemp"), &QAction::triggered, &form,
                   [&form] { menuTemp_Click(form); });
  QObject::connect(form.action("menuAbout"), &QAction::triggered, &form,
                   [&form] { menuAbout_Click(form); });
  QObject::connect(
      form.newPlayer()->iPlayer(), &player::ScrubPane::MouseDown, &form,
      [&form](int button, int, float x, float y) { iPlayer_MouseDown(form, button, x, y); });
  QObject::connect(
      form.newRecorder()->iRecorder(), &player::ScrubPane::MouseDown, &form,
      [&form](int button, int, float x, float y) { iRecorder_MouseDown(form, button, x, y); });
  QObject::connect(&clipEvents(), &ClipEvents::aliasChanged, &form,
                   [&form](int index) { showRenamedClip(form, index); });
}

}  // namespace cw::app
