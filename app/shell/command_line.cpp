#include "app/shell/command_line.h"

#include <QDir>
#include <QFileInfo>

namespace cw::app {

CommandLine parseCommandLine(int argc, char** argv) {
  CommandLine line;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (!optionsEnd && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
      if (arg == QLatin1String("--"))
        optionsEnd = true;
      else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
        line.help = true;
      else if (arg == QLatin1String("--version"))
        line.version = true;
      else if (arg == QLatin1String("--log"))
        line.log = true;
      else if (line.error.isEmpty())
        line.error = QStringLiteral("unknown option: %1").arg(arg);
      continue;
    }
    if (!arg.isEmpty()) line.files << QDir::cleanPath(QFileInfo(arg).absoluteFilePath());
  }
  return line;
}

QString usageText() {
  return QStringLiteral(
      "Usage: clipwright [--log] [FILE...]\n"
      "Clipwright Editor: cuts and joins MPEG-1 movies without re-encoding.\n"
      "\n"
      "  FILE        MPEG-1 files to open as clips at start-up\n"
      "  --log       write the action log (TazoLog.txt in the temporary folder)\n"
      "  --help      show this text and exit\n"
      "  --version   show the version and exit\n");
}

QString versionText() {
  return QStringLiteral("clipwright (Clipwright Editor) %1\n").arg(CW_VERSION);
}

}  // namespace cw::app
