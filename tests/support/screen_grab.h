// Screen grabs of real windows in a real X server (xvfb-run), for the tests
// of the player and of the editor that have Qt. Header only: the support
// library itself does without Qt.
#pragma once

#include <QImage>
#include <QProcessEnvironment>
#include <QRect>
#include <algorithm>
#include <cmath>

namespace cw::test {

// Spread of the grey levels in a region: 0 for a flat area.
inline double greySpread(const QImage& image, const QRect& region) {
  double sum = 0;
  double squares = 0;
  int count = 0;
  for (int y = region.top(); y <= region.bottom(); ++y) {
    for (int x = region.left(); x <= region.right(); ++x) {
      const double grey = qGray(image.pixel(x, y));
      sum += grey;
      squares += grey * grey;
      ++count;
    }
  }
  const double mean = sum / count;
  return std::sqrt(std::max(0.0, squares / count - mean * mean));
}

// This process's environment for a program shown in the X server: without
// the offscreen platform, and with the leak checker off, since the X and
// D-Bus client libraries' own caches would count against the program.
inline QProcessEnvironment xServerEnvironment() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("QT_QPA_PLATFORM");
  environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") +
                                         (environment.contains("ASAN_OPTIONS") ? ":" : "") +
                                         "detect_leaks=0");
  return environment;
}

}  // namespace cw::test
