// The player's message boxes. Every box the control shows goes through here,
// so that a test can answer it instead of a person.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace cw::player {

inline constexpr const char* kMessageTitle = "Quillet";

enum class MessageIcon { Exclamation, Error };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct Message {
  QString text;  // lines joined by "\n"
  MessageIcon icon = MessageIcon::Exclamation;
  MessageButtons buttons = MessageButtons::Ok;
  MessageAnswer defaultAnswer = MessageAnswer::Ok;
};

// Shows a modal box titled "Quillet" and returns the answer.
MessageAnswer showMessage(QWidget* parent, const Message& message);

// Replaces the modal box with a function (tests); an empty function restores it.
using MessageResponder = std::function<MessageAnswer(const Message&)>;
void setMessageResponder(MessageResponder responder);

}  // namespace cw::player
