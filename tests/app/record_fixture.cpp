#include "record_fixture.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include "app/commands/commands.h"
#include "app/shell/action_log.h"
#include "app/shell/command_line.h"
#include "player/message_box.h"

namespace cw::app::testing {

MainWindow& RecordFixture::startEditor(bool log) {
  MainWindow& form = start();
  // As the program does with its command line.
  static char program[] = "clipwright";
  static char logOption[] = "--log";
  char* argv[] = {program, logOption, nullptr};
  if (parseCommandLine(log ? 2 : 1, argv).log) session().logEnabled = true;
  return form;
}

int RecordFixture::openClips(const QStringList& paths) {
  const int first = static_cast<int>(session().clips.size());
  openCommandLineClips(form(), paths);
  EXPECT_EQ(session().clips.size(), first + paths.size());
  return first;
}

void RecordFixture::dropOnPlayer(int index) {
  PlayerWindow* window = form().playerWindow();
  QMimeData data;
  data.setData(QString::fromLatin1(kClipMimeType), QByteArray::number(index));
  const QPointF at = QRectF(window->rect()).center();
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
  QCoreApplication::sendEvent(window, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &drop);
  runEventsFor(20);
}

player::ScrubPane& RecordFixture::playerPane() { return *form().playerWindow()->playerPane(); }
player::ScrubPane& RecordFixture::recorderPane() {
  return *form().recorderWindow()->recorderPane();
}

void RecordFixture::playerKeys(const QList<Qt::Key>& keys) {
  for (Qt::Key key : keys) QTest::keyClick(form().playerWindow(), key);
}

void RecordFixture::recorderKeys(const QList<Qt::Key>& keys) {
  for (Qt::Key key : keys) QTest::keyClick(form().recorderWindow(), key);
}

void RecordFixture::markPlayer(int in, int out) {
  QList<Qt::Key> keys{Qt::Key_Home};
  for (int i = 0; i < in; ++i) keys << Qt::Key_Right;
  keys << Qt::Key_I << Qt::Key_End;
  for (int i = 0; i < out; ++i) keys << Qt::Key_Left;
  keys << Qt::Key_O;
  playerKeys(keys);
}

void RecordFixture::pressRecord() {
  QTest::mouseClick(form().recorderWindow()->recordButton(), Qt::LeftButton);
  runEventsFor(20);
}

void RecordFixture::trigger(const char* actionName) {
  form().action(QLatin1String(actionName))->trigger();
  runEventsFor(10);
}

bool RecordFixture::enabled(const char* actionName) {
  return form().action(QLatin1String(actionName))->isEnabled();
}

bool RecordFixture::checked(const char* actionName) {
  return form().action(QLatin1String(actionName))->isChecked();
}

void RecordFixture::eject(player::ScrubPane& pane) {
  player::setMessageResponder([](const player::Message&) { return player::MessageAnswer::Yes; });
  auto* close = pane.findChild<QToolButton*>(QStringLiteral("butEject"));
  ASSERT_NE(close, nullptr);
  close->click();
  runEventsFor(20);
}

QString RecordFixture::project() const { return session().recordFilePath; }

QByteArray RecordFixture::bytesOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void RecordFixture::expectCleanDecode(const QString& path) {
  QProcess ffmpeg;
  ffmpeg.start(QStringLiteral("ffmpeg"),
               {"-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
  ASSERT_TRUE(ffmpeg.waitForFinished(60000));
  EXPECT_EQ(ffmpeg.exitCode(), 0) << path.toStdString();
  const QByteArray errors = ffmpeg.readAllStandardError() + ffmpeg.readAllStandardOutput();
  EXPECT_TRUE(errors.isEmpty()) << path.toStdString() << ": " << errors.toStdString();
}

QStringList RecordFixture::logLines() const {
  QString text = QString::fromUtf8(bytesOf(logFilePath(session())));
  EXPECT_TRUE(text.isEmpty() || text.endsWith(QLatin1String("\r\n")));
  text.chop(2);
  return text.split(QStringLiteral("\r\n"));
}

}  // namespace cw::app::testing
