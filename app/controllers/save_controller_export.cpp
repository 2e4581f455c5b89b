// The hand-over of a movie to Mosaica, the separate thumbnail and streaming
// tool, and the low-bitrate export that asks for a name and stops at its
// progress window.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QUrl>
#include <memory>

#include "app/controllers/save_controller.h"
#include "app/shell/editor_session.h"
#include "app/shell/help_files.h"
#include "app/shell/messages.h"
#include "app/shell/saving.h"
#include "app/windows/main_window.h"
#include "player/scrub_pane.h"
#include "player/twips.h"

namespace cw::app {

namespace {

constexpr const char* kMosaicaPage = "mosaica.html";
constexpr const char* kExportSwitch = "/zmo";

bool makesSound(const player::ScrubPane& pane) {
  const int mode = pane.mode();
  return mode == static_cast<int>(player::PlayerMode::Paused) ||
         mode == static_cast<int>(player::PlayerMode::Playing);
}

}  // namespace

void SaveController::onExportRealMedia() {
  startMosaica({session_.recordFilePath + QLatin1String(kExportSwitch)});
}

void SaveController::onExportClipRealMedia() {
  const EditorSession& state = session_;
  const int index = state.paletteIndex;
  if (index < 0 || index >= static_cast<int>(state.clips.size())) return;
  startMosaica(
      {state.clips[static_cast<std::size_t>(index)].fullPath + QLatin1String(kExportSwitch)});
}

void SaveController::onMediaPalette() { startMosaica({}); }

// The program gets its arguments as a list: a path with spaces or quotes
// reaches it as it is, and nothing passes through a shell.
void SaveController::startMosaica(const QStringList& arguments) {
  const EditorSession& state = session_;
  if (state.palettePath.isEmpty()) {
    MessageBox box;
    box.lines = {QStringLiteral("Mosaica is not installed on your system"),
                 QStringLiteral("Press 'OK' to learn more about Mosaica.")};
    box.icon = MessageIcon::Information;
    box.buttons = MessageButtons::OkCancel;
    box.defaultAnswer = MessageAnswer::Ok;
    if (showMessage(box) == MessageAnswer::Ok)
      openDocument(QDir(helpFolder()).filePath(QLatin1String(kMosaicaPage)));
    return;
  }
  if (!arguments.isEmpty()) stopPlayingPanes();
  QProcess::startDetached(state.palettePath, arguments);
}

void SaveController::stopPlayingPanes() {
  for (player::ScrubPane* pane : {&playerPane_, &recorderPane_,
                                  form_.findChild<player::ScrubPane*>(QStringLiteral("iImport"))}) {
    if (pane && makesSound(*pane)) pane->xStop();
  }
}

SaveController::DocumentOpener& documentOpener() {
  static SaveController::DocumentOpener opener;
  return opener;
}

void SaveController::setDocumentOpener(DocumentOpener opener) {
  documentOpener() = std::move(opener);
}

bool SaveController::openDocument(const QString& target) {
  const QUrl url = QUrl::fromUserInput(target, QDir::homePath(), QUrl::AssumeLocalFile);
  if (documentOpener()) return documentOpener()(url);
  return QDesktopServices::openUrl(url);
}

// Asks for a name and shows the progress window at "Initializing...": no
// conversion follows. Cancel takes the window and the hourglass away.
void SaveController::exportLowBitrate(const QString& projectPath, int bitRate) {
  (void)bitRate;
  if (projectPath.isEmpty()) return;
  QFileDialog dialog(&form_, QStringLiteral("Export File As..."), QDir::homePath());
  dialog.setObjectName(QStringLiteral("CommonDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(saveDialogFilters());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().value(0).isEmpty()) return;

  form_.setCursor(Qt::WaitCursor);
  ProgressDialog& progress = *form_.progressDialog();
  progress.prepare(QStringLiteral("Initializing..."), 0, QString());
  progress.move(form_.x() + player::twipsToPixels(450), form_.y() + player::twipsToPixels(200));
  progress.show();
  auto connection = std::make_shared<QMetaObject::Connection>();
  *connection = connect(progress.cancelButton(), &QPushButton::clicked, this, [this, connection] {
    form_.unsetCursor();
    form_.progressDialog()->hide();
    disconnect(*connection);
  });
}

}  // namespace cw::app
