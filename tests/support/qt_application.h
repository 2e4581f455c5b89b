// The one QApplication of a Qt test program (offscreen unless QT_QPA_PLATFORM
// says otherwise). It lives from the first test that needs it until all
// tests have run, and goes before the program's static objects do.
// Header-only: tests/support itself is built without Qt.
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <memory>

namespace cw::test {

namespace detail {

inline std::unique_ptr<QApplication>& qtApplicationSlot() {
  static std::unique_ptr<QApplication> app;
  return app;
}

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { qtApplicationSlot().reset(); }
};

[[maybe_unused]] inline const auto* const kQtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace detail

inline QApplication& qtTestApplication() {
  static int argc = 1;
  static char name[] = "cw_tests";
  static char* argv[] = {name, nullptr};
  auto& slot = detail::qtApplicationSlot();
  if (!slot) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    slot = std::make_unique<QApplication>(argc, argv);
  }
  return *slot;
}

// Lets queued events, timers and paints run for a while.
inline void runQtEventsFor(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
}

}  // namespace cw::test
