// Playback keeps up: plays a VideoCD file for 5 seconds in a ScrubPane and
// prints how far Position moved against the wall clock, and the decoding time
// per picture as a fraction of the picture period.
//
// player_bench [FILE]   (default: the corpus' vcd_ntsc.mpg, else the sample)
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <cmath>
#include <cstdio>

#include "player/ffmpeg_graph.h"
#include "player/scrub_pane.h"

namespace {

constexpr double kPlaySeconds = 5.0;

QString defaultMovie() {
  for (const char* candidate : {"build/test/corpus/vcd_ntsc.mpg", "tests/data/sample_vcd.mpg"}) {
    if (QFileInfo::exists(candidate)) return candidate;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString movie = argc > 1 ? QString(argv[1]) : defaultMovie();
  if (movie.isEmpty() || !QFileInfo::exists(movie)) {
    std::fprintf(stderr, "usage: player_bench FILE\n");
    return 2;
  }

  cw::player::FfmpegGraph* graph = nullptr;
  cw::player::ScrubPane pane(nullptr, [&graph] {
    auto made = std::make_unique<cw::player::FfmpegGraph>();
    graph = made.get();
    return std::unique_ptr<cw::player::MediaGraph>(std::move(made));
  });
  pane.setSource(movie);
  pane.show();
  if (pane.xOpen() != 0 || !graph) return 1;
  if (pane.length() < kPlaySeconds + 0.5) {
    std::fprintf(stderr, "%s is shorter than %.1f s\n", qPrintable(movie), kPlaySeconds + 0.5);
    return 1;
  }

  const double start = pane.position();
  QElapsedTimer wall;
  wall.start();
  pane.xPlay();
  while (wall.elapsed() < kPlaySeconds * 1000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  pane.xPause();
  const double elapsed = wall.elapsed() / 1000.0;
  const double advanced = pane.position() - start;

  const cw::player::PlaybackStats stats = graph->statistics();
  const double perPicture = stats.picturesDecoded ? stats.decodeSeconds / stats.picturesDecoded : 0;
  const double picturePeriod = graph->framePeriod();
  std::printf("file                       %s\n", qPrintable(movie));
  std::printf("position advanced          %.3f s in %.3f s of wall time (ratio %.4f)\n", advanced,
              elapsed, advanced / elapsed);
  std::printf("pictures decoded / shown   %ld / %ld, skipped %ld, late ticks %ld\n",
              stats.picturesDecoded, stats.picturesShown, stats.picturesSkipped, stats.lateTicks);
  std::printf("decode time per picture    %.2f ms = %.3f of the picture period\n",
              perPicture * 1000, perPicture / picturePeriod);
  const bool keptUp = std::abs(advanced - kPlaySeconds) <= 0.2 && perPicture < picturePeriod &&
                      stats.picturesSkipped == 0;
  std::printf("%s\n", keptUp ? "kept up" : "FELL BEHIND");
  return keptUp ? 0 : 1;
}
