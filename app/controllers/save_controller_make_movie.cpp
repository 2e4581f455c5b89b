// The recorder's Make Movie button and Edit > Make Movie: the project is
// saved first when it is not, then the saved movie joins the footage
// palette, once per change of the project.
#include <QFileInfo>

#include "app/shell/actions.h"
#include "app/shell/app_state.h"
#include "app/shell/clip_analysis.h"
#include "app/windows/parent_form.h"
#include "app/windows/placeholder_pictures.h"
#include "app/windows/save_controller.h"
#include "engine/analysis/stream_info.h"
#include "player/scrub_pane.h"

namespace cw::app {

void SaveController::butMake_Press(Qt::MouseButton button) {
  AppState& state = appState();
  if (!actions_.isEnabled(QStringLiteral("menuMake"))) return;
  // Save and Close forgets the recorder's information: the length is kept
  // for the new clip first.
  const QString length = state.Recorder.Length;
  if (!iRecorder_.movieSaved()) {
    if (button == Qt::RightButton)
      mnuSaveAndClose_Click();
    else
      menuSaveAs_Click();
  }
  if (!iRecorder_.movieSaved() || state.MovieMade) return;
  if (savedFilePath_.isEmpty() || !QFileInfo::exists(savedFilePath_)) return;

  ++state.ClipCount;
  state.OpeningPath = savedFilePath_;
  const QString extension =
      iRecorder_.currExt().isEmpty() ? state.ProjectExtension : iRecorder_.currExt();
  if (AnalyseClip(state, savedFilePath_, savedFileTitle_, extension) == QLatin1String("Wrong")) {
    --state.ClipCount;
    return;
  }
  ClipRecord& clip = state.Clips[static_cast<std::size_t>(state.ClipCount)];
  clip.LengthTimeCode = length;
  FootageForm& palette = *form_.footageForm();
  if (clip.FileType == kTypeAudioOnly) {
    palette.setPicture2(audioPlaceholderPicture(palette.thumbnailSize()));
  } else if (iRecorder_.mode() != static_cast<int>(player::PlayerMode::NoClip)) {
    palette.setPicture2(iRecorder_.xCapture().bitmap);
  }  // after Save and Close the picture was captured before the recorder closed
  palette.addClipThumbnail(state.ClipCount);
  actions_.setEnabled(QStringLiteral("menuClose"), true);
  state.MovieMade = true;
}

}  // namespace cw::app
