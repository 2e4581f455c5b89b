// The player's photo button: the frame on screen saved as a Windows bitmap
// or a PNG picture, through the real save dialog answered as a user does.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "clip_fixture.h"
#include "record_fixture.h"

namespace cw::app::testing {
namespace {

constexpr double kNtscPicture = 1001.0 / 30000.0;

// Counts the times a widget is hidden itself (not with its window).
class HideCounter : public QObject {
 public:
  explicit HideCounter(QWidget* watched) : watched_(watched) { watched->installEventFilter(this); }
  ~HideCounter() override { watched_->removeEventFilter(this); }
  int hides = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide && watched_->isHidden()) ++hides;
    return false;
  }

 private:
  QWidget* watched_;
};

class StillImage : public RecordFixture {
 protected:
  void SetUp() override {
    CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
    startEditor();
    dropOnPlayer(openClips({ClipFixture::corpusPath("vcd_ntsc.mpg")}));
    ASSERT_EQ(playerPane().xSeek(90.4 * kNtscPicture), 0);
    QApplication::processEvents();
  }

  // The next save dialogs, one answer each: what the dialog showed, then
  // the filter entry chosen as a user chooses it and the name typed in the
  // test's folder (an empty name cancels).
  void answerDialogs(QStringList names, int filter = 0) {
    auto* timer = new QTimer(&form());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, names, filter]() mutable {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      const QString name = names.takeFirst();
      if (names.isEmpty()) {
        timer->stop();
        timer->deleteLater();
      }
      playerShownDuringDialog = form().playerWindow()->isVisible();
      title = dialog->windowTitle();
      filters = dialog->nameFilters();
      suffix = dialog->defaultSuffix();
      if (name.isEmpty()) {
        QMetaObject::invokeMethod(dialog, "reject");
        return;
      }
      if (filter != 0) {
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; i < filter; ++i) QTest::keyClick(types, Qt::Key_Down);
      }
      dialog->setDirectory(root());
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    timer->start();
  }
  void answerDialog(const QString& name, int filter = 0) { answerDialogs({name}, filter); }

  void pressPhoto() {
    QTest::mouseClick(form().playerWindow()->photoButton(), Qt::LeftButton);
    QApplication::processEvents();
  }

  bool playerShownDuringDialog = true;
  QString title;
  QStringList filters;
  QString suffix;
};

TEST_F(StillImage, TheSavedBitmapIsThePictureOnScreen) {
  auto* timeCode = playerPane().findChild<QWidget*>(QStringLiteral("picTC"));
  ASSERT_NE(timeCode, nullptr);
  ASSERT_TRUE(timeCode->isVisible());
  HideCounter counter(timeCode);
  ASSERT_EQ(playerPane().xPlay(), 0);

  answerDialog(QStringLiteral("still"));
  pressPhoto();

  EXPECT_EQ(title, "Save still image as...");
  EXPECT_EQ(filters, QStringList({"Windows bitmap (*.bmp)", "PNG image (*.png)", "All files (*)"}));
  EXPECT_EQ(suffix, "bmp");
  EXPECT_FALSE(playerShownDuringDialog);
  EXPECT_TRUE(form().playerWindow()->isVisible());
  EXPECT_EQ(playerPane().mode(), static_cast<int>(player::PlayerMode::Paused));
  // The time code went away for the picture and is back.
  EXPECT_EQ(counter.hides, 1);
  EXPECT_TRUE(timeCode->isVisible());
  EXPECT_TRUE(takeMessages().empty());

  const QString path = QDir(root()).filePath("still.bmp");
  QImageReader reader(path);
  EXPECT_EQ(reader.format(), "bmp");
  const QImage saved = reader.read();
  ASSERT_FALSE(saved.isNull()) << path.toStdString();
  const QImage onScreen = playerPane().xCapture().bitmap.toImage();
  EXPECT_EQ(saved.size(), onScreen.size());
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
            onScreen.convertToFormat(QImage::Format_RGB32));
  // And that is the decoded picture at the player's position, all over.
  const int index = static_cast<int>(playerPane().position() / kNtscPicture + 0.5);
  const std::vector<QImage> pictures =
      decodedPictures(ClipFixture::corpusPath("vcd_ntsc.mpg"), index - 1, 3);
  ASSERT_EQ(pictures.size(), 3u);
  double closest = 255;
  for (const QImage& picture : pictures) {
    closest =
        std::min(closest, meanDifference(saved, picture.scaled(saved.size(), Qt::IgnoreAspectRatio,
                                                               Qt::SmoothTransformation)));
  }
  EXPECT_LT(closest, 4.0);
}

TEST_F(StillImage, PngByTheFilterAndNoTimeCodeChange) {
  // With the time code switched off it stays off.
  form().action("mnuPrefTimeCode")->trigger();
  ASSERT_FALSE(playerPane().timeCodeVisible());
  answerDialog(QStringLiteral("frame"), 1);
  pressPhoto();
  EXPECT_FALSE(playerPane().timeCodeVisible());
  QImageReader reader(QDir(root()).filePath("frame.png"));
  EXPECT_EQ(reader.format(), "png") << QDir(root()).entryList().join(' ').toStdString();
  EXPECT_EQ(reader.size(), playerPane().xCapture().bitmap.size());
}

TEST_F(StillImage, CancelSavesNothing) {
  answerDialog(QString());
  pressPhoto();
  EXPECT_EQ(title, "Save still image as...");
  EXPECT_TRUE(form().playerWindow()->isVisible());
  EXPECT_TRUE(QDir(root()).entryList({"*.bmp", "*.png"}, QDir::Files).isEmpty());
  EXPECT_TRUE(takeMessages().empty());
}

// A file that cannot take the picture: a full drive says so; an existing
// file is replaced only when the user agrees.
TEST_F(StillImage, AFullDriveIsReported) {
  const QString full = QDir(root()).filePath("full.bmp");
  ASSERT_TRUE(QFile::link("/dev/full", full));
  answer(MessageAnswer::No);
  answerDialogs({QStringLiteral("full.bmp"), QString()});
  pressPhoto();
  std::vector<MessageBox> shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines,
            QStringList({"full.bmp already exists.", "Do you want to replace it?"}));

  answer(MessageAnswer::Yes);
  answerDialog(QStringLiteral("full.bmp"));
  pressPhoto();
  shown = takeMessages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].lines, QStringList({"Your drive is full!"}));
  EXPECT_EQ(shown[1].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(QFileInfo(full).isSymLink());
  EXPECT_TRUE(form().playerWindow()->isVisible());
}

}  // namespace
}  // namespace cw::app::testing
