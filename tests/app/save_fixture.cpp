#include "save_fixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include "support/corpus.h"

namespace cw::app::testing {

SaveFixture::~SaveFixture() {
  if (session().splicer) session().splicer->setSpaceMeter(nullptr);
}

QString SaveFixture::corpus(const char* name) {
  return QString::fromStdString(cw::test::corpusPath(name));
}

void SaveFixture::record(const QString& clip, int in, int out) {
  // A clip already open is used again rather than opened twice.
  int index = -1;
  for (int i = 0; i < static_cast<int>(session().clips.size()); ++i)
    if (session().clips[static_cast<std::size_t>(i)].fullPath == clip) index = i;
  dropOnPlayer(index >= 0 ? index : openClips({clip}));
  markPlayer(in, out);
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0) << clip.toStdString();
  takeMessages();  // opening a clip a second time asks first
}

void SaveFixture::answerSaveDialog(const QString& path) {
  auto* timer = new QTimer(&form());
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [this, timer, path] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    dialogTitle = dialog->windowTitle();
    dialogFilter = dialog->selectedNameFilter();
    dialogSuffix = dialog->defaultSuffix();
    if (path.isEmpty()) {
      QMetaObject::invokeMethod(dialog, "reject");
      return;
    }
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  timer->start();
}

void SaveFixture::fakeFreeSpace(double bytes) {
  session().splicer->setSpaceMeter([this, bytes] {
    ++spaceReads;
    return bytes;
  });
}

}  // namespace cw::app::testing
