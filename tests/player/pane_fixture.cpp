#include "pane_fixture.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QThread>

#include "support/qt_application.h"

#include <memory>

namespace cw::player::testing {

QApplication& application() { return cw::test::qtTestApplication(); }

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

void runEventsFor(int milliseconds) { cw::test::runQtEventsFor(milliseconds); }

}  // namespace cw::player::testing
