#include "pane_fixture.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QThread>

#include <memory>

namespace cw::player::testing {

namespace {

// The application lives from the first test that needs it until all tests
// have run, and goes before the program's static objects do.
std::unique_ptr<QApplication>& applicationSlot() {
  static std::unique_ptr<QApplication> app;
  return app;
}

class ApplicationEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { applicationSlot().reset(); }
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

QApplication& application() {
  static int argc = 1;
  static char name[] = "cw_player_tests";
  static char* argv[] = {name, nullptr};
  if (!applicationSlot()) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    applicationSlot() = std::make_unique<QApplication>(argc, argv);
  }
  return *applicationSlot();
}

EventLog::EventLog(ScrubPane& pane) : pane_(pane) {
  connection_ =
      pane.events().connectAny([this](const automation::EventDef& event, automation::Args&) {
        names_.push_back(event.name);
      });
}

EventLog::~EventLog() { pane_.events().disconnect(connection_); }

std::vector<std::string> EventLog::take() { return std::exchange(names_, {}); }

MessageLog::MessageLog(MessageAnswer answer) : answer_(answer) {
  setMessageResponder([this](const Message& message) {
    messages_.push_back(message);
    return answer_;
  });
}

MessageLog::~MessageLog() { setMessageResponder(nullptr); }

std::vector<Message> MessageLog::take() { return std::exchange(messages_, {}); }

void runEventsFor(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
}

}  // namespace cw::player::testing
