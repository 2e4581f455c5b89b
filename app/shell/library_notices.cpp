#include "app/shell/library_notices.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QtGlobal>

namespace cw::app {

namespace {

QString versionOf(unsigned version) {
  return QStringLiteral("%1.%2.%3")
      .arg(AV_VERSION_MAJOR(version))
      .arg(AV_VERSION_MINOR(version))
      .arg(AV_VERSION_MICRO(version));
}

LibraryNotice ffmpegNotice(const char* name, unsigned version, const char* licence) {
  return {QString::fromLatin1(name), versionOf(version), QString::fromUtf8(licence)};
}

}  // namespace

QString programVersion() { return QStringLiteral(CW_VERSION); }

std::vector<LibraryNotice> libraryNotices() {
  return {
      // Qt reports no licence at run time; the open-source Qt of the
      // distributions is offered under these.
      {QStringLiteral("Qt"), QString::fromLatin1(qVersion()),
       QStringLiteral("GNU LGPL version 3 (or GNU GPL version 2 or 3)")},
      ffmpegNotice("libavformat", avformat_version(), avformat_license()),
      ffmpegNotice("libavcodec", avcodec_version(), avcodec_license()),
      ffmpegNotice("libavutil", avutil_version(), avutil_license()),
      ffmpegNotice("libswscale", swscale_version(), swscale_license()),
      ffmpegNotice("libswresample", swresample_version(), swresample_license()),
  };
}

}  // namespace cw::app
