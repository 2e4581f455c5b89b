#include "app/windows/recorder_info_form.h"

#include <QCloseEvent>

#include "app/shell/app_state.h"

namespace cw::app {

namespace {

FileFacts recorderFacts(const RecorderInfo& info) {
  FileFacts f;
  f.path = info.FileName;
  f.fileType = info.FileType;
  f.sizeKB = info.SizeKB;
  f.pictureRate = info.PictureRate;
  f.lengthText = info.Length;
  f.muxRate = info.MuxRate;
  f.width = info.Width;
  f.height = info.Height;
  f.videoByteRate = info.VideoByteRate;
  f.audioByteRate = info.AudioByteRate;
  f.audioMode = info.AudioMode;
  f.audioLayer = info.AudioLevel;
  f.sampleRate = info.SampleRate;
  f.vcdCompatible = info.VcdCompatible;
  return f;
}

}  // namespace

RecorderInfoForm::RecorderInfoForm(ActionRegistry& actions, QWidget* parent)
    : InfoForm("RecorderInfoForm", parent), actions_(actions) {
  actions_.setEnabled("mnuDelete", false);
  const RecorderInfo& info = appState().Recorder;
  fill(info.FileName, recorderFacts(info));
}

void RecorderInfoForm::closeEvent(QCloseEvent* event) {
  actions_.setEnabled("mnuDelete", true);
  InfoForm::closeEvent(event);
}

}  // namespace cw::app
