#include "pane_fixture.h"

#include <QElapsedTimer>
#include <QThread>

namespace cw::player::testing {

QApplication& application() {
  static int argc = 1;
  static char name[] = "cw_player_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
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
