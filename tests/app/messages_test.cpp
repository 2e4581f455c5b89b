// The real message box of the Messages layer: texts, buttons, default, and
// a Help button that opens the help and leaves the box up.
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include "app_fixture.h"

namespace cw::app::testing {
namespace {

class MessagesTest : public AppFixture {
 protected:
  MessagesTest() { setMessageAnswerer(nullptr); }  // the real box
  ~MessagesTest() override { setHelpOpener(nullptr); }

  // Presses the box's button of that role as soon as a box is up; records
  // the box's text and its buttons' accessible names.
  void pressWhenShown(QMessageBox::ButtonRole role) {
    QTimer::singleShot(20, [this, role] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      texts_ << box->text();
      for (QAbstractButton* button : box->buttons()) names_ << button->accessibleName();
      for (QAbstractButton* button : box->buttons())
        if (box->buttonRole(button) == role) {
          if (role == QMessageBox::NoRole) defaults_ << (box->defaultButton() == button);
          button->click();
          return;
        }
      FAIL() << "no button of the role";
    });
  }
  QStringList texts_;
  QStringList names_;
  QList<bool> defaults_;
};

TEST_F(MessagesTest, HelpOpensTheTopicAndTheBoxStaysUntilOk) {
  QList<int> opened;
  setHelpOpener([&](int topic) {
    opened << topic;
    pressWhenShown(QMessageBox::AcceptRole);  // the box comes back: OK ends it
  });
  MessageBox box;
  box.lines = {"Incompatible video data!"};
  box.title = "Editing Error:";
  box.icon = MessageIcon::Critical;
  box.helpTopic = 3005;
  pressWhenShown(QMessageBox::HelpRole);
  EXPECT_EQ(showMessage(box), MessageAnswer::Ok);
  EXPECT_EQ(opened, QList<int>{3005});
  EXPECT_EQ(texts_, QStringList({"Incompatible video data!", "Incompatible video data!"}));
  EXPECT_TRUE(names_.contains("Help"));
  EXPECT_TRUE(names_.contains("OK"));
}

TEST_F(MessagesTest, QuestionsAnswerWithTheButtonPressedAndHaveTheirDefault) {
  pressWhenShown(QMessageBox::NoRole);
  EXPECT_EQ(askYesNo({"File /a.mpg", "already exsists in your project!"}, MessageIcon::Information,
                     MessageAnswer::No),
            MessageAnswer::No);
  EXPECT_EQ(texts_, QStringList({"File /a.mpg\nalready exsists in your project!"}));
  EXPECT_EQ(defaults_, QList<bool>{true});
  pressWhenShown(QMessageBox::YesRole);
  EXPECT_EQ(askYesNo({"Do you really want to exit?"}), MessageAnswer::Yes);
}

}  // namespace
}  // namespace cw::app::testing
