// The recorder's Make Movie button and Edit > Make Movie: the project is
// saved first when it is not, then the saved movie joins the footage
// palette, once per change of the project.
#include <QFileInfo>

#include "app/controllers/save_controller.h"
#include "app/shell/actions.h"
#include "app/shell/clip_analysis.h"
#include "app/shell/editor_session.h"
#include "app/windows/main_window.h"
#include "app/windows/placeholder_pictures.h"
#include "engine/analysis/stream_info.h"
#include "player/scrub_pane.h"

namespace cw::app {

void SaveController::onMakePressed(Qt::MouseButton button) {
  EditorSession& state = session_;
  if (!actions_.isEnabled(QStringLiteral("menuMake"))) return;
  // Save and Close forgets the recorder's information: the length is kept
  // for the new clip first.
  const QString length = state.recorder.length;
  if (!recorderPane_.movieSaved()) {
    if (button == Qt::RightButton)
      onSaveAndClose();
    else
      onSaveAs();
  }
  if (!recorderPane_.movieSaved() || state.movieMade) return;
  if (savedFilePath_.isEmpty() || !QFileInfo::exists(savedFilePath_)) return;

  state.openingPath = savedFilePath_;
  const QString extension =
      recorderPane_.currExt().isEmpty() ? state.projectExtension : recorderPane_.currExt();
  if (AnalyseClip(state, savedFilePath_, savedFileTitle_, extension) == QLatin1String("Wrong")) {
    return;
  }
  ClipRecord& clip = state.clips.back();
  clip.lengthTimeCode = length;
  FootageWindow& palette = *form_.footageWindow();
  if (clip.fileType == kTypeAudioOnly) {
    palette.setThumbnailPicture(audioPlaceholderPicture(palette.thumbnailSize()));
  } else if (recorderPane_.mode() != static_cast<int>(player::PlayerMode::NoClip)) {
    palette.setThumbnailPicture(recorderPane_.xCapture().bitmap);
  }  // after Save and Close the picture was captured before the recorder closed
  palette.addClipThumbnail(static_cast<int>(state.clips.size()) - 1);
  actions_.setEnabled(QStringLiteral("menuClose"), true);
  state.movieMade = true;
}

}  // namespace cw::app
