// File > Import Cut List...: a list's stretches recorded from the player's
// clip, one record each, with the bytes clipwright-cli cutlist writes.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include "app/controllers/cut_list_importer.h"
#include "record_fixture.h"
#include "support/cli.h"
#include "support/corpus.h"

namespace cw::app::testing {

namespace {

// Answers the next file dialog with `path`.
void answerFileDialog(QObject* owner, const QString& path) {
  auto* timer = new QTimer(owner);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, path] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  timer->start();
}

}  // namespace

class CutListImport : public RecordFixture {
 protected:
  // The editor with `clip` in the player, exact cuts off (the CLI's default).
  void loadClip(const char* clip) {
    startEditor();
    source_ = corpus(clip);
    dropOnPlayer(openClips({source_}));
    if (checked("mnuPrefExactCuts")) trigger("mnuPrefExactCuts");
  }

  // File > Import Cut List... with a list file holding `text`.
  void importList(const char* name, const QByteArray& text) {
    const QString list = root() + QLatin1Char('/') + QLatin1String(name);
    writeFile(list, text);
    answerFileDialog(&form(), list);
    trigger("mnuFileImportCutList");
  }

  // What clipwright-cli cutlist writes for the same source and list.
  QByteArray cliCutList(const std::vector<std::string>& listArgs) {
    const std::string out = (root() + QStringLiteral("/cli.mpg")).toStdString();
    std::vector<std::string> args = {"cutlist", source_.toStdString(), out};
    args.insert(args.end(), listArgs.begin(), listArgs.end());
    const cw::test::CommandResult run = cw::test::runCli(args, true);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    return bytesOf(QString::fromStdString(out));
  }

  QString source_;
};

TEST_F(CutListImport, KeepListIsRecordedStretchByStretchWithUndo) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  loadClip("vcd_pal.mpg");
  EXPECT_TRUE(enabled("mnuFileImportCutList"));
  importList("keep.txt", "# two good bits\n1.5 4.0\n\n00:00:06.200 00:00:09.000\n");
  EXPECT_TRUE(takeMessages().empty());

  EXPECT_EQ(bytesOf(project()), cliCutList({"--keep", "1.5-4.0", "--keep", "6.2-9.0"}));
  expectCleanDecode(project());
  EXPECT_TRUE(enabled("mnuEditUndo"));
  trigger("mnuEditUndo");
  EXPECT_EQ(bytesOf(project()), cliCutList({"--keep", "1.5-4.0"}));
}

TEST_F(CutListImport, EditDecisionListKeepsWhatLiesBetweenItsCuts) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  loadClip("vcd_pal.mpg");
  // A cut, a mute (no cut) and a cut reaching past the clip's end.
  const QByteArray edl = "2.0 4.5 0\n5.0 5.5 1\n7.0 999 3\n";
  importList("breaks.edl", edl);
  EXPECT_TRUE(takeMessages().empty());
  const QString listed = root() + QStringLiteral("/cli.edl");
  writeFile(listed, edl);
  EXPECT_EQ(bytesOf(project()), cliCutList({"--cut-edl", listed.toStdString()}));
}

TEST_F(CutListImport, UnreadableListSaysWhereAndRecordsNothing) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  loadClip("vcd_pal.mpg");
  importList("bad.txt", "1 2\n3 4\nfive six\n");
  std::vector<MessageBox> shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text().contains(QStringLiteral("bad.txt, line 3")))
      << shown[0].text().toStdString();
  EXPECT_TRUE(bytesOf(project()).isEmpty());

  // A stretch that begins after the clip's end is refused before any record.
  importList("late.txt", "1 2\n900 901\n");
  shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].text().contains(QStringLiteral("stretch 2")))
      << shown[0].text().toStdString();
  EXPECT_TRUE(bytesOf(project()).isEmpty());
}

}  // namespace cw::app::testing
