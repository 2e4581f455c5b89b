// The program's version and the libraries it runs on, with the licence each
// is used under, for the About box.
#pragma once

#include <QString>
#include <vector>

namespace cw::app {

struct LibraryNotice {
  QString name;     // "Qt", "libavcodec" ...
  QString version;  // as loaded in this process
  QString licence;
};

// "0.1"
QString programVersion();
// Qt first, then the FFmpeg libraries the player decodes with. The FFmpeg
// licences are the ones the loaded libraries report, so a GPL build (as
// Debian ships) says so.
std::vector<LibraryNotice> libraryNotices();

}  // namespace cw::app
