#include "player/message_box.h"

#include <QMessageBox>

namespace cw::player {
namespace {

MessageResponder& responder() {
  static MessageResponder instance;
  return instance;
}

QMessageBox::StandardButton buttonFor(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Yes:
      return QMessageBox::Yes;
    case MessageAnswer::No:
      return QMessageBox::No;
    case MessageAnswer::Ok:
      break;
  }
  return QMessageBox::Ok;
}

MessageAnswer answerFor(int button) {
  if (button == QMessageBox::Yes) return MessageAnswer::Yes;
  if (button == QMessageBox::No) return MessageAnswer::No;
  return MessageAnswer::Ok;
}

}  // namespace

MessageAnswer showMessage(QWidget* parent, const Message& message) {
  if (responder()) return responder()(message);
  QMessageBox box(message.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning,
                  QString::fromLatin1(kMessageTitle), message.text, QMessageBox::NoButton, parent);
  if (message.buttons == MessageButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  box.setDefaultButton(buttonFor(message.defaultAnswer));
  return answerFor(box.exec());
}

void setMessageResponder(MessageResponder r) { responder() = std::move(r); }

}  // namespace cw::player
