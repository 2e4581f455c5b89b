// The program's command line: clipwright [--log] [FILE...], --help, --version.
// Parsed before any window exists, so --help and --version need no display.
#pragma once

#include <QString>
#include <QStringList>

namespace cw::app {

struct CommandLine {
  bool help = false;
  bool version = false;
  bool log = false;   // switch the action log on from the start
  QStringList files;  // the files to open as clips, in order
  QString error;      // an unknown option; empty when the line is fine
};

CommandLine parseCommandLine(int argc, char** argv);
QString usageText();
QString versionText();

}  // namespace cw::app
