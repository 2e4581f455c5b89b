#include "app/shell/startup.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

namespace cw::app {

namespace {

QString withoutTrailingSlash(QString path) {
  while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
    path.chop(1);
  return path;
}

bool writableFolder(const QString& path) {
  if (path.isEmpty() || !QDir().mkpath(path)) return false;
  QTemporaryFile probe(path + QStringLiteral("/cwtemp-XXXXXX"));
  return probe.open();
}

// The first n (1 .. 32767) for which `taken(n)` is false; 32767 when all are.
template <typename Taken>
int firstFree(Taken taken) {
  for (int n = 1; n < 32767; ++n)
    if (!taken(n)) return n;
  return 32767;
}

QString versionText(unsigned version) {
  return QStringLiteral("%1.%2.%3")
      .arg(AV_VERSION_MAJOR(version))
      .arg(AV_VERSION_MINOR(version))
      .arg(AV_VERSION_MICRO(version));
}

}  // namespace

QString defaultTempDir() {
  QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (cache.isEmpty()) cache = QDir::homePath() + QStringLiteral("/.cache");
  const QString folder = cache + QStringLiteral("/clipwright");
  QDir().mkpath(folder);
  return folder;
}

QString usableTempDir(const QString& setting, QStringList* warning) {
  const QString wanted = withoutTrailingSlash(setting);
  if (warning) warning->clear();
  if (wanted.isEmpty()) return defaultTempDir();
  if (writableFolder(wanted)) return QFileInfo(wanted).absoluteFilePath();
  const QString fallback = defaultTempDir();
  if (warning) {
    *warning = {QStringLiteral("Cannot use the folder %1 for temporary files.").arg(wanted),
                QStringLiteral("Clipwright Editor uses %1 instead.").arg(fallback)};
  }
  return fallback;
}

void generateUniqueNames(EditorSession& state) {
  const QDir dir(state.tempDir);
  const int record = firstFree([&](int n) {
    return !dir.entryList({QStringLiteral("Rec%1.*").arg(n)},
                          QDir::Files | QDir::Hidden | QDir::System)
                .isEmpty();
  });
  state.recordBaseName = QStringLiteral("Rec%1").arg(record);
  state.recordFilePath = state.tempDir + QLatin1Char('/') + state.recordBaseName + ".mpg";
  const int undo =
      firstFree([&](int n) { return dir.exists(QStringLiteral("UnDo%1.und").arg(n)); });
  state.splicer->setUndoFileName(
      (state.tempDir + QStringLiteral("/UnDo%1.und").arg(undo)).toStdString());
  const int redo =
      firstFree([&](int n) { return dir.exists(QStringLiteral("ReDo%1.rdo").arg(n)); });
  state.splicer->setRedoFileName(
      (state.tempDir + QStringLiteral("/ReDo%1.rdo").arg(redo)).toStdString());
}

std::vector<LibraryVersion> playbackLibraries() {
  return {
      {QStringLiteral("libavformat"), avformat_version(), LIBAVFORMAT_VERSION_INT},
      {QStringLiteral("libavcodec"), avcodec_version(), LIBAVCODEC_VERSION_INT},
      {QStringLiteral("libavutil"), avutil_version(), LIBAVUTIL_VERSION_INT},
  };
}

SystemCheck checkPlaybackLibraries(const std::vector<LibraryVersion>& libraries) {
  SystemCheck check;
  check.usable = !libraries.empty();
  for (const LibraryVersion& library : libraries) {
    if (library.runtime == 0 ||
        AV_VERSION_MAJOR(library.runtime) != AV_VERSION_MAJOR(library.built))
      check.usable = false;
  }
  if (!check.usable) {
    check.failure = {
        QStringLiteral("Cannot detect the FFmpeg libraries (libavformat, libavcodec, libavutil) "
                       "on your system!"),
        QStringLiteral("Clipwright Editor will not work without the FFmpeg libraries installed."),
        QStringLiteral("Please install FFmpeg before running this program again.")};
    return check;
  }
  check.productVersion = versionText(libraries.front().runtime);
  check.mediaLayerVersion = check.productVersion.left(1).toInt() >= 5 ? 2 : 1;
  return check;
}

QStringList lowSpaceWarning(double freeBytes) {
  if (freeBytes > kLowSpaceBytes) return {};
  const qint64 kilobytes = static_cast<qint64>(freeBytes / 1024);
  return {QStringLiteral("Current drive has just %1 Kilobytes free,").arg(kilobytes),
          QStringLiteral("which is low for Clipwright Editor requirements. Please select"),
          QStringLiteral("another drive for your TEMP directory or free some disk space.")};
}

QString mpegDialogFilter() {
  return QStringLiteral(
      "MPEG files (*.mpg)|*.mpg|Video Only (*.mpv)|*.mpv|Audio Only (*.mpa)|*.mpa|15 "
      "Frames/Second (*.m15)|*.m15|7.5 Frames/Second (*.m75)|*.m75|All files (*.*)|*.*");
}

QString qtFilter(const QString& dialogFilter) {
  const QStringList parts = dialogFilter.split(QLatin1Char('|'));
  QStringList names;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1];
    if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
    names << parts[i].section(QLatin1Char('('), 0, 0).trimmed() + " (" + pattern + ")";
  }
  return names.join(QStringLiteral(";;"));
}

}  // namespace cw::app
