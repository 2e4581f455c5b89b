// The player window's photo button: the frame on screen saved as a still
// image, a Windows bitmap or a PNG picture, without the time code.
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>

#include "app/commands/commands.h"
#include "app/dialogs/save_dialog.h"
#include "app/shell/actions.h"
#include "app/shell/messages.h"
#include "app/shell/saving.h"
#include "app/windows/main_window.h"

namespace cw::app {

namespace {

enum class WriteOutcome { Written, DriveFull, Failed };

// A ".png" name gets a PNG picture, any other name a Windows bitmap.
QByteArray formatFor(const QString& path) {
  return QFileInfo(path).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0
             ? QByteArrayLiteral("PNG")
             : QByteArrayLiteral("BMP");
}

// The picture is encoded whole before the file is touched; a write that
// fails part-way leaves no partial picture behind.
WriteOutcome writePicture(const QImage& picture, const QString& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (picture.isNull() || !picture.save(&buffer, formatFor(path).constData()))
    return WriteOutcome::Failed;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return WriteOutcome::Failed;
  const bool written = file.write(bytes) == bytes.size() && file.flush();
  const QFileDevice::FileError error = file.error();
  file.close();
  if (written && file.error() == QFileDevice::NoError) return WriteOutcome::Written;
  const QFileInfo info(path);
  if (info.isFile() && !info.isSymLink()) QFile::remove(path);
  return error == QFileDevice::ResourceError || file.error() == QFileDevice::ResourceError
             ? WriteOutcome::DriveFull
             : WriteOutcome::Failed;
}

class StillImage : public QObject {
 public:
  explicit StillImage(MainWindow& form)
      : QObject(&form),
        form_(form),
        window_(*form.playerWindow()),
        playerPane_(*window_.playerPane()) {
    setObjectName(QStringLiteral("stillImage"));
    connect(window_.photoButton(), &QPushButton::clicked, this, [this] { onPhotoClicked(); });
  }

 private:
  void onPhotoClicked() {
    if (playerPane_.mode() == static_cast<int>(player::PlayerMode::NoClip)) return;
    playerPane_.xPause();
    window_.hide();
    const QString path = askPath();
    if (path.isEmpty()) {
      window_.show();
      return;
    }
    // The time code stays out of the picture.
    const bool timeCode = form_.actions().isChecked(QStringLiteral("mnuPrefTimeCode"));
    if (timeCode) playerPane_.setTimeCodeVisible(false);
    window_.show();
    const WriteOutcome outcome = writePicture(playerPane_.xCapture().bitmap.toImage(), path);
    if (timeCode) playerPane_.setTimeCodeVisible(true);
    if (outcome == WriteOutcome::DriveFull) exclamation(driveFullLines());
    // Nothing is saved: the user hears of it rather than finding no file.
    if (outcome == WriteOutcome::Failed)
      exclamation({QStringLiteral("Cannot save the still image as"), path});
  }

  // The file the user names in the save dialog; empty when he cancels.
  QString askPath() {
    const QString title = QStringLiteral("Save still image as...");
    const QStringList filters{QStringLiteral("Windows bitmap (*.bmp)"),
                              QStringLiteral("PNG image (*.png)"), QStringLiteral("All files (*)")};
    QFileDialog dialog(&form_, title, lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_);
    prepareSaveDialog(dialog, title, filters, 0, QStringLiteral("bmp"));
    // A name typed without an extension takes the chosen kind's.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& f) {
      dialog.setDefaultSuffix(f == filters.value(1) ? QStringLiteral("png")
                                                    : QStringLiteral("bmp"));
    });
    return askSaveName(dialog, lastFolder_);
  }

  MainWindow& form_;
  PlayerWindow& window_;
  player::ScrubPane& playerPane_;
  QString lastFolder_;
};

}  // namespace

void installStillImageCommands(MainWindow& form) { new StillImage(form); }

}  // namespace cw::app
