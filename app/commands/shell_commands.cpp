// The main window's own small commands: Windows toggles, Time Code, Help,
// preview window size, Exit, and the help behind message boxes.
#include <QPointer>
#include <QShortcut>

#include "app/shell/app_state.h"
#include "app/shell/command_line.h"
#include "app/shell/messages.h"
#include "app/windows/commands.h"
#include "app/windows/help_window.h"
#include "app/windows/new_preview.h"
#include "app/windows/parent_form.h"

namespace cw::app {

namespace {

// A player window's toggle first pauses its clip when it plays.
void pauseWhenPlaying(player::ScrubPane* pane) {
  if (pane && pane->mode() == static_cast<int>(player::PlayerMode::Playing)) pane->xPause();
}

void connectWindowToggle(ParentForm& form, const char* name, QMdiSubWindow* window,
                         player::ScrubPane* pane) {
  QAction* item = form.action(QString::fromLatin1(name));
  // The item is checkable, so triggering has already flipped its mark.
  QObject::connect(item, &QAction::triggered, &form, [item, window, pane](bool nowChecked) {
    pauseWhenPlaying(pane);
    if (nowChecked)
      window->show();
    else
      window->hide();
    item->setChecked(nowChecked);
  });
}

void connectTimeCode(ParentForm& form) {
  QAction* item = form.action("mnuPrefTimeCode");
  QObject::connect(item, &QAction::triggered, &form, [&form](bool visible) {
    form.newPlayer()->iPlayer()->setTimeCodeVisible(visible);
    form.newRecorder()->iRecorder()->setTimeCodeVisible(visible);
  });
}

// Preview window size: the item checks itself and unchecks the other three,
// and the preview window takes the size at once, shown or not (full screen
// only takes effect when a preview plays).
void connectWindowSizes(ParentForm& form) {
  static const std::pair<const char*, int> kSizes[] = {{"menuWindow160", 160},
                                                       {"menuWindow320", 320},
                                                       {"menuWindow640", 640},
                                                       {"menuWindowFull", 0}};
  for (const auto& [name, size] : kSizes) {
    QObject::connect(form.action(name), &QAction::triggered, &form, [&form, size] {
      for (const auto& [other, otherSize] : kSizes)
        form.actions().setChecked(other, otherSize == size);
      appState().PreviewWinSize = static_cast<std::int16_t>(size);
      if (NewPreview* preview = previewWindow(form)) preview->applyWindowSize(size);
    });
  }
}

void connectHelp(ParentForm& form) {
  auto* help = new HelpWindow(&form);
  QPointer<HelpWindow> window(help);
  QObject::connect(form.action("menuContents"), &QAction::triggered, help,
                   &HelpWindow::showContents);
  QObject::connect(form.action("menuSearch"), &QAction::triggered, help, &HelpWindow::showSearch);
  QObject::connect(&form, &ParentForm::closeHelpRequested, help, &QWidget::close);
  setHelpOpener([window](int topic) {
    if (window) window->showTopic(topic);
  });
}

// Ctrl+Alt+F12 in the footage palette switches the action log on for the
// rest of the run (many desktops take the key for themselves: --log does the
// same from the command line).
void connectLogKey(ParentForm& form) {
  auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F12), form.footageForm());
  key->setObjectName(QStringLiteral("logOnKey"));
  key->setContext(Qt::WidgetWithChildrenShortcut);
  QObject::connect(key, &QShortcut::activated, [] { appState().LogEnabled = true; });
}

}  // namespace

void installShellCommands(ParentForm& form) {
  connectWindowToggle(form, "menuPlayer", form.newPlayer(), form.newPlayer()->iPlayer());
  connectWindowToggle(form, "menuRecorder", form.newRecorder(), form.newRecorder()->iRecorder());
  connectWindowToggle(form, "menuFootage", form.footageForm(), nullptr);
  connectTimeCode(form);
  connectWindowSizes(form);
  connectHelp(form);
  connectLogKey(form);
  QObject::connect(form.action("menuExit"), &QAction::triggered, &form,
                   &ParentForm::menuExit_Click);
}

}  // namespace cw::app
