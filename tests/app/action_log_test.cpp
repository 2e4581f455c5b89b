// The action log's blocks, letter for letter, and its switch.
#include <QFile>
#include <QRegularExpression>

#include "app/shell/action_log.h"
#include "app_fixture.h"

namespace cw::app::testing {
namespace {

class ActionLogTest : public AppFixture {
 protected:
  void SetUp() override { session().tempDir = root(); }
  QString logText() {
    QFile file(root() + "/TazoLog.txt");
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
  }
  // The log with the date and time of the action lines replaced by "<now>".
  QString logWithoutTimes() {
    QString text = logText();
    static const QRegularExpression kTime(R"(^(Action: \w+    )\S.* \d\d:\d\d:\d\d\r$)",
                                          QRegularExpression::MultilineOption);
    return text.replace(kTime, "\\1<now>\r");
  }
};

TEST_F(ActionLogTest, NothingIsWrittenWhileTheLogIsOff) {
  logCropBlock(session(), "/clips/a.mpg", root() + "/Rec1.mpg", 1.5, 4, 0);
  logOpenFailure(session(), "/clips/b.txt", -3);
  EXPECT_FALSE(QFile::exists(root() + "/TazoLog.txt"));
  // The block still names the action and counts it: the commands rely on it.
  EXPECT_EQ(session().lastAction, "CROP");
  EXPECT_EQ(session().actionCounter, 1);
}

TEST_F(ActionLogTest, TheRoadOfARecordLetterForLetter) {
  session().logEnabled = true;
  const QString project = root() + "/Rec1.mpg";
  logCropBlock(session(), "/clips/a.mpg", project, 1.5, 4.04, 1);
  logRecordedLine(session(), project);
  logJoinBlock(session(), "APPENDCROP", "/clips/b.mpg", project, 0, 2.5, 6.1);
  logCancelLine(session());
  logJoinBlock(session(), "ENTRYCROP", "/clips/b.mpg", project, 0.25, 2, 3);
  logErrorLine(session(), "Restore error", 4013);
  logShortBlock(session(), "UNDO");
  logShortBlock(session(), "REDO");
  logSavedLine(session(), "/movies/out.mpg");
  logPreviewErrorLine(session(), 2000, "Undo is disabled");
  logOpenFailure(session(), "/clips/b.txt", -3);
  const QString expected =
      "1...\r\n"
      "Action: CROP    <now>\r\n"
      "Source = /clips/a.mpg\r\n"
      "Destination = " +
      project +
      "\r\n"
      "Mark In = 1.5\r\n"
      "Mark Out = 4.04\r\n"
      "Record Mode = 1\r\n"
      "doProcess\r\n"
      "File is recorded as: " +
      project +
      "\r\n"
      "2...\r\n"
      "Action: APPENDCROP    <now>\r\n"
      "Source = /clips/b.mpg\r\n"
      "Destination = " +
      project +
      "\r\n"
      "Player Mark In = 0\r\n"
      "Player Mark Out = 2.5\r\n"
      "Recorder Entry = 6.1\r\n"
      "doProcess\r\n"
      "User Canceled APPENDCROP\r\n"
      "3...\r\n"
      "Action: ENTRYCROP    <now>\r\n"
      "Source = /clips/b.mpg\r\n"
      "Destination = " +
      project +
      "\r\n"
      "Player Mark In = 0.25\r\n"
      "Player Mark Out = 2\r\n"
      "Recorder Entry = 3\r\n"
      "doProcess\r\n"
      "ERROR: Restore error     4013\r\n"
      "4...\r\n"
      "Action: UNDO    <now>\r\n"
      "doProcess\r\n"
      "5...\r\n"
      "Action: REDO    <now>\r\n"
      "doProcess\r\n"
      "File is saved as: /movies/out.mpg\r\n"
      "Tazo ERROR:   2000\r\nUndo is disabled\r\n"
      "\r\n"
      "CAN'T OPEN   /clips/b.txt\r\n"
      "ShopFileType = -3\r\n";
  EXPECT_EQ(logWithoutTimes().toStdString(), expected.toStdString());
}

TEST_F(ActionLogTest, TheLogCommandLineOptionIsKeptAfterStartUp) {
  // --log: main sets LogEnabled once the first stage has run, which starts
  // with the log off.
  MainWindow& main = start(false);
  EXPECT_FALSE(session().logEnabled);
  session().logEnabled = true;
  main.finishStartUp();
  logShortBlock(session(), "UNDO");
  EXPECT_TRUE(logText().isEmpty());  // TempDir is the program's folder now
  EXPECT_TRUE(QFile::exists(session().tempDir + "/TazoLog.txt"));
}

}  // namespace
}  // namespace cw::app::testing
