// A project survives a crash: an editor killed after an append leaves its
// working files and their state; the next editor offers them back. A run
// that is still alive keeps its files to itself.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <csignal>

#include "app/shell/working_session.h"
#include "save_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {

namespace {

constexpr const char* kChildRoot = "CW_RECOVERY_ROOT";

QString tempDirOf(const QString& root) { return root + "/cache/clipwright"; }

bool waitForFile(const QString& path, int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 50) {
    if (QFileInfo::exists(path)) return true;
    runEventsFor(50);
  }
  return false;
}

// A process id that no process has any more.
qint64 deadProcessId() {
  QProcess done;
  done.start(QStringLiteral("true"), {});
  done.waitForFinished();
  return done.processId() ? done.processId() : 999999;
}

}  // namespace

class CrashRecovery : public SaveFixture {};

// The editor that crashes: run by KilledEditorsProjectComesBack as a process
// of its own, in that test's folders. It records a crop and an append, then
// waits to be killed.
TEST_F(CrashRecovery, ChildRecordsAndWaits) {
  const QString shared = qEnvironmentVariable(kChildRoot);
  if (shared.isEmpty()) GTEST_SKIP() << "started by KilledEditorsProjectComesBack only";
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, shared + "/config");
  qputenv("XDG_CACHE_HOME", QFile::encodeName(shared + "/cache"));
  startEditor();
  record(corpus("mjpeg_vcd.mpg"), 5, 40);
  QFile crop(shared + "/crop.bytes");
  ASSERT_TRUE(crop.open(QIODevice::WriteOnly));
  crop.write(bytesOf(project()));
  crop.close();
  record(corpus("mjpeg_vcd.mpg"), 40, 5);
  ASSERT_TRUE(enabled("mnuEditUndo"));
  QFile ready(shared + "/ready");
  ASSERT_TRUE(ready.open(QIODevice::WriteOnly));
  ready.close();
  for (;;) runEventsFor(100);
}

TEST_F(CrashRecovery, KilledEditorsProjectComesBack) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QLatin1String(kChildRoot), root());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=CrashRecovery.ChildRecordsAndWaits")});
  ASSERT_TRUE(child.waitForStarted());
  const bool ready = waitForFile(root() + "/ready", 90000);
  ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
  child.waitForFinished();
  ASSERT_TRUE(ready) << child.readAllStandardOutput().toStdString();

  const QDir temp(tempDirOf(root()));
  const QStringList states = temp.entryList({QStringLiteral("Rec*.state")}, QDir::Files);
  ASSERT_EQ(states.size(), 1);
  SessionState left;
  ASSERT_TRUE(readSessionState(temp.filePath(states[0]), left));
  const QByteArray appended = bytesOf(left.project);
  ASSERT_FALSE(appended.isEmpty());
  ASSERT_TRUE(QFileInfo::exists(left.undo));

  answer(MessageAnswer::Yes);
  startEditor();
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines.last(), QStringLiteral("Do you want to recover it?"));
  EXPECT_EQ(project(), left.project);
  EXPECT_EQ(recorderPane().source(), left.project);
  EXPECT_NE(recorderPane().mode(), 0);
  EXPECT_EQ(bytesOf(project()), appended);
  EXPECT_FALSE(recorderPane().movieSaved());
  EXPECT_TRUE(enabled("menuSaveAs"));
  ASSERT_TRUE(enabled("mnuEditUndo"));
  trigger("mnuEditUndo");
  EXPECT_EQ(bytesOf(project()), bytesOf(root() + "/crop.bytes"));
  EXPECT_TRUE(takeMessages().empty());
}

// No deletes a dead run's files; a living editor's files are neither
// offered nor chosen again.
TEST_F(CrashRecovery, NoDeletesADeadRunsFilesAndALiveRunIsLeftAlone) {
  const QString temp = tempDirOf(root());
  ASSERT_TRUE(QDir().mkpath(temp));
  auto leaveRun = [&](const QString& base, const QString& undo) {
    writeFile(temp + "/" + base + ".mpg", QByteArray(4096, 'm'));
    writeFile(temp + "/" + undo, "journal");
    SessionState run;
    run.project = temp + "/" + base + ".mpg";
    run.extension = "mpg";
    run.undo = temp + "/" + undo;
    run.redo = temp + "/none.rdo";
    run.length = 4096;
    run.movieSaved = false;
    ASSERT_TRUE(writeSessionState(statePathOf(temp, base), run));
  };
  leaveRun("Rec1", "UnDo1.und");
  QLockFile alive(lockPathOf(temp, "Rec1"));
  alive.setStaleLockTime(0);
  ASSERT_TRUE(alive.tryLock(0));
  leaveRun("Rec2", "UnDo2.und");
  writeFile(lockPathOf(temp, "Rec2"), QByteArray::number(deadProcessId()) + "\nclipwright\n" +
                                          QSysInfo::machineHostName().toUtf8() + "\n");

  answer(MessageAnswer::No);
  startEditor();
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].lines.join(' ').contains("4 Kilobytes"));
  for (const char* gone : {"Rec2.mpg", "Rec2.state", "UnDo2.und"})
    EXPECT_FALSE(QFileInfo::exists(temp + "/" + gone)) << gone;
  for (const char* kept : {"Rec1.mpg", "Rec1.state", "UnDo1.und"})
    EXPECT_TRUE(QFileInfo::exists(temp + "/" + kept)) << kept;
  EXPECT_NE(session().recordBaseName, QStringLiteral("Rec1"));
  EXPECT_NE(QString::fromStdString(session().splicer->undoFileName()), temp + "/UnDo1.und");
  EXPECT_EQ(recorderPane().mode(), 0);
  EXPECT_TRUE(QFileInfo::exists(lockPathOf(temp, session().recordBaseName)));
}

}  // namespace cw::app::testing

namespace cw::app::testing {

namespace {

// The intent record an engine change leaves beside the project while it
// rewrites it, once one appears in `folder`.
bool waitForIntent(const QString& folder, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) {
    if (!QDir(folder).entryList({QStringLiteral("*.clipwright-intent")}, QDir::Files).isEmpty()) {
      return true;
    }
    QThread::usleep(200);
  }
  return false;
}

}  // namespace

// The editor stopped during a record: run by RecordStoppedMidway as a process
// of its own. A crop and an append, then a long append that is stopped.
TEST_F(CrashRecovery, ChildStartsALongRecord) {
  const QString shared = qEnvironmentVariable(kChildRoot);
  if (shared.isEmpty()) GTEST_SKIP() << "started by RecordStoppedMidway only";
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, shared + "/config");
  qputenv("XDG_CACHE_HOME", QFile::encodeName(shared + "/cache"));
  startEditor();
  record(corpus("syncflash.mpg"), 5, 1000);
  writeFile(shared + "/crop.bytes", bytesOf(project()));
  record(corpus("syncflash.mpg"), 5, 1000);
  ASSERT_TRUE(enabled("mnuEditUndo"));
  writeFile(shared + "/append.bytes", bytesOf(project()));
  record(corpus("syncflash.mpg"), 0, 0);
  for (;;) runEventsFor(100);
}

class RecordStoppedMidway : public CrashRecovery, public ::testing::WithParamInterface<int> {};

// Killed (a crash) or terminated (a session logging out) while a long record
// rewrites the project: the next editor has the project as before the
// record. Disabled: the record of this clip can end before the poll sees its
// intent record, so the stop does not land inside it; it needs a stop hook
// in the child rather than a race.
TEST_P(RecordStoppedMidway, DISABLED_ProjectAndUndoAsBefore) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  const int signal = GetParam();
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QLatin1String(kChildRoot), root());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=CrashRecovery.ChildStartsALongRecord")});
  ASSERT_TRUE(child.waitForStarted());
  const bool recording =
      waitForFile(root() + "/append.bytes", 90000) && waitForIntent(tempDirOf(root()), 60000);
  ::kill(static_cast<pid_t>(child.processId()), recording ? signal : SIGKILL);
  ASSERT_TRUE(child.waitForFinished(60000));
  ASSERT_TRUE(recording);
  if (signal == SIGTERM) {
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 128 + SIGTERM);
  }

  answer(MessageAnswer::Yes);
  startEditor();
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines.last(), QStringLiteral("Do you want to recover it?"));
  EXPECT_EQ(bytesOf(project()), bytesOf(root() + "/append.bytes"));
  EXPECT_TRUE(QDir(tempDirOf(root()))
                  .entryList({QStringLiteral("*.clipwright-intent"), QStringLiteral("*.new")})
                  .isEmpty());
  // A cancelled record gives up the history, as Cancel in the progress
  // window does; a crash leaves it as it was.
  if (signal == SIGTERM) {
    EXPECT_FALSE(enabled("mnuEditUndo"));
    return;
  }
  ASSERT_TRUE(enabled("mnuEditUndo"));
  trigger("mnuEditUndo");
  EXPECT_EQ(bytesOf(project()), bytesOf(root() + "/crop.bytes"));
  EXPECT_TRUE(takeMessages().empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, RecordStoppedMidway, ::testing::Values(SIGKILL, SIGTERM));

}  // namespace cw::app::testing
