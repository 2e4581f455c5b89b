// The road of a record through the editor's windows on real corpus files:
// crop, append, undo and redo, entry crop, the action log, refusals,
// failures and Cancel.
#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include "app/dialogs/progress_dialog.h"
#include "app/dialogs/recorder_info_dialog.h"
#include "record_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {

namespace {

QString number(double value) { return QString::number(value, 'g', 15); }

// The action line carries the date and time after the action's name.
void expectActionLine(const QString& line, const char* action) {
  const QString head = QStringLiteral("Action: ") + QLatin1String(action) + QStringLiteral("    ");
  EXPECT_TRUE(line.startsWith(head)) << line.toStdString();
  EXPECT_GT(line.size(), head.size() + 8) << line.toStdString();
}

// The files and marks of the road, as the action log names them.
struct RoadMarks {
  QString first, second, project;
  double cropIn, cropOut, cropLength, entry;
};

// The action log of the road: crop, append, undo, redo and entry crop.
void expectRoadLog(const QStringList& log, const RoadMarks& m) {
  const QString dest = QStringLiteral("Destination = ") + m.project;
  const QString recorded = QStringLiteral("File is recorded as: ") + m.project;
  ASSERT_EQ(log.size(), 34) << log.join('\n').toStdString();
  const QStringList crop = log.mid(0, 9);
  EXPECT_EQ(crop[0], "1...");
  expectActionLine(crop[1], "CROP");
  EXPECT_EQ(crop.mid(2), QStringList({"Source = " + m.first, dest, "Mark In = " + number(m.cropIn),
                                      "Mark Out = " + number(m.cropOut), "Record Mode = 0",
                                      "doProcess", recorded}));
  EXPECT_EQ(log[9], "2...");
  expectActionLine(log[10], "APPENDCROP");
  EXPECT_EQ(log[11], "Source = " + m.second);
  EXPECT_EQ(log[12], dest);
  EXPECT_TRUE(log[13].startsWith("Player Mark In = "));
  EXPECT_TRUE(log[14].startsWith("Player Mark Out = "));
  EXPECT_EQ(log[15], "Recorder Entry = " + number(m.cropLength));
  EXPECT_EQ(log.mid(16, 2), QStringList({"doProcess", recorded}));
  EXPECT_EQ(log[18], "3...");
  expectActionLine(log[19], "UNDO");
  EXPECT_EQ(log[20], "doProcess");
  EXPECT_EQ(log[21], "4...");
  expectActionLine(log[22], "REDO");
  EXPECT_EQ(log.mid(23, 2), QStringList({"doProcess", recorded}));
  EXPECT_EQ(log[25], "5...");
  expectActionLine(log[26], "ENTRYCROP");
  EXPECT_EQ(log[27], "Source = " + m.second);
  EXPECT_EQ(log[28], dest);
  EXPECT_EQ(log[31], "Recorder Entry = " + number(m.entry));
  EXPECT_EQ(log.mid(32), QStringList({"doProcess", recorded}));
}

}  // namespace

class RecordRoad : public RecordFixture {};

TEST_F(RecordRoad, CropAppendUndoRedoAndEntryThroughTheWindows) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor(/*log=*/true);
  const QString first = corpus("vcd_ntsc.mpg");
  const QString second = corpus("mjpeg_vcd.mpg");
  const int clip = openClips({first, second});

  // Crop: the first clip's stretch into the empty project.
  dropOnPlayer(clip);
  ASSERT_EQ(playerPane().source(), first);
  EXPECT_EQ(form().playerWindow()->windowTitle(), QStringLiteral("Player: vcd_ntsc.mpg"));
  markPlayer(15, 20);
  const double cropIn = playerPane().markIn();
  const double cropOut = playerPane().markOut();
  ASSERT_GT(cropIn, 0);
  ASSERT_LT(cropOut, playerPane().length());
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);
  EXPECT_EQ(recorderPane().source(), project());
  // Exact Cuts is on by default.
  EXPECT_EQ(form().recorderWindow()->windowTitle(),
            QStringLiteral("Recorder: NEW MOVIE (MPEG System) - Exact Cut"));
  EXPECT_FALSE(enabled("mnuEditUndo"));  // a crop starts a new history
  EXPECT_TRUE(enabled("menuSaveAs"));
  expectCleanDecode(project());
  const double cropLength = recorderPane().length();
  {
    // The recorder's information form shows the project's check.
    RecorderInfoDialog info(session().recorder, form().actions());
    auto* checked = info.findChild<QLabel*>("labChecked");
    ASSERT_NE(checked, nullptr);
    EXPECT_EQ(checked->text(), "Checked: no problems");
  }

  // Append: the recorder's mark stands at the movie's end.
  dropOnPlayer(clip + 1);
  ASSERT_EQ(playerPane().source(), second);
  markPlayer(10, 10);
  const QByteArray beforeAppend = bytesOf(project());
  ASSERT_EQ(recorderPane().markOut(), recorderPane().length());
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);
  EXPECT_GT(recorderPane().length(), cropLength + 1);
  EXPECT_TRUE(enabled("mnuEditUndo"));
  const QByteArray appended = bytesOf(project());
  expectCleanDecode(project());

  // Undo gives back the cropped movie; Record with the same marks redoes.
  trigger("mnuEditUndo");
  EXPECT_EQ(bytesOf(project()), beforeAppend);
  EXPECT_FALSE(enabled("mnuEditUndo"));
  EXPECT_NE(recorderPane().mode(), 0);
  pressRecord();
  EXPECT_EQ(bytesOf(project()), appended);

  // Entry crop: the recorder's mark one second into the movie.
  QList<Qt::Key> keys{Qt::Key_Home};
  for (int i = 0; i < 30; ++i) keys << Qt::Key_Right;
  keys << Qt::Key_O;
  recorderKeys(keys);
  const double entry = recorderPane().markOut();
  ASSERT_GT(entry, 0.5);
  ASSERT_LT(entry, recorderPane().length());
  const double stretch = playerPane().markOut() - playerPane().markIn();
  pressRecord();
  // The stretch replaces everything behind the entry.
  EXPECT_NEAR(recorderPane().length(), entry + stretch, 1.5);  // cuts at GOPs
  expectCleanDecode(project());

  expectRoadLog(logLines(), {first, second, project(), cropIn, cropOut, cropLength, entry});
}

}  // namespace cw::app::testing
