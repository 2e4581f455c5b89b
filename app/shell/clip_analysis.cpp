#include "app/shell/clip_analysis.h"

#include <QFileInfo>

#include "app/shell/action_log.h"
#include "app/shell/clip_table.h"
#include "app/shell/messages.h"

namespace cw::app {

QString AnalyseClip(AppState& state, const QString& path, const QString& fileName,
                    const QString& extension) {
  const bool fromCapture = extension == kCaptureExtension;
  auto info = std::make_shared<Probe>();
  info->setShopFileName(path.toStdString());
  // The analysis reads the whole file: the windows keep painting meanwhile.
  state.Operations->run([&info] {
    info->doQuickAnalys();
    return 0;
  });

  const int fileType = info->shopFileType();
  const QString word = clipTypeWord(fileType);
  if (word == "Wrong") {
    if (!fromCapture) exclamation({"File " + path + " is not a valid MPEG file!"});
    logOpenFailure(path, fileType);
    state.AudioPlaceholder = false;
    return word;
  }
  state.AudioPlaceholder = fileType == 2;
  ClipRecord clip = makeClipRecord(path, fileName, fromCapture ? "mpg" : extension, info);
  const auto index = static_cast<std::size_t>(std::max<int>(state.ClipCount, 0));
  if (state.Clips.size() > index) state.Clips.resize(index);
  state.Clips.push_back(std::move(clip));
  return word;
}

bool CheckIfExists(const AppState& state, const QString& path) {
  bool open = true;
  for (int i = 0; i <= state.ClipCount && i < static_cast<int>(state.Clips.size()); ++i) {
    if (state.Clips[i].FullPath != path) continue;
    const MessageAnswer answer = askYesNo(
        {"File " + path, "already exsists in your project!", "Do you still want to open it?"},
        MessageIcon::Information, MessageAnswer::No);
    if (answer == MessageAnswer::No) open = false;
  }
  return open;
}

bool refuseProjectAsSource(const AppState& state, const QString& path) {
  if (state.RecordFilePath.isEmpty()) return false;
  if (QFileInfo(path).absoluteFilePath() != QFileInfo(state.RecordFilePath).absoluteFilePath())
    return false;
  exclamation({"Cannot open temporary project file as source!"});
  return true;
}

}  // namespace cw::app
