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

// Mean difference of two pictures per colour channel (0-255); 255 when
// their sizes differ.
inline double meanDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return 255.0;
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  double total = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col) {
      total += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
               std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
  }
  return total / (3.0 * x.width() * x.height());
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
