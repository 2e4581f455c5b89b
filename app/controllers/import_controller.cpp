// The thumbnail chooser (newImport): Change Thumbnail of the thumbnail
// context menu opens the clip there; its button makes the frame on screen
// the clip's thumbnail, drawn in the selected frame; a right click on the
// picture shows the clip's properties.
#include <QCoreApplication>

#include "app/shell/actions.h"
#include "app/shell/app_state.h"
#include "app/windows/commands.h"
#include "app/windows/new_import.h"
#include "app/windows/new_preview.h"
#include "app/windows/parent_form.h"
#include "app/windows/transport_keys.h"
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
  explicit ImportController(ParentForm& form)
      : QObject(&form), form_(form), newImport_(new NewImport), iImport_(*newImport_->iImport()) {
    setObjectName(QStringLiteral("importController"));
    form.mdiArea()->addSubWindow(newImport_);
    newImport_->hide();
    connect(form.action(QStringLiteral("menuPopUpChangeThumbnail")), &QAction::triggered, this,
            [this] { menuPopUpChangeThumbnail_Click(); });
    connect(newImport_->butRecord(), &QPushButton::clicked, this, [this] { butRecord_Click(); });
    connect(&iImport_, &player::ScrubPane::Ejected, newImport_, &QWidget::hide);
    connect(&iImport_, &player::ScrubPane::NeedSound, this, [this] { iImport_NeedSound(); });
    connect(&iImport_, &player::ScrubPane::MouseDown, this,
            [this](int button, int, float x, float y) { iImport_MouseDown(button, x, y); });
    new TransportKeys(newImport_, &iImport_);
  }

  NewImport* window() const { return newImport_; }

  // Below and right of the player window, behind the other windows.
  void place() {
    const QPoint player = form_.newPlayer()->pos();
    const int offset = player::twipsToPixels(kOffsetFromPlayerTwips);
    newImport_->move(player + QPoint(offset, offset));
    newImport_->lower();
  }

 private:
  static const ClipRecord* clipAt(int index) {
    const AppState& state = appState();
    if (index < 0 || index > state.ClipCount || index >= static_cast<int>(state.Clips.size()))
      return nullptr;
    return &state.Clips[static_cast<std::size_t>(index)];
  }

  void menuPopUpChangeThumbnail_Click() {
    const AppState& state = appState();
    const ClipRecord* clip = clipAt(state.PaletteIndex);
    if (!clip || clip->FileType == kAudioOnly) return;
    newImport_->setWindowTitle(QStringLiteral("Customize Thumbnail"));
    newImport_->setAccessibleName(newImport_->windowTitle());
    iImport_.setAmVersion(state.MediaLayerVersion);
    iImport_.setSliderVisible(true);
    iImport_.setNavigationVisible(true);
    iImport_.setClipWidth(kClipWidthTwips);
    iImport_.setClipHeight(kClipHeightTwips);
    iImport_.setTimeCodeLeft(kTimeCodeLeftTwips);
    iImport_.setTimeCodeTop(kTimeCodeTopTwips);
    iImport_.setCurrExt(clip->Extension);
    if (clip->PictureRate > 0) iImport_.setStepSize(1.0 / clip->PictureRate);
    iImport_.setSource(clip->FullPath);
    newImport_->fitToPane();
    newImport_->show();
    if (iImport_.xOpen() != 0) {  // the player has said why
      newImport_->hide();
      return;
    }
    newImport_->raise();
    form_.mdiArea()->setActiveSubWindow(newImport_);
  }

  // The clip the chooser shows. The palette's pressed clip may have changed,
  // or clips may have been deleted, since the chooser opened: the picture
  // goes to the clip of the file on screen, never to another clip's
  // thumbnail.
  int chosenClip() const {
    const QString& source = iImport_.source();
    if (source.isEmpty()) return -1;
    const AppState& state = appState();
    const ClipRecord* pressed = clipAt(state.PaletteIndex);
    if (pressed && pressed->FullPath == source) return state.PaletteIndex;
    for (int i = 0; clipAt(i); ++i)
      if (clipAt(i)->FullPath == source) return i;
    return -1;
  }

  void butRecord_Click() {
    if (iImport_.mode() != static_cast<int>(player::PlayerMode::NoClip)) {
      const int clip = chosenClip();
      const player::Picture picture = iImport_.xCapture();
      FootageForm& palette = *form_.footageForm();
      if (clip >= 0 && !picture.isNull()) {
        palette.setPicture2(picture.bitmap);
        palette.replaceThumbnailPicture(clip);
      }
    }
    newImport_->closeClip();
    newImport_->hide();
  }

  // A right click on the picture shows the properties of the clip on screen.
  void iImport_MouseDown(int button, float x, float y) {
    if (button != kRightButton || iImport_.mode() == static_cast<int>(player::PlayerMode::NoClip))
      return;
    const int clip = chosenClip();
    if (clip < 0) return;
    appState().PaletteIndex = static_cast<std::int16_t>(clip);
    QAction* item = form_.action(QStringLiteral("menuPopUpPreferences"));
    item->setData(iImport_.mapToGlobal(QPoint(player::twipsToPixels(x), player::twipsToPixels(y))));
    item->trigger();
  }

  void iImport_NeedSound() {
    if (iImport_.mode() != static_cast<int>(player::PlayerMode::Stopped)) return;
    std::vector<player::ScrubPane*> others{form_.newPlayer()->iPlayer(),
                                           form_.newRecorder()->iRecorder()};
    if (NewPreview* preview = previewWindow(form_)) others.push_back(preview->iPreview());
    for (player::ScrubPane* pane : others)
      if (makesSound(*pane)) pane->xStop();
  }

  ParentForm& form_;
  NewImport* newImport_;
  player::ScrubPane& iImport_;
};

ImportController* controller(ParentForm& form) {
  return static_cast<ImportController*>(
      form.findChild<QObject*>(QStringLiteral("importController"), Qt::FindDirectChildrenOnly));
}

}  // namespace

void installImportCommands(ParentForm& form) { new ImportController(form); }

NewImport* importWindow(ParentForm& form) {
  ImportController* found = controller(form);
  return found ? found->window() : nullptr;
}

void placeImportWindow(ParentForm& form) {
  if (ImportController* found = controller(form)) found->place();
}

}  // namespace cw::app
