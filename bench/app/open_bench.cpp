// Opening clips keeps up with a thumbnail from ffmpeg: opens 20 corpus clips
// in the editor (analysis, table row, picture from the middle, thumbnail) and
// makes the same 20 pictures with `ffmpeg -ss MID -i FILE -frames:v 1`, in
// the same run, alternating, medians of five; prints the ratio (goal below 1)
// and the editor's peak resident size with the 20 clips open (goal under
// 200 MiB).
//
// open_bench CORPUS_DIR
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/commands/commands.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/windows/main_window.h"
#include "probe/probe.h"

namespace {

constexpr int kClips = 20;
constexpr int kRuns = 5;

// The corpus files with pictures, as 20 links of their own (no file opens
// twice, so no duplicate question), each with its middle in seconds.
struct Clip {
  QString path;
  double middle = 0;
};

std::vector<Clip> makeClips(const QString& corpus, const QString& folder) {
  std::vector<Clip> sources;
  for (const QFileInfo& file :
       QDir(corpus).entryInfoList({"*.mpg", "*.mpv"}, QDir::Files, QDir::Name)) {
    cw::Probe probe;
    probe.setShopFileName(file.absoluteFilePath().toStdString());
    if (probe.doQuickAnalys() != 0) continue;
    const int type = probe.shopFileType();
    if (type != 0 && type != 1 && type != 3) continue;
    const double length = probe.shopFileTimelenD();
    if (length > 0) sources.push_back({file.absoluteFilePath(), length / 2});
  }
  std::vector<Clip> clips;
  for (int i = 0; i < kClips && !sources.empty(); ++i) {
    const Clip& source = sources[i % sources.size()];
    const QString link = QString("%1/clip%2.%3")
                             .arg(folder)
                             .arg(i, 2, 10, QChar('0'))
                             .arg(QFileInfo(source.path).suffix());
    QFile::link(source.path, link);
    clips.push_back({link, source.middle});
  }
  return clips;
}

double seconds(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e9; }

// The editor from start-up to its working stage, as the program builds it.
std::unique_ptr<cw::app::MainWindow> startEditor() {
  auto form = std::make_unique<cw::app::MainWindow>();
  form->show();
  if (!form->startUp()) return nullptr;
  form->finishStartUp();
  return form;
}

double openInEditor(const std::vector<Clip>& clips, std::unique_ptr<cw::app::MainWindow>& keep) {
  auto form = startEditor();
  if (!form) return -1;
  QStringList paths;
  for (const Clip& clip : clips) paths << clip.path;
  QElapsedTimer timer;
  timer.start();
  cw::app::openCommandLineClips(*form, paths);
  QCoreApplication::processEvents();
  const double took = seconds(timer);
  if (form->session().clips.size() != clips.size()) return -1;
  keep = std::move(form);
  return took;
}

double ffmpegPictures(const std::vector<Clip>& clips, const QString& ffmpeg,
                      const QString& folder) {
  QElapsedTimer timer;
  timer.start();
  for (const Clip& clip : clips) {
    QProcess process;
    process.start(ffmpeg, {"-v", "error", "-y", "-ss", QString::number(clip.middle, 'f', 3), "-i",
                           clip.path, "-frames:v", "1", folder + "/picture.png"});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return -1;
  }
  return seconds(timer);
}

double median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

double peakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir work;
  // The editor's settings and temporary files stay inside the bench's folder.
  qputenv("XDG_CONFIG_HOME", (work.path() + "/config").toLocal8Bit());
  qputenv("XDG_CACHE_HOME", (work.path() + "/cache").toLocal8Bit());
  QApplication app(argc, argv);
  const QString corpus = argc > 1 ? QString(argv[1]) : QString();
  const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
  if (corpus.isEmpty() || !QFileInfo(corpus).isDir() || ffmpeg.isEmpty()) {
    std::fprintf(stderr, "usage: open_bench CORPUS_DIR   (needs ffmpeg on the PATH)\n");
    return 2;
  }
  cw::app::setMessageAnswerer([](const cw::app::MessageBox& box) {
    std::fprintf(stderr, "message: %s\n", qPrintable(box.text()));
    return box.defaultAnswer;
  });
  const std::vector<Clip> clips = makeClips(corpus, work.path());
  if (static_cast<int>(clips.size()) < kClips) {
    std::fprintf(stderr, "no MPEG files with pictures in %s\n", qPrintable(corpus));
    return 2;
  }

  // Warm page cache and libraries for both sides.
  std::unique_ptr<cw::app::MainWindow> editor;
  if (openInEditor(clips, editor) < 0 || ffmpegPictures(clips, ffmpeg, work.path()) < 0) {
    std::fprintf(stderr, "a warm-up run failed\n");
    return 1;
  }
  std::vector<double> ours;
  std::vector<double> theirs;
  for (int run = 0; run < kRuns; ++run) {
    editor.reset();
    ours.push_back(openInEditor(clips, editor));
    theirs.push_back(ffmpegPictures(clips, ffmpeg, work.path()));
    if (ours.back() < 0 || theirs.back() < 0) {
      std::fprintf(stderr, "run %d failed\n", run);
      return 1;
    }
  }
  const double ratio = median(ours) / median(theirs);
  const double peak = peakResidentMiB();
  std::printf("clips                      %d (links to %s)\n", kClips, qPrintable(corpus));
  std::printf("editor: open 20 clips      %.1f ms (median of %d)\n", median(ours) * 1000, kRuns);
  std::printf("ffmpeg -ss MID -frames:v 1 %.1f ms for the same 20 files\n", median(theirs) * 1000);
  std::printf("ratio                      %.3f (goal below 1)\n", ratio);
  std::printf("peak resident size         %.1f MiB with 20 clips open (goal under 200 MiB)\n",
              peak);
  editor.reset();
  return ratio < 1 && peak < 200 ? 0 : 1;
}
