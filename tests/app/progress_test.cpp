// The progress window: Cancel stops a File > Open batch without the engine,
// or cancels the engine's operation; the frame's close button is refused
// until Cancel was pressed.
#include <QTest>

#include "app_fixture.h"

namespace cw::app::testing {
namespace {

class ProgressTest : public AppFixture {};

TEST_F(ProgressTest, CancelDuringABatchStopsTheBatchOnly) {
  MainWindow& main = start();
  ProgressDialog* progress = main.progressDialog();
  progress->prepare("Opening 3  files...", 0, "0 %");
  progress->show();
  session().openingFiles = true;
  QTest::mouseClick(progress->cancelButton(), Qt::LeftButton);
  EXPECT_FALSE(session().openingFiles);
  EXPECT_FALSE(session().userCancelled);
  EXPECT_TRUE(progress->cancelPressed());
  EXPECT_EQ(progress->actionLabel()->text(), "Opening 3  files...");
}

TEST_F(ProgressTest, CancelDuringAnOperationCancelsTheEngine) {
  MainWindow& main = start();
  ProgressDialog* progress = main.progressDialog();
  session().userCancelled = true;  // left from an earlier operation
  progress->show();
  EXPECT_FALSE(session().userCancelled);  // showing the window clears it
  EXPECT_EQ(progress->focusWidget(), progress->cancelButton());
  progress->cancelButton()->click();
  EXPECT_TRUE(session().userCancelled);
}

TEST_F(ProgressTest, TheFrameCannotCloseTheWindowBeforeCancel) {
  MainWindow& main = start();
  ProgressDialog* progress = main.progressDialog();
  progress->show();
  EXPECT_FALSE(progress->close());
  EXPECT_TRUE(progress->isVisible());
  QTest::keyClick(progress, Qt::Key_Escape);
  EXPECT_TRUE(progress->isVisible());
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text(),
            "Please press 'Cancel' button if you\nwant to cancel the current operation.");
  EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);

  progress->cancelButton()->click();
  EXPECT_TRUE(progress->close());
  EXPECT_FALSE(progress->isVisible());
  EXPECT_TRUE(takeMessages().empty());

  progress->show();  // shown again: Cancel must be pressed again
  EXPECT_FALSE(progress->cancelPressed());
  EXPECT_FALSE(progress->close());
}

TEST_F(ProgressTest, TheArrowShowsOverCancelWhileTheRestWaits) {
  MainWindow& main = start();
  ProgressDialog* progress = main.progressDialog();
  progress->show();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(progress->cancelButton(), &enter);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(progress->cancelButton(), &leave);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  QApplication::restoreOverrideCursor();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace cw::app::testing
