#include "app/shell/clip_table.h"
#include "engine/analysis/stream_info.h"

#include <cmath>

namespace cw::app {

QString clipTypeWord(int fileType) {
  switch (fileType) {
    case kTypeSystem:
      return "System";
    case kTypeVideoOnly:
      return "Videoonly";
    case kTypeAudioOnly:
      return "Audioonly";
    case kTypeSystemMulti:
      return "Multiple";
    default:
      return "Wrong";
  }
}

double clipPictureRate(float declared) {
  if (declared == -1.0f) return 30;
  // The declared rates (23.976, 29.97 ...) are not exact in single precision;
  // a thousandth's sliver keeps 29.97 from being cut to 29.969.
  return std::floor(static_cast<double>(declared) * 1000.0 + 1e-3) / 1000.0;
}

QString fileExtension(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf('.');
  return dot < 0 ? QString() : fileName.mid(dot + 1).toLower();
}

QString folderOf(const QString& path) { return path.left(path.lastIndexOf('/') + 1); }

namespace {

bool vcdCompatible(const Probe& info) {
  const bool video = info.shopFileVideoVCDcomp() == 1;
  const bool audio = info.shopFileAudioVCDcomp() == 1;
  switch (info.shopFileType()) {
    case kTypeVideoOnly:
      return video;
    case kTypeAudioOnly:
      return audio;
    default:
      return video && audio;
  }
}

}  // namespace

ClipRecord makeClipRecord(const QString& path, const QString& fileName, const QString& extension,
                          std::shared_ptr<Probe> info) {
  ClipRecord clip;
  clip.fullPath = path;
  clip.folder = folderOf(path);
  clip.fileName = fileName;
  clip.byteLength = info->shopFileBytelenD();
  clip.extension = extension;
  clip.fileType = info->shopFileType();
  clip.sizeKB = std::floor(clip.byteLength / 1024);
  clip.pictureRate = clipPictureRate(info->shopFileVideoPicrateDeclared());
  clip.muxRate = info->shopFileMuxrate();
  clip.width = static_cast<std::int16_t>(info->shopFileVideoHorPicsize());
  clip.height = static_cast<std::int16_t>(info->shopFileVideoVerPicsize());
  clip.videoByteRate = info->shopFileVideoByterate();
  clip.audioByteRate = info->shopFileAudioByterate();
  clip.audioMode = info->shopFileAudioMode();
  clip.audioLevel = info->shopFileAudioLevel();
  clip.sampleRate = static_cast<std::int32_t>(std::lround(info->shopFileAudioSampfreqDeclared()));
  clip.vcdCompatible = vcdCompatible(*info);
  clip.infoHandle = info->ninfoHand();
  clip.info = std::move(info);
  return clip;
}

int findClip(const EditorSession& state, const QString& path) {
  for (int i = 0; i < static_cast<int>(state.clips.size()); ++i)
    if (state.clips[i].fullPath == path) return i;
  return -1;
}

void removeClipRecord(EditorSession& state, int index) {
  if (index < 0 || index >= static_cast<int>(state.clips.size())) return;
  state.clips.erase(state.clips.begin() + index);
  // The player's clip keeps its record: the engine reads the source's
  // analysis through the record of currentClip.
  if (state.currentClip > index) --state.currentClip;
  if (state.infoWindowClip > index)
    --state.infoWindowClip;
  else if (state.infoWindowClip == index)
    state.infoWindowClip = -1;
}

}  // namespace cw::app
