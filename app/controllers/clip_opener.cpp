#include "app/controllers/clip_opener.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "app/shell/clip_analysis.h"
#include "app/shell/clip_events.h"
#include "app/shell/clip_table.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/shell/startup.h"
#include "app/windows/main_window.h"
#include "app/windows/placeholder_pictures.h"

namespace cw::app {

namespace {}  // namespace

ClipOpener::ClipOpener(MainWindow& form) : QObject(&form), form_(form), state_(form.session()) {
  setObjectName("ClipOpener");
}

int ClipOpener::openClipList(const QStringList& paths, OpenDisplay display) {
  if (paths.isEmpty()) return 0;
  // The windows keep running while a file is analysed; a drop or another
  // File > Open in that time joins the running batch instead of starting one
  // of its own, whose end would stop this one.
  if (batchRunning_) {
    batch_ += paths;
    return 0;
  }
  // Files dropped while other work runs (an undo) open once it has ended.
  OperationRunner& operations = *state_.operations;
  if (operations.running()) {
    connect(
        &operations, &OperationRunner::runningChanged, this,
        [this, paths, display] { openClipList(paths, display); },
        Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    return 0;
  }
  const bool withWindow = display == OpenDisplay::ProgressWindow;
  ProgressDialog* progress = form_.progressDialog();
  batchRunning_ = true;
  batch_ = paths;
  state_.openingFiles = true;
  const int step = qRound(100.0 / paths.size());
  int percent = 0;
  if (withWindow) {
    progress->prepare(tr("Opening %1  files...").arg(paths.size()), 0, tr("0 %"));
    progress->show();
    progress->raise();
  } else {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }

  int opened = 0;
  for (qsizetype next = 0; next < batch_.size(); ++next) {
    // The progress window's Cancel clears OpeningFiles; the batch stops here.
    if (!state_.openingFiles) break;
    const QString path = batch_[next];  // the list may grow meanwhile
    if (!openOne(path)) continue;
    ++opened;
    if (withWindow) {
      percent += step;
      reportProgress(percent);
    }
  }
  batch_.clear();
  batchRunning_ = false;

  if (withWindow) {
    progress->percentLabel()->clear();
    progress->hide();
  } else {
    QApplication::restoreOverrideCursor();
  }
  state_.openingFiles = false;
  return opened;
}

bool ClipOpener::openOne(const QString& given) {
  const QString path = QDir::cleanPath(QFileInfo(given).absoluteFilePath());
  if (refuseProjectAsSource(state_, path)) return false;
  if (!state_.clips.empty() && !CheckIfExists(state_, path)) return false;
  const std::int16_t previousIndex = state_.paletteIndex;
  // The index the clip will take, for whatever looks at the palette meanwhile.
  state_.paletteIndex = static_cast<std::int16_t>(state_.clips.size());
  const std::uint32_t resets = state_.clipTableResets;
  state_.openingPath = path;
  const QString fileName = QFileInfo(path).fileName();
  const bool opened = openClip(path, fileName, fileExtension(fileName));
  // Close All while the file was analysed emptied the table under it: the
  // file goes with the others (the batch ends, OpeningFiles being cleared).
  if (state_.clipTableResets != resets) {
    state_.clips.clear();
    state_.paletteIndex = -1;
    return false;
  }
  if (!opened) {
    // Clips deleted meanwhile may have taken the previous index away.
    const int last = static_cast<int>(state_.clips.size()) - 1;
    state_.paletteIndex = static_cast<std::int16_t>(std::min<int>(previousIndex, last));
    return false;
  }
  // Clips deleted meanwhile moved the new one down: it is the last.
  const int added = static_cast<int>(state_.clips.size()) - 1;
  state_.paletteIndex = static_cast<std::int16_t>(added);
  form_.footageWindow()->addClipThumbnail(added);
  form_.actions().setEnabled("menuClose", true);
  lastFolder_ = folderOf(path);
  return true;
}

bool ClipOpener::openClip(const QString& path, const QString& fileName, const QString& extension) {
  if (AnalyseClip(state_, path, fileName, extension) == "Wrong") return false;
  FootageWindow& palette = *form_.footageWindow();
  if (state_.audioPlaceholder) {
    palette.setThumbnailPicture(audioPlaceholderPicture(palette.thumbnailSize()));
    return true;
  }
  player::ScrubPane& pane = *form_.playerWindow()->playerPane();
  // A file whose middle cannot be decoded still becomes a clip; its
  // thumbnail says so instead of repeating the previous clip's picture.
  if (pane.xOpenCapture(path) == 0 && !pane.capturedPicture().isNull())
    palette.setThumbnailPicture(pane.capturedPicture().bitmap);
  else
    palette.setThumbnailPicture(noPicturePlaceholder(palette.thumbnailSize()));
  return true;
}

// Rounded steps (17 for six files) and files joining the batch would carry
// the count past its end; the bar and its text stop at 100.
void ClipOpener::reportProgress(int percent) {
  ProgressDialog* progress = form_.progressDialog();
  percent = std::min(percent, progress->progressBar()->maximum());
  progress->progressBar()->setValue(percent);
  progress->percentLabel()->setText(QString::number(percent) + " %");
  progress->repaint();
}

QStringList ClipOpener::askForFiles() {
  QFileDialog dialog(&form_, "Open file(s)", lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_,
                     qtFilter(mpegDialogFilter()));
  dialog.setObjectName("CommonDialog1");
  // Qt's own dialog matches the filters without regard to case (*.MPG too).
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

void ClipOpener::onOpen() {
  const QStringList files = askForFiles();
  if (files.isEmpty()) return;
  state_.openingPath = files.first();
  openClipList(files, files.size() > 1 ? OpenDisplay::ProgressWindow : OpenDisplay::Hourglass);
}

void ClipOpener::deleteClip(int index) {
  if (index < 0 || index >= static_cast<int>(state_.clips.size())) return;
  // The table first: the thumbnails that move down take their clips' names.
  removeClipRecord(state_, index);
  form_.footageWindow()->removeThumbnail(index);
  const int last = static_cast<int>(state_.clips.size()) - 1;
  if (state_.paletteIndex > last) state_.paletteIndex = static_cast<std::int16_t>(last);
  emit clipEvents().clipRemoved(index);
}

void ClipOpener::onDeleteThumbnail() { deleteClip(state_.paletteIndex); }

bool ClipOpener::isInAPlayer(const QString& path) const {
  return form_.playerWindow()->playerPane()->source() == path ||
         form_.recorderWindow()->recorderPane()->source() == path;
}

void ClipOpener::onDeleteSelected() {
  FootageWindow& palette = *form_.footageWindow();
  for (int i = static_cast<int>(state_.clips.size()) - 1; i >= 0; --i) {
    if (!palette.isSelected(i)) continue;
    if (isInAPlayer(state_.clips[i].fullPath)) {
      exclamation({tr("Cannot delete thumbnail of the opened file!")});
      continue;
    }
    deleteClip(i);
  }
}

}  // namespace cw::app
