// The main window's own commands on real windows: the Windows toggles, Time
// Code, Help, the log key; and the accessible names screen readers and test
// tools use.
#include <QAbstractButton>
#include <QAccessible>
#include <QMenuBar>
#include <QTest>

#include "app/windows/help_window.h"
#include "app_fixture.h"

namespace cw::app::testing {
namespace {

class ShellCommandsTest : public AppFixture {
 protected:
  HelpWindow* helpWindow() { return form().findChild<HelpWindow*>("helpWindow"); }
};

TEST_F(ShellCommandsTest, WindowsItemsToggleTheirWindows) {
  MainWindow& main = start();
  const std::pair<const char*, QWidget*> items[] = {{"menuPlayer", main.playerWindow()},
                                                    {"menuRecorder", main.recorderWindow()},
                                                    {"menuFootage", main.footageWindow()}};
  for (const auto& [name, window] : items) {
    ASSERT_TRUE(main.actions().isChecked(name)) << name;
    main.action(name)->trigger();
    EXPECT_FALSE(window->isVisible()) << name;
    EXPECT_FALSE(main.actions().isChecked(name)) << name;
    main.action(name)->trigger();
    EXPECT_TRUE(window->isVisible()) << name;
    EXPECT_TRUE(main.actions().isChecked(name)) << name;
  }
  // The shortcuts reach the same commands.
  activateMainWindow();
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &main, Qt::Key_F2,
                  Qt::ShiftModifier);
  EXPECT_FALSE(main.recorderWindow()->isVisible());
}

TEST_F(ShellCommandsTest, TimeCodeTogglesBothPlayers) {
  MainWindow& main = start();
  ASSERT_TRUE(main.actions().isChecked("mnuPrefTimeCode"));
  main.action("mnuPrefTimeCode")->trigger();
  EXPECT_FALSE(main.actions().isChecked("mnuPrefTimeCode"));
  EXPECT_FALSE(main.playerWindow()->playerPane()->timeCodeVisible());
  EXPECT_FALSE(main.recorderWindow()->recorderPane()->timeCodeVisible());
  main.action("mnuPrefTimeCode")->trigger();
  EXPECT_TRUE(main.playerWindow()->playerPane()->timeCodeVisible());
  EXPECT_TRUE(main.recorderWindow()->recorderPane()->timeCodeVisible());
}

TEST_F(ShellCommandsTest, HelpOpensTheContentsAndTheSearchPage) {
  MainWindow& main = start();
  session().helpFolder = CW_SOURCE_DIR "/docs/help";
  main.action("menuContents")->trigger();
  ASSERT_NE(helpWindow(), nullptr);
  EXPECT_TRUE(helpWindow()->isVisible());
  EXPECT_TRUE(helpWindow()->browser()->source().path().endsWith("/contents.html"));
  EXPECT_TRUE(helpWindow()->browser()->toPlainText().contains("Space"));
  main.action("menuSearch")->trigger();
  EXPECT_TRUE(helpWindow()->browser()->source().path().endsWith("/search.html"));
  // Exit closes the help window.
  main.onExit();
  EXPECT_FALSE(helpWindow()->isVisible());
}

TEST_F(ShellCommandsTest, CtrlAltF12InTheFootagePaletteSwitchesTheLogOn) {
  MainWindow& main = start();
  activateMainWindow();
  EXPECT_FALSE(session().logEnabled);
  main.mdiArea()->setActiveSubWindow(main.playerWindow());
  main.playerWindow()->playerPane()->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_FALSE(session().logEnabled);  // only in the palette
  main.mdiArea()->setActiveSubWindow(main.footageWindow());
  main.footageWindow()->widget()->setFocusPolicy(Qt::StrongFocus);
  main.footageWindow()->widget()->setFocus();
  ASSERT_TRUE(main.footageWindow()->isAncestorOf(QApplication::focusWidget()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_TRUE(session().logEnabled);
}

// Every menu item (not separators), window and button can be found by name.
TEST_F(ShellCommandsTest, EveryMenuItemWindowAndButtonHasAnAccessibleName) {
  MainWindow& main = start();
  for (QAction* action : main.actions().all()) {
    EXPECT_FALSE(action->objectName().isEmpty());
    EXPECT_FALSE(action->toolTip().isEmpty()) << action->objectName().toStdString();
  }
  for (QMenu* menu : main.actions().topMenus()) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(face, nullptr);
    EXPECT_FALSE(menu->accessibleName().isEmpty());
    for (int i = 0; i < face->childCount(); ++i) {
      QAccessibleInterface* item = face->child(i);
      if (item->role() == QAccessible::Separator) continue;
      EXPECT_FALSE(item->text(QAccessible::Name).isEmpty())
          << menu->objectName().toStdString() << " item " << i;
    }
  }
  QList<QWidget*> windows = {&main, main.playerWindow(), main.recorderWindow(),
                             main.footageWindow(), main.progressDialog()};
  for (QWidget* window : windows) {
    EXPECT_FALSE(window->accessibleName().isEmpty()) << window->objectName().toStdString();
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
      if (button->objectName().startsWith("qt_")) continue;  // Qt's own (menu bar overflow)
      QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
      EXPECT_FALSE(face->text(QAccessible::Name).isEmpty())
          << window->objectName().toStdString() << "/" << button->objectName().toStdString();
    }
  }
}

TEST_F(ShellCommandsTest, MenuItemsHaveTheirCaptionsAndShortcuts) {
  MainWindow& main = start();
  EXPECT_EQ(main.action("menuSaveAs")->text(), "&Save As");
  EXPECT_EQ(main.action("menuSaveAs")->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(main.action("mnuVideoCDVCD20")->text(), "&VideoCD (&Zeroes)");
  EXPECT_EQ(main.action("mnuDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
  EXPECT_EQ(main.action("menuContents")->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_FALSE(main.action("menuExportLowBitrate")->isVisible());
  EXPECT_TRUE(main.action("menuWarnings")->isChecked());
  EXPECT_FALSE(main.action("menuWarnings")->isVisible());
  EXPECT_EQ(main.actions().menu("menuExport")->actions().size(), 2);
  EXPECT_EQ(main.actions().menu("menuPopUp")->title(), "Clip Properties");
  EXPECT_FALSE(main.action("menuPopUp")->isVisible());
  EXPECT_EQ(main.actions().all().size(), 74);  // with Exact Cuts and Import Cut List
  QStringList bar;
  for (QAction* top : main.menuBar()->actions())
    if (top->isVisible()) bar << top->text();
  EXPECT_EQ(bar, QStringList({"&File", "&Edit", "&Preferences", "&Tools", "&Windows", "&Help"}));
}

}  // namespace
}  // namespace cw::app::testing
