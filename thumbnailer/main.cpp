// clipwright-thumbnailer -s SIZE INPUT OUTPUT.png
//
// The thumbnailer a freedesktop file manager runs for MPEG-1 files (see
// clipwright.thumbnailer): writes a PNG of the picture about a tenth into
// INPUT, its longer side SIZE pixels. A file without pictures (an audio-only
// stream) gets no thumbnail.
#include <QFile>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "player/media_file.h"
#include "thumbnailer/still_choice.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNoThumbnail = 1;
constexpr int kExitUsage = 2;
constexpr int kLargestSize = 4096;

constexpr const char* kUsage =
    "usage: clipwright-thumbnailer -s SIZE INPUT OUTPUT\n"
    "\n"
    "Writes a thumbnail of the MPEG-1 file INPUT to OUTPUT as a PNG picture:\n"
    "the picture about a tenth into the clip (a later one when that is black),\n"
    "scaled to SIZE pixels on its longer side (1 to 4096). File managers run it\n"
    "through /usr/share/thumbnailers/clipwright.thumbnailer.\n"
    "\n"
    "Exit status: 0 written, 1 no thumbnail (no pictures in INPUT, or it cannot\n"
    "be read or OUTPUT written), 2 usage error.\n";

struct Options {
  int size = 0;
  std::string input;
  std::string output;
};

bool parseSize(const char* text, int& size) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > kLargestSize) return false;
  size = static_cast<int>(value);
  return true;
}

// 0 with the options; -1 after --help or --version; kExitUsage reported.
int parseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return -1;
    }
    if (arg == "--version") {
      std::printf("clipwright-thumbnailer %s\n", CLIPWRIGHT_VERSION);
      return -1;
    }
    if (arg == "-s") {
      if (i + 1 >= argc || !parseSize(argv[++i], o.size)) {
        std::fprintf(stderr, "clipwright-thumbnailer: -s needs a size of 1 to %d\n%s", kLargestSize,
                     kUsage);
        return kExitUsage;
      }
    } else if (o.input.empty()) {
      o.input = arg;
    } else if (o.output.empty()) {
      o.output = arg;
    } else {
      std::fprintf(stderr, "clipwright-thumbnailer: too many arguments\n%s", kUsage);
      return kExitUsage;
    }
  }
  if (o.size == 0 || o.output.empty()) {
    std::fprintf(stderr, "clipwright-thumbnailer: -s SIZE, INPUT and OUTPUT are needed\n%s",
                 kUsage);
    return kExitUsage;
  }
  return 0;
}

int noThumbnail(const std::string& input, const char* why) {
  std::fprintf(stderr, "clipwright-thumbnailer: %s: %s\n", input.c_str(), why);
  return kExitNoThumbnail;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const int rc = parseOptions(argc, argv, o)) return rc < 0 ? kExitOk : rc;

  std::unique_ptr<cw::player::MediaFile> file;
  if (cw::player::MediaFile::open(o.input, file) != 0)
    return noThumbnail(o.input, "cannot be read");
  if (!file->hasVideo()) return noThumbnail(o.input, "holds no pictures");
  QImage still;
  if (cw::thumbnailer::chooseStill(*file, still) != 0 || still.isNull())
    return noThumbnail(o.input, "no picture could be decoded");
  const QImage thumbnail =
      still.scaled(o.size, o.size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  if (!thumbnail.save(QFile::decodeName(o.output.c_str()), "PNG"))
    return noThumbnail(o.input, "the thumbnail cannot be written");
  return kExitOk;
}
