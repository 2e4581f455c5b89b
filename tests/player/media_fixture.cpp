#include "media_fixture.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

#include "support/corpus.h"

namespace cw::player::testing {
namespace {

// Kept in the build folder: every test process finds the movies made by the
// first one.
QDir movieDir() {
  QDir dir(CW_BINARY_DIR);
  dir.mkpath("player-movies");
  dir.cd("player-movies");
  return dir;
}

bool runProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(args);
  process.start();
  if (!process.waitForStarted(10000)) return false;
  QByteArray data;
  while (!process.waitForFinished(100)) {
    data += process.readAllStandardOutput();
    if (process.state() == QProcess::NotRunning) break;
  }
  data += process.readAllStandardOutput();
  if (out) *out = data;
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QStringList argumentsFor(const std::string& name, const QString& target) {
  const QStringList quiet = {"-hide_banner", "-loglevel", "error", "-y"};
  if (name == "ntsc.mpg") {
    return quiet + QStringList{"-f",  "lavfi", "-i",      "testsrc2=s=352x240:r=30000/1001",
                               "-f",  "lavfi", "-i",      "sine=f=440:sample_rate=44100",
                               "-t",  "6",     "-target", "ntsc-vcd",
                               target};
  }
  if (name == "pal.mpg") {
    return quiet + QStringList{"-f",  "lavfi", "-i",      "testsrc2=s=352x288:r=25",
                               "-f",  "lavfi", "-i",      "sine=f=660:sample_rate=44100",
                               "-t",  "6",     "-target", "pal-vcd",
                               target};
  }
  if (name == "video.mpv") {
    return quiet + QStringList{"-f",   "lavfi", "-i",   "testsrc2=s=352x240:r=30000/1001",
                               "-t",   "4",     "-c:v", "mpeg1video",
                               "-b:v", "1150k", "-bf",  "2",
                               "-g",   "15",    "-f",   "mpeg1video",
                               target};
  }
  if (name == "audio.mp2") {
    return quiet + QStringList{"-f",   "lavfi", "-i",   "sine=f=440:sample_rate=44100",
                               "-t",   "3",     "-c:a", "mp2",
                               "-b:a", "224k",  "-f",   "mp2",
                               target};
  }
  return {};
}

}  // namespace

std::string generatedMovie(const std::string& name) {
  static std::map<std::string, std::string> made;
  if (auto it = made.find(name); it != made.end()) return it->second;
  std::string result;
  const QString target = movieDir().filePath(QString::fromStdString(name));
  if (QFileInfo(target).size() > 0) {
    result = target.toStdString();
  } else {
    // Made under a name of this process, then renamed: processes running in
    // parallel never see half a movie.
    const QString partial = target + ".part" + QString::number(QCoreApplication::applicationPid()) +
                            "." + QFileInfo(target).suffix();
    const QStringList args = argumentsFor(name, partial);
    if (!args.isEmpty() && runProgram("ffmpeg", args)) {
      if (QFile::rename(partial, target) || QFileInfo(target).size() > 0) {
        result = target.toStdString();
      }
    }
    QFile::remove(partial);
  }
  made[name] = result;
  return result;
}

std::string corpusFile(const std::string& name) {
  return test::hasCorpusFile(name) ? test::corpusPath(name) : std::string();
}

std::vector<QImage> referencePictures(const std::string& path) {
  QByteArray size;
  if (!runProgram("ffprobe",
                  {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height",
                   "-of", "csv=p=0:s=x", QString::fromStdString(path)},
                  &size)) {
    return {};
  }
  const QList<QByteArray> parts = size.trimmed().split('x');
  if (parts.size() != 2) return {};
  const int width = parts[0].toInt();
  const int height = parts[1].toInt();
  QByteArray raw;
  if (!runProgram("ffmpeg",
                  {"-v", "error", "-i", QString::fromStdString(path), "-map", "0:v:0", "-vsync",
                   "passthrough", "-f", "rawvideo", "-pix_fmt", "bgra", "-"},
                  &raw)) {
    return {};
  }
  const qsizetype frameBytes = qsizetype(width) * height * 4;
  std::vector<QImage> pictures;
  for (qsizetype at = 0; frameBytes > 0 && at + frameBytes <= raw.size(); at += frameBytes) {
    QImage picture(reinterpret_cast<const uchar*>(raw.constData() + at), width, height, width * 4,
                   QImage::Format_RGB32);
    pictures.push_back(picture.copy());
  }
  return pictures;
}

}  // namespace cw::player::testing
