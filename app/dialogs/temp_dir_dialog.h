// The temporary-directory window (frmTempDir): a list of the mounted volumes
// (Drive1) and a folder tree (Dir1). OK makes the chosen folder TempDir and,
// when the recorder holds an unsaved project, moves its working files there.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QFileSystemModel>
#include <QPushButton>
#include <QTreeView>

namespace cw::player {
class ScrubPane;
}

namespace cw::app {

struct EditorSession;

class WorkingSession;

class TempDirDialog : public QDialog {
  Q_OBJECT
 public:
  // `recorder` is the project's player control (released while the files
  // move, reopened on the new path); `session` keeps the working files
  // recoverable (its lock and state file move with them).
  TempDirDialog(EditorSession& editorSession, player::ScrubPane* recorder,
                WorkingSession* session = nullptr, QWidget* parent = nullptr);

  QComboBox* Drive1() const { return drive1_; }
  QTreeView* Dir1() const { return dir1_; }
  QPushButton* butOK() const { return okButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

  // The folder selected in Dir1; selecting one shows it in both lists.
  QString chosenFolder() const;
  void chooseFolder(const QString& folder);

  void onOkClicked();

 private:
  void buildLists();
  void fillDrives();
  void onDriveChanged(int index);
  bool refuseFolder(const QString& folder) const;
  bool moveProject(const QString& oldDir);

  EditorSession& editorSession_;
  player::ScrubPane* recorder_;
  WorkingSession* session_;
  QComboBox* drive1_ = nullptr;
  QTreeView* dir1_ = nullptr;
  QFileSystemModel* model_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace cw::app
