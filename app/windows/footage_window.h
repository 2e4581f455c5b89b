// The footage palette: one thumbnail per opened clip, laid out in rows on a
// background that scrolls. A press selects (plain, Ctrl, Shift) and frames
// the thumbnails, a drag carries the clip to the player, a double-click or
// Enter asks for the clip to be loaded, files dropped from a file manager are
// handed on to be opened. Thumbnail i shows clip i of the clip table.
#pragma once

#include <QMdiSubWindow>
#include <QPixmap>
#include <QScrollBar>
#include <vector>

#include "app/windows/thumbnail.h"

namespace cw::app {

struct EditorSession;

class FootageWindow : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit FootageWindow(EditorSession& session, QWidget* parent = nullptr);

  QWidget* thumbnailArea() const { return thumbnailArea_; }
  QScrollBar* scrollBar() const { return scrollBar_; }

  // The picture buffer a new thumbnail is made from.
  const QPixmap& thumbnailPicture() const { return thumbnailPicture_; }
  void setThumbnailPicture(const QPixmap& picture) { thumbnailPicture_ = picture; }
  // Pixel size of every thumbnail.
  QSize thumbnailSize() const;

  // Thumbnail `index` (the clip's index) from thumbnailPicture, unselected.
  void addClipThumbnail(int index);
  // Thumbnail `index` shows thumbnailPicture instead, in the selected (yellow) frame.
  void replaceThumbnailPicture(int index);
  // Takes thumbnail `index` away; the later ones move down one place.
  void removeThumbnail(int index);
  // Every thumbnail away (an empty clip table).
  void removeAllThumbnails();

  int thumbnailCount() const { return static_cast<int>(thumbnails_.size()); }
  Thumbnail* thumbnail(int index) const;
  bool isSelected(int index) const;
  const std::vector<bool>& selection() const { return selected_; }

  void grayFrame(int index);
  void yellowFrame(int index);

  // The names of thumbnail `index` follow its clip (file name, alias).
  void refreshName(int index);
  void layoutThumbnails();

 signals:
  // A double-click or Enter on a thumbnail.
  void clipActivated(int index);
  // The right button on a thumbnail, at a screen position.
  void contextMenuRequested(int index, QPoint globalPosition);
  // After a press: whether any thumbnail is selected now.
  void selectionChanged(bool anySelected);
  void thumbnailAdded(int index);
  // Files dropped from a file manager, in the order given.
  void filesDropped(const QStringList& paths);
  // The frame's close button: the window menu hides the palette.
  void hideRequested();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void thumbnailPressed(int index, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                        QPoint globalPosition);
  void paintFrame(int index);
  void showThumbnailPicture(int index);
  void placeBackground();

  EditorSession& session_;
  QWidget* body_ = nullptr;
  QWidget* thumbnailArea_ = nullptr;
  QScrollBar* scrollBar_ = nullptr;
  QPixmap thumbnailPicture_;
  std::vector<Thumbnail*> thumbnails_;
  std::vector<bool> selected_;
};

}  // namespace cw::app
