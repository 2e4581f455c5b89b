#include "app/shell/messages.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "app/shell/settings.h"

namespace cw::app {

namespace {

MessageAnswerer& answerer() {
  static MessageAnswerer current;
  return current;
}

HelpOpener& helpOpener() {
  static HelpOpener current;
  return current;
}

QPointer<QWidget>& messageParent() {
  static QPointer<QWidget> parent;
  return parent;
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Critical:
      return QMessageBox::Critical;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButton standardButton(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Yes:
      return QMessageBox::Yes;
    case MessageAnswer::No:
      return QMessageBox::No;
    case MessageAnswer::Cancel:
      return QMessageBox::Cancel;
    case MessageAnswer::Ok:
      break;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButtons standardButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

MessageAnswer answerOf(int button) {
  switch (button) {
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    default:
      return MessageAnswer::Ok;
  }
}

// The modal box. The Help button opens the help and leaves the box up, so the
// box runs again until another button ends it.
MessageAnswer runBox(const MessageBox& message) {
  for (;;) {
    QMessageBox box(boxIcon(message.icon),
                    message.title.isEmpty() ? QString::fromLatin1(kApplicationName) : message.title,
                    message.text(), standardButtons(message.buttons), messageParent());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setAccessibleName(box.windowTitle());
    box.setDefaultButton(standardButton(message.defaultAnswer));
    QPushButton* help = nullptr;
    if (message.helpTopic >= 0) help = box.addButton(QMessageBox::Help);
    for (QAbstractButton* button : box.buttons())
      button->setAccessibleName(button->text().remove('&'));
    const int result = box.exec();
    if (help && box.clickedButton() == help) {
      openHelpTopic(message.helpTopic);
      continue;
    }
    return answerOf(result);
  }
}

MessageBox makeBox(const QStringList& lines, const QString& title, MessageIcon icon,
                   MessageButtons buttons, MessageAnswer defaultAnswer) {
  MessageBox box;
  box.lines = lines;
  box.title = title;
  box.icon = icon;
  box.buttons = buttons;
  box.defaultAnswer = defaultAnswer;
  return box;
}

}  // namespace

MessageAnswer showMessage(const MessageBox& box) {
  if (answerer()) return answerer()(box);
  return runBox(box);
}

void critical(const QStringList& lines, const QString& title) {
  showMessage(makeBox(lines, title, MessageIcon::Critical, MessageButtons::Ok, MessageAnswer::Ok));
}

void exclamation(const QStringList& lines, const QString& title) {
  showMessage(
      makeBox(lines, title, MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok));
}

void information(const QStringList& lines, const QString& title) {
  showMessage(
      makeBox(lines, title, MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok));
}

MessageAnswer askYesNo(const QStringList& lines, MessageIcon icon, MessageAnswer defaultAnswer) {
  return showMessage(makeBox(lines, {}, icon, MessageButtons::YesNo, defaultAnswer));
}

MessageAnswer askYesNoCancel(const QStringList& lines, MessageIcon icon,
                             MessageAnswer defaultAnswer) {
  return showMessage(makeBox(lines, {}, icon, MessageButtons::YesNoCancel, defaultAnswer));
}

void setMessageParent(QWidget* parent) { messageParent() = parent; }

void setMessageAnswerer(MessageAnswerer answerer_) { answerer() = std::move(answerer_); }

void setHelpOpener(HelpOpener opener) { helpOpener() = std::move(opener); }

void openHelpTopic(int topic) {
  if (helpOpener()) helpOpener()(topic);
}

}  // namespace cw::app
