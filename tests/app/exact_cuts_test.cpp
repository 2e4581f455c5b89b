// Preferences > Exact Cuts: on at a first start, a change reaches the
// engine, and the choice is kept in the settings for the next start.
#include <QSettings>

#include "app/shell/settings.h"
#include "app_fixture.h"

namespace cw::app::testing {
namespace {

class ExactCutsTest : public AppFixture {
 protected:
  QString storedValue(const QString& key) {
    QSettings file(settingsFile(), QSettings::IniFormat);
    return file.value("Startup/" + key).toString();
  }
};

TEST_F(ExactCutsTest, TickReachesTheEngineAndIsKept) {
  MainWindow& main = start();
  QAction* item = main.action("mnuPrefExactCuts");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isCheckable());
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(session().splicer->exactCut());
  item->trigger();
  EXPECT_FALSE(session().splicer->exactCut());
  main.onExit();
  ASSERT_TRUE(main.ended());
  EXPECT_EQ(storedValue("ExactCuts"), "0");
}

TEST_F(ExactCutsTest, StoredChoiceIsAppliedOnTheNextStart) {
  // The default is on: only a stored "off" shows that the stored choice
  // wins.
  Settings settings;
  settings.setInteger("ExactCuts", 0);
  settings.sync();
  MainWindow& main = start();
  EXPECT_FALSE(main.actions().isChecked("mnuPrefExactCuts"));
  EXPECT_FALSE(session().splicer->exactCut());
}

}  // namespace
}  // namespace cw::app::testing
