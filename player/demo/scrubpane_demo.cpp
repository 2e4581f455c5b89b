// scrubpane-demo FILE [--seek SECONDS] [--play] [--screenshot PNG]
//
// Hosts one ScrubPane in a window for trying it by hand. With --screenshot it
// opens FILE, moves to --seek (default 1 s), optionally plays for a moment,
// saves a screen grab of the window to PNG and quits.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "player/scrub_pane.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("scrubpane-demo");
  QCommandLineParser parser;
  parser.setApplicationDescription("Plays one MPEG file in a ScrubPane.");
  parser.addHelpOption();
  parser.addPositionalArgument("FILE", "MPEG file to open");
  QCommandLineOption seek("seek", "Position to show first, seconds.", "SECONDS", "1");
  QCommandLineOption play("play", "Start playing after opening.");
  QCommandLineOption screenshot("screenshot", "Save a screen grab to PNG and quit.", "PNG");
  parser.addOptions({seek, play, screenshot});
  parser.process(app);
  if (parser.positionalArguments().size() != 1) parser.showHelp(2);

  const QString file = parser.positionalArguments().front();
  cw::player::ScrubPane pane;
  pane.setWindowTitle("ScrubPane - " + QFileInfo(file).fileName());
  pane.setErrorMessages(true);
  pane.setSource(file);
  pane.setCurrExt(QFileInfo(file).suffix());
  pane.resize(pane.sizeHint());
  pane.show();
  if (pane.xOpen() != 0) return 1;
  std::printf("length %.3f s\n", pane.length());
  pane.xSeek(parser.value(seek).toDouble());
  if (parser.isSet(play)) pane.xPlay();

  if (parser.isSet(screenshot)) {
    const QString target = parser.value(screenshot);
    QTimer::singleShot(parser.isSet(play) ? 1500 : 700, &pane, [&pane, target] {
      if (pane.mode() == 3) pane.xPause();
      const QPixmap grab = pane.screen()->grabWindow(pane.winId());
      const bool saved = grab.save(target, "PNG");
      std::printf("%s %s at %s\n", saved ? "saved" : "could not save", qPrintable(target),
                  qPrintable(pane.timeCode()));
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return QApplication::exec();
}
