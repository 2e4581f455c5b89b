// Runs tests of this test program inside a real X server (xvfb-run), for the
// screenshots: the inner tests see `variable` set to `value` and skip
// without it.
#pragma once

#include <QString>
#include <string>

namespace cw::app::testing {

struct XvfbRun {
  bool available = false;  // xvfb-run was found
  bool finished = false;   // the run ended in time
  int exitCode = -1;
  std::string output;  // stdout and stderr
};

// The screen is 1280 x 1024 pixels, 24 bits deep.
XvfbRun runUnderXvfb(const QString& gtestFilter, const QString& variable, const QString& value);

}  // namespace cw::app::testing
