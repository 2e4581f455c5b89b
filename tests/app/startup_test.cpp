// Start-up of the whole editor on real windows: the first start without
// settings, the second stage, and the menus it enables.
#include <QDir>

#include "app/shell/settings.h"
#include "app_fixture.h"

namespace cw::app::testing {
namespace {

class StartupTest : public AppFixture {};

TEST_F(StartupTest, FirstStartPlacesTheWindowsAndEnablesTheMenus) {
  ParentForm& main = start();
  EXPECT_EQ(main.newPlayer()->pos(), QPoint(16, 4));                   // 240, 60 twips
  EXPECT_EQ(main.newRecorder()->pos(), QPoint(458, 4));                // 6870, 60
  EXPECT_EQ(main.footageForm()->geometry(), QRect(16, 330, 435, 86));  // 240, 4950, 6530 x 1300
  EXPECT_TRUE(main.newPlayer()->isVisible());
  EXPECT_TRUE(main.newRecorder()->isVisible());
  EXPECT_TRUE(main.footageForm()->isVisible());
  for (const char* name :
       {"menuFile", "menuEdit", "mnuTools", "menuWindows", "menuPreferences", "menuHelp"})
    EXPECT_TRUE(main.actions().isEnabled(name)) << name;
  EXPECT_FALSE(main.action("mnuDebug")->isVisible());
  EXPECT_FALSE(main.actions().isEnabled("menuRecord"));
  EXPECT_EQ(appState().TempDir, QDir::cleanPath(cacheFolder() + "/clipwright"));
  EXPECT_EQ(appState().PreviewWinSize, 320);
  EXPECT_EQ(appState().PreRoll, 0);
  EXPECT_TRUE(takeMessages().empty());
}

}  // namespace
}  // namespace cw::app::testing
