// Shared pieces of the ScrubPane tests: the application object, a log of the
// events a pane raises, and a stand-in for the person answering message boxes.
#pragma once

#include <QApplication>
#include <string>
#include <vector>

#include "player/message_box.h"
#include "player/scrub_pane.h"

namespace cw::player::testing {

// The one QApplication of the test program (offscreen unless told otherwise).
QApplication& application();

// Records every event of a pane by name, in order.
class EventLog {
 public:
  explicit EventLog(ScrubPane& pane);
  ~EventLog();
  std::vector<std::string> take();  // the names so far; the log starts afresh

 private:
  ScrubPane& pane_;
  automation::ConnectionId connection_ = 0;
  std::vector<std::string> names_;
};

// Answers message boxes for as long as it lives and keeps their texts.
class MessageLog {
 public:
  explicit MessageLog(MessageAnswer answer = MessageAnswer::Ok);
  ~MessageLog();
  void answerWith(MessageAnswer answer) { answer_ = answer; }
  std::vector<Message> take();

 private:
  MessageAnswer answer_;
  std::vector<Message> messages_;
};

// Lets queued timers and paints run for a while.
void runEventsFor(int milliseconds);

}  // namespace cw::player::testing
