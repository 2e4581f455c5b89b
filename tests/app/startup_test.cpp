// Start-up and settings of the whole editor on real windows: the first start
// without settings, settings applied on the next start, the temporary folder
// and its unique names, the second stage.
#include <QDir>
#include <QFile>
#include <QSettings>

#include "app/shell/settings.h"
#include "app_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {
namespace {

class StartupTest : public AppFixture {
 protected:
  // Writes start-up settings before the program starts.
  void presetSettings(const QList<std::pair<QString, QString>>& values) {
    Settings settings;
    for (const auto& [key, value] : values) settings.setText(key, value);
    settings.sync();
  }
  QString storedValue(const QString& key) {
    QSettings file(settingsFile(), QSettings::IniFormat);
    return file.value("Startup/" + key).toString();
  }
};

TEST_F(StartupTest, FirstStartPlacesTheWindowsAndExitWritesTheTwelveKeys) {
  MainWindow& main = start();
  EXPECT_EQ(main.playerWindow()->pos(), QPoint(16, 4));                  // 240, 60 twips
  EXPECT_EQ(main.recorderWindow()->pos(), QPoint(458, 4));               // 6870, 60
  EXPECT_EQ(main.footageWindow()->geometry(), QRect(16, 330, 435, 86));  // 240, 4950, 6530 x 1300
  EXPECT_TRUE(main.playerWindow()->isVisible());
  EXPECT_TRUE(main.recorderWindow()->isVisible());
  EXPECT_TRUE(main.footageWindow()->isVisible());
  for (const char* name :
       {"menuFile", "menuEdit", "mnuTools", "menuWindows", "menuPreferences", "menuHelp"})
    EXPECT_TRUE(main.actions().isEnabled(name)) << name;
  for (const char* name : {"menuClose", "menuSaveAs", "mnuSaveAndClose", "menuExport",
                           "menuPreview", "menuRecord", "menuMake", "mnuDelete"})
    EXPECT_FALSE(main.actions().isEnabled(name)) << name;
  EXPECT_FALSE(main.action("mnuDebug")->isVisible());
  EXPECT_TRUE(main.actions().isChecked("menuWindow320"));
  EXPECT_TRUE(main.actions().isChecked("menuPrerollFull"));
  EXPECT_EQ(main.startupTimer()->isActive(), false);
  EXPECT_EQ(session().splicer->recordMode(), 0);
  EXPECT_EQ(session().tempDir, QDir::cleanPath(cacheFolder() + "/clipwright"));
  EXPECT_TRUE(QFileInfo(session().tempDir).isDir());
  EXPECT_EQ(session().previewWinSize, 320);
  EXPECT_EQ(session().preRoll, 0);
  EXPECT_GE(session().mediaLayerVersion, 1);
  for (const char* name : {"iPlayer", "iRecorder", "iImport", "iPreview"}) {
    const auto* pane = main.findChild<player::ScrubPane*>(name);
    ASSERT_NE(pane, nullptr) << name;
    EXPECT_EQ(pane->amVersion(), session().mediaLayerVersion) << name;
  }
  EXPECT_TRUE(takeMessages().empty());
  EXPECT_FALSE(QFile::exists(settingsFile()));

  main.onExit();
  ASSERT_TRUE(main.ended());
  // Windows that did not move keep their twips exactly (6530 is 435.3 pixels).
  const QStringList expected = {
      "240", "60", "6870", "60", "240", "4950", "6530", "1300", "0", session().tempDir, "320", "0"};
  for (int i = 0; i < Settings::startupKeys().size(); ++i)
    EXPECT_EQ(storedValue(Settings::startupKeys()[i]), expected[i]) << i;
}

TEST_F(StartupTest, StoredSettingsAreAppliedOnTheNextStart) {
  QDir().mkpath(root() + "/temp");
  presetSettings({{"PlayerL", "1500"},
                  {"PlayerT", "300"},
                  {"RecorderL", "7500"},
                  {"FootageW", "9000"},
                  {"FootageH", "3000"},
                  {"TempDir", root() + "/temp/"},
                  {"PreviewWinSize", "640"},
                  {"PreRoll", "5"}});
  MainWindow& main = start();
  EXPECT_EQ(main.playerWindow()->pos(), QPoint(100, 20));
  EXPECT_EQ(main.recorderWindow()->x(), 500);
  EXPECT_EQ(main.footageWindow()->size(), QSize(600, 200));
  EXPECT_EQ(session().tempDir, root() + "/temp");  // without the trailing "/"
  EXPECT_EQ(QDir::currentPath(), root() + "/temp");
  EXPECT_EQ(session().previewWinSize, 640);
  EXPECT_TRUE(main.actions().isChecked("menuWindow640"));
  EXPECT_FALSE(main.actions().isChecked("menuWindow320"));
  EXPECT_EQ(session().preRoll, 5);
  EXPECT_TRUE(takeMessages().empty());

  main.playerWindow()->move(120, 40);
  main.onExit();
  EXPECT_EQ(storedValue("PlayerL"), "1800");
  EXPECT_EQ(storedValue("PlayerT"), "600");
  EXPECT_EQ(storedValue("TempDir"), root() + "/temp");
}

// A minimised palette's geometry is its title bar at the foot of the
// workspace, a maximised one's the whole workspace: the settings keep the
// place and size each window comes back to.
TEST_F(StartupTest, MinimisedAndMaximisedWindowsKeepTheirRestoredPlaceAndSize) {
  MainWindow& main = start();
  main.footageWindow()->setGeometry(30, 300, 600, 200);
  main.footageWindow()->showMinimized();
  main.playerWindow()->move(50, 10);
  main.playerWindow()->showMinimized();
  main.recorderWindow()->showMaximized();
  ASSERT_NE(main.footageWindow()->size(), QSize(600, 200));
  main.onExit();
  EXPECT_EQ(storedValue("FootageL"), "450");
  EXPECT_EQ(storedValue("FootageT"), "4500");
  EXPECT_EQ(storedValue("FootageW"), "9000");
  EXPECT_EQ(storedValue("FootageH"), "3000");
  EXPECT_EQ(storedValue("FootageWinSt"), "1");
  EXPECT_EQ(storedValue("PlayerL"), "750");
  EXPECT_EQ(storedValue("PlayerT"), "150");
  EXPECT_EQ(storedValue("RecorderL"), "6870");
  EXPECT_EQ(storedValue("RecorderT"), "60");
}

TEST_F(StartupTest, AnUnusableTempDirFallsBackToTheCacheFolderWithAWarning) {
  writeFile(root() + "/plainfile");
  presetSettings({{"TempDir", root() + "/plainfile/sub"}});
  start();
  EXPECT_EQ(session().tempDir, QDir::cleanPath(cacheFolder() + "/clipwright"));
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(shown[0].text().contains(root() + "/plainfile/sub"));
}

TEST_F(StartupTest, UniqueNamesSkipEveryTakenNumber) {
  const QString temp = root() + "/temp";
  QDir().mkpath(temp);
  writeFile(temp + "/Rec1.mpg");
  writeFile(temp + "/Rec2.mpv");  // any extension blocks a number
  writeFile(temp + "/Rec10.mpg");
  writeFile(temp + "/UnDo1.und");
  writeFile(temp + "/ReDo1.und");  // not a redo journal
  presetSettings({{"TempDir", temp}});
  start();
  EXPECT_EQ(session().recordBaseName, "Rec3");
  EXPECT_EQ(session().recordFilePath, temp + "/Rec3.mpg");
  EXPECT_EQ(session().splicer->undoFileName(), (temp + "/UnDo2.und").toStdString());
  EXPECT_EQ(session().splicer->redoFileName(), (temp + "/ReDo1.rdo").toStdString());
}

TEST_F(StartupTest, TheSecondStageWaitsForTheTimer) {
  MainWindow& main = start(false);
  EXPECT_TRUE(main.startupTimer()->isActive());
  EXPECT_EQ(main.startupTimer()->interval(), 2000);
  EXPECT_FALSE(main.playerWindow()->isVisible());
  EXPECT_FALSE(main.actions().isEnabled("menuFile"));
  main.startupTimer()->setInterval(0);
  main.startupTimer()->start();
  runEventsFor(50);
  EXPECT_FALSE(main.startupTimer()->isActive());
  EXPECT_TRUE(main.playerWindow()->isVisible());
  EXPECT_TRUE(main.actions().isEnabled("menuFile"));
}

// The files named on the command line open as clips once the second stage
// runs, in order; a "!" is part of a Linux file name, not a separator.
TEST_F(StartupTest, CommandLineFilesOpenAsClipsInTheSecondStage) {
  const QString sample = QString::fromStdString(cw::test::testDataPath("sample_vcd.mpg"));
  const QString bang = root() + "/take!1.mpg";
  ASSERT_TRUE(QFile::copy(sample, bang));
  session().commandLineFiles = {bang, sample};
  MainWindow& main = start(false);
  EXPECT_TRUE(session().clips.empty());
  main.finishStartUp();
  ASSERT_EQ(session().clips.size(), 2u);
  EXPECT_EQ(session().clips[0].fullPath, bang);
  EXPECT_EQ(session().clips[0].fileName, "take!1.mpg");
  EXPECT_EQ(session().clips[1].fullPath, sample);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(StartupTest, StartingValuesEmptyTheProject) {
  MainWindow& main = start();
  EditorSession& state = session();
  state.clips.resize(3);
  state.redoArmed = true;
  state.openingFiles = true;
  main.action("menuRecord")->setEnabled(true);
  main.playerWindow()->setWindowTitle("Player: a.mpg");
  main.setStartingValues();
  EXPECT_TRUE(state.clips.empty());
  EXPECT_FALSE(state.redoArmed);
  EXPECT_FALSE(state.openingFiles);
  EXPECT_FALSE(main.actions().isEnabled("menuRecord"));
  EXPECT_EQ(main.playerWindow()->windowTitle(), "Player");
}

}  // namespace
}  // namespace cw::app::testing
