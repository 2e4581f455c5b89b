#include "app/dialogs/temp_dir_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStorageInfo>
#include <QVBoxLayout>

#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/shell/settings.h"
#include "app/shell/startup.h"
#include "app/shell/working_files.h"
#include "app/shell/working_session.h"
#include "player/scrub_pane.h"

namespace cw::app {

namespace {

bool canUseFolder(const QString& folder) {
  const QFileInfo info(folder);
  return info.isDir() && info.isWritable();
}

// Releases the project from the recorder while its files move, and opens it
// again (at the same position and marks) from wherever it is afterwards.
class RecorderRelease {
 public:
  RecorderRelease(player::ScrubPane* pane, const EditorSession& session)
      : pane_(pane), session_(session) {
    held_ = pane_ && pane_->mode() != static_cast<int>(player::PlayerMode::NoClip);
    if (!held_) return;
    if (pane_->mode() == static_cast<int>(player::PlayerMode::Playing)) pane_->xPause();
    pane_->xCloseTemp();
  }
  ~RecorderRelease() {
    if (!held_) return;
    pane_->setSource(session_.recordFilePath);
    pane_->xReOpen();
  }
  RecorderRelease(const RecorderRelease&) = delete;
  RecorderRelease& operator=(const RecorderRelease&) = delete;

 private:
  player::ScrubPane* pane_;
  const EditorSession& session_;  // where the project is afterwards
  bool held_ = false;
};

}  // namespace

TempDirDialog::TempDirDialog(EditorSession& editorSession, player::ScrubPane* recorder,
                             WorkingSession* session, QWidget* parent)
    : QDialog(parent), editorSession_(editorSession), recorder_(recorder), session_(session) {
  setObjectName("frmTempDir");
  setWindowTitle(tr("Temp Directory"));
  setAccessibleName(windowTitle());
  buildLists();
  fillDrives();
  chooseFolder(editorSession_.tempDir);
}

namespace {

// Names a file's type without reading it: sniffing contents would open files
// such as /proc/kmsg, whose reads block for ever.
class PlainFileIcons : public QFileIconProvider {
 public:
  QString type(const QFileInfo& info) const override {
    return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
  }
};

}  // namespace

void TempDirDialog::buildLists() {
  drive1_ = new QComboBox(this);
  drive1_->setObjectName("Drive1");
  drive1_->setAccessibleName(tr("Drive"));
  model_ = new QFileSystemModel(this);
  static PlainFileIcons icons;
  model_->setIconProvider(&icons);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath(QDir::rootPath());
  dir1_ = new QTreeView(this);
  dir1_->setObjectName("Dir1");
  dir1_->setAccessibleName(tr("Folder"));
  dir1_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) dir1_->hideColumn(column);
  dir1_->header()->hide();
  okButton_ = new QPushButton(tr("OK"), this);
  okButton_->setObjectName("butOK");
  okButton_->setAccessibleName(tr("OK"));
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(tr("Cancel"), this);
  cancelButton_->setObjectName("butCancel");
  cancelButton_->setAccessibleName(tr("Cancel"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(drive1_);
  layout->addWidget(dir1_, 1);
  layout->addLayout(buttons);
  resize(360, 420);

  connect(drive1_, &QComboBox::activated, this, &TempDirDialog::onDriveChanged);
  connect(okButton_, &QPushButton::clicked, this, &TempDirDialog::onOkClicked);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void TempDirDialog::fillDrives() {
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    const QString name =
        volume.displayName() == volume.rootPath()
            ? volume.rootPath()
            : volume.rootPath() + QStringLiteral(" [") + volume.displayName() + QStringLiteral("]");
    drive1_->addItem(name, volume.rootPath());
  }
}

QString TempDirDialog::chosenFolder() const {
  const QModelIndex index = dir1_->currentIndex();
  return index.isValid() ? model_->filePath(index) : QString();
}

void TempDirDialog::chooseFolder(const QString& folder) {
  const QModelIndex index = model_->index(folder);
  if (!index.isValid()) return;
  dir1_->setCurrentIndex(index);
  dir1_->scrollTo(index);
  dir1_->expand(index);
  const int drive = drive1_->findData(QStorageInfo(folder).rootPath());
  if (drive >= 0) drive1_->setCurrentIndex(drive);
}

// A volume has no current folder of its own: the tree goes to TempDir when
// it lies on that volume, else to the volume's root.
void TempDirDialog::onDriveChanged(int index) {
  const QString root = drive1_->itemData(index).toString();
  const QString tempDir = editorSession_.tempDir;
  chooseFolder(QStorageInfo(tempDir).rootPath() == root ? tempDir : root);
}

bool TempDirDialog::refuseFolder(const QString& folder) const {
  // The engine measures the drive of the current directory.
  const bool usable = canUseFolder(folder) && QDir::setCurrent(folder) &&
                      editorSession_.splicer->spaceAvailable() != 0;
  if (usable) return false;
  exclamation({tr("Sorry, you cannot write to the selected drive!"),
               tr("Please select another drive for your TEMP directory.")});
  return true;
}

void TempDirDialog::onOkClicked() {
  EditorSession& state = editorSession_;
  const QString oldDir = state.tempDir;
  const QString folder = tempDirText(chosenFolder());
  if (folder.isEmpty()) return;
  if (refuseFolder(folder)) {
    QDir::setCurrent(oldDir);
    return;
  }
  if (!sameFolder(folder, oldDir)) {
    const bool holdsProject = recorder_ && !recorder_->movieSaved();
    if (holdsProject ? !moveProject(oldDir) : false) {
      QDir::setCurrent(oldDir);
      return;
    }
    state.tempDir = folder;
    // Nothing of the project is on disk: new names in the new folder.
    if (!holdsProject && !QFileInfo::exists(state.recordFilePath)) generateUniqueNames(state);
    // At once, not at the exit: after a crash the next editor looks for
    // the working files where the settings say they are.
    Settings settings;
    settings.setText(QStringLiteral("TempDir"), state.tempDir);
    settings.sync();
    if (session_) session_->refresh(state);
  }
  accept();
}

bool TempDirDialog::moveProject(const QString& oldDir) {
  const QString folder = tempDirText(chosenFolder());
  MoveOutcome outcome;
  {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RecorderRelease release(recorder_, editorSession_);
    outcome = moveWorkingFiles(editorSession_, folder, session_);
    QApplication::restoreOverrideCursor();
  }
  if (outcome.ok) return true;
  exclamation({tr("Cannot copy the project's working files to %1:").arg(folder),
               QDir::toNativeSeparators(outcome.failedPath) + QStringLiteral(": ") + outcome.reason,
               tr("The temporary directory stays %1.").arg(oldDir)});
  return false;
}

}  // namespace cw::app
