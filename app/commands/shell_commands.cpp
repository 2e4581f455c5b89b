// The main window's own small commands: Windows toggles, Time Code, Help,
// preview window size, Exit, and the help behind message boxes.
#include <QPointer>
#include <QShortcut>

#include "app/commands/commands.h"
#include "app/shell/command_line.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/windows/help_window.h"
#include "app/windows/main_window.h"
#include "app/windows/preview_window.h"

namespace cw::app {

namespace {

// A player window's toggle first pauses its clip when it plays.
void pauseWhenPlaying(player::ScrubPane* pane) {
  if (pane && pane->mode() == static_cast<int>(player::PlayerMode::Playing)) pane->xPause();
}

void connectWindowToggle(MainWindow& form, const char* name, QMdiSubWindow* window,
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

void connectTimeCode(MainWindow& form) {
  QAction* item = form.action("mnuPrefTimeCode");
  QObject::connect(item, &QAction::triggered, &form, [&form](bool visible) {
    form.playerWindow()->playerPane()->setTimeCodeVisible(visible);
    form.recorderWindow()->recorderPane()->setTimeCodeVisible(visible);
  });
}

// Preview window size: the item checks itself and unchecks the other three,
// and the preview window takes the size at once, shown or not (full screen
// only takes effect when a preview plays).
void connectWindowSizes(MainWindow& form) {
  static const std::pair<const char*, int> kSizes[] = {{"menuWindow160", 160},
                                                       {"menuWindow320", 320},
                                                       {"menuWindow640", 640},
                                                       {"menuWindowFull", 0}};
  for (const auto& [name, size] : kSizes) {
    QObject::connect(form.action(name), &QAction::triggered, &form, [&form, size] {
      for (const auto& [other, otherSize] : kSizes)
        form.actions().setChecked(other, otherSize == size);
      form.session().previewWinSize = static_cast<std::int16_t>(size);
      if (PreviewWindow* preview = previewWindow(form)) preview->applyWindowSize(size);
    });
  }
}

void connectHelp(MainWindow& form) {
  auto* help = new HelpWindow(form.session(), &form);
  QPointer<HelpWindow> window(help);
  QObject::connect(form.action("menuContents"), &QAction::triggered, help,
                   &HelpWindow::showContents);
  QObject::connect(form.action("menuSearch"), &QAction::triggered, help, &HelpWindow::showSearch);
  QObject::connect(&form, &MainWindow::closeHelpRequested, help, &QWidget::close);
  setHelpOpener([window](int topic) {
    if (window) window->showTopic(topic);
  });
}

// Ctrl+Alt+F12 in the footage palette switches the action log on for the
// rest of the run (many desktops take the key for themselves: --log does the
// same from the command line).
void connectLogKey(MainWindow& form) {
  auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F12), form.footageWindow());
  key->setObjectName(QStringLiteral("logOnKey"));
  key->setContext(Qt::WidgetWithChildrenShortcut);
  QObject::connect(key, &QShortcut::activated, &form,
                   [&form] { form.session().logEnabled = true; });
}

}  // namespace

void installShellCommands(MainWindow& form) {
  connectWindowToggle(form, "menuPlayer", form.playerWindow(), form.playerWindow()->playerPane());
  connectWindowToggle(form, "menuRecorder", form.recorderWindow(),
                      form.recorderWindow()->recorderPane());
  connectWindowToggle(form, "menuFootage", form.footageWindow(), nullptr);
  connectTimeCode(form);
  connectWindowSizes(form);
  connectHelp(form);
  connectLogKey(form);
  QObject::connect(form.action("menuExit"), &QAction::triggered, &form, &MainWindow::onExit);
}

}  // namespace cw::app
