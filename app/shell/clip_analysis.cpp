#include "app/shell/clip_analysis.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "app/shell/action_log.h"
#include "app/shell/clip_table.h"
#include "app/shell/messages.h"

namespace cw::app {

QString AnalyseClip(EditorSession& state, const QString& path, const QString& fileName,
                    const QString& extension) {
  const bool fromCapture = extension == kCaptureExtension;
  auto info = std::make_shared<Probe>();
  info->setShopFileName(path.toStdString());
  // The analysis reads the whole file: the windows keep painting meanwhile.
  state.operations->run([&info] {
    info->doQuickAnalys();
    return 0;
  });

  const int fileType = info->shopFileType();
  const QString word = clipTypeWord(fileType);
  if (word == "Wrong") {
    if (!fromCapture)
      exclamation({QCoreApplication::translate("ClipAnalysis", "File %1 is not a valid MPEG file!")
                       .arg(path)});
    logOpenFailure(state, path, fileType);
    state.audioPlaceholder = false;
    return word;
  }
  state.audioPlaceholder = fileType == 2;
  ClipRecord clip = makeClipRecord(path, fileName, fromCapture ? "mpg" : extension, info);
  state.clips.push_back(std::move(clip));
  return word;
}

bool CheckIfExists(const EditorSession& state, const QString& path) {
  bool open = true;
  for (int i = 0; i < static_cast<int>(state.clips.size()); ++i) {
    if (state.clips[i].fullPath != path) continue;
    const MessageAnswer answer = askYesNo(
        {"File " + path, "already exsists in your project!", "Do you still want to open it?"},
        MessageIcon::Information, MessageAnswer::No);
    if (answer == MessageAnswer::No) open = false;
  }
  return open;
}

bool refuseProjectAsSource(const EditorSession& state, const QString& path) {
  if (state.recordFilePath.isEmpty()) return false;
  if (QFileInfo(path).absoluteFilePath() != QFileInfo(state.recordFilePath).absoluteFilePath())
    return false;
  exclamation({QCoreApplication::translate("ClipAnalysis",
                                           "Cannot open temporary project file as source!")});
  return true;
}

}  // namespace cw::app
