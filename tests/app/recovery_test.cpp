// A project survives a crash: an editor killed after an append leaves its
// working files and their state; the next editor offers them back. A run
// that is still alive keeps its files to itself.
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <limits>

#include "app/controllers/session_keeper.h"
#include "app/controllers/stop_requests.h"
#include "app/shell/working_session.h"
#include "platform/crash_model.h"
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

// A session manager's quit request asks as File > Exit does: Yes to saving,
// then Cancel in the save dialog, keeps the editor and cancels the logout;
// No ends it. A session that cannot ask leaves the editor, its unsaved movie
// and its working files to the recovery offer.
TEST_F(CrashRecovery, SessionQuitRequestAsksAsExitDoes) {
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  startEditor();
  record(corpus("mjpeg_vcd.mpg"));
  const QString movie = project();

  EXPECT_TRUE(answerQuitRequest(form(), false));
  EXPECT_TRUE(takeMessages().empty());
  EXPECT_FALSE(form().ended());
  EXPECT_TRUE(QFileInfo::exists(movie));

  answer(MessageAnswer::Yes);
  answerSaveDialog(QString());
  EXPECT_FALSE(answerQuitRequest(form(), true));
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines,
            QStringList({"Recorder contains an unsaved movie.", "Do you want to save it first?"}));
  EXPECT_FALSE(form().ended());
  EXPECT_TRUE(QFileInfo::exists(movie));

  answer(MessageAnswer::No);
  EXPECT_TRUE(answerQuitRequest(form(), true));
  EXPECT_EQ(takeMessages().size(), 1u);
  EXPECT_TRUE(form().ended());
  EXPECT_FALSE(QFileInfo::exists(movie));
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

// How RecordStoppedMidway stops the child's last record, and how the next
// editor must find the project.
enum class Stop {
  FirstChange,  // killed before the record changes anything
  HalfwayKill,  // killed halfway through its changes: the project is half rewritten
  LastChange,   // killed just before its intent record goes: all else is done
  HalfwayTerm,  // SIGTERM at half the progress: a session logging out
};

namespace {

constexpr const char* kStopAt = "CLIPWRIGHT_TEST_STOP_AT";
constexpr const char* kTermAt = "CW_RECOVERY_TERM_AT";

struct ChildEnd {
  bool finished = false;
  QProcess::ExitStatus status = QProcess::NormalExit;
  int code = -1;
};

// Runs ChildStartsALongRecord in `folder` with `extra` in its environment.
ChildEnd runRecordingChild(const QString& folder, const QStringList& extra) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QLatin1String(kChildRoot), folder);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  for (const QString& pair : extra) env.insert(pair.section('=', 0, 0), pair.section('=', 1));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=CrashRecovery.ChildStartsALongRecord")});
  ChildEnd end;
  if (!child.waitForStarted()) return end;
  end.finished = child.waitForFinished(900000);
  if (!end.finished) {
    child.kill();
    child.waitForFinished();
  }
  end.status = child.exitStatus();
  end.code = child.exitCode();
  return end;
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One record left to its end, in a folder of its own: how many changes to
// the disk it makes and the project it leaves. Measured once per process.
struct FullRecord {
  qint64 changes = 0;
  QByteArray after;
};

const FullRecord& fullRecord() {
  static const FullRecord measured = [] {
    FullRecord full;
    cw::test::TempDir dir("cw-full-record");
    const QString folder = QString::fromStdString(dir.path().string());
    const ChildEnd end = runRecordingChild(folder, {});
    if (end.finished && end.status == QProcess::NormalExit && end.code == 0) {
      full.changes = readAll(folder + "/changes").toLongLong();
      full.after = readAll(folder + "/after.bytes");
    }
    return full;
  }();
  return measured;
}

}  // namespace

// The editor stopped during a record: run by RecordStoppedMidway as a process
// of its own. A crop and an append, then an append of the whole clip that
// CLIPWRIGHT_TEST_STOP_AT=N kills just before its N-th change to the disk,
// or that CW_RECOVERY_TERM_AT=P stops with SIGTERM once it reports P %. A
// record that is not stopped leaves the number of its changes and the
// project it made.
TEST_F(CrashRecovery, ChildStartsALongRecord) {
  const QString shared = qEnvironmentVariable(kChildRoot);
  if (shared.isEmpty()) GTEST_SKIP() << "started by RecordStoppedMidway only";
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, shared + "/config");
  qputenv("XDG_CACHE_HOME", QFile::encodeName(shared + "/cache"));
  startEditor();
  record(corpus("syncflash.mpg"), 5, 30);
  writeFile(shared + "/crop.bytes", bytesOf(project()));
  record(corpus("syncflash.mpg"), 5, 30);
  ASSERT_TRUE(enabled("mnuEditUndo"));
  writeFile(shared + "/append.bytes", bytesOf(project()));

  Splicer& engine = *session().splicer;
  const int termAt = qEnvironmentVariableIntValue(kTermAt);
  bool termSent = false;
  // The keeper's periodic check comes in the middle of the record, as it
  // does in any record longer than its period.
  auto* keeper = form().findChild<SessionKeeper*>(QStringLiteral("sessionKeeper"));
  ASSERT_NE(keeper, nullptr);
  bool keeperChecked = false;
  const auto progress = engine.events().connect("Progress", [&](automation::Args& args) {
    if (!keeperChecked) {
      keeperChecked = true;
      const auto check = [keeper] { keeper->update(); };
      if (QThread::currentThread() == keeper->thread())
        check();
      else
        QMetaObject::invokeMethod(keeper, check, Qt::BlockingQueuedConnection);
    }
    if (termAt <= 0 || termSent || args.at(1).asInt16() < termAt) return;
    termSent = true;
    std::fprintf(stderr, "recording child: SIGTERM at %d %%\n", args.at(1).asInt16());
    ::kill(::getpid(), SIGTERM);
  });
  std::int64_t changes = 0;
  const auto done = engine.events().connect(
      "Done", [&changes](automation::Args&) { changes = platform::crash::changesSoFar(); });
  const qint64 stopAt = qEnvironmentVariable(kStopAt).toLongLong();
  platform::crash::stopAt(stopAt > 0 ? stopAt : std::numeric_limits<std::int64_t>::max(), false);
  record(corpus("syncflash.mpg"), 0, 0);
  platform::crash::stopAt(0, false);
  engine.events().disconnect(progress);
  engine.events().disconnect(done);
  ASSERT_EQ(termAt, 0) << "the SIGTERM did not end the editor";
  ASSERT_EQ(stopAt, 0) << "the record made fewer than " << stopAt << " changes";
  writeFile(shared + "/changes", QByteArray::number(static_cast<qint64>(changes)));
  writeFile(shared + "/after.bytes", bytesOf(project()));
}

// Killed (a crash) or terminated (a session logging out) while a long record
// rewrites the project, at an exact point of the record: the next editor,
// its recovery accepted, has the project as before the record, or as after
// it when only the intent record's deletion was missing, and Undo leads
// back from there.
class StoppedRecord : public CrashRecovery {
 protected:
  void stopAndRecover(Stop stop);
};

void StoppedRecord::stopAndRecover(Stop stop) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  QStringList extra{QStringLiteral("%1=50").arg(QLatin1String(kTermAt))};
  if (stop != Stop::HalfwayTerm) {
    // A kill point among the changes of a whole record.
    const qint64 changes = fullRecord().changes;
    ASSERT_GT(changes, 10) << "the record without a stop failed";
    const qint64 at = stop == Stop::FirstChange   ? 1
                      : stop == Stop::HalfwayKill ? changes / 2
                                                  : changes;
    extra = QStringList{QStringLiteral("%1=%2").arg(QLatin1String(kStopAt)).arg(at)};
  }
  const ChildEnd end = runRecordingChild(root(), extra);
  ASSERT_TRUE(end.finished);
  if (stop == Stop::HalfwayTerm) {
    EXPECT_EQ(end.status, QProcess::NormalExit);
    EXPECT_EQ(end.code, 128 + SIGTERM);
  } else {
    EXPECT_EQ(end.status, QProcess::CrashExit);
  }
  const QByteArray before = readAll(root() + "/append.bytes");
  ASSERT_FALSE(before.isEmpty());
  const QString temp = tempDirOf(root());
  if (stop == Stop::HalfwayKill) {
    EXPECT_EQ(QDir(temp).entryList({QStringLiteral("*.clipwright-intent")}, QDir::Files).size(), 1);
  }

  answer(MessageAnswer::Yes);
  startEditor();
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines.last(), QStringLiteral("Do you want to recover it?"));
  EXPECT_TRUE(QDir(temp)
                  .entryList({QStringLiteral("*.clipwright-intent"), QStringLiteral("*.new"),
                              QStringLiteral("*.tmp")})
                  .isEmpty());
  if (stop == Stop::LastChange) {
    EXPECT_EQ(bytesOf(project()), fullRecord().after);
    ASSERT_TRUE(enabled("mnuEditUndo"));
    trigger("mnuEditUndo");
    EXPECT_EQ(bytesOf(project()), before);
    EXPECT_TRUE(takeMessages().empty());
    return;
  }
  EXPECT_EQ(bytesOf(project()), before);
  // A cancelled record gives up the history, as Cancel in the progress
  // window does; a crash leaves it as it was.
  if (stop == Stop::HalfwayTerm) {
    EXPECT_FALSE(enabled("mnuEditUndo"));
    return;
  }
  ASSERT_TRUE(enabled("mnuEditUndo"));
  trigger("mnuEditUndo");
  EXPECT_EQ(bytesOf(project()), readAll(root() + "/crop.bytes"));
  EXPECT_TRUE(takeMessages().empty());
}

class RecordStoppedMidway : public StoppedRecord, public ::testing::WithParamInterface<Stop> {};

TEST_P(RecordStoppedMidway, ProjectAndUndoAsBefore) { stopAndRecover(GetParam()); }

TEST_F(StoppedRecord, TerminatedHalfway) { stopAndRecover(Stop::HalfwayTerm); }

std::string stopName(const ::testing::TestParamInfo<Stop>& info) {
  constexpr const char* kNames[] = {"FirstChange", "HalfwayKill", "LastChange"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Points, RecordStoppedMidway,
                         ::testing::Values(Stop::FirstChange, Stop::HalfwayKill, Stop::LastChange),
                         stopName);

}  // namespace cw::app::testing
