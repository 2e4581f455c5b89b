#include "app/windows/footage_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include "app/shell/editor_session.h"
#include "app/windows/footage_layout.h"
#include "app/windows/thumbnail_frame.h"
#include "app/windows/thumbnail_selection.h"
#include "player/twips.h"

namespace cw::app {

namespace {

// Thumbnails are 4:3 (900 x 675 twips): one row with its margins fits the
// palette's starting height without a scroll bar.
constexpr QSize kThumbnailPixels(60, 45);

QStringList localFiles(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

void acceptFiles(QDropEvent* event) {
  if (localFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

int twips(int pixels) { return static_cast<int>(player::pixelsToTwips(pixels)); }
int pixels(int twips) { return player::twipsToPixels(twips); }

}  // namespace

FootageWindow::FootageWindow(EditorSession& session, QWidget* parent)
    : QMdiSubWindow(parent), session_(session) {
  setObjectName(QStringLiteral("FootageForm"));
  setWindowTitle(tr("Footage"));
  setAccessibleName(windowTitle());
  setAcceptDrops(true);
  body_ = new QWidget(this);
  body_->setObjectName(QStringLiteral("FootageBody"));
  body_->installEventFilter(this);
  thumbnailArea_ = new QWidget(body_);
  thumbnailArea_->setObjectName(QStringLiteral("picBackGround"));
  thumbnailArea_->setAccessibleName(tr("Footage"));
  thumbnailArea_->setAutoFillBackground(true);
  scrollBar_ = new QScrollBar(Qt::Vertical, body_);
  scrollBar_->setObjectName(QStringLiteral("VScroll1"));
  scrollBar_->setAccessibleName(tr("Scroll footage"));
  scrollBar_->hide();
  connect(scrollBar_, &QScrollBar::valueChanged, this,
          [this](int value) { thumbnailArea_->move(0, -value); });
  setWidget(body_);
}

QSize FootageWindow::thumbnailSize() const { return kThumbnailPixels; }

Thumbnail* FootageWindow::thumbnail(int index) const {
  return index >= 0 && index < thumbnailCount() ? thumbnails_[index] : nullptr;
}

bool FootageWindow::isSelected(int index) const {
  return index >= 0 && index < static_cast<int>(selected_.size()) && selected_[index];
}

void FootageWindow::addClipThumbnail(int index) {
  if (index < 0 || index > thumbnailCount()) return;
  if (index == thumbnailCount()) {
    auto* made = new Thumbnail(index, thumbnailArea_);
    connect(made, &Thumbnail::pressed, this, &FootageWindow::thumbnailPressed);
    connect(made, &Thumbnail::activated, this, &FootageWindow::clipActivated);
    thumbnails_.push_back(made);
    selected_.push_back(false);
  }
  selected_[index] = false;
  showThumbnailPicture(index);
  paintFrame(index);
  refreshName(index);
  layoutThumbnails();
  thumbnails_[index]->show();
  emit thumbnailAdded(index);
}

void FootageWindow::replaceThumbnailPicture(int index) {
  if (!thumbnail(index) || thumbnailPicture_.isNull()) return;
  showThumbnailPicture(index);
  yellowFrame(index);
}

// thumbnailPicture fills the thumbnail: 4:3 like the pictures it comes from.
void FootageWindow::showThumbnailPicture(int index) {
  thumbnails_[index]->setPicture(
      thumbnailPicture_.scaled(kThumbnailPixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void FootageWindow::removeThumbnail(int index) {
  if (index < 0 || index >= thumbnailCount()) return;
  for (int i = index; i + 1 < thumbnailCount(); ++i) {
    thumbnails_[i]->setPicture(thumbnails_[i + 1]->picture());
    selected_[i] = selected_[i + 1];
  }
  delete thumbnails_.back();
  thumbnails_.pop_back();
  selected_.pop_back();
  for (int i = index; i < thumbnailCount(); ++i) refreshName(i);
  layoutThumbnails();
  emit selectionChanged(anySelected(selected_));
}

void FootageWindow::removeAllThumbnails() {
  for (Thumbnail* made : thumbnails_) delete made;
  thumbnails_.clear();
  selected_.clear();
  layoutThumbnails();
  emit selectionChanged(false);
}

void FootageWindow::grayFrame(int index) {
  if (Thumbnail* made = thumbnail(index)) {
    QPixmap picture = made->picture();
    drawFrame(picture, grayFrameColors());
    made->setPicture(picture);
  }
}

void FootageWindow::yellowFrame(int index) {
  if (Thumbnail* made = thumbnail(index)) {
    QPixmap picture = made->picture();
    drawFrame(picture, yellowFrameColors());
    made->setPicture(picture);
  }
}

void FootageWindow::paintFrame(int index) {
  if (isSelected(index))
    yellowFrame(index);
  else
    grayFrame(index);
}

void FootageWindow::refreshName(int index) {
  Thumbnail* made = thumbnail(index);
  const EditorSession& state = session_;
  if (!made || index >= static_cast<int>(state.clips.size())) return;
  const ClipRecord& clip = state.clips[index];
  made->setIndex(index);
  made->setAccessibleName(clip.displayName());
  made->setToolTip(clip.displayName());
}

void FootageWindow::thumbnailPressed(int index, Qt::MouseButton button,
                                     Qt::KeyboardModifiers modifiers, QPoint globalPosition) {
  for (int changed : pressThumbnail(selected_, index, modifiers)) paintFrame(changed);
  EditorSession& state = session_;
  state.paletteIndex = static_cast<std::int16_t>(index);
  emit selectionChanged(anySelected(selected_));
  if (button == Qt::RightButton) emit contextMenuRequested(index, globalPosition);
}

// The background spans the window's inner width less the scroll bar, and is
// as tall as its thumbnails need; the scroll bar shows when it is taller
// than the window.
void FootageWindow::layoutThumbnails() {
  const int innerWidth = body_->width();
  const int innerHeight = body_->height();
  const int barWidth = scrollBar_->sizeHint().width();
  const int backgroundWidth = std::max(0, innerWidth - barWidth);
  std::vector<QSize> sizes(
      thumbnails_.size(), QSize(twips(kThumbnailPixels.width()), twips(kThumbnailPixels.height())));
  const FootageLayout layout = layOutThumbnails(sizes, twips(backgroundWidth));
  for (std::size_t i = 0; i < thumbnails_.size(); ++i) {
    thumbnails_[i]->move(pixels(layout.places[i].left()), pixels(layout.places[i].top()));
    thumbnails_[i]->show();
  }
  const int backgroundHeight = pixels(layout.backgroundHeight);
  thumbnailArea_->resize(backgroundWidth, std::max(backgroundHeight, innerHeight));
  scrollBar_->setGeometry(backgroundWidth, 0, barWidth, innerHeight);
  const int overflow = backgroundHeight - innerHeight;
  scrollBar_->setRange(0, std::max(0, overflow));
  scrollBar_->setPageStep(std::max(1, innerHeight));
  scrollBar_->setSingleStep(kThumbnailPixels.height() / 2);
  scrollBar_->setVisible(overflow > 0);
  thumbnailArea_->move(0, -scrollBar_->value());
}

void FootageWindow::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  layoutThumbnails();
}

bool FootageWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == body_ && event->type() == QEvent::Resize) layoutThumbnails();
  return QMdiSubWindow::eventFilter(watched, event);
}

// Closing only hides the palette; the window menu keeps its mark in step.
void FootageWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  emit hideRequested();
}

// Ctrl+Alt+F12 switches the action log on for the rest of the run.
void FootageWindow::keyPressEvent(QKeyEvent* event) {
  const auto mods =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  if (event->key() == Qt::Key_F12 && mods == (Qt::ControlModifier | Qt::AltModifier)) {
    session_.logEnabled = true;
    return;
  }
  QMdiSubWindow::keyPressEvent(event);
}

// Files from a file manager are taken as a copy; anything else is refused.
void FootageWindow::dragEnterEvent(QDragEnterEvent* event) { acceptFiles(event); }
void FootageWindow::dragMoveEvent(QDragMoveEvent* event) { acceptFiles(event); }

void FootageWindow::dropEvent(QDropEvent* event) {
  acceptFiles(event);
  if (event->isAccepted()) emit filesDropped(localFiles(event->mimeData()));
}

}  // namespace cw::app
