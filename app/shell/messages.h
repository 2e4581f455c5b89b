// The editor's message boxes. Every box the editor shows goes through here:
// the texts are lines joined by newlines, with an icon, buttons and a default
// answer. A test installs an answerer that replaces the modal box and reads
// what would have been shown.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace cw::app {

enum class MessageIcon { None, Critical, Exclamation, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct MessageBox {
  QStringList lines;
  QString title;  // empty: the program's name
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  MessageAnswer defaultAnswer = MessageAnswer::Ok;
  int helpTopic = -1;  // >= 0: a Help button opens the help at this topic

  QString text() const { return lines.join(QLatin1Char('\n')); }
};

// Shows the box (modal) and returns the answer.
MessageAnswer showMessage(const MessageBox& box);

// The usual boxes.
void critical(const QStringList& lines, const QString& title = {});
void exclamation(const QStringList& lines, const QString& title = {});
void information(const QStringList& lines, const QString& title = {});
// Yes / No; the icon and the default button as the caller needs them.
MessageAnswer askYesNo(const QStringList& lines, MessageIcon icon = MessageIcon::Question,
                       MessageAnswer defaultAnswer = MessageAnswer::Yes);
MessageAnswer askYesNoCancel(const QStringList& lines, MessageIcon icon = MessageIcon::Question,
                             MessageAnswer defaultAnswer = MessageAnswer::Yes);

// The window boxes are centred on (the main window); nullptr: none.
void setMessageParent(QWidget* parent);

// Replaces the modal box (tests); an empty function restores it.
using MessageAnswerer = std::function<MessageAnswer(const MessageBox&)>;
void setMessageAnswerer(MessageAnswerer answerer);

// What the Help button does with its topic (the help window opens it).
using HelpOpener = std::function<void(int topic)>;
void setHelpOpener(HelpOpener opener);
void openHelpTopic(int topic);

}  // namespace cw::app
