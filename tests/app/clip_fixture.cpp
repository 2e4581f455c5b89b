#include "clip_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <cmath>

#include "app/commands/commands.h"
#include "app/controllers/clip_opener.h"
#include "support/process.h"

namespace cw::app::testing {

MainWindow& ClipFixture::startEditor() {
  MainWindow& main = start();
  QApplication::processEvents();
  return main;
}

QString ClipFixture::corpusPath(const std::string& name) {
  return QString::fromStdString(cw::test::corpusPath(name));
}

void ClipFixture::answerOpenDialog(const QString& folder, const QStringList& names) {
  auto* timer = new QTimer(&form());
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [this, timer, folder, names] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    dialogTitle = dialog->windowTitle();
    dialogFilters = dialog->nameFilters();
    if (names.isEmpty()) {
      QMetaObject::invokeMethod(dialog, "reject");
      return;
    }
    dialog->setDirectory(folder);
    QStringList typed;
    for (const QString& name : names) typed << (names.size() > 1 ? '"' + name + '"' : name);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed.join(' '));
    // What the dialog's Open button does.
    QMetaObject::invokeMethod(dialog, "accept");
  });
  timer->start();
}

void ClipFixture::fileOpen(const QString& folder, const QStringList& names) {
  answerOpenDialog(folder, names);
  form().action("menuOpen")->trigger();
}

void ClipFixture::openPaths(const QStringList& paths) { openCommandLineClips(form(), paths); }

void ClipFixture::dropFiles(const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const QPoint at = palette().rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
  QApplication::sendEvent(&palette(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(&palette(), &drop);
  ASSERT_TRUE(drop.isAccepted());
  // The opening is queued behind the drop.
  QApplication::processEvents();
  QApplication::processEvents();
}

QImage ClipFixture::shownThumbnail(int index) {
  Thumbnail* thumbnail = palette().thumbnail(index);
  if (!thumbnail) return {};
  return thumbnail->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

double pictureSpread(const QImage& image) {
  double sum = 0;
  double squares = 0;
  int count = 0;
  for (int y = 3; y < image.height() - 3; ++y) {
    for (int x = 3; x < image.width() - 3; ++x) {
      const double grey = qGray(image.pixel(x, y));
      sum += grey;
      squares += grey * grey;
      ++count;
    }
  }
  if (count == 0) return 0;
  const double mean = sum / count;
  return std::sqrt(std::max(0.0, squares / count - mean * mean));
}

std::vector<QImage> decodedPictures(const QString& path, int first, int count) {
  const std::string file = path.toStdString();
  const cw::test::CommandResult size =
      cw::test::runProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=width,height", "-of", "csv=p=0:s=x", file});
  const QStringList parts = QString::fromStdString(size.out).trimmed().split('x');
  if (size.exitCode != 0 || parts.size() != 2) return {};
  const int width = parts[0].toInt();
  const int height = parts[1].toInt();
  const std::string select = "select=between(n\\," + std::to_string(first) + "\\," +
                             std::to_string(first + count - 1) + ")";
  const cw::test::CommandResult raw = cw::test::runProgram(
      {"ffmpeg", "-nostdin", "-v", "error", "-i", file, "-map", "0:v:0", "-vf", select, "-fps_mode",
       "passthrough", "-f", "rawvideo", "-pix_fmt", "bgra", "-"});
  if (raw.exitCode != 0) return {};
  const std::size_t frameBytes = std::size_t(width) * height * 4;
  std::vector<QImage> pictures;
  for (std::size_t at = 0; frameBytes > 0 && at + frameBytes <= raw.out.size(); at += frameBytes) {
    pictures.push_back(QImage(reinterpret_cast<const uchar*>(raw.out.data() + at), width, height,
                              width * 4, QImage::Format_RGB32)
                           .copy());
  }
  return pictures;
}

}  // namespace cw::app::testing
