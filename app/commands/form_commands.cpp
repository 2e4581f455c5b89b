// The information forms, the temporary-directory window, the splash window
// and the About box, connected to the main window's commands and to the
// right mouse button of the player and the recorder.
#include <QCoreApplication>
#include <QCursor>
#include <QPointer>

#include "app/commands/commands.h"
#include "app/controllers/session_keeper.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/clip_info_dialog.h"
#include "app/dialogs/recorder_info_dialog.h"
#include "app/dialogs/temp_dir_dialog.h"
#include "app/shell/clip_events.h"
#include "app/shell/editor_session.h"
#include "app/windows/intro.h"
#include "app/windows/main_window.h"
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
void showClipProperties(MainWindow& form) {
  QAction* item = form.action("menuPopUpPreferences");
  const QPoint at = item->data().canConvert<QPoint>() ? item->data().toPoint() : QCursor::pos();
  item->setData(QVariant());
  showClipInfo(form, form.session().paletteIndex, at);
}

// A right click on the player's clip shows that clip's properties.
void onPlayerMouseDown(MainWindow& form, int button, float x, float y) {
  player::ScrubPane* pane = form.playerWindow()->playerPane();
  if (button != kRightButton || !holdsClip(pane)) return;
  EditorSession& state = form.session();
  if (state.currentClip < 0) return;
  state.paletteIndex = state.currentClip;
  QAction* item = form.action("menuPopUpPreferences");
  item->setData(screenPoint(pane, x, y));
  item->trigger();
}

void onRecorderMouseDown(MainWindow& form, int button, float x, float y) {
  player::ScrubPane* pane = form.recorderWindow()->recorderPane();
  if (button != kRightButton || !holdsClip(pane)) return;
  const QPoint at =
      screenPoint(pane, x, y) + QPoint(player::twipsToPixels(kRecorderFormOffsetTwips), 0);
  auto* info = new RecorderInfoDialog(form.session().recorder, form.actions(), &form);
  info->openAt(at);
}

void showTempDirDialog(MainWindow& form) {
  auto* keeper = form.findChild<SessionKeeper*>(QStringLiteral("sessionKeeper"));
  auto* window = new TempDirDialog(form.session(), form.recorderWindow()->recorderPane(),
                                   keeper ? &keeper->session() : nullptr, &form);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowModality(Qt::ApplicationModal);
  window->move(player::twipsToPixels(kTempDirLeftTwips), player::twipsToPixels(kTempDirTopTwips));
  window->show();
}

void showAbout(MainWindow& form) {
  auto* about = new AboutDialog(&form);
  about->setWindowModality(Qt::ApplicationModal);
  about->show();
}

// The palette's tooltip and the player's caption name the clip by its
// display name.
void showRenamedClip(MainWindow& form, int index) {
  form.footageWindow()->refreshName(index);
  const EditorSession& state = form.session();
  if (index != state.currentClip || !holdsClip(form.playerWindow()->playerPane())) return;
  const ClipRecord& clip = state.clips.at(static_cast<std::size_t>(index));
  const QString caption = QObject::tr("Player: ") + clip.displayName();
  form.playerWindow()->setWindowTitle(caption);
  form.playerWindow()->setAccessibleName(caption);
}

}  // namespace

ClipInfoDialog* showClipInfo(MainWindow& form, int index, const QPoint& screenPoint) {
  const auto& clips = form.session().clips;
  if (index < 0 || index >= static_cast<int>(clips.size())) return nullptr;
  // One clip's form at a time.
  for (auto* open : form.findChildren<ClipInfoDialog*>(QString(), Qt::FindDirectChildrenOnly))
    if (open->isVisible()) open->close();
  auto* info = new ClipInfoDialog(form.session(), form.actions(), index, &form);
  info->openAt(screenPoint);
  return info;
}

void showIntro(MainWindow& form) {
  auto* intro = new Intro(&form);
  intro->show();
}

void closeIntro(MainWindow& form) {
  if (auto* intro = form.findChild<Intro*>(QString(), Qt::FindDirectChildrenOnly)) {
    intro->hide();
    intro->deleteLater();
    // The splash had the focus: it goes back to the main window.
    if (form.isVisible()) form.activateWindow();
  }
}

void installFormCommands(MainWindow& form) {
  QObject::connect(form.action("menuPopUpPreferences"), &QAction::triggered, &form,
                   [&form] { showClipProperties(form); });
  QObject::connect(form.action("menuTemp"), &QAction::triggered, &form,
                   [&form] { showTempDirDialog(form); });
  QObject::connect(form.action("menuAbout"), &QAction::triggered, &form,
                   [&form] { showAbout(form); });
  QObject::connect(
      form.playerWindow()->playerPane(), &player::ScrubPane::MouseDown, &form,
      [&form](int button, int, float x, float y) { onPlayerMouseDown(form, button, x, y); });
  QObject::connect(
      form.recorderWindow()->recorderPane(), &player::ScrubPane::MouseDown, &form,
      [&form](int button, int, float x, float y) { onRecorderMouseDown(form, button, x, y); });
  QObject::connect(&clipEvents(), &ClipEvents::aliasChanged, &form,
                   [&form](int index) { showRenamedClip(form, index); });
}

}  // namespace cw::app
