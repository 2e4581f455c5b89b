// Saving, closing and export: Save As (a copy; the project stays open),
// Save and Close (the project file moves to the user's name and a new
// project starts), Close All, Make Movie, the hand-over of a movie to the
// Mosaica tool and the low-bitrate export. One instance per main window,
// created by installSaveCommands.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace cw::player {
class ScrubPane;
}

namespace cw::app {

class ActionRegistry;
class MainWindow;
struct EditorSession;
class RecordController;

class SaveController : public QObject {
  Q_OBJECT
 public:
  explicit SaveController(MainWindow& form);

  // --- File menu (save_commands.cpp) ----------------------------------------
  void onSaveAs();
  void onSaveAndClose();
  void onCloseAll();
  // The user's answer to the save dialog, empty when cancelled.
  QString askSavePath(const QString& title);

  // --- Make Movie (make_movie.cpp) ------------------------------------------
  // The recorder's Make Movie button: the left button saves a copy, the
  // right one saves and closes; then the saved movie joins the palette once.
  void onMakePressed(Qt::MouseButton button);

  // --- Export (export_commands.cpp) -----------------------------------------
  void onExportRealMedia();
  void onExportClipRealMedia();
  void onMediaPalette();
  void exportLowBitrate(const QString& projectPath, int bitRate);
  // Opens a file or web address with the desktop's handler.
  static bool openDocument(const QString& target);
  // Replaces the desktop's handler (tests); an empty function restores it.
  using DocumentOpener = std::function<bool(const QUrl&)>;
  static void setDocumentOpener(DocumentOpener opener);

  const QString& savedFilePath() const { return savedFilePath_; }
  const QString& savedFileTitle() const { return savedFileTitle_; }

 signals:
  // A save command ended (with or without a saved file): the working files'
  // state may have changed.
  void projectChanged();

 private:
  bool refusedAsPlayerFile(const QString& path);
  // The copy with the progress window; true when the file is there.
  bool copyProject(const QString& path);
  bool moveProject(const QString& path);
  void closeSavedProject(const QString& path);
  bool roomInFolderOf(const QString& path);
  void savedAs(const QString& path);
  void startMosaica(const QStringList& arguments);
  void stopPlayingPanes();
  RecordController* recordController() const;

  MainWindow& form_;
  EditorSession& session_;
  ActionRegistry& actions_;
  player::ScrubPane& playerPane_;
  player::ScrubPane& recorderPane_;
  QString savedFilePath_;
  QString savedFileTitle_;
  QString lastFolder_;
};

}  // namespace cw::app
