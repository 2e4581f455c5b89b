// The thumbnail chooser (ImportWindow): Change Thumbnail of the thumbnail
// context menu opens the clip there; its button makes the frame on screen
// the clip's thumbnail, drawn in the selected frame; a right click on the
// picture shows the clip's properties.
#include <QCoreApplication>

#include "app/commands/commands.h"
#include "app/controllers/transport_keys.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "app/windows/import_window.h"
#include "app/windows/main_window.h"
#include "app/windows/preview_window.h"
#include "player/twips.h"

namespace cw::app {

namespace {

constexpr int kRightButton = 2;
constexpr int kAudioOnly = 2;
// The chooser's clip area, and its place below and right of the player's.
constexpr int kClipWidthTwips = 2940;
constexpr int kClipHeightTwips = 2055;
constexpr double kOffsetFromPlayerTwips = 450;
// The time code goes under the slider, its right edge under the last
// transport button's.
constexpr float kTimeCodeLeftTwips = 2115;
constexpr float kTimeCodeTopTwips = kClipHeightTwips + 840;

bool makesSound(const player::ScrubPane& pane) {
  return pane.mode() == static_cast<int>(player::PlayerMode::Paused) ||
         pane.mode() == static_cast<int>(player::PlayerMode::Playing);
}

class ImportController : public QObject {
 public:
  explicit ImportController(MainWindow& form)
      : QObject(&form),
        form_(form),
        session_(form.session()),
        importWindow_(new ImportWindow),
        importPane_(*importWindow_->importPane()) {
    setObjectName(QStringLiteral("importController"));
    form.mdiArea()->addSubWindow(importWindow_);
    importWindow_->hide();
    connect(form.action(QStringLiteral("menuPopUpChangeThumbnail")), &QAction::triggered, this,
            [this] { onChangeThumbnail(); });
    connect(importWindow_->recordButton(), &QPushButton::clicked, this,
            [this] { onRecordClicked(); });
    connect(&importPane_, &player::ScrubPane::Ejected, importWindow_, &QWidget::hide);
    connect(&importPane_, &player::ScrubPane::NeedSound, this, [this] { onImportNeedsSound(); });
    connect(&importPane_, &player::ScrubPane::MouseDown, this,
            [this](int button, int, float x, float y) { onImportMouseDown(button, x, y); });
    new TransportKeys(importWindow_, &importPane_);
  }

  ImportWindow* window() const { return importWindow_; }

  // Below and right of the player window, behind the other windows.
  void place() {
    const QPoint player = form_.playerWindow()->pos();
    const int offset = player::twipsToPixels(kOffsetFromPlayerTwips);
    importWindow_->move(player + QPoint(offset, offset));
    importWindow_->lower();
  }

 private:
  const ClipRecord* clipAt(int index) const {
    const EditorSession& state = session_;
    if (index < 0 || index >= static_cast<int>(state.clips.size())) return nullptr;
    return &state.clips[static_cast<std::size_t>(index)];
  }

  void onChangeThumbnail() {
    const EditorSession& state = session_;
    const ClipRecord* clip = clipAt(state.paletteIndex);
    if (!clip || clip->fileType == kAudioOnly) return;
    importWindow_->setWindowTitle(QStringLiteral("Customize Thumbnail"));
    importWindow_->setAccessibleName(importWindow_->windowTitle());
    importPane_.setAmVersion(state.mediaLayerVersion);
    importPane_.setSliderVisible(true);
    importPane_.setNavigationVisible(true);
    importPane_.setClipWidth(kClipWidthTwips);
    importPane_.setClipHeight(kClipHeightTwips);
    importPane_.setTimeCodeLeft(kTimeCodeLeftTwips);
    importPane_.setTimeCodeTop(kTimeCodeTopTwips);
    importPane_.setCurrExt(clip->extension);
    if (clip->pictureRate > 0) importPane_.setStepSize(1.0 / clip->pictureRate);
    importPane_.setSource(clip->fullPath);
    importWindow_->fitToPane();
    importWindow_->show();
    if (importPane_.xOpen() != 0) {  // the player has said why
      importWindow_->hide();
      return;
    }
    importWindow_->raise();
    form_.mdiArea()->setActiveSubWindow(importWindow_);
  }

  // The clip the chooser shows. The palette's pressed clip may have changed,
  // or clips may have been deleted, since the chooser opened: the picture
  // goes to the clip of the file on screen, never to another clip's
  // thumbnail.
  int chosenClip() const {
    const QString& source = importPane_.source();
    if (source.isEmpty()) return -1;
    const EditorSession& state = session_;
    const ClipRecord* pressed = clipAt(state.paletteIndex);
    if (pressed && pressed->fullPath == source) return state.paletteIndex;
    for (int i = 0; clipAt(i); ++i)
      if (clipAt(i)->fullPath == source) return i;
    return -1;
  }

  void onRecordClicked() {
    if (importPane_.mode() != static_cast<int>(player::PlayerMode::NoClip)) {
      const int clip = chosenClip();
      const player::Picture picture = importPane_.xCapture();
      FootageWindow& palette = *form_.footageWindow();
      if (clip >= 0 && !picture.isNull()) {
        palette.setThumbnailPicture(picture.bitmap);
        palette.replaceThumbnailPicture(clip);
      }
    }
    importWindow_->closeClip();
    importWindow_->hide();
  }

  // A right click on the picture shows the properties of the clip on screen.
  void onImportMouseDown(int button, float x, float y) {
    if (button != kRightButton ||
        importPane_.mode() == static_cast<int>(player::PlayerMode::NoClip))
      return;
    const int clip = chosenClip();
    if (clip < 0) return;
    session_.paletteIndex = static_cast<std::int16_t>(clip);
    QAction* item = form_.action(QStringLiteral("menuPopUpPreferences"));
    item->setData(
        importPane_.mapToGlobal(QPoint(player::twipsToPixels(x), player::twipsToPixels(y))));
    item->trigger();
  }

  void onImportNeedsSound() {
    if (importPane_.mode() != static_cast<int>(player::PlayerMode::Stopped)) return;
    std::vector<player::ScrubPane*> others{form_.playerWindow()->playerPane(),
                                           form_.recorderWindow()->recorderPane()};
    if (PreviewWindow* preview = previewWindow(form_)) others.push_back(preview->previewPane());
    for (player::ScrubPane* pane : others)
      if (makesSound(*pane)) pane->xStop();
  }

  MainWindow& form_;
  EditorSession& session_;
  ImportWindow* importWindow_;
  player::ScrubPane& importPane_;
};

ImportController* controller(MainWindow& form) {
  return static_cast<ImportController*>(
      form.findChild<QObject*>(QStringLiteral("importController"), Qt::FindDirectChildrenOnly));
}

}  // namespace

void installImportCommands(MainWindow& form) { new ImportController(form); }

ImportWindow* importWindow(MainWindow& form) {
  ImportController* found = controller(form);
  return found ? found->window() : nullptr;
}

void placeImportWindow(MainWindow& form) {
  if (ImportController* found = controller(form)) found->place();
}

}  // namespace cw::app
